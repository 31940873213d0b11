// The window kit: sprite cutting and frame slices, the two buttons' frame
// rules and signals, the dialog bases' frame, fades, close paths and
// dragging, the message box kinds and the wait dialog.
#include "BackgroundButton.h"
#include "FrameGeometry.h"
#include "StaticButton.h"
#include "WaitDialog.h"
#include "YDialog.h"
#include "YInfoBox.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMovie>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <algorithm>

namespace {

bool sameImage(const QPixmap& a, const QPixmap& b)
{
    return a.toImage().convertToFormat(QImage::Format_ARGB32) ==
           b.toImage().convertToFormat(QImage::Format_ARGB32);
}

QPropertyAnimation* lastFade(QObject* window)
{
    const auto fades = window->findChildren<QPropertyAnimation*>();
    return fades.isEmpty() ? nullptr : fades.last();
}

// The message box's buttons as the user sees them: the shown ones, left to right.
QList<BackgroundButton*> buttonsLeftToRight(YInfoBox* box)
{
    QList<BackgroundButton*> buttons;
    for (BackgroundButton* button : box->bottomWidget()->findChildren<BackgroundButton*>())
        if (!button->isHidden())
            buttons.append(button);
    std::sort(buttons.begin(), buttons.end(),
              [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    return buttons;
}

// The label shows all of its text: visible, no more room needed than it has
// (wrapped: the longest word and the wrapped height), inside `within`.
bool shownWhole(QLabel* label, QWidget* within)
{
    const int needWidth =
        label->wordWrap() ? label->minimumSizeHint().width() : label->sizeHint().width();
    const int needHeight =
        label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
    const QRect at(label->mapTo(within, QPoint(0, 0)), label->size());
    return label->isVisible() && needWidth <= label->width() && needHeight <= label->height() &&
           within->rect().contains(at);
}

// The kit's windows as the programs show them: with the style sheet.
struct StyleSheetInstalled
{
    StyleSheetInstalled()
    {
        QFile file(QStringLiteral(":/UI/bluenew"));
        if (file.open(QIODevice::ReadOnly))
            qApp->setStyleSheet(QString::fromLatin1(file.readAll()));
    }
    ~StyleSheetInstalled() { qApp->setStyleSheet(QString()); }
};

void sendMove(QWidget* window, const QPoint& global, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, window->mapFromGlobal(global), global, Qt::NoButton,
                     buttons, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
}

} // namespace

class TestWindowKit : public QObject
{
    Q_OBJECT

private slots:
    void spriteColumnsAndSlices();
    void staticButtonFrames();
    void staticButtonDisabledFrames();
    void backgroundButtonModesAndKeys();

    void frameGridAndTitleHeight();
    void framesComeOutAtTheirSize();
    void titleBandJoinsItsEnds();
    void fadeInAndCloseResults();
    void twoClosesDuringTheFade();
    void dragOnlyFromTitleElements();
    void titleButtonsAndVariants();

    void messageBoxKinds();
    void messageBoxResults();
    void messageBoxShowsLongTextsWhole();
    void waitDialog();
};

void TestWindowKit::spriteColumnsAndSlices()
{
    QList<QRect> columns = FrameGeometry::columnRects(QSize(114, 25), 3);
    QCOMPARE(columns, (QList<QRect>{QRect(0, 0, 38, 25), QRect(38, 0, 38, 25), QRect(76, 0, 38, 25)}));
    // 100 / 3: three 33-pixel columns; the last pixel belongs to none.
    columns = FrameGeometry::columnRects(QSize(100, 10), 3);
    QCOMPARE(columns.last(), QRect(66, 0, 33, 10));
    QVERIFY(FrameGeometry::columnRects(QSize(100, 10), 0).isEmpty());
    QVERIFY(FrameGeometry::columnRects(QSize(), 3).isEmpty());

    const QList<QRect> window = FrameGeometry::backgroundSliceRects(QSize(127, 140), false);
    QCOMPARE(window.size(), 15);
    QCOMPARE(window[4], QRect(3, 2, 121, 33));   // title band centre
    QCOMPARE(window[5], QRect(125, 2, 2, 33));   // title band right
    QCOMPARE(window[10], QRect(3, 37, 121, 100)); // body centre
    QCOMPARE(window[12], QRect(0, 138, 2, 2));
    const QList<QRect> message = FrameGeometry::backgroundSliceRects(QSize(420, 170), true);
    QCOMPARE(message[3], QRect(0, 2, 2, 32));
    QCOMPARE(message[7], QRect(3, 34, 414, 3));
    QCOMPARE(message[13], QRect(3, 139, 414, 31));

    QCOMPARE(FrameGeometry::titleBandHeight(10), 25);
    QCOMPARE(FrameGeometry::titleBandHeight(35), 35);
    const QRegion shape = FrameGeometry::roundedTopRegion(QSize(200, 100), 20);
    QVERIFY(!shape.contains(QPoint(0, 0)));
    QVERIFY(!shape.contains(QPoint(199, 0)));
    QVERIFY(shape.contains(QPoint(100, 0)));
    QVERIFY(shape.contains(QPoint(0, 99)));
    QVERIFY(shape.contains(QPoint(199, 99))); // bottom corners stay square
}

void TestWindowKit::staticButtonFrames()
{
    StaticButton button(QStringLiteral(":/UI/sys_close"), 3);
    const QPixmap sprite(QStringLiteral(":/UI/sys_close"));
    QCOMPARE(button.size(), QSize(38, 25));
    QVERIFY(sameImage(button.currentFrame(), sprite.copy(0, 0, 38, 25)));
    QVERIFY(!sameImage(button.frames()[0], button.frames()[1]));
    QVERIFY(!sameImage(button.frames()[1], button.frames()[2]));

    QSignalSpy clicked(&button, &StaticButton::buttonClicked);
    QSignalSpy entered(&button, &StaticButton::enterSignal);
    QSignalSpy left(&button, &StaticButton::leaveSignal);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&button, &enter);
    QCOMPARE(entered.count(), 1);
    QVERIFY(sameImage(button.currentFrame(), button.frames()[1]));

    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(sameImage(button.currentFrame(), button.frames()[2]));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(60, 5)); // outside
    QCOMPARE(clicked.count(), 0);
    QVERIFY(sameImage(button.currentFrame(), button.frames()[0]));

    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(sameImage(button.currentFrame(), button.frames()[1]));

    QTest::mouseClick(&button, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(sameImage(button.currentFrame(), button.frames()[1]));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(left.count(), 1);
    QVERIFY(sameImage(button.currentFrame(), button.frames()[0]));
}

void TestWindowKit::staticButtonDisabledFrames()
{
    // Four frames: a disabled button shows the fourth whatever happens.
    StaticButton four(QStringLiteral(":/UI/msgbox_btn"), 4);
    QCOMPARE(four.size(), QSize(72, 25));
    four.setEnabled(false);
    QVERIFY(sameImage(four.currentFrame(), four.frames()[3]));
    QSignalSpy entered(&four, &StaticButton::enterSignal);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&four, &enter);
    QCOMPARE(entered.count(), 1);
    QVERIFY(sameImage(four.currentFrame(), four.frames()[3]));
    QSignalSpy clicked(&four, &StaticButton::buttonClicked);
    QTest::mouseClick(&four, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(clicked.count(), 0);
    // Enabled again: no frame change until the next event.
    four.setEnabled(true);
    QVERIFY(sameImage(four.currentFrame(), four.frames()[3]));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&four, &leave);
    QVERIFY(sameImage(four.currentFrame(), four.frames()[0]));

    // Three frames: disabling changes nothing.
    StaticButton three(QStringLiteral(":/UI/sys_minimize"), 3);
    QApplication::sendEvent(&three, &enter);
    three.setEnabled(false);
    QVERIFY(sameImage(three.currentFrame(), three.frames()[1]));
    QApplication::sendEvent(&three, &leave);
    QVERIFY(sameImage(three.currentFrame(), three.frames()[1]));
}

void TestWindowKit::backgroundButtonModesAndKeys()
{
    BackgroundButton button;
    button.setText(QStringLiteral("OK"));
    button.setTextColor(QColor(30, 144, 255));
    button.setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
    QCOMPARE(button.size(), QSize(72, 25));
    QCOMPARE(button.textLabel()->objectName(), QStringLiteral("backButtonText"));
    QVERIFY(!button.textLabel()->isHidden());
    QCOMPARE(button.textLabel()->palette().color(QPalette::WindowText), QColor(30, 144, 255));
    QCOMPARE(button.frames().size(), 3);
    QVERIFY(sameImage(button.frames()[0], button.frames()[2])); // pressed looks like normal
    QVERIFY(!sameImage(button.frames()[0], button.frames()[1]));

    QSignalSpy clicked(&button, &BackgroundButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(clicked.count(), 1);

    // Return or Enter on the focused button clicks it, even disabled.
    button.show();
    QApplication::setActiveWindow(&button);
    button.setFocus();
    QVERIFY(QTest::qWaitFor([&] { return button.hasFocus(); }));
    QVERIFY(sameImage(button.currentFrame(), button.frames()[1]));
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Enter);
    QCOMPARE(clicked.count(), 3);
    QTest::keyClick(&button, Qt::Key_Space);
    QCOMPARE(clicked.count(), 3);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    button.setEnabled(false);
    // A disabled widget gets no key events from Qt; the handler itself does not test it.
    QApplication::sendEvent(&button, &key);
    button.setEnabled(true);

    BackgroundButton modeOne;
    modeOne.setImage(QStringLiteral(":/UI/msgbox_btn"), 1, 4);
    QCOMPARE(modeOne.frames()[0].toImage().pixelColor(10, 10).alpha(), 0);
    QVERIFY(sameImage(modeOne.frames()[1], button.frames()[0]));
    QVERIFY(sameImage(modeOne.frames()[2], button.frames()[1]));
}

void TestWindowKit::frameGridAndTitleHeight()
{
    YDialog dialog(nullptr, QStringLiteral("Title"), 35, 450, 250, 1);
    QCOMPARE(dialog.size(), QSize(450, 250));
    QCOMPARE(dialog.windowFlags(), Qt::WindowFlags(0xE80B));
    QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(dialog.backgroundSlices().size(), 15);
    QCOMPARE(dialog.backgroundSlices()[13].size(), QSize(414, 31));
    QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Title"));
    QCOMPARE(dialog.titleLabel()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(dialog.iconLabel()->pixmap(Qt::ReturnByValue).size(), QSize(32, 32));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.titleAreaWidget()->height(), 35);
    QCOMPARE(dialog.titleAreaWidget()->y(), 2);
    QVERIFY(dialog.bodyWidget()->height() > 100);

    YDialog low(nullptr, QStringLiteral("Low"), 20, 400, 130, 0);
    low.show();
    QVERIFY(QTest::qWaitForWindowExposed(&low));
    QCOMPARE(low.titleAreaWidget()->height(), 25);
    QCOMPARE(low.backgroundSlices()[4].size(), QSize(121, 33));
}

void TestWindowKit::framesComeOutAtTheirSize()
{
    // Every size the programs use, both backgrounds: the window has exactly
    // its given size and the 15 pieces tile it: bands top to bottom, each a
    // label, the centre (an area for the title, body and bottom bands) and a
    // label, the side pieces 2 pixels wide.
    StyleSheetInstalled sheet;
    const struct
    {
        int width, height, messageStyle;
    } sizes[] = {{1300, 750, 1}, {450, 250, 1}, {250, 170, 1}, {400, 130, 0},
                 {430, 130, 0},  {400, 200, 0}, {250, 170, 0}};
    for (const auto& size : sizes) {
        const QString what = QStringLiteral("%1x%2 style %3")
                                 .arg(size.width)
                                 .arg(size.height)
                                 .arg(size.messageStyle);
        YDialog dialog(nullptr, QStringLiteral("设定预值"), 35, size.width, size.height,
                       size.messageStyle);
        dialog.hideSysButtons();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.size(), QSize(size.width, size.height));

        auto* grid = qobject_cast<QVBoxLayout*>(dialog.layout());
        QVERIFY2(grid && grid->count() == 5, qPrintable(what));
        const int bandHeights[5] = {2, 35, size.messageStyle ? 3 : 2, -1,
                                    size.messageStyle ? 31 : 2};
        QWidget* const areas[5] = {nullptr, dialog.titleAreaWidget(), nullptr, dialog.bodyWidget(),
                                   dialog.bottomWidget()};
        int y = 0;
        for (int band = 0; band < 5; ++band) {
            auto* row = qobject_cast<QHBoxLayout*>(grid->itemAt(band)->layout());
            QVERIFY2(row && row->count() == 3, qPrintable(what));
            QWidget* left = row->itemAt(0)->widget();
            QWidget* centre = row->itemAt(1)->widget();
            QWidget* right = row->itemAt(2)->widget();
            QVERIFY(qobject_cast<QLabel*>(left) && qobject_cast<QLabel*>(right));
            if (areas[band])
                QCOMPARE(centre, areas[band]);
            else
                QVERIFY(qobject_cast<QLabel*>(centre));
            const int height =
                bandHeights[band] >= 0 ? bandHeights[band] : size.height - y - bandHeights[4];
            QCOMPARE(left->geometry(), QRect(0, y, 2, height));
            QCOMPARE(centre->geometry(), QRect(2, y, size.width - 4, height));
            QCOMPARE(right->geometry(), QRect(size.width - 2, y, 2, height));
            y += height;
        }
        QCOMPARE(y, size.height);
    }

    // The pieces impose no size of their own: a bare frame far smaller than
    // the background images keeps its size.
    for (bool messageStyle : {false, true}) {
        YMainDialog bare;
        bare.loadBackground(messageStyle);
        bare.buildFrame(25, 60, 90);
        bare.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bare));
        QCOMPARE(bare.size(), QSize(60, 90));
    }

    // The message box and the wait dialog.
    auto* box = new YInfoBox;
    box->setInfo(QStringLiteral("提示:有错误发生!"), QStringLiteral("设备接入错误，请检查!"),
                 YInfoBox::Hand);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QCOMPARE(box->size(), QSize(400, 200));
    QCOMPARE(box->titleAreaWidget()->geometry(), QRect(2, 2, 396, 32));
    QCOMPARE(box->bottomWidget()->geometry(), QRect(2, 169, 396, 31));
    delete box;
    WaitDialog wait;
    wait.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wait));
    QCOMPARE(wait.size(), QSize(100, 100));
}

void TestWindowKit::titleBandJoinsItsEnds()
{
    // What the window paints along its top border and title band is the
    // same in the 2-pixel side pieces as in the stretched centre, row by row
    // (a light line or shading that stopped short of the ends, or that the
    // stretched centre smears over many rows, shows up here).
    for (int messageStyle : {0, 1}) {
        YDialog dialog(nullptr, QString(), 35, 300, 150, messageStyle);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const int plain = 40; // right of the title icon, left of the title text
        for (int y = 0; y < 2 + 35; ++y) {
            const QRgb centre = shot.pixel(plain, y);
            for (int x : {0, 1, 298, 299}) {
                if (y == 0 && (x == 0 || x == 299))
                    continue; // the outermost corner pixel is left out of the image
                QVERIFY2(shot.pixel(x, y) == centre,
                         qPrintable(QStringLiteral("style %1 at %2,%3: %4 against %5")
                                        .arg(messageStyle)
                                        .arg(x)
                                        .arg(y)
                                        .arg(shot.pixel(x, y), 8, 16)
                                        .arg(centre, 8, 16)));
            }
        }
        // The top border's light line is there, end to end.
        QVERIFY(qRed(shot.pixel(plain, 1)) > qRed(shot.pixel(plain, 0)));
        QVERIFY(qRed(shot.pixel(plain, 1)) > qRed(shot.pixel(plain, 10)));
    }
}

void TestWindowKit::fadeInAndCloseResults()
{
    YDialog dialog(nullptr, QStringLiteral("Fade"), 35, 400, 200, 0);
    QPropertyAnimation* fadeIn = lastFade(&dialog);
    QVERIFY(fadeIn);
    QCOMPARE(fadeIn->propertyName(), QByteArray("windowOpacity"));
    QCOMPARE(fadeIn->duration(), 300);
    QCOMPARE(fadeIn->startValue().toInt(), 0);
    QCOMPARE(fadeIn->endValue().toInt(), 1);
    QCOMPARE(fadeIn->state(), QAbstractAnimation::Running); // runs from construction
    QTRY_COMPARE(dialog.windowOpacity(), 1.0);

    QSignalSpy closed(&dialog, &YDialog::sysclose);
    dialog.show();
    dialog.On_closeOk();
    QPropertyAnimation* fadeOut = lastFade(&dialog);
    QCOMPARE(fadeOut->startValue().toInt(), 1);
    QCOMPARE(fadeOut->endValue().toInt(), 0);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(closed.count(), 0);
    QCOMPARE(dialog.windowOpacity(), 0.0);

    YDialog other(nullptr, QStringLiteral("Cancel"), 35, 400, 200, 0);
    QSignalSpy otherClosed(&other, &YDialog::sysclose);
    other.show();
    QTest::mouseClick(other.closeButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_VERIFY(!other.isVisible());
    QCOMPARE(other.result(), int(QDialog::Rejected));
    QCOMPARE(otherClosed.count(), 1);

    // Direct close slots act at once; Escape rejects without a fade.
    YDialog direct(nullptr, QStringLiteral("Direct"), 35, 400, 200, 0);
    QSignalSpy directClosed(&direct, &YDialog::sysclose);
    direct.show();
    direct.On_DlgCloseCancel();
    QCOMPARE(directClosed.count(), 1);
    QCOMPARE(direct.result(), int(QDialog::Rejected));
    direct.show();
    direct.On_DlgClose();
    QCOMPARE(direct.result(), int(QDialog::Accepted));
    direct.show();
    QTest::keyClick(&direct, Qt::Key_Escape);
    QVERIFY(!direct.isVisible());
    QCOMPARE(direct.result(), int(QDialog::Rejected));
    QCOMPARE(directClosed.count(), 1);
}

void TestWindowKit::twoClosesDuringTheFade()
{
    // A second fade of the same window takes over from the first (Qt stops
    // the older animation of a property), so the window closes once.
    YDialog dialog(nullptr, QStringLiteral("Twice"), 35, 400, 200, 0);
    QSignalSpy closed(&dialog, &YDialog::sysclose);
    dialog.show();
    dialog.On_closeCancel();
    QTest::qWait(50);
    dialog.On_closeCancel();
    QTRY_VERIFY(!dialog.isVisible());
    QTest::qWait(400);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestWindowKit::dragOnlyFromTitleElements()
{
    YDialog dialog(nullptr, QStringLiteral("Drag"), 35, 450, 250, 1);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // On a title button: no drag (the button takes the press).
    QTest::mousePress(dialog.closeButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(!dialog.isDragging());
    QTest::mouseRelease(dialog.closeButton(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    // On the body: no drag.
    QTest::mousePress(dialog.bodyWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QVERIFY(!dialog.isDragging());
    QTest::mouseRelease(dialog.bodyWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    // The right button never drags.
    QTest::mousePress(dialog.titleLabel(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(!dialog.isDragging());
    QTest::mouseRelease(dialog.titleLabel(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));

    for (QWidget* handle : {static_cast<QWidget*>(dialog.titleLabel()),
                            static_cast<QWidget*>(dialog.iconLabel()),
                            dialog.titleAreaWidget()}) {
        // Inside the rounded window shape: the corner itself is not the window.
        const QPoint at(24, 12);
        const QPoint start = dialog.pos();
        const QPoint grab = handle->mapToGlobal(at);
        QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY2(dialog.isDragging(), handle->metaObject()->className());
        sendMove(&dialog, grab + QPoint(30, 12), Qt::LeftButton);
        QCOMPARE(dialog.pos(), start + QPoint(30, 12));
        QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!dialog.isDragging());
        sendMove(&dialog, grab + QPoint(90, 90), Qt::LeftButton); // released: stays
        QCOMPARE(dialog.pos(), start + QPoint(30, 12));
    }
}

void TestWindowKit::titleButtonsAndVariants()
{
    YDialog dialog(nullptr, QStringLiteral("Buttons"), 35, 450, 250, 1);
    QVERIFY(dialog.settingButton() && dialog.minimizeButton() && dialog.closeButton());
    QCOMPARE(dialog.settingButton()->size(), QSize(32, 25));
    QCOMPARE(dialog.minimizeButton()->size(), QSize(36, 25));
    QCOMPARE(dialog.closeButton()->size(), QSize(38, 25));
    dialog.On_settingWidget(); // no menu: nothing happens
    dialog.hideSysButtons();
    QVERIFY(dialog.settingButton()->isHidden());
    QVERIFY(dialog.minimizeButton()->isHidden());
    QVERIFY(!dialog.closeButton()->isHidden());

    // The updater's configuration: the close button only, window background.
    YDialog updater(nullptr, QStringLiteral("Novrel"), 35, 400, 200, 0, YDialog::CloseButtonOnly);
    QVERIFY(!updater.settingButton());
    QVERIFY(!updater.minimizeButton());
    QVERIFY(updater.closeButton());
    QCOMPARE(updater.backgroundSlices()[4].height(), 33);
    updater.hideSysButtons();
    updater.On_settingWidget();
    QSignalSpy closed(&updater, &YDialog::sysclose);
    updater.show();
    QTest::mouseClick(updater.closeButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_COMPARE(closed.count(), 1);
}

void TestWindowKit::messageBoxKinds()
{
    // Each kind shows its own icon (the five icons differ, so a swap shows).
    const QStringList icons = {":/UI/ico_information", ":/UI/ico_question", ":/UI/ico_hand",
                               ":/UI/ico_warning", ":/UI/ico_success"};
    for (int a = 0; a < icons.size(); ++a)
        for (int b = a + 1; b < icons.size(); ++b)
            QVERIFY(!sameImage(QPixmap(icons[a]), QPixmap(icons[b])));
    for (int kind = 0; kind <= 4; ++kind) {
        auto* box = new YInfoBox;
        box->setInfo(QStringLiteral("Title %1").arg(kind), QStringLiteral("Text"), kind);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QCOMPARE(box->titleLabel()->text(), QStringLiteral("Title %1").arg(kind));
        QCOMPARE(box->messageLabel()->text(), QStringLiteral("Text"));
        QVERIFY2(sameImage(box->kindIconLabel()->pixmap(Qt::ReturnByValue), QPixmap(icons[kind])),
                 qPrintable(icons[kind]));
        QCOMPARE(box->cancelButton()->isHidden(), kind != YInfoBox::Question);
        QVERIFY(!box->okButton()->isHidden());
        QCOMPARE(box->focusWidget(), static_cast<QWidget*>(box->okButton()));
        QCOMPARE(box->messageLabel()->palette().color(QPalette::WindowText), QColor(30, 144, 255));
        QVERIFY(box->testAttribute(Qt::WA_DeleteOnClose));

        // Body: 25 pixels, the kind icon, 20 pixels, the message.
        QCOMPARE(box->kindIconLabel()->parentWidget(), box->bodyWidget());
        QCOMPARE(box->kindIconLabel()->x(), 25);
        QCOMPARE(box->messageLabel()->x(), 25 + box->kindIconLabel()->width() + 20);
        // Bottom band: "OK" then "Cancel", right-aligned with 10-pixel gaps;
        // alone, "OK" keeps its place 20 pixels from the right.
        const QList<BackgroundButton*> buttons = buttonsLeftToRight(box);
        QCOMPARE(buttons.size(), kind == YInfoBox::Question ? 2 : 1);
        QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
        QCOMPARE(buttons[0], box->okButton());
        const int right = box->bottomWidget()->width();
        if (kind == YInfoBox::Question) {
            QCOMPARE(buttons[1]->text(), QStringLiteral("Cancel"));
            QCOMPARE(buttons[1]->geometry().right(), right - 10 - 1);
            QCOMPARE(buttons[0]->geometry().right(), buttons[1]->x() - 10 - 1);
        } else {
            QCOMPARE(buttons[0]->geometry().right(), right - 20 - 1);
        }
        delete box;
    }
    // The box drags by its title text like every kit window, not by its body.
    YInfoBox* drag = new YInfoBox;
    drag->show();
    QVERIFY(QTest::qWaitForWindowExposed(drag));
    QTest::mousePress(drag->messageLabel(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QVERIFY(!drag->isDragging());
    QTest::mouseRelease(drag->messageLabel(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mousePress(drag->titleLabel(), Qt::LeftButton, Qt::NoModifier, QPoint(24, 12));
    QVERIFY(drag->isDragging());
    QTest::mouseRelease(drag->titleLabel(), Qt::LeftButton, Qt::NoModifier, QPoint(24, 12));
    QVERIFY(!drag->isDragging());
    delete drag;

    auto* unknown = new YInfoBox;
    unknown->setInfo(QStringLiteral("Ignored"), QStringLiteral("Seven"), 7);
    QCOMPARE(unknown->titleLabel()->text(), QStringLiteral("System hint"));
    QVERIFY(unknown->kindIconLabel()->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!unknown->cancelButton()->isHidden());
    QCOMPARE(unknown->messageLabel()->text(), QStringLiteral("Seven"));
    QVERIFY(unknown->focusWidget() != static_cast<QWidget*>(unknown->okButton()));
    delete unknown;
}

void TestWindowKit::messageBoxResults()
{
    // The button that reads "OK" (the left one): 1 after the fade; the one
    // that reads "Cancel" and the close button: 0.
    for (int path = 0; path < 3; ++path) {
        auto* box = new YInfoBox;
        box->setInfo(QStringLiteral("Question"), QStringLiteral("Go?"), YInfoBox::Question);
        QPointer<YInfoBox> alive(box);
        QString leftText;
        QTimer::singleShot(50, box, [box, path, &leftText] {
            const QList<BackgroundButton*> buttons = buttonsLeftToRight(box);
            leftText = buttons.first()->text();
            QWidget* target = path == 0   ? static_cast<QWidget*>(buttons.first())
                              : path == 1 ? static_cast<QWidget*>(buttons.last())
                                          : static_cast<QWidget*>(box->closeButton());
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        });
        const int result = box->exec();
        QCOMPARE(leftText, QStringLiteral("OK"));
        QCOMPARE(result, path == 0 ? 1 : 0);
        QTRY_VERIFY(alive.isNull()); // deleted on close
    }
    // Escape rejects.
    auto* box = new YInfoBox;
    box->setInfo(QStringLiteral("Error"), QStringLiteral("Failed"), YInfoBox::Hand);
    QTimer::singleShot(50, box, [box] { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(box->exec(), 0);
}

void TestWindowKit::messageBoxShowsLongTextsWhole()
{
    // The longest texts the test program shows in its boxes, as it shows
    // them (style sheet, Chinese catalogue), and long English ones: the box
    // keeps its 400 x 200 and every text shows whole.
    StyleSheetInstalled sheet;
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/UI/tesvane_zh")));
    QCoreApplication::installTranslator(&chinese);
    const struct
    {
        const char* title;
        const char* text;
        int kind;
    } boxes[] = {
        {"提示:有错误发生!", "已经有另外一个程序实例正在运行!", YInfoBox::Hand},
        {"提示:有错误发生!", "R比较直不能小于2或者大于3", YInfoBox::Hand},
        {"更新提示", "发现新版本软件，是否更新?", YInfoBox::Question},
        {"提示:有错误发生!", "设备接入错误，请检查!", YInfoBox::Hand},
        {"Update prompt", "found that the software has a new version, whether the update?",
         YInfoBox::Question},
        {"Error", "Equipment access error, please check!", YInfoBox::Warning},
        {"Error", "OK", YInfoBox::Success},
    };
    for (const auto& entry : boxes) {
        auto* box = new YInfoBox;
        box->setInfo(QString::fromUtf8(entry.title), QString::fromUtf8(entry.text), entry.kind);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QCOMPARE(box->size(), QSize(400, 200));
        QVERIFY2(shownWhole(box->messageLabel(), box->bodyWidget()), entry.text);
        QVERIFY2(shownWhole(box->titleLabel(), box->titleAreaWidget()), entry.title);
        // Clear of the icon, and its lines centred.
        QVERIFY(box->messageLabel()->x() >= box->kindIconLabel()->geometry().right() + 20);
        QCOMPARE(box->messageLabel()->alignment(), Qt::Alignment(Qt::AlignCenter));
        for (BackgroundButton* button : buttonsLeftToRight(box)) {
            QVERIFY(shownWhole(button->textLabel(), button));
            QVERIFY(box->bottomWidget()->rect().contains(button->geometry()));
        }
        QCOMPARE(buttonsLeftToRight(box).first()->text(), QStringLiteral("确定"));
        delete box;
    }
    QCoreApplication::removeTranslator(&chinese);
}

void TestWindowKit::waitDialog()
{
    auto* wait = new WaitDialog;
    QCOMPARE(wait->size(), QSize(100, 100));
    QCOMPARE(wait->windowFlags(), Qt::WindowFlags(0x4080B));
    QCOMPARE(wait->windowModality(), Qt::ApplicationModal);
    QVERIFY(wait->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(wait->movie()->state(), QMovie::Running);
    QVERIFY(wait->movie()->frameCount() >= 12);
    QCOMPARE(wait->label()->movie(), wait->movie());
    wait->show();
    QVERIFY(QTest::qWaitForWindowExposed(wait));
    QCOMPARE(wait->label()->geometry(), QRect(0, 0, 100, 100));
    const int frame = wait->movie()->currentFrameNumber();
    QTRY_VERIFY(wait->movie()->currentFrameNumber() != frame); // it plays
    wait->OnWaitClose();
    QVERIFY(!wait->isVisible());
    delete wait;
}

QTEST_MAIN(TestWindowKit)
#include "tst_WindowKit.moc"
