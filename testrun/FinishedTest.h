#pragma once

#include "ConfigRecord.h"
#include "RecordingReport.h"
#include "RecordingSummary.h"
#include "ToleranceProfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// One finished test as the results store and the protocol take it: what was
// tested, by whom, how the recording went, what it measured and the verdict.
struct FinishedTest
{
    enum class Outcome
    {
        Pass,
        Fail,
        Aborted, // stopped before its time or the tester was lost: never a pass
    };

    QString serial;
    QString operatorName; // may be empty
    QDateTime startedAt;  // UTC, when the recording began
    RecordingReport::Facts facts;
    ToleranceProfile::Measurements measured;
    ToleranceProfile::Verdict verdict;
    RecordingSummary::Current current;
    ConfigRecord config;
    QVector<SinCosPair> pairs; // for the protocol's picture
    QByteArray profile;        // the profile's text as it was judged by
    QString abortReason;       // why an aborted test ended, when more is known than its stop

    Outcome outcome() const;
    // The names of the items that failed, in the profile's order.
    QStringList failedItems() const;
    // The recorder's report of it (the store keeps it whole).
    RecordingReport report() const { return RecordingReport(facts, measured, current, verdict); }
};
