#include "RecordingSummary.h"

#include <algorithm>

RecordingSummary::RecordingSummary()
{
    m_pairs.reserve(kFitWindow);
}

void RecordingSummary::feed(const ReplyRecord& record)
{
    namespace F = LiveRegister;
    ++m_replies;
    const LiveValues& v = record.values;
    if (m_fields.carries(record.group, F::kSinSample) &&
        m_fields.carries(record.group, F::kCosSample)) {
        const SinCosPair pair{v.sinSample, v.cosSample};
        if (m_pairs.size() < kFitWindow) {
            m_pairs.push_back(pair);
        } else {
            m_pairs[m_nextPair] = pair;
            m_nextPair = (m_nextPair + 1) % kFitWindow;
        }
        if (m_fields.carries(record.group, F::kSinCosPosition)) {
            TravelSample sample;
            sample.ms = record.ms;
            sample.position = v.sinCosPosition;
            sample.sin = pair.sin;
            sample.cos = pair.cos;
            if (m_fields.carries(record.group, F::kSinCosLatchCount)) {
                sample.latchCount = v.sinCosLatchCount;
                sample.latchPosition = v.sinCosLatchPosition;
            }
            m_travel.push_back(sample);
        }
    }
    if (m_fields.carries(record.group, F::kSinCosLatchCount))
        m_sinCosLatch.feed(v.sinCosLatchCount, v.sinCosLatchPosition);
    if (m_fields.carries(record.group, F::kSquareLatchCount))
        m_squareLatch.feed(v.squareLatchCount, v.squareLatchPosition);
    if (m_fields.carries(record.group, F::kLineStates)) {
        m_linesSeen = true;
        m_linesMissing |= ~unsigned(v.lineStates) & 7u;
    }
    if (m_fields.carries(record.group, F::kEncoderCurrent)) {
        const double ma = v.encoderCurrent;
        m_currentMin = m_currentCount ? std::min(m_currentMin, ma) : ma;
        m_currentMax = m_currentCount ? std::max(m_currentMax, ma) : ma;
        m_currentSum += ma;
        ++m_currentCount;
    }
}

RecordingSummary::Current RecordingSummary::current() const
{
    Current current;
    if (m_currentCount == 0)
        return current;
    current.seen = true;
    current.min = m_currentMin;
    current.max = m_currentMax;
    current.mean = m_currentSum / double(m_currentCount);
    return current;
}

ToleranceProfile::Measurements RecordingSummary::measurements(const ConfigRecord& config) const
{
    ToleranceProfile::Measurements m;
    m.signal = LissajousFit::fit(m_pairs.data(), m_pairs.size(), config.sinCosEquivalent);
    m.sinCosLatch = m_sinCosLatch.result(config.sinCosEquivalent);
    m.squareLatch = m_squareLatch.result(config.squareWaveEquivalent);
    const Current now = current();
    m.haveCurrent = now.seen;
    m.currentMinMa = now.min;
    m.currentMaxMa = now.max;
    m.haveLines = m_linesSeen;
    m.linesMissing = m_linesMissing;
    return m;
}

ToleranceProfile::Measurements RecordingSummary::measurements(const ConfigRecord& config,
                                                              const ToleranceProfile::Limits& limits) const
{
    ToleranceProfile::Measurements m = measurements(config);
    m.travel = travel(config, limits);
    return m;
}

TravelSurvey::Result RecordingSummary::travel(const ConfigRecord& config,
                                              const ToleranceProfile::Limits& limits) const
{
    return TravelSurvey::analyse(m_travel, ToleranceProfile::travelSettings(limits, config.sinCosEquivalent));
}

QVector<SinCosPair> RecordingSummary::picturePairs(int count) const
{
    QVector<SinCosPair> out;
    if (count <= 0 || m_pairs.empty())
        return out;
    const std::size_t step = std::max<std::size_t>(1, m_pairs.size() / std::size_t(count));
    for (std::size_t i = 0; i < m_pairs.size() && out.size() < count; i += step)
        out.append(m_pairs[i]);
    return out;
}
