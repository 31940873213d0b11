#include "StationWindow.h"

#include "SignalPlotView.h"
#include "TravelStripView.h"
#include "StationSettings.h"
#include "StationTexts.h"
#include "VerdictBanner.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kWidth = 1300;
constexpr int kHeight = 800;

// Buttons of the station: the kit has no push button look of its own.
const char* const kButtonStyle =
    "QPushButton { color: white; background: #1E90FF; border: none; border-radius: 5px;"
    " padding: 6px 14px; font-size: 18px; }"
    "QPushButton:hover { background: #4AA8FF; }"
    "QPushButton:pressed { background: #1670C8; }"
    "QPushButton:disabled { background: #B8C7D6; }"
    "QPushButton#stopButton { background: #D0312D; }"
    "QPushButton#stopButton:disabled { background: #E5B8B6; }"
    "QLabel#fieldLabel { font-size: 18px; color: #1E90FF; }"
    "QLabel#infoLine { font-size: 16px; color: #333333; }"
    "QLineEdit#serialField { font-size: 26px; padding: 4px; }"
    "QTableWidget#itemTable { font-size: 16px; }";

// Paths in the setup bar: the middle gives way, the whole path in the tip.
constexpr int kPathWidth = 440;

QPushButton* button(const QString& text)
{
    auto* b = new QPushButton(text);
    b->setAutoDefault(false); // Enter belongs to the serial field
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel* fieldLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(QStringLiteral("fieldLabel"));
    return label;
}

// A line of text that never widens the window: a long message (a server's
// error, a path) is cut at the edge and whole in its tool tip.
QLabel* infoLine()
{
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("infoLine"));
    label->setTextFormat(Qt::PlainText);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

// An information line that has its height while still empty: a message
// coming or going (the protocol's path at the verdict, the live figures)
// moves nothing above it, so the items table keeps its rows in view.
void keepLineHeight(QLabel* label)
{
    label->ensurePolished();
    const QString text = label->text();
    // A Latin and a Chinese glyph: the taller of both faces.
    label->setText(QStringLiteral("Ag") + QChar(0x6D4B));
    label->setMinimumHeight(label->sizeHint().height());
    label->setText(text);
}

QTableWidget* table(const QStringList& headers)
{
    auto* t = new QTableWidget(0, headers.size());
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setFocusPolicy(Qt::NoFocus);
    t->setAlternatingRowColors(true);
    t->horizontalHeader()->setHighlightSections(false);
    t->verticalHeader()->setDefaultSectionSize(27);
    return t;
}

QTableWidgetItem* cell(const QString& text, const QColor& colour = QColor())
{
    auto* item = new QTableWidgetItem(text);
    if (colour.isValid())
        item->setForeground(colour);
    return item;
}

QGroupBox* group(const QString& title, QLayout* layout)
{
    auto* box = new QGroupBox(title);
    layout->setContentsMargins(10, 18, 10, 10);
    box->setLayout(layout);
    return box;
}

} // namespace

StationWindow::StationWindow(Station& station, StationSettings& settings, QWidget* parent)
    : YDialog(parent, tr("Rotaprobe station"), 35, kWidth, kHeight, 1),
      m_station(station), m_settings(settings)
{
    setStyleSheet(QLatin1String(kButtonStyle));
    hideSysButtons();
    QWidget* body = bodyWidget();
    body->setObjectName(QStringLiteral("WorkSpace"));
    // Left: the verdict and the items, down to the status line, so that a
    // profile with every item (along the travel and over speed too) has them
    // all in view; right: the pictures, the history and the setup.
    m_banner = new VerdictBanner;
    m_banner->setMinimumHeight(160);
    auto* left = new QVBoxLayout;
    left->addWidget(m_banner);
    left->addWidget(buildItems(), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildPictures(), 5);
    right->addWidget(buildHistory(), 3);
    right->addWidget(buildSetupBar());
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 47);
    columns->addLayout(right, 53);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 6, 8, 4);
    layout->setSpacing(6);
    layout->addWidget(buildUnitBar());
    layout->addLayout(columns, 1);

    for (QLabel* line : {m_protocolLine, m_latch, m_current})
        keepLineHeight(line);

    auto* bottom = new QHBoxLayout(bottomWidget());
    bottom->setContentsMargins(10, 0, 10, 0);
    m_testerLine = infoLine();
    m_storeLine = infoLine();
    bottom->addWidget(m_testerLine, 1);
    bottom->addSpacing(40);
    bottom->addWidget(m_storeLine, 3);

    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &StationWindow::showFrame);
    wire();
    showProfile();
    readyForNextUnit();
}

QWidget* StationWindow::buildUnitBar()
{
    m_serial = new QLineEdit;
    m_serial->setObjectName(QStringLiteral("serialField"));
    m_serial->setMaxLength(256); // longer ones are refused with a reason, not cut
    m_serial->setPlaceholderText(tr("scan the serial number"));
    m_operator = new QLineEdit(m_settings.operatorName());
    m_operator->setPlaceholderText(tr("optional"));
    m_operator->setMaxLength(64);
    // Never reached by a scanner's Tab: a scan always lands in the serial field.
    m_operator->setFocusPolicy(Qt::ClickFocus);
    m_start = button(tr("Start (Enter)"));
    m_stop = button(tr("Stop (Esc)"));
    m_stop->setObjectName(QStringLiteral("stopButton"));
    auto* row = new QHBoxLayout;
    row->addWidget(fieldLabel(tr("Serial number")));
    row->addWidget(m_serial, 5);
    row->addWidget(m_start);
    row->addWidget(m_stop);
    row->addSpacing(24);
    row->addWidget(fieldLabel(tr("Operator")));
    row->addWidget(m_operator, 2);
    return group(tr("Unit"), row);
}

QWidget* StationWindow::buildSetupBar()
{
    m_profile = infoLine();
    m_chooseProfile = button(tr("Profile…"));
    m_protocols = infoLine();
    m_chooseProtocols = button(tr("Protocol folder…"));
    m_protocolLine = infoLine();
    auto* rows = new QGridLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(m_chooseProfile, 0, 0);
    rows->addWidget(m_profile, 0, 1);
    rows->addWidget(m_chooseProtocols, 1, 0);
    rows->addWidget(m_protocols, 1, 1);
    rows->addWidget(m_protocolLine, 2, 0, 1, 2);
    rows->setColumnStretch(1, 1);
    auto* holder = new QWidget;
    holder->setLayout(rows);
    return holder;
}

QWidget* StationWindow::buildItems()
{
    m_items = table({tr("Item"), tr("Limit"), tr("Measured"), QString()});
    m_items->setObjectName(QStringLiteral("itemTable"));
    m_items->verticalHeader()->setMinimumSectionSize(kItemRowMinHeight);
    m_items->verticalHeader()->setDefaultSectionSize(kItemRowHeight);
    QHeaderView* header = m_items->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->setSectionResizeMode(2, QHeaderView::Fixed);
    header->setSectionResizeMode(3, QHeaderView::Fixed);
    m_items->setColumnWidth(3, 32);
    m_items->installEventFilter(this); // its rows fitted to its height
    auto* column = new QVBoxLayout;
    column->addWidget(m_items, 1);
    return group(tr("Items"), column);
}

QWidget* StationWindow::buildPictures()
{
    m_lissajous = new SignalPlotView(SignalPlotView::Kind::Lissajous);
    m_error = new SignalPlotView(SignalPlotView::Kind::InterpolationError);
    m_lissajous->setFixedWidth(230);
    m_travelStrip = new TravelStripView;
    m_latch = infoLine();
    m_current = infoLine();
    m_current->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(m_lissajous);
    row->addWidget(m_error, 1);
    auto* figures = new QHBoxLayout;
    figures->addWidget(m_latch, 7);
    figures->addWidget(m_current, 3);
    auto* column = new QVBoxLayout;
    column->addLayout(row, 1);
    column->addWidget(m_travelStrip);
    column->addLayout(figures);
    return group(tr("Signal"), column);
}

QWidget* StationWindow::buildHistory()
{
    m_passRate = infoLine();
    m_history = table({tr("Time"), tr("Serial number"), tr("Verdict"), tr("Reason")});
    QHeaderView* header = m_history->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->setSectionResizeMode(2, QHeaderView::Fixed);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    m_history->setColumnWidth(0, 150);
    m_history->setColumnWidth(1, 170);
    m_history->setColumnWidth(2, 100);
    m_history->setWordWrap(false);
    auto* column = new QVBoxLayout;
    column->addWidget(m_passRate);
    column->addWidget(m_history, 1);
    return group(tr("Latest results of this station"), column);
}

void StationWindow::wire()
{
    connect(m_serial, &QLineEdit::returnPressed, this, &StationWindow::startTest);
    connect(m_start, &QPushButton::clicked, this, &StationWindow::startTest);
    connect(m_stop, &QPushButton::clicked, &m_station, &Station::abort);
    connect(m_operator, &QLineEdit::editingFinished, this, [this] {
        m_settings.setOperatorName(m_operator->text().trimmed());
        m_station.setOperatorName(m_operator->text());
    });
    connect(m_operator, &QLineEdit::returnPressed, m_serial, qOverload<>(&QWidget::setFocus));
    connect(m_chooseProfile, &QPushButton::clicked, this, &StationWindow::chooseProfile);
    connect(m_chooseProtocols, &QPushButton::clicked, this, &StationWindow::chooseProtocolFolder);
    connect(&m_station, &Station::stateChanged, this, &StationWindow::onState);
    connect(&m_station, &Station::testerChanged, this, &StationWindow::onTester);
    connect(&m_station, &Station::testRefused, this, &StationWindow::onRefused);
    connect(&m_station, &Station::testFinished, this, &StationWindow::onFinished);
    connect(&m_station, &Station::filed, this, &StationWindow::onFiled);
    connect(&m_station, &Station::storeOpened, this, &StationWindow::onStoreOpened);
    connect(&m_station, &Station::historyChanged, this, &StationWindow::onHistory);
    connect(&m_station, &Station::closed, this, [this] {
        if (m_closeWhenDone) // not from inside the close event that asked for it
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

void StationWindow::showLine(QLabel* label, const QString& text, const QColor& colour)
{
    label->setText(text);
    label->setToolTip(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
}

// A path gives way in the middle: the file's name stays in view.
void StationWindow::showPath(QLabel* label, const QString& text, const QColor& colour)
{
    showLine(label, text, colour);
    if (label->isVisible())
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
}

void StationWindow::showProfile()
{
    const StationSettings::Setting& profile = m_settings.profilePath();
    const StationSettings::Setting& folder = m_settings.protocolFolder();
    m_station.setProfilePath(profile.value);
    m_station.setProtocolFolder(folder.value);
    m_station.setOperatorName(m_settings.operatorName());
    const auto elided = [](QLabel* label, const QString& text) {
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, kPathWidth));
        label->setToolTip(text);
    };
    elided(m_profile, profile.value.isEmpty() ? tr("Profile: none chosen")
                                              : tr("Profile: %1").arg(profile.value));
    elided(m_protocols, tr("Protocol folder: %1").arg(folder.value));
    m_chooseProfile->setEnabled(!profile.fixed && m_station.state() == Station::State::Idle);
    m_chooseProtocols->setEnabled(!folder.fixed && m_station.state() == Station::State::Idle);
    const QString folderProblem = m_station.protocolFolderProblem();
    if (!folderProblem.isEmpty() && m_station.state() == Station::State::Idle)
        showLine(m_protocolLine, tr("Protocol not written: %1").arg(folderProblem),
                 StationTexts::kFail);
    if (profile.fixed)
        m_chooseProfile->setToolTip(tr("Set on the command line"));
    if (folder.fixed)
        m_chooseProtocols->setToolTip(tr("Set on the command line"));
}

void StationWindow::chooseProfile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Test profile"), QFileInfo(m_settings.profilePath().value).absolutePath(),
        tr("Profiles (*.json);;All files (*)"));
    if (path.isEmpty())
        return;
    m_settings.setProfilePath(path);
    showProfile();
}

void StationWindow::chooseProtocolFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Protocol folder"),
                                                             m_settings.protocolFolder().value);
    if (folder.isEmpty())
        return;
    m_settings.setProtocolFolder(folder);
    showProfile();
}

void StationWindow::startTest()
{
    if (m_station.state() != Station::State::Idle)
        return; // a scan during a test is not a new test
    if (m_outcomeShown && m_serial->text().trimmed().isEmpty())
        return; // a stray Enter leaves the last verdict on screen
    m_outcomeShown = false;
    m_shownRevision = 0;
    m_lissajous->clear();
    m_error->clear();
    m_travelStrip->clear();
    showItems(ToleranceProfile::Verdict(), StationTexts::Marks::Live);
    m_latch->clear();
    m_current->clear();
    m_protocolLine->clear();
    QString error;
    if (!m_station.startTest(m_serial->text(), &error)) {
        onRefused(error);
        return;
    }
    // The station may have refused the unit at once (no tester): then the
    // refusal is on screen already.
    if (m_station.state() == Station::State::Testing) {
        m_serial->setText(m_station.serial());
        showFrame();
    }
}

void StationWindow::onState(Station::State state)
{
    const bool testing = state == Station::State::Testing || state == Station::State::Closing;
    m_serial->setReadOnly(testing);
    m_operator->setEnabled(!testing);
    m_start->setEnabled(!testing);
    m_stop->setEnabled(testing);
    showProfile();
    if (testing)
        m_frameTimer.start();
    else
        m_frameTimer.stop();
}

// At most once per kFrameMs: the phase, time left and, when new, the figures.
void StationWindow::showFrame()
{
    const StationTexts::Banner b = StationTexts::testingBanner(
        m_station.serial(), m_station.phase(), m_station.secondsLeft(), m_station.retest());
    m_banner->setBanner(b.title, b.colour, b.lines);
    const StationLive& live = m_station.live();
    if (live.revision == m_shownRevision)
        return;
    m_shownRevision = live.revision;
    ++m_livePaints;
    m_lissajous->setLissajous(live.pairs, live.fit);
    m_error->setErrorCurve(live.errorCurve);
    m_travelStrip->setTravel(live.travel, live.travelVariationLimitPct);
    showItems(live.items, StationTexts::Marks::Live);
    m_latch->setText(StationTexts::latchText(live.sinCosLatch, live.squareLatch));
    m_current->setText(StationTexts::currentText(live.current));
}

// Cells change their text only when it changes; the limit and value
// columns are fitted when the rows are new (a new test or its verdict), not
// at every live update, which would lay out every cell again.
void StationWindow::showItems(const ToleranceProfile::Verdict& verdict, StationTexts::Marks marks)
{
    const QVector<StationTexts::ItemRow> rows = StationTexts::itemRows(verdict, marks);
    const bool fresh = m_items->rowCount() != rows.size() || marks != StationTexts::Marks::Live;
    m_items->setRowCount(rows.size());
    auto put = [this](int row, int column, const QString& text, const QColor& colour,
                      Qt::Alignment alignment) {
        QTableWidgetItem* item = m_items->item(row, column);
        if (!item) {
            item = cell(text, colour);
            item->setTextAlignment(int(alignment));
            m_items->setItem(row, column, item);
            return;
        }
        if (item->text() != text)
            item->setText(text);
        if (colour.isValid() && item->foreground().color() != colour)
            item->setForeground(colour);
    };
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    for (int i = 0; i < rows.size(); ++i) {
        const StationTexts::ItemRow& row = rows.at(i);
        put(i, 0, row.label, QColor(), left);
        put(i, 1, row.limit, QColor(), left);
        put(i, 2, row.value, row.colour, Qt::AlignRight | Qt::AlignVCenter);
        put(i, 3, row.mark, row.colour, Qt::AlignCenter);
    }
    if (fresh || rows.isEmpty()) {
        fitItemRows();
        fitItemColumns();
    }
}

// Rows of kItemRowHeight while they all fit; more items share the table's
// height, down to kItemRowMinHeight, before it scrolls.
void StationWindow::fitItemRows()
{
    const int rows = m_items->rowCount();
    const int height = m_items->height() - m_items->horizontalHeader()->height() -
                       2 * m_items->frameWidth();
    const int fitted = rows > 0 ? height / rows : kItemRowHeight;
    const int row = std::clamp(fitted, kItemRowMinHeight, kItemRowHeight);
    if (m_items->verticalHeader()->defaultSectionSize() != row)
        m_items->verticalHeader()->setDefaultSectionSize(row);
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_items && event->type() == QEvent::Resize)
        fitItemRows();
    return YDialog::eventFilter(watched, event);
}

void StationWindow::fitItemColumns()
{
    const QFontMetrics metrics(m_items->font());
    // The widest limit and value a profile's items have; a value has no sign before it.
    const QString widest = QStringLiteral("0.000 ") + StationTexts::tr("periods");
    const QString widestLimit = QStringLiteral("≤ ") + widest;
    for (int column : {1, 2}) {
        m_items->resizeColumnToContents(column);
        const QString& text = column == 1 ? widestLimit : widest;
        m_items->setColumnWidth(column, std::max(m_items->columnWidth(column),
                                                 metrics.horizontalAdvance(text) + 12));
    }
}

void StationWindow::onTester(bool open, const QString& problem)
{
    m_testerOpen = open;
    m_testerProblem = problem;
    showLine(m_testerLine, open ? tr("Tester connected") : tr("Tester not connected"),
             open ? StationTexts::kPass : StationTexts::kAborted);
    m_testerLine->setToolTip(problem);
    if (m_station.state() == Station::State::Idle && !m_outcomeShown) {
        const StationTexts::Banner b = StationTexts::idleBanner(open, problem);
        m_banner->setBanner(b.title, b.colour, b.lines);
    }
}

void StationWindow::onRefused(const QString& reason)
{
    const StationTexts::Banner b = StationTexts::refusedBanner(reason);
    m_banner->setBanner(b.title, b.colour, b.lines);
    m_outcomeShown = true;
    m_serial->setReadOnly(false);
    m_serial->selectAll();
    m_serial->setFocus();
}

void StationWindow::onFinished(const StationVerdict& verdict)
{
    const StationLive& live = m_station.live();
    m_lissajous->setLissajous(live.pairs, live.fit);
    m_error->setErrorCurve(live.errorCurve);
    showItems(verdict.verdict, verdict.outcome == FinishedTest::Outcome::Aborted
                                   ? StationTexts::Marks::None
                                   : StationTexts::Marks::Verdict);
    const StationTexts::Banner b = StationTexts::verdictBanner(verdict);
    m_banner->setBanner(b.title, b.colour, b.lines);
    m_outcomeShown = true;
    if (!verdict.protocolPath.isEmpty())
        showPath(m_protocolLine, tr("Protocol written: %1").arg(verdict.protocolPath),
                 QColor(0x33, 0x33, 0x33));
    else
        showLine(m_protocolLine, tr("Protocol not written: %1").arg(verdict.protocolError),
                 StationTexts::kFail);
    showLine(m_storeLine, tr("Storing the result…"), QColor(0x33, 0x33, 0x33));
    m_banner->repaint(); // the verdict is on screen before anything else runs
    m_serial->clear();
    m_serial->setFocus();
}

void StationWindow::onFiled(const ResultFiling::Filed& filed)
{
    bool warning = false;
    const QString text = StationTexts::filedText(filed, &warning);
    showLine(m_storeLine, text, warning ? StationTexts::kFail : StationTexts::kPass);
}

void StationWindow::onStoreOpened(bool ok, const QString& error, const QStringList& warnings)
{
    if (!ok)
        showLine(m_storeLine, tr("Results store unusable: %1").arg(error), StationTexts::kFail);
    else if (!warnings.isEmpty())
        showLine(m_storeLine, warnings.join(QLatin1Char(' ')), StationTexts::kAborted);
    else
        showLine(m_storeLine, tr("Results store ready"), StationTexts::kPass);
}

void StationWindow::onHistory(const StationHistory& history)
{
    m_passRate->setText(StationTexts::passRate(history));
    m_history->setRowCount(history.latest.size());
    for (int i = 0; i < history.latest.size(); ++i) {
        const StationTexts::HistoryRow row = StationTexts::historyRow(history.latest.at(i));
        m_history->setItem(i, 0, cell(row.time));
        m_history->setItem(i, 1, cell(row.serial));
        m_history->setItem(i, 2, cell(row.verdict, row.colour));
        m_history->setItem(i, 3, cell(row.reason));
        m_history->item(i, 3)->setToolTip(row.reason);
    }
}

void StationWindow::readyForNextUnit()
{
    onState(m_station.state());
    const StationTexts::Banner b = StationTexts::idleBanner(m_testerOpen, m_testerProblem);
    m_banner->setBanner(b.title, b.colour, b.lines);
    m_serial->setFocus();
}

void StationWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_station.abort(); // never closes the window
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return; // the serial field's; never a default button's
    YDialog::keyPressEvent(event);
}

// A running test is aborted and its supply switched off before the window goes.
void StationWindow::closeEvent(QCloseEvent* event)
{
    if (m_station.state() == Station::State::Closed) {
        YDialog::closeEvent(event);
        return;
    }
    event->ignore();
    setWindowOpacity(1.0);
    m_closeWhenDone = true;
    m_station.shutDown();
}
