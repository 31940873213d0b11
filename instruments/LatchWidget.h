#pragma once

#include <QWidget>

class QLabel;
class QTableWidget;
class QVBoxLayout;

// The positions latched on the reference input: one row per event (value,
// trigger pulses, time of arrival), at most 200 rows, under a large label
// with the running trigger count. The table is kept a whole number of rows
// high, so that scrolled to the newest row no part-row shows under the
// header. The value and pulse columns give up width where the time column
// would otherwise be too narrow for its times.
class LatchWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaxRows = 200;

    explicit LatchWidget(QWidget* parent = nullptr);

    void addLatch(double value, qint64 pulseCount);
    void setTriggerCount(qint64 count);
    qint64 triggerCount() const { return m_triggerCount; }
    void clearLatches();

    QTableWidget* table() const { return m_latchTable; }
    QLabel* countLabel() const { return m_countLabel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Narrows the value and pulse columns where the time would not fit.
    void fitTimeColumn();

    QTableWidget* m_latchTable;
    QVBoxLayout* m_layout;
    QLabel* m_countLabel;
    qint64 m_triggerCount = 0;
};
