#pragma once

#include "LatchStatistics.h"
#include "LissajousFit.h"
#include "ToleranceProfile.h"
#include "TravelSurvey.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Everything the protocol of one encoder test shows: who tested what, when,
// against which limits, the verdict and the figures behind it. Filled by
// the program that ran the test; written by ProtocolPdf.
struct TestProtocol
{
    enum class Verdict
    {
        Pass,
        Fail,
        Aborted,
    };

    struct Latch
    {
        QString channel; // "sine/cosine" or "square wave"
        LatchStatistics::Result stats;
        QString unit; // of the pulses between triggers: "periods" or "counts"
    };

    QString serial;
    QDateTime startedAt; // UTC
    double durationS = 0.0;
    QString station;
    QString operatorName; // may be empty
    QString programVersion;
    QStringList testerConfiguration; // "name: value" lines
    QString profileName;
    QString profileSha256; // hex

    Verdict verdict = Verdict::Aborted;
    QString reason; // why it failed or was aborted

    QVector<ToleranceProfile::Item> items;
    LissajousFit::Result fit;
    QVector<SinCosPair> pairs; // for the picture; a few thousand at most
    QVector<Latch> latches;
    bool currentKnown = false;
    double currentMa = 0.0;
    // Along the travel, over speed, marks by direction: a page of its own.
    TravelSurvey::Result travel;
};
