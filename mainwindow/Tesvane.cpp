#include "Tesvane.h"

#include "DeviceIdentity.h"
#include "DisplayState.h"
#include "DisplayTexts.h"
#include "HotPlugSource.h"
#include "LatchWidget.h"
#include "PositionMath.h"
#include "QtUsb.h"
#include "SetPreValue.h"
#include "SinCosHistory.h"
#include "SinCosValue.h"
#include "SpeedCurve.h"
#include "SysSetting.h"
#include "WaitDialog.h"
#include "WinDeviceChange.h"
#include "YInfoBox.h"
#include "YSoftNovrel.h"
#include "myGauge2.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

#ifndef ROTAPROBE_CONTACT_URL
#define ROTAPROBE_CONTACT_URL "http://www.korvalis.example/"
#endif

// Per-refresh traces (positions, speeds): off unless enabled with
// QT_LOGGING_RULES="rotaprobe.refresh.debug=true".
Q_LOGGING_CATEGORY(lcRefresh, "rotaprobe.refresh", QtWarningMsg)
// Changes of the view (not connected, reading, measuring), for tests and
// field diagnosis: QT_LOGGING_RULES="rotaprobe.view.debug=true".
Q_LOGGING_CATEGORY(lcView, "rotaprobe.view", QtWarningMsg)

namespace {

const QColor kBlue(30, 144, 255);
const QColor kRed(255, 0, 0);

const char kSignNormal[] =
    "font-size : 100px; color : rgba(30, 144, 255, 1); font: bold  large Times New Roman ;";
const char kValueNormal[] =
    "font-size : 100px; color : rgba(30, 144, 255, 1); font: bold  large Microsoft YaHei ;";
const char kSignAlarm[] =
    "font-size : 100px; color : rgb(240, 50, 50); font: bold  large Times New Roman ;";
const char kValueAlarm[] =
    "font-size : 100px; color : rgb(240, 50, 50); font: bold  large Microsoft YaHei ;";
const char kNoticeStyle[] = "font-size : 30px; color : rgba(30, 144, 255, 1);";

constexpr int kMaxFontPx = 40; // the style sheet's "MaxFont" labels
constexpr int kMessageMs = 5000;
constexpr int kWaitDialogMs = 10000;
constexpr int kPowerSettleMs = 200;

void setWindowTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(color));
    widget->setPalette(palette);
}

QGroupBox* blueGroupBox(const QString& title)
{
    auto* box = new QGroupBox(title);
    setWindowTextColor(box, kBlue);
    return box;
}

// The icon centred on a square canvas: a wide image would otherwise be drawn
// lower than its neighbours and lift its caption out of line.
QIcon squareIcon(const QString& path)
{
    const QPixmap image(path);
    const int side = qMax(image.width(), image.height());
    if (image.isNull() || image.width() == image.height())
        return QIcon(image);
    QPixmap square(side, side);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawPixmap((side - image.width()) / 2, (side - image.height()) / 2, image);
    painter.end();
    return QIcon(square);
}

QLabel* maxFontLabel(const QString& text, QWidget* parent = nullptr)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("MaxFont"));
    setWindowTextColor(label, kBlue);
    return label;
}

DisplayState& display()
{
    return DisplayState::global();
}

} // namespace

// ------------------------------------------------------------ construction

Tesvane::Tesvane(QWidget* parent, HotPlugSource* hotPlug, int startupPauseMs)
    : YDialog(parent, tr("Tesvane"), 35, 1300, 750, 1)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setFixedWidth(1300);
    setFixedHeight(750);
    connect(this, &YDialog::sysclose, this, &Tesvane::sysColse);

    buildBody();
    buildBottomBand();
    buildContextActions();

    usb = new QtUsb(this);
    usb->setStartupPause(startupPauseMs);
    connectAtStartup();
    connectDevice();

    hotPlugSource = hotPlug ? hotPlug : HotPlugSource::createSystemSource(this);
    if (hotPlugSource) {
        if (!hotPlugSource->parent())
            hotPlugSource->setParent(this);
        connect(hotPlugSource, &HotPlugSource::deviceArrived, this, &Tesvane::deviceArrived);
        connect(hotPlugSource, &HotPlugSource::deviceRemoved, this, &Tesvane::deviceRemoved);
    }
    WinDeviceChange::registerWindow(quintptr(winId()));

    UiRefresh();
    buildHelpMenu();

    connect(&autoNovrel, &AutoNovrel::NewVer, this, &Tesvane::NewVer);
    autoNovrel.start(QThread::HighestPriority);

    speedTimer = new QTimer(this);
    speedTimer->setInterval(1000);
    connect(speedTimer, &QTimer::timeout, this, &Tesvane::OnSpeedTimer);
}

Tesvane::~Tesvane()
{
    closing = true;
    if (usb->isRunning())
        usb->stopWorker();
    usb->closeDevice();
    delete waitDialog.data();
}

void Tesvane::connectDevice()
{
    connect(usb, &QtUsb::RealReadRet, this, &Tesvane::UiRefresh);
    connect(usb, &QtUsb::EEpWriteRet, this, &Tesvane::EEpWriteRet);
    connect(usb, &QtUsb::EEpReadRet, this, &Tesvane::EEpReadRet);
    connect(usb, &QtUsb::ResetRet, this, &Tesvane::ResetRet);
    connect(usb, &QtUsb::ClearLineLockRet, this, &Tesvane::ClearLineLockRet);
    connect(usb, &QtUsb::EncoderPowerRet, this, &Tesvane::EncoderPowerRet);
    connect(usb, &QtUsb::UsbClose, this, &Tesvane::UsbClose);
}

void Tesvane::buildBody()
{
    QWidget* body = bodyWidget();
    body->setObjectName(QStringLiteral("WorkSpace"));
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setAlignment(Qt::AlignTop);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);

    toolBar = new QToolBar;
    toolBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    bodyLayout->addWidget(toolBar);
    buildToolBar();

    auto* panels = new QVBoxLayout;
    panels->setAlignment(Qt::AlignTop);
    panels->setContentsMargins(5, 0, 5, 10);
    panels->setSpacing(5);
    bodyLayout->addLayout(panels);

    notConnectedPanel = new QWidget;
    positionPanel = new QWidget;
    latchPanel = new QWidget;
    currentPanel = new QWidget;
    squareWavePanel = new QWidget;
    sinCosPanel = new QWidget;
    speedCurvePanel = new QWidget;

    panels->addWidget(notConnectedPanel);
    panels->addWidget(positionPanel);
    auto* lower = new QHBoxLayout;
    lower->setAlignment(Qt::AlignTop);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->setSpacing(5);
    panels->addLayout(lower);
    lower->addWidget(latchPanel);
    auto* right = new QVBoxLayout;
    right->setAlignment(Qt::AlignTop);
    right->setContentsMargins(0, 0, 10, 5);
    right->setSpacing(5);
    lower->addLayout(right);
    right->addWidget(currentPanel);
    right->addSpacing(15);
    right->addWidget(squareWavePanel);
    right->addWidget(sinCosPanel);
    right->addSpacing(15);
    right->addWidget(speedCurvePanel);

    buildNotConnectedPanel();
    buildPositionPanel();
    buildLatchPanel();
    buildCurrentPanel();
    buildSinCosPanel();
    buildSquareWavePanel();
    buildSpeedCurvePanel();

    for (QWidget* panel : {positionPanel, latchPanel, currentPanel, squareWavePanel, sinCosPanel,
                           speedCurvePanel})
        panel->hide();
}

QToolButton* Tesvane::makeToolButton(const QString& text, const QString& icon)
{
    auto* button = new QToolButton;
    button->setIcon(squareIcon(icon));
    button->setText(text);
    button->setStyleSheet(QStringLiteral("font-size : 16px"));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    return button;
}

void Tesvane::buildToolBar()
{
    QToolButton* reset = makeToolButton(tr("Reset"), QStringLiteral(":/UI/reset"));
    QToolButton* clearLineLock = makeToolButton(tr("ClearLineLock"), QStringLiteral(":/UI/clear"));
    powerButton = makeToolButton(tr("EncoderPoewrOn"), QStringLiteral(":/UI/power"));
    powerButton->setEnabled(false);
    QToolButton* sysSet = makeToolButton(tr("SysSet"), QStringLiteral(":/UI/setting"));
    QToolButton* zero = makeToolButton(tr("PositionZero"), QStringLiteral(":/UI/zero"));
    QToolButton* clearLatch = makeToolButton(tr("ClearLatch"), QStringLiteral(":/UI/clear"));
    QToolButton* posNeg = makeToolButton(tr("PosNeg"), QStringLiteral(":/UI/PN"));
    QToolButton* preset = makeToolButton(tr("SetPreValue"), QStringLiteral(":/UI/PreValue"));

    connect(reset, &QToolButton::clicked, this, &Tesvane::OnReset);
    connect(clearLineLock, &QToolButton::clicked, this, &Tesvane::OnClearLineLock);
    connect(powerButton, &QToolButton::clicked, this, &Tesvane::OnEncoderPower);
    connect(sysSet, &QToolButton::clicked, this, &Tesvane::OnSysSet);
    connect(zero, &QToolButton::clicked, this, &Tesvane::OnPositionZero);
    connect(clearLatch, &QToolButton::clicked, this, &Tesvane::ClearLatch);
    connect(posNeg, &QToolButton::clicked, this, &Tesvane::SetPosNeg);
    connect(preset, &QToolButton::clicked, this, &Tesvane::OnSetPreValue);

    // Clear line lock stands right after Reset: without it a locked line
    // could only be cleared by unplugging the tester.
    toolBar->addSeparator();
    toolBar->addWidget(reset);
    toolBar->addWidget(clearLineLock);
    toolBar->addWidget(powerButton);
    toolBar->addWidget(clearLatch);
    toolBar->addWidget(zero);
    toolBar->addWidget(preset);
    toolBar->addWidget(posNeg);
    toolBar->addSeparator();
    toolBar->addWidget(sysSet);
}

void Tesvane::buildNotConnectedPanel()
{
    auto* layout = new QVBoxLayout(notConnectedPanel);
    layout->setAlignment(Qt::AlignCenter);
    layout->setContentsMargins(10, 70, 10, 10);
    layout->setSpacing(5);
    notConnectedPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* picture = new QLabel;
    picture->setFixedSize(800, 450);
    picture->setPixmap(QPixmap(QStringLiteral(":/UI/fsu")));
    noticeLabel = new QLabel(tr("The device is not connected!"));
    noticeLabel->setStyleSheet(QLatin1String(kNoticeStyle));
    noticeLabel->setAlignment(Qt::AlignCenter);
    setWindowTextColor(noticeLabel, kBlue);

    layout->addStretch(1);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(noticeLabel);
    layout->addStretch(1);
}

void Tesvane::buildPositionPanel()
{
    positionPanel->setFixedHeight(150);
    positionPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* panelLayout = new QVBoxLayout(positionPanel);
    panelLayout->setAlignment(Qt::AlignCenter);
    panelLayout->setContentsMargins(10, 10, 10, 10);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(tr("Position"));
    panelLayout->addWidget(box);

    auto* row = new QHBoxLayout(box);
    row->setAlignment(Qt::AlignCenter);
    row->setContentsMargins(20, 0, 120, 0);
    row->setSpacing(10);
    signLabel = new QLabel;
    signLabel->setFixedWidth(40);
    positionLabel = new QLabel;
    positionLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    positionLabel->setAlignment(Qt::AlignCenter);
    setPositionStyle(PositionStyle::Normal);
    row->addWidget(signLabel);
    row->addWidget(positionLabel);
}

void Tesvane::buildLatchPanel()
{
    latchPanel->setFixedWidth(420);
    latchPanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    auto* panelLayout = new QVBoxLayout(latchPanel);
    panelLayout->setContentsMargins(10, 0, 10, 5);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(tr("Latch"));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    panelLayout->addWidget(box);

    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(0);
    sinCosLatchTable = new LatchWidget;
    squareLatchTable = new LatchWidget;
    boxLayout->addWidget(sinCosLatchTable);
    boxLayout->addWidget(squareLatchTable);
    sinCosLatchTable->hide();
    squareLatchTable->hide();
}

void Tesvane::buildCurrentPanel()
{
    auto* panelLayout = new QVBoxLayout(currentPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(tr("RealTime"));
    box->setFixedHeight(80);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    panelLayout->addWidget(box);

    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(20);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(22);
    row->addWidget(maxFontLabel(tr("EncoderCurrent:")));
    currentLabel = maxFontLabel(QStringLiteral("NULL"));
    currentLabel->setFixedWidth(150);
    row->addWidget(currentLabel);
    row->addStretch(1);
    boxLayout->addLayout(row);
}

void Tesvane::buildSinCosPanel()
{
    auto* panelLayout = new QHBoxLayout(sinCosPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(tr("SinCos"));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    panelLayout->addWidget(box);

    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(20);
    sinCosView = new SinCosValue;
    sinCosView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    signalGauge = new myGauge2;
    boxLayout->addWidget(sinCosView);
    boxLayout->addWidget(signalGauge);
}

void Tesvane::buildSquareWavePanel()
{
    auto* panelLayout = new QVBoxLayout(squareWavePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(tr("Squarewave"));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    panelLayout->addWidget(box);

    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(20);
    auto addRow = [boxLayout](std::initializer_list<QLabel*> labels) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        for (QLabel* label : labels)
            row->addWidget(label);
        row->addStretch(1);
        boxLayout->addLayout(row);
    };

    phaseStateLabel = maxFontLabel(tr("Normal"));
    phaseStateLabel->setFixedWidth(200);
    QLabel* errorCaption = maxFontLabel(tr("PhaseErrorCount:"));
    // 240 px, or the caption's own width at the 40-px "MaxFont" size where
    // its translation is longer; the count beside it then gives up the room
    // its few digits do not need.
    QFont captionFont = errorCaption->font();
    captionFont.setPixelSize(kMaxFontPx);
    const int captionWidth =
        QFontMetrics(captionFont).horizontalAdvance(errorCaption->text()) + 8;
    errorCaption->setFixedWidth(qMax(240, captionWidth));
    phaseErrorCountLabel = maxFontLabel(tr("0"));
    phaseErrorCountLabel->setMinimumWidth(100);
    phaseErrorCountLabel->setMaximumWidth(200);
    addRow({maxFontLabel(tr("PhaseState:")), phaseStateLabel, errorCaption, phaseErrorCountLabel});

    levelStateLabel = maxFontLabel(QStringLiteral("NULL"));
    levelStateLabel->setFixedWidth(300);
    addRow({maxFontLabel(tr("LevelState:")), levelStateLabel});

    lineStateLabel = maxFontLabel(QStringLiteral("NULL"));
    lineStateLabel->setFixedWidth(450);
    addRow({maxFontLabel(tr("LineState:")), lineStateLabel});
}

void Tesvane::buildSpeedCurvePanel()
{
    speedCurvePanel->setFixedHeight(130);
    auto* panelLayout = new QVBoxLayout(speedCurvePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(tr("SpeedCurve"));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    panelLayout->addWidget(box);

    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(20);
    speedCurve = new SpeedCurve;
    boxLayout->addWidget(speedCurve);
}

void Tesvane::buildBottomBand()
{
    QWidget* bottom = bottomWidget();
    connectionLabel = new QLabel(tr("ready"), bottom);
    connectionLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connectionLabel->setMinimumSize(connectionLabel->sizeHint());
    connectionLabel->setFixedWidth(200);
    setWindowTextColor(connectionLabel, kBlue);

    statusBar = new QStatusBar;
    statusBar->setSizeGripEnabled(false);
    statusBar->setStyleSheet(QStringLiteral("QStatusBar{border: 0px;color: #1E90FF;}"));

    auto* layout = new QHBoxLayout(bottom);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addSpacing(10);
    layout->addWidget(connectionLabel);
    layout->addSpacing(200);
    layout->addWidget(statusBar);
}

void Tesvane::buildContextActions()
{
    auto action = [this](const QString& text, const char* icon) {
        return new QAction(QIcon(QPixmap(QLatin1String(icon))), text, this);
    };
    powerAction = action(tr("EncoderPoewrOn"), ":/UI/power");
    sysSetAction = action(tr("SysSet"), ":/UI/setting");
    zeroAction = action(tr("PositionZero"), ":/UI/zero");
    clearLatchAction = action(tr("ClearLatch"), ":/UI/clear");
    connect(powerAction, &QAction::triggered, this, &Tesvane::OnEncoderPower);
    connect(sysSetAction, &QAction::triggered, this, &Tesvane::OnSysSet);
    connect(zeroAction, &QAction::triggered, this, &Tesvane::OnPositionZero);
    connect(clearLatchAction, &QAction::triggered, this, &Tesvane::ClearLatch);
}

void Tesvane::buildHelpMenu()
{
    auto* menu = new QMenu(this);
    QAction* update = menu->addAction(QIcon(QStringLiteral(":/UI/SoftwareUpdate")),
                                      tr("SoftwareUpdate"));
    update->setCheckable(true);
    connect(update, &QAction::triggered, this, &Tesvane::SoftUpdate);
    QAction* contact =
        menu->addAction(QIcon(QStringLiteral(":/UI/ContactUs")), tr("ContactUs"));
    connect(contact, &QAction::triggered, this, &Tesvane::ContactUs);
    setSettingMenu(menu);
}

// ------------------------------------------------------ connection life cycle

void Tesvane::connectAtStartup()
{
    if (!openTester())
        showOpenFailed();
}

void Tesvane::deviceArrived()
{
    // Any device: opening decides whether it was the tester.
    if (closing || usb->isOpen())
        return;
    if (!openTester())
        showOpenFailed();
}

bool Tesvane::openTester()
{
    if (!usb->initDevice(QtUsb::kVendorId, QtUsb::kProductId))
        return false;
    qDebug("USB open!");
    sinCosFilterHistory.clear();
    squareFilterHistory.clear();
    display().zeroOffset = 0;
    positionLabel->setText(QString());
    // Cleared before the start: a worker with a short start-up pause would
    // otherwise see the previous stop and end at once.
    usb->setStopRequested(false);
    usb->start(QThread::HighestPriority);
    connectionLabel->setText(tr("Device is connected!"));
    notConnectedPanel->show();
    noticeLabel->setText(tr("Reading device parameters!"));
    awaitingConfig = true;
    qCDebug(lcView, "view: reading");
    OnRead();
    return true;
}

void Tesvane::showOpenFailed()
{
    qDebug("Could not open USB device!");
    connectionLabel->setText(tr("The device is not connected!"));
    setPanelsHidden(true);
    notConnectedPanel->show();
    noticeLabel->setText(tr("The device is not connected!"));
    qCDebug(lcView, "view: not connected");
}

void Tesvane::deviceRemoved(const QString& interfacePath)
{
    if (!DeviceIdentity::pathNamesDevice(interfacePath, QtUsb::kVendorId, QtUsb::kProductId))
        return;
    stopLink();
    qDebug("USB Device  remove");
    showNotConnected();
}

void Tesvane::UsbClose()
{
    stopLink();
    qDebug("USB Device  remove");
    showNotConnected();
}

void Tesvane::showNotConnected()
{
    connectionLabel->setText(tr("The device is not connected!"));
    setPanelsHidden(true);
    notConnectedPanel->show();
    noticeLabel->setText(tr("The device is not connected!"));
    sinCosFilterHistory.clear();
    squareFilterHistory.clear();
    display().zeroOffset = 0;
    qCDebug(lcView, "view: not connected");
}

void Tesvane::stopLink()
{
    usb->stopWorker();
    usb->closeDevice();
    emit waitsCancelled();
}

bool Tesvane::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(result);
    const WinDeviceChange::Change change = WinDeviceChange::interpret(eventType, message);
    if (change.kind == WinDeviceChange::Kind::Arrival)
        deviceArrived();
    else if (change.kind == WinDeviceChange::Kind::Removal)
        deviceRemoved(change.interfacePath);
    return false;
}

void Tesvane::OnRead()
{
    if (!requireDevice())
        return;
    int replaced = OpNone;
    usb->requestConfigRead(&replaced);
    reportReplaced(replaced);
    openWaitDialog();
}

void Tesvane::openWaitDialog()
{
    OnWaitClose();
    waitDialog = new WaitDialog(nullptr);
    waitDialog->show();
    QTimer::singleShot(kWaitDialogMs, this, &Tesvane::OnWaitClose);
}

void Tesvane::OnWaitClose()
{
    if (!waitDialog)
        return;
    waitDialog->close();
    waitDialog->deleteLater();
    waitDialog = nullptr;
}

void Tesvane::EEpReadRet(bool ok)
{
    if (ok) {
        statusBar->showMessage(tr("Read configuration data successfully!"), kMessageMs);
        notConnectedPanel->hide();
        setPanelsHidden(false);
        qCDebug(lcView, "view: measuring");
        const quint8 power = usb->state().config().encoderPower;
        if (power == 1) {
            setPowerTexts(tr("EncoderPoewrOff"));
            // A tester that comes up with the encoder supplied is switched off.
            if (awaitingConfig)
                request(OpEncoderPowerOff);
        } else if (power == 0) {
            setPowerTexts(tr("EncoderPoewrOn"));
        }
        if (awaitingConfig) {
            OnPositionZero();
            resetPhaseErrorBaseline();
            awaitingConfig = false;
        }
    } else {
        const QString text = tr("Read configuration data failed!");
        statusBar->showMessage(text, kMessageMs);
        showErrorBox(tr("Error"), text, nullptr);
        noticeLabel->setText(text);
    }
    OnWaitClose();
}

void Tesvane::closeEvent(QCloseEvent* event)
{
    endProgram();
    event->accept();
}

void Tesvane::sysColse()
{
    endProgram();
}

void Tesvane::endProgram()
{
    const bool first = !closing;
    closing = true;
    emit waitsCancelled();
    usb->stopWorker();
    usb->closeDevice();
    if (first)
        qDebug("USB Quit");
    OnWaitClose();
    QCoreApplication::quit();
}

// ------------------------------------------------------------- live display

void Tesvane::UiRefresh()
{
    updatePosition(false);
    updateLatches();

    const LiveValues live = usb->state().liveValues();
    SinCosHistory::global().append({qint16(live.sinSample), qint16(live.cosSample)});
    sinCosView->updateView();

    if (live.phaseCheckCount == phaseErrorBaseline) {
        if (phaseErrorState) {
            phaseErrorState = false;
            setLabelColor(phaseStateLabel, kBlue);
            phaseStateLabel->setText(tr("Normal"));
        }
    } else {
        if (!phaseErrorState) {
            phaseErrorState = true;
            setLabelColor(phaseStateLabel, kRed);
            phaseStateLabel->setText(tr("PhaseError"));
        }
        setPhaseErrorCount(DisplayTexts::phaseErrorsSince(live.phaseCheckCount, phaseErrorBaseline));
    }

    setLabelText(levelStateLabel, DisplayTexts::abzText(live.levelStates, QStringLiteral("H"),
                                                        QStringLiteral("L")));
    setLabelText(lineStateLabel,
                 DisplayTexts::abzText(live.lineStates, tr("Normal"), tr("OffLine")));
    setLabelText(currentLabel, DisplayTexts::currentText(live.encoderCurrent));
    powerButton->setEnabled(true);
    emit UiRefreshOk();
}

void Tesvane::updatePosition(bool force)
{
    if (awaitingConfig)
        return;
    DisplayState& state = display();
    ConfigRecord config = usb->state().config();
    if (state.lastSinCosMode != config.sinCosMode) {
        state.lastSinCosMode = config.sinCosMode;
        sinCosFilterHistory.clear();
        squareFilterHistory.clear();
        OnPositionZero();
        resetPhaseErrorBaseline();
        clearLatchTables();
        config = usb->state().config();
    }

    const LiveValues live = usb->state().liveValues();
    const bool sinCos = (state.lastSinCosMode & 1) != 0;
    double position = 0.0;
    if (sinCos) {
        if (!checkSignal() && !force) {
            sinCosFilterHistory.clear();
            return;
        }
        position = PositionMath::millimetres(PositionMath::sinCosRaw(live.sinCosPosition),
                                             state.zeroOffset, config.sinCosEquivalent);
    } else {
        position = PositionMath::millimetres(PositionMath::squareRaw(live.squarePosition),
                                             state.zeroOffset, config.squareWaveEquivalent);
    }
    state.currentPosition = position;
    MovingAverage& filter = sinCos ? sinCosFilterHistory : squareFilterHistory;
    const double shown = filter.add(position, config.filterLevel);

    setLabelText(signLabel, DisplayTexts::positionSign(shown, state.direction));
    if (!sinCos)
        setPositionStyle(PositionStyle::Normal);
    setLabelText(positionLabel, DisplayTexts::positionValue(shown, config.accuracy));
    if (shown != 0.0)
        qCDebug(lcRefresh) << "position" << shown;
}

bool Tesvane::checkSignal()
{
    const LiveValues live = usb->state().liveValues();
    const double amplitude = PositionMath::signalAmplitude(live.sinSample, live.cosSample);
    signalGauge->setValue(amplitude * 100.0);
    if (signalLost) {
        setPositionStyle(PositionStyle::Alarm);
        return false;
    }
    if (amplitude < PositionMath::kSignalLostBelow) {
        setPositionStyle(PositionStyle::Alarm);
        signalLost = true;
        return false;
    }
    setPositionStyle(PositionStyle::Normal);
    return true;
}

void Tesvane::updateLatches()
{
    const LiveValues live = usb->state().liveValues();
    const ConfigRecord config = usb->state().config();
    const bool supplyOn = !supplyShownOff();
    const double zero = display().zeroOffset;

    struct Channel
    {
        LatchFeed& feed;
        qint64 count;
        qint64 position;
        bool sinCos;
        quint32 equivalent;
        LatchWidget* table;
    };
    const Channel channels[] = {
        {display().sinCosLatch, live.sinCosLatchCount, live.sinCosLatchPosition, true,
         config.sinCosEquivalent, sinCosLatchTable},
        {display().squareLatch, live.squareLatchCount, live.squareLatchPosition, false,
         config.squareWaveEquivalent, squareLatchTable},
    };
    for (const Channel& channel : channels) {
        const LatchFeed::Outcome outcome = channel.feed.feed(
            channel.count, channel.position, channel.sinCos, channel.equivalent, zero, supplyOn);
        if (outcome == LatchFeed::Outcome::Unchanged)
            continue;
        if (outcome == LatchFeed::Outcome::Baseline)
            return;
        const LatchFeed::Row& row = channel.feed.row();
        channel.table->addLatch(row.millimetres, qint64(row.pulses));
        channel.table->setTriggerCount(channel.table->triggerCount() + row.triggers);
    }
}

void Tesvane::setPhaseErrorCount(quint16 n)
{
    phaseErrorShown = n;
    setLabelColor(phaseErrorCountLabel, n == 0 ? kBlue : kRed);
    setLabelText(phaseErrorCountLabel, QString::asprintf("%u", unsigned(n)));
}

void Tesvane::resetPhaseErrorBaseline()
{
    if (!waitForRefreshes(2))
        return;
    phaseErrorBaseline = usb->state().liveValues().phaseCheckCount;
    phaseErrorShown = 0;
    phaseErrorCountLabel->setText(QString::asprintf("%d", 0));
    setLabelColor(phaseErrorCountLabel, kBlue);
}

void Tesvane::setPanelsHidden(bool hide)
{
    for (QWidget* panel : {positionPanel, latchPanel, currentPanel, speedCurvePanel})
        panel->setHidden(hide);
    if (hide) {
        squareWavePanel->hide();
        sinCosPanel->hide();
        return;
    }
    const bool sinCos = usb->state().config().isSinCosMode();
    sinCosPanel->setVisible(sinCos);
    sinCosLatchTable->setVisible(sinCos);
    squareWavePanel->setVisible(!sinCos);
    squareLatchTable->setVisible(!sinCos);
}

void Tesvane::OnSpeedTimer()
{
    DisplayState& state = display();
    const double distance = state.currentPosition - state.previousPosition;
    state.previousPosition = state.currentPosition;
    if (supplyShownOff())
        return;
    const double speed = std::abs(distance);
    speedCurve->addSpeed(speed);
    qCDebug(lcRefresh) << speed << "mm/s";
}

void Tesvane::setPositionStyle(PositionStyle style)
{
    if (style == positionStyle)
        return;
    positionStyle = style;
    const bool alarm = style == PositionStyle::Alarm;
    signLabel->setStyleSheet(QLatin1String(alarm ? kSignAlarm : kSignNormal));
    positionLabel->setStyleSheet(QLatin1String(alarm ? kValueAlarm : kValueNormal));
}

void Tesvane::setLabelText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

void Tesvane::setLabelColor(QLabel* label, const QColor& color)
{
    if (label->palette().color(QPalette::WindowText) != color)
        setWindowTextColor(label, color);
}

void Tesvane::clearLatchTables()
{
    for (LatchWidget* table : {sinCosLatchTable, squareLatchTable}) {
        table->clearLatches();
        table->setTriggerCount(0);
    }
}

bool Tesvane::waitForRefreshes(int refreshes)
{
    QPointer<Tesvane> self(this);
    for (int i = 0; i < refreshes; ++i) {
        if (closing)
            return false;
        QEventLoop loop;
        bool cancelled = false;
        connect(this, &Tesvane::UiRefreshOk, &loop, &QEventLoop::quit);
        connect(this, &Tesvane::waitsCancelled, &loop, [&] {
            cancelled = true;
            loop.quit();
        });
        loop.exec();
        if (!self || cancelled || closing)
            return false;
    }
    return true;
}

bool Tesvane::waitMilliseconds(int ms)
{
    if (closing)
        return false;
    QPointer<Tesvane> self(this);
    QEventLoop loop;
    bool cancelled = false;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &Tesvane::waitsCancelled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    timer.start(ms);
    loop.exec();
    return self && !cancelled && !closing;
}

// ---------------------------------------------------------------- commands

bool Tesvane::request(DeviceOperation op)
{
    int replaced = OpNone;
    if (!usb->requestOperation(op, &replaced)) {
        showAccessError();
        return false;
    }
    reportReplaced(replaced);
    return true;
}

void Tesvane::reportReplaced(int replaced)
{
    // The worker had not yet taken that request: it will never run and no
    // result will come for it.
    if (isRequestableOperation(replaced))
        statusBar->showMessage(tr("The previous command was replaced by a newer one!"),
                               kMessageMs);
}

bool Tesvane::requireDevice()
{
    if (usb->state().usbOpened())
        return true;
    showAccessError();
    return false;
}

void Tesvane::showAccessError()
{
    const QString text = tr("Equipment access error, please check!");
    statusBar->showMessage(text, kMessageMs);
    showErrorBox(tr("Error"), text, nullptr);
}

void Tesvane::showResult(const QString& text, bool errorBox)
{
    statusBar->showMessage(text, kMessageMs);
    if (errorBox)
        showErrorBox(tr("Error"), text, nullptr);
}

bool Tesvane::supplyShownOff() const
{
    return powerButton->text() == tr("EncoderPoewrOn");
}

void Tesvane::setPowerTexts(const QString& text)
{
    powerButton->setText(text);
    powerAction->setText(text);
}

void Tesvane::displayReset()
{
    resetPhaseErrorBaseline();
    clearLatchTables();
    OnPositionZero();
    signalLost = false;
}

void Tesvane::OnReset()
{
    if (!requireDevice())
        return;
    if (!request(OpReset))
        return;
    displayReset();
}

void Tesvane::OnClearLineLock()
{
    if (!requireDevice())
        return;
    request(OpClearLineLock);
}

void Tesvane::OnEncoderPower()
{
    if (!requireDevice())
        return;
    DeviceOperation op;
    if (powerButton->text() == tr("EncoderPoewrOn"))
        op = OpEncoderPowerOn;
    else if (powerButton->text() == tr("EncoderPoewrOff"))
        op = OpEncoderPowerOff;
    else
        return;
    openWaitDialog();
    if (!request(op))
        OnWaitClose();
}

void Tesvane::EncoderPowerRet(bool ok)
{
    OnWaitClose();
    if (!ok) {
        showResult(tr("Encoder power set failed!"), false);
        return;
    }
    showResult(tr("Encoder power set successfully!"), false);
    // Let the new supply state reach the configuration record and the live
    // values before reading them.
    if (!waitForRefreshes(2) || !waitMilliseconds(kPowerSettleMs))
        return;
    const quint8 power = usb->state().config().encoderPower;
    if (power == 1) {
        setPowerTexts(tr("EncoderPoewrOff"));
        speedCurve->resetCurve();
        speedTimer->start();
    } else if (power == 0) {
        setPowerTexts(tr("EncoderPoewrOn"));
    }
    OnPositionZero();
    clearLatchTables();
    OnReset();
}

void Tesvane::ResetRet(bool ok)
{
    if (!ok) {
        showResult(tr("Reset failed!"), true);
        return;
    }
    showResult(tr("Reset successfully!"), false);
    DisplayState& state = display();
    state.previousPosition = state.currentPosition;
    speedCurve->resetCurve();
    displayReset();
}

void Tesvane::ClearLineLockRet(bool ok)
{
    showResult(ok ? tr("ClearLineLock successfully!") : tr("ClearLineLock failed!"), !ok);
}

void Tesvane::EEpWriteRet(bool ok)
{
    if (ok) {
        showResult(tr("Write configuration data successfully!"), false);
        setPanelsHidden(false);
    } else {
        showResult(tr("Write configuration data failed!"), true);
    }
    OnWaitClose();
}

void Tesvane::OnSysSet()
{
    if (!requireDevice())
        return;
    auto* dialog = new SysSetting(this, this, usb);
    dialog->move(x() + width() / 2 - dialog->width() / 2, y() + height() / 2 - dialog->height() / 2);
    dialog->refresh();
    connect(usb, &QtUsb::EEpReadRet, dialog, &SysSetting::EEpReadRet);
    dialog->exec();
}

void Tesvane::OnPositionZero()
{
    DisplayState& state = display();
    const ConfigRecord config = usb->state().config();
    const LiveValues live = usb->state().liveValues();
    const bool sinCos = config.isSinCosMode();
    state.zeroOffset =
        PositionMath::captureRaw(sinCos ? live.sinCosPosition : live.squarePosition, sinCos);
    if (sinCos) {
        sinCosFilterHistory.clear();
        updatePosition(true);
        updatePosition(true);
    } else {
        squareFilterHistory.clear();
    }
    state.presetValue = 0;
    updatePosition(false);
    state.previousPosition = state.currentPosition;
    speedCurve->resetCurve();
}

void Tesvane::ClearLatch()
{
    clearLatchTables();
}

void Tesvane::SetPosNeg()
{
    DisplayState& state = display();
    state.direction = -state.direction;
    qDebug("direction %d", state.direction);
}

void Tesvane::OnSetPreValue()
{
    SetPreValue dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    DisplayState& state = display();
    const ConfigRecord config = usb->state().config();
    const LiveValues live = usb->state().liveValues();
    const bool sinCos = config.isSinCosMode();
    const double raw =
        PositionMath::captureRaw(sinCos ? live.sinCosPosition : live.squarePosition, sinCos);
    const quint32 equivalent = sinCos ? config.sinCosEquivalent : config.squareWaveEquivalent;
    state.zeroOffset =
        PositionMath::presetZeroOffset(raw, state.presetValue, equivalent, state.direction);
}

void Tesvane::NewVer()
{
    // The answer came while the window was closing: nothing to ask.
    if (closing)
        return;
    if (askQuestion(tr("Update prompt"),
                    tr("found that the software has a new version, whether the update?"),
                    nullptr) == 0)
        return;
    openUpdateDialog(400);
}

void Tesvane::SoftUpdate()
{
    openUpdateDialog(430);
}

void Tesvane::openUpdateDialog(int width)
{
    YSoftNovrel dialog(this, tr("Soft Novrel"), 35, width, 130);
    dialog.exec();
}

void Tesvane::ContactUs()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral(ROTAPROBE_CONTACT_URL)));
}

// ------------------------------------------------------------ input events

void Tesvane::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() != Qt::ControlModifier)
        return;
    switch (event->key()) {
    case Qt::Key_D:
        resetPhaseErrorBaseline();
        clearLatchTables();
        OnPositionZero();
        signalLost = false;
        break;
    case Qt::Key_P:
        OnEncoderPower();
        break;
    case Qt::Key_L:
        clearLatchTables();
        break;
    case Qt::Key_Z:
        OnPositionZero();
        break;
    case Qt::Key_I:
        SetPosNeg();
        break;
    default:
        break;
    }
}

void Tesvane::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint bodyTopLeft = bodyWidget()->mapTo(this, QPoint(0, 0));
    QRect region(bodyTopLeft, bodyWidget()->size());
    region.setTop(75);
    region.setBottom(bottomWidget()->mapTo(this, QPoint(0, 0)).y());
    if (!region.contains(event->pos()) || !notConnectedPanel->isHidden())
        return;
    auto* menu = new QMenu(this);
    menu->addAction(powerAction);
    menu->addAction(sysSetAction);
    menu->addAction(clearLatchAction);
    menu->addAction(zeroAction);
    menu->exec(QCursor::pos());
    delete menu;
}
