#pragma once

#include "RecordingSummary.h"
#include "ToleranceProfile.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>

// The recorder's report, as readable text or as one JSON object:
//   signal      the fit's figures (or "valid": false and the reason)
//   latch       "sincos" and "square": triggers, pulses between them, spread
//   current_ma  "min", "max", "mean" (null when no reply carried it)
//   replies, duration_s, poll_rate
//   verdict     "pass" and the "items" of the profile (none without one)
class RecordingReport
{
    Q_DECLARE_TR_FUNCTIONS(RecordingReport)

public:
    enum class Stop
    {
        Time,        // the set number of seconds ran out
        Interrupt,   // Ctrl+C or a termination request
        Disconnected // the tester was lost
    };

    struct Facts
    {
        quint64 replies = 0;
        double durationS = 0.0;
        Stop stop = Stop::Time;
        bool haveProfile = false;
        QString profilePath;
        QString csvPath;
        quint64 csvRows = 0;
    };

    RecordingReport(const Facts& facts, const ToleranceProfile::Measurements& measured,
                    const RecordingSummary::Current& current,
                    const ToleranceProfile::Verdict& verdict);

    QJsonObject toJson() const;
    QString toText() const;

    double pollRate() const;

private:
    QString signalText() const;
    QString latchText(const QString& title, const LatchStatistics::Result& latch,
                      const QString& unit) const;
    QString verdictText() const;

    Facts m_facts;
    ToleranceProfile::Measurements m_measured;
    RecordingSummary::Current m_current;
    ToleranceProfile::Verdict m_verdict;
};
