#pragma once

#include "ConfigRecord.h"
#include "LatchStatistics.h"
#include "LissajousFit.h"
#include "PollGroupFields.h"
#include "ReplyRecord.h"
#include "ToleranceProfile.h"
#include "TravelSample.h"
#include "TravelSurvey.h"

#include <QVector>

#include <vector>

// Gathers what a recording measures, reply by reply: the latest sine/cosine
// pairs for the Lissajous fit, both channels' reference marks, and the
// supply current. Each value is taken only from the replies that carry it.
class RecordingSummary
{
public:
    // The fit uses the latest pairs: enough for a long run's steady state,
    // and a fit of this many takes well under a millisecond.
    static constexpr std::size_t kFitWindow = 10000;

    struct Current
    {
        bool seen = false;
        double min = 0.0;
        double max = 0.0;
        double mean = 0.0;
    };

    RecordingSummary();

    void feed(const ReplyRecord& record);

    quint64 replies() const { return m_replies; }
    Current current() const;

    // Runs the fit and the latch statistics with the tester's equivalents.
    ToleranceProfile::Measurements measurements(const ConfigRecord& config) const;
    // The same, with the signal along the travel, over speed and the marks
    // by direction (`travel`), sized by the profile's settings.
    ToleranceProfile::Measurements measurements(const ConfigRecord& config,
                                                const ToleranceProfile::Limits& limits) const;
    TravelSurvey::Result travel(const ConfigRecord& config, const ToleranceProfile::Limits& limits) const;

    // Every reply that carried a sample pair, with its position and time.
    const std::vector<TravelSample>& travelSamples() const { return m_travel; }

    // Up to `count` of the fit's pairs, evenly taken, for a picture.
    QVector<SinCosPair> picturePairs(int count) const;

private:
    PollGroupFields m_fields;
    quint64 m_replies = 0;
    std::vector<SinCosPair> m_pairs; // ring of the latest kFitWindow pairs
    std::size_t m_nextPair = 0;      // where the next pair goes once the ring is full
    std::vector<TravelSample> m_travel; // every pair with its place, linear in the recording
    LatchStatistics m_sinCosLatch{LatchStatistics::Channel::SinCos};
    LatchStatistics m_squareLatch{LatchStatistics::Channel::Square};
    bool m_linesSeen = false;
    unsigned m_linesMissing = 0; // A, B, Z lines seen missing in any reply
    quint64 m_currentCount = 0;
    double m_currentSum = 0.0;
    double m_currentMin = 0.0;
    double m_currentMax = 0.0;
};
