#include "TesvaneWidgets.h"

#include "GlyphCacheLabel.h"
#include "LabelSlot.h"
#include "LatchWidget.h"
#include "LiveFrame.h"
#include "SinCosValue.h"
#include "SpeedCurve.h"
#include "myGauge2.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

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

// The widgets' texts are the main window's: the catalogue holds them under
// its translation context, so they are looked up there without this file
// depending on the window's class.
QString windowText(const char* source)
{
    return QCoreApplication::translate("Tesvane", source);
}

constexpr int kMaxFontPx = 40; // the style sheet's "MaxFont" labels

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

void setLabelText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

void setLabelColor(QLabel* label, const QColor& color)
{
    if (label->palette().color(QPalette::WindowText) != color)
        setWindowTextColor(label, color);
}

} // namespace

void TesvaneWidgets::build(QWidget* body, QWidget* bottom, QObject* actionParent)
{
    buildBody(body);
    buildBottomBand(bottom);
    buildContextActions(actionParent);
}

void TesvaneWidgets::buildBody(QWidget* body)
{
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

QToolButton* TesvaneWidgets::makeToolButton(const QString& text, const QString& icon)
{
    auto* button = new QToolButton;
    button->setIcon(squareIcon(icon));
    button->setText(text);
    button->setStyleSheet(QStringLiteral("font-size : 16px"));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    return button;
}

void TesvaneWidgets::buildToolBar()
{
    resetButton = makeToolButton(windowText("Reset"), QStringLiteral(":/UI/reset"));
    clearLineLockButton =
        makeToolButton(windowText("ClearLineLock"), QStringLiteral(":/UI/clear"));
    powerButton = makeToolButton(windowText("EncoderPoewrOn"), QStringLiteral(":/UI/power"));
    powerButton->setEnabled(false);
    sysSetButton = makeToolButton(windowText("SysSet"), QStringLiteral(":/UI/setting"));
    zeroButton = makeToolButton(windowText("PositionZero"), QStringLiteral(":/UI/zero"));
    clearLatchButton = makeToolButton(windowText("ClearLatch"), QStringLiteral(":/UI/clear"));
    posNegButton = makeToolButton(windowText("PosNeg"), QStringLiteral(":/UI/PN"));
    presetButton = makeToolButton(windowText("SetPreValue"), QStringLiteral(":/UI/PreValue"));

    // Clear line lock stands right after Reset: without it a locked line
    // could only be cleared by unplugging the tester.
    toolBar->addSeparator();
    for (QToolButton* button : {resetButton, clearLineLockButton, powerButton, clearLatchButton,
                                zeroButton, presetButton, posNegButton})
        toolBar->addWidget(button);
    toolBar->addSeparator();
    toolBar->addWidget(sysSetButton);
}

void TesvaneWidgets::buildNotConnectedPanel()
{
    auto* layout = new QVBoxLayout(notConnectedPanel);
    layout->setAlignment(Qt::AlignCenter);
    layout->setContentsMargins(10, 70, 10, 10);
    layout->setSpacing(5);
    notConnectedPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* picture = new QLabel;
    picture->setFixedSize(800, 450);
    picture->setPixmap(QPixmap(QStringLiteral(":/UI/fsu")));
    noticeLabel = new QLabel(windowText("The device is not connected!"));
    noticeLabel->setStyleSheet(QLatin1String(kNoticeStyle));
    noticeLabel->setAlignment(Qt::AlignCenter);
    setWindowTextColor(noticeLabel, kBlue);

    layout->addStretch(1);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(noticeLabel);
    layout->addStretch(1);
}

void TesvaneWidgets::buildPositionPanel()
{
    positionPanel->setFixedHeight(150);
    positionPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* panelLayout = new QVBoxLayout(positionPanel);
    panelLayout->setAlignment(Qt::AlignCenter);
    panelLayout->setContentsMargins(10, 10, 10, 10);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(windowText("Position"));
    panelLayout->addWidget(box);

    auto* row = new QHBoxLayout(box);
    row->setAlignment(Qt::AlignCenter);
    row->setContentsMargins(20, 0, 120, 0);
    row->setSpacing(10);
    signLabel = new GlyphCacheLabel;
    signLabel->setFixedWidth(40);
    positionLabel = new GlyphCacheLabel;
    positionLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    positionLabel->setAlignment(Qt::AlignCenter);
    setPositionAlarm(false);
    row->addWidget(signLabel);
    row->addWidget(new LabelSlot(positionLabel));
}

void TesvaneWidgets::buildLatchPanel()
{
    latchPanel->setFixedWidth(420);
    latchPanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    auto* panelLayout = new QVBoxLayout(latchPanel);
    panelLayout->setContentsMargins(10, 0, 10, 5);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(windowText("Latch"));
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

void TesvaneWidgets::buildCurrentPanel()
{
    auto* panelLayout = new QVBoxLayout(currentPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(windowText("RealTime"));
    box->setFixedHeight(80);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    panelLayout->addWidget(box);

    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(20);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(22);
    row->addWidget(maxFontLabel(windowText("EncoderCurrent:")));
    currentLabel = maxFontLabel(QStringLiteral("NULL"));
    currentLabel->setFixedWidth(150);
    row->addWidget(currentLabel);
    row->addStretch(1);
    boxLayout->addLayout(row);
}

void TesvaneWidgets::buildSinCosPanel()
{
    auto* panelLayout = new QHBoxLayout(sinCosPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(windowText("SinCos"));
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

void TesvaneWidgets::buildSquareWavePanel()
{
    auto* panelLayout = new QVBoxLayout(squareWavePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(windowText("Squarewave"));
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

    phaseStateLabel = maxFontLabel(windowText("Normal"));
    phaseStateLabel->setFixedWidth(200);
    QLabel* errorCaption = maxFontLabel(windowText("PhaseErrorCount:"));
    // 240 px, or the caption's own width at the 40-px "MaxFont" size where
    // its translation is longer; the count beside it then gives up the room
    // its few digits do not need.
    QFont captionFont = errorCaption->font();
    captionFont.setPixelSize(kMaxFontPx);
    const int captionWidth =
        QFontMetrics(captionFont).horizontalAdvance(errorCaption->text()) + 8;
    errorCaption->setFixedWidth(qMax(240, captionWidth));
    phaseErrorCountLabel = maxFontLabel(windowText("0"));
    phaseErrorCountLabel->setMinimumWidth(100);
    phaseErrorCountLabel->setMaximumWidth(200);
    addRow({maxFontLabel(windowText("PhaseState:")), phaseStateLabel, errorCaption, phaseErrorCountLabel});

    levelStateLabel = maxFontLabel(QStringLiteral("NULL"));
    levelStateLabel->setFixedWidth(300);
    addRow({maxFontLabel(windowText("LevelState:")), levelStateLabel});

    lineStateLabel = maxFontLabel(QStringLiteral("NULL"));
    lineStateLabel->setFixedWidth(450);
    addRow({maxFontLabel(windowText("LineState:")), lineStateLabel});
}

void TesvaneWidgets::buildSpeedCurvePanel()
{
    speedCurvePanel->setFixedHeight(130);
    auto* panelLayout = new QVBoxLayout(speedCurvePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    QGroupBox* box = blueGroupBox(windowText("SpeedCurve"));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    panelLayout->addWidget(box);

    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(10, 10, 10, 10);
    boxLayout->setSpacing(20);
    speedCurve = new SpeedCurve;
    boxLayout->addWidget(speedCurve);
}

void TesvaneWidgets::buildBottomBand(QWidget* bottom)
{
    connectionLabel = new QLabel(windowText("ready"), bottom);
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

void TesvaneWidgets::buildContextActions(QObject* parent)
{
    auto action = [parent](const QString& text, const char* icon) {
        return new QAction(QIcon(QPixmap(QLatin1String(icon))), text, parent);
    };
    powerAction = action(windowText("EncoderPoewrOn"), ":/UI/power");
    sysSetAction = action(windowText("SysSet"), ":/UI/setting");
    zeroAction = action(windowText("PositionZero"), ":/UI/zero");
    clearLatchAction = action(windowText("ClearLatch"), ":/UI/clear");
}

QMenu* TesvaneWidgets::buildHelpMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    updateAction = menu->addAction(QIcon(QStringLiteral(":/UI/SoftwareUpdate")),
                                   windowText("SoftwareUpdate"));
    updateAction->setCheckable(true);
    contactAction =
        menu->addAction(QIcon(QStringLiteral(":/UI/ContactUs")), windowText("ContactUs"));
    return menu;
}

// ------------------------------------------------------------- live frames

void TesvaneWidgets::showFrame(const LiveFrame& frame)
{
    setLabelText(signLabel, frame.sign);
    positionLabel->showText(frame.value);
    setPositionAlarm(frame.positionAlarm);
    if (frame.gaugeSet)
        signalGauge->setValue(frame.gaugePercent);
    addLatchRows(sinCosLatchTable, frame, true);
    addLatchRows(squareLatchTable, frame, false);
    sinCosView->updateView();

    if (frame.phaseError != m_phaseError) {
        m_phaseError = frame.phaseError;
        setLabelColor(phaseStateLabel, m_phaseError ? kRed : kBlue);
        phaseStateLabel->setText(m_phaseError ? windowText("PhaseError") : windowText("Normal"));
    }
    setPhaseErrorCount(frame.phaseErrorCount);
    if (!frame.levelText.isEmpty()) {
        setLabelText(levelStateLabel, frame.levelText);
        setLabelText(lineStateLabel, frame.lineText);
        setLabelText(currentLabel, frame.currentText);
    }
}

void TesvaneWidgets::addLatchRows(LatchWidget* table, const LiveFrame& frame, bool sinCos)
{
    const QVector<LiveFrame::LatchRow>& rows = sinCos ? frame.sinCosRows : frame.squareRows;
    for (const LiveFrame::LatchRow& row : rows) {
        table->addLatch(row.millimetres, row.pulses);
        table->setTriggerCount(table->triggerCount() + row.triggers);
    }
}

void TesvaneWidgets::setPhaseErrorCount(quint16 count)
{
    setLabelColor(phaseErrorCountLabel, count == 0 ? kBlue : kRed);
    setLabelText(phaseErrorCountLabel, QString::asprintf("%u", unsigned(count)));
}

void TesvaneWidgets::setPositionAlarm(bool alarm)
{
    const PositionStyle style = alarm ? PositionStyle::Alarm : PositionStyle::Normal;
    if (style == m_positionStyle)
        return;
    m_positionStyle = style;
    signLabel->setStyleSheet(QLatin1String(alarm ? kSignAlarm : kSignNormal));
    positionLabel->setStyleSheet(QLatin1String(alarm ? kValueAlarm : kValueNormal));
}

void TesvaneWidgets::clearLatchTables()
{
    for (LatchWidget* table : {sinCosLatchTable, squareLatchTable}) {
        table->clearLatches();
        table->setTriggerCount(0);
    }
}

void TesvaneWidgets::setPanelsHidden(bool hide, bool sinCosMode)
{
    for (QWidget* panel : {positionPanel, latchPanel, currentPanel, speedCurvePanel})
        panel->setHidden(hide);
    if (hide) {
        squareWavePanel->hide();
        sinCosPanel->hide();
        return;
    }
    sinCosPanel->setVisible(sinCosMode);
    sinCosLatchTable->setVisible(sinCosMode);
    squareWavePanel->setVisible(!sinCosMode);
    squareLatchTable->setVisible(!sinCosMode);
}

void TesvaneWidgets::showNotConnected(const QString& text)
{
    connectionLabel->setText(text);
    setPanelsHidden(true, false);
    notConnectedPanel->show();
    noticeLabel->setText(text);
}

void TesvaneWidgets::showReading(const QString& connection, const QString& notice)
{
    connectionLabel->setText(connection);
    notConnectedPanel->show();
    noticeLabel->setText(notice);
}

void TesvaneWidgets::showMeasuring(bool sinCosMode)
{
    notConnectedPanel->hide();
    setPanelsHidden(false, sinCosMode);
}

void TesvaneWidgets::execContextMenu(QWidget* parent, const QPoint& globalPos)
{
    QMenu menu(parent);
    for (QAction* action : {powerAction, sysSetAction, clearLatchAction, zeroAction})
        menu.addAction(action);
    menu.exec(globalPos);
}

void TesvaneWidgets::setPowerTexts(const QString& text)
{
    powerButton->setText(text);
    powerAction->setText(text);
}
