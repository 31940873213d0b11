#pragma once

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

// Repeatability of one channel's reference mark, from the latch counter and
// latched position as the tester reports them on every reply. The counter
// wraps in 16 bits; a change is one or more new triggers. The first count
// seen (and the first after rebase()) is only a baseline: its position may
// be left over from before. The first trigger after it gives the first
// position; every later single trigger gives one interval. A reply that
// shows several new triggers at once counts them but gives no interval
// (only their average distance would be known).
class LatchStatistics
{
    Q_DECLARE_TR_FUNCTIONS(LatchStatistics)

public:
    enum class Channel
    {
        SinCos, // positions in 1/512 period, intervals in periods
        Square, // positions and intervals in counts
    };

    struct Result
    {
        bool valid = false; // false: no interval yet, `reason` says why
        QString reason;
        quint64 triggers = 0;  // new triggers seen after the baseline
        quint64 intervals = 0; // intervals between single triggers
        double min = 0.0;      // pulses between triggers (periods or counts)
        double max = 0.0;
        double mean = 0.0;
        double stddev = 0.0;   // sample standard deviation, 0 for one interval
        double spread = 0.0;   // max − min, periods or counts
        double spread_um = 0.0;
    };

    explicit LatchStatistics(Channel channel);

    // One reply's `count` and `position` of this channel.
    void feed(qint64 count, qint64 position);
    // The next count is a baseline again (supply switched, latches cleared).
    void rebase();

    // `equivalentNm`: nanometres per period or count.
    Result result(double equivalentNm) const;

private:
    Channel m_channel;
    qint64 m_previousCount = -1;
    bool m_havePosition = false;
    qint64 m_previousPosition = 0;
    quint64 m_triggers = 0;
    // Welford's running mean and sum of squared deviations.
    quint64 m_intervals = 0;
    double m_mean = 0.0;
    double m_m2 = 0.0;
    double m_min = 0.0;
    double m_max = 0.0;
};
