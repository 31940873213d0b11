// Renders every window of the window kit at its real size to PNG files for
// review, offscreen, with the test program's style sheet and Chinese
// catalogue installed. The updater's window: updater_gallery.
//
//     QT_QPA_PLATFORM=offscreen kit_gallery <folder>
#include "BackgroundButton.h"
#include "Gallery.h"
#include "StaticButton.h"
#include "WaitDialog.h"
#include "YDialog.h"
#include "YInfoBox.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QVBoxLayout>

namespace {

Gallery g_gallery;

void save(QWidget* widget, const QString& name)
{
    g_gallery.save(widget, name, true);
}

void dialogs()
{
    // The frames at every size the programs give their windows (the bodies
    // are the programs' own): main window, settings, preset, update dialog.
    const struct
    {
        const char* name;
        const char* title;
        int width, height, messageStyle;
        bool allButtons;
    } frames[] = {
        {"frame_main_window_1300x750", "Rotaprobe", 1300, 750, 1, true},
        {"frame_settings_450x250", "参数设置", 450, 250, 1, false},
        {"frame_preset_250x170", "设定预值", 250, 170, 1, false},
        {"frame_update_400x130", "软件更新", 400, 130, 0, false},
        {"frame_update_430x130", "软件更新", 430, 130, 0, false},
    };
    for (const auto& frame : frames) {
        YDialog dialog(nullptr, QString::fromUtf8(frame.title), 35, frame.width, frame.height,
                       frame.messageStyle);
        if (!frame.allButtons)
            dialog.hideSysButtons();
        dialog.bodyWidget()->setObjectName(QStringLiteral("WorkSpace"));
        save(&dialog, QString::fromLatin1(frame.name));
    }

    // A body with the kit's own widgets, both backgrounds.
    for (int style : {0, 1}) {
        YDialog dialog(nullptr, QStringLiteral("参数设置 YDialog"), 35, 450, 250, style);
        dialog.hideSysButtons();
        dialog.bodyWidget()->setObjectName(QStringLiteral("WorkSpace"));
        auto* layout = new QVBoxLayout(dialog.bodyWidget());
        layout->addWidget(new QLabel(QStringLiteral("工作区 WorkSpace 0123456789")));
        auto* button = new BackgroundButton(dialog.bodyWidget());
        button->setText(QStringLiteral("确定"));
        button->setTextColor(QColor(30, 144, 255));
        button->setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
        layout->addWidget(button, 0, Qt::AlignRight);
        save(&dialog, QStringLiteral("ydialog_body_style%1").arg(style));
    }
}

void messageBoxes()
{
    // The longest texts the test program puts in its boxes, in each kind,
    // and long English texts (shown when a translation is missing).
    const struct
    {
        const char* name;
        const char* title;
        const char* text;
        int kind;
    } boxes[] = {
        {"yinfobox_information", "提示:有错误发生!", "设备已经连接.", 0},
        {"yinfobox_question_update", "更新提示", "发现新版本软件，是否更新?", 1},
        {"yinfobox_hand_second_copy", "提示:有错误发生!", "已经有另外一个程序实例正在运行!", 2},
        {"yinfobox_hand_comparison", "提示:有错误发生!", "R比较直不能小于2或者大于3", 2},
        {"yinfobox_warning", "提示:有错误发生!", "设备接入错误，请检查!", 3},
        {"yinfobox_success", "提示:有错误发生!", "写配置数据成功！", 4},
        {"yinfobox_kind7", "ignored", "kind 7", 7},
        {"yinfobox_question_english", "Update prompt",
         "found that the software has a new version, whether the update?", 1},
        {"yinfobox_hand_english", "Error", "Equipment access error, please check!", 2},
    };
    for (const auto& entry : boxes) {
        auto* box = new YInfoBox;
        box->setInfo(QString::fromUtf8(entry.title), QString::fromUtf8(entry.text), entry.kind);
        save(box, QString::fromLatin1(entry.name));
        delete box;
    }
}

void waitDialog()
{
    // Over the work space it normally covers, and over grey for its edges.
    WaitDialog wait;
    const int frames = wait.movie()->frameCount();
    for (int frame = 0; frame < frames; ++frame) {
        wait.movie()->jumpToFrame(frame);
        if (frame % (frames / 4) == 0)
            g_gallery.save(&wait, QStringLiteral("wait_frame%1").arg(frame), true,
                           QColor(0xFF, 0xFA, 0xF0));
    }
    wait.movie()->jumpToFrame(0);
    g_gallery.save(&wait, QStringLiteral("wait_frame0_on_grey"), true);
}

void buttons()
{
    QWidget sheet;
    sheet.setStyleSheet(QStringLiteral("background: #1E90FF"));
    auto* layout = new QVBoxLayout(&sheet);
    for (const char* name : {":/UI/sys_close", ":/UI/sys_minimize", ":/UI/sys_setting"}) {
        auto* row = new QHBoxLayout;
        StaticButton probe(QString::fromLatin1(name), 3);
        for (const QPixmap& frame : probe.frames()) {
            auto* label = new QLabel;
            label->setPixmap(frame.scaled(frame.size() * 2));
            row->addWidget(label);
        }
        layout->addLayout(row);
    }
    auto* row = new QHBoxLayout;
    BackgroundButton probe;
    probe.setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
    for (const QPixmap& frame : probe.frames()) {
        auto* label = new QLabel;
        label->setPixmap(frame);
        row->addWidget(label);
    }
    layout->addLayout(row);
    save(&sheet, QStringLiteral("button_frames"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!g_gallery.begin(argc, argv, "kit_gallery"))
        return 2;

    dialogs();
    messageBoxes();
    waitDialog();
    buttons();
    return 0;
}
