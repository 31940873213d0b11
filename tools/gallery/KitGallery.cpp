// Renders every window of the window kit to PNG files for review, offscreen,
// with the test program's style sheet and Chinese catalogue installed.
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
        save(&dialog, QStringLiteral("ydialog_style%1").arg(style));
    }
    YDialog main(nullptr, QStringLiteral("Rotaprobe"), 35, 1300, 750, 1);
    main.bodyWidget()->setObjectName(QStringLiteral("WorkSpace"));
    save(&main, QStringLiteral("ydialog_main_window_size"));
    YDialog updater(nullptr, QStringLiteral("软件在线更新..."), 35, 400, 200, 0,
                    YDialog::CloseButtonOnly);
    save(&updater, QStringLiteral("ydialog_close_only"));
}

void messageBoxes()
{
    const QString texts[] = {
        QStringLiteral("设备已经连接."), QStringLiteral("发现新版本软件，是否更新?"),
        QStringLiteral("设备接入错误，请检查!"), QStringLiteral("编码器电源设定失败!"),
        QStringLiteral("写配置数据成功！")};
    for (int kind : {0, 1, 2, 3, 4, 7}) {
        auto* box = new YInfoBox;
        box->setInfo(QObject::tr("Error"), kind < 5 ? texts[kind] : QStringLiteral("kind 7"), kind);
        save(box, QStringLiteral("yinfobox_kind%1").arg(kind));
        delete box;
    }
}

void waitDialog()
{
    WaitDialog wait;
    for (int frame = 0; frame < 16; ++frame) {
        if (frame % 8 == 0)
            save(&wait, QStringLiteral("wait_frame%1").arg(frame));
        wait.movie()->jumpToNextFrame();
    }
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
