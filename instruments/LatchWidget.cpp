#include "LatchWidget.h"

#include "InstrumentGeometry.h"
#include "InstrumentText.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTime>
#include <QVBoxLayout>

LatchWidget::LatchWidget(QWidget* parent)
    : QWidget(parent), m_latchTable(new QTableWidget(this)), m_layout(new QVBoxLayout(this)),
      m_countLabel(new QLabel(this))
{
    m_layout->setAlignment(Qt::AlignTop);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(5);
    m_layout->addSpacing(10);
    m_layout->addWidget(m_countLabel, 0);
    m_layout->addSpacing(10);
    m_layout->addWidget(m_latchTable, 0);

    m_countLabel->setObjectName(QStringLiteral("MaxFont"));
    QPalette palette = m_countLabel->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(QColor(30, 144, 255)));
    m_countLabel->setPalette(palette);

    QTableWidget* t = m_latchTable;
    t->setColumnCount(3);
    t->horizontalHeader()->setSectionsClickable(false);
    t->horizontalHeader()->setDefaultSectionSize(150);
    t->setHorizontalHeaderLabels({tr("Latch"), tr("TriggerPulses"), tr("Time")});
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->resizeSection(0, 150);
    t->horizontalHeader()->resizeSection(1, 120);
    t->horizontalHeader()->resizeSection(2, 35);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(30);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setFocusPolicy(Qt::NoFocus);
    t->setAlternatingRowColors(true);
    t->setAutoFillBackground(true);

    setTriggerCount(0);
}

void LatchWidget::addLatch(double value, qint64 pulseCount)
{
    QTableWidget* t = m_latchTable;
    if (t->rowCount() > kMaxRows - 1)
        t->removeRow(0);
    const int row = t->rowCount();
    t->insertRow(row);
    const QString texts[3] = {InstrumentText::latchValue(value),
                              InstrumentText::latchPulses(pulseCount),
                              QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))};
    for (int column = 0; column < 3; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        item->setTextAlignment(Qt::AlignCenter);
        t->setItem(row, column, item);
    }
    t->setCurrentCell(row, 0);
}

void LatchWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout has just placed the table below the label. Leave the part
    // of a row that would not fit free below the table: the viewport then
    // holds whole rows, and the table scrolled to its end starts with a whole
    // row under the header.
    const QTableWidget* t = m_latchTable;
    const QHeaderView* header = t->horizontalHeader();
    const int headerHeight = qMax(header->minimumHeight(), header->sizeHint().height());
    const int room = height() - t->y() - 2 * t->frameWidth() - headerHeight;
    const int spare =
        InstrumentGeometry::spareBelowRows(room, t->verticalHeader()->defaultSectionSize());
    if (m_layout->contentsMargins().bottom() != spare)
        m_layout->setContentsMargins(0, 0, 0, spare);
    fitTimeColumn();
}

void LatchWidget::fitTimeColumn()
{
    // Room is kept for the vertical scroll bar whether it shows or not, so
    // that the times stay whole once the table holds more rows than it
    // shows, and the columns do not jump when the bar comes.
    QTableWidget* t = m_latchTable;
    const int available =
        t->width() - 2 * t->frameWidth() - t->verticalScrollBar()->sizeHint().width();
    const int textMargin = 2 * (t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1);
    const int timeWidth =
        t->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + textMargin + 4;
    const InstrumentGeometry::LatchColumns columns =
        InstrumentGeometry::latchColumns(available, timeWidth);
    t->horizontalHeader()->resizeSection(0, columns.value);
    t->horizontalHeader()->resizeSection(1, columns.pulses);
}

void LatchWidget::setTriggerCount(qint64 count)
{
    m_triggerCount = count;
    m_countLabel->setText(tr("TriggerCount:") + InstrumentText::triggerCount(count));
}

void LatchWidget::clearLatches()
{
    m_latchTable->clearContents();
    m_latchTable->setRowCount(0);
}
