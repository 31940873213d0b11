#pragma once

#include "TravelSurvey.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>

// The signal along the travel, over a revolution, over speed and the
// reference mark by direction, as the recorder's report shows them: each
// figure with the range it covers (the travel and bins measured, the
// frequencies reached, the marks seen each way), so a short or slow
// recording says what it did not see.
//   travel   measured bins, worst bins and where they lie, the amplitude variation
//   rotary   the harmonics of amplitude and phase over a revolution
//   speed    the bands, the frequency up to which the amplitude keeps its threshold
//   latch.directions  marks and counts between them each way, the difference
class TravelReport
{
    Q_DECLARE_TR_FUNCTIONS(TravelReport)

public:
    // The most bins "travel"."bins" lists; beyond, every n-th ("bins_every").
    static constexpr int kMaxReportBins = 500;

    // Adds "travel", "rotary", "speed" and "latch"."directions" to a report.
    static void insertInto(QJsonObject& report, const TravelSurvey::Result& survey);

    static QJsonObject travelJson(const TravelBins::Result& travel);
    static QJsonObject rotaryJson(const RotaryHarmonics::Result& rotary);
    static QJsonObject speedJson(const SpeedBands::Result& speed);
    static QJsonObject directionsJson(const ReferenceDirections::Result& reference);

    static QString toText(const TravelSurvey::Result& survey);

private:
    static QString travelText(const TravelBins::Result& travel);
    static QString rotaryText(const RotaryHarmonics::Result& rotary);
    static QString speedText(const SpeedBands::Result& speed);
    static QString directionsText(const ReferenceDirections::Result& reference);
};
