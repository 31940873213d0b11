#include "SimEncoder.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMidScale = 512.0;

uint16_t sample(double value)
{
    return uint16_t(std::clamp(std::lround(value), 0L, 1023L));
}

} // namespace

SimEncoder::SimEncoder() : m_last(Clock::now()) {}

void SimEncoder::setSpeed(double periodsPerSecond)
{
    update();
    m_sweep = SimSweep();
    m_speed = periodsPerSecond;
}

void SimEncoder::setSweep(const SimSweep::Profile& profile)
{
    update();
    m_sweep = SimSweep(profile);
    m_speed = 0.0;
}

void SimEncoder::run(double seconds)
{
    if (m_sweep.active())
        m_speed = m_sweep.run(m_phase, seconds, [this](double delta) { travel(delta); });
    else
        travel(m_speed * seconds);
}

double SimEncoder::amplitude() const
{
    return m_amplitude * m_shape.amplitudeFactor(m_phase, std::fabs(m_speed));
}

void SimEncoder::setManualClock(bool manual)
{
    update();
    m_manual = manual;
    m_last = Clock::now();
}

void SimEncoder::advance(double seconds)
{
    if (m_manual)
        run(seconds);
}

void SimEncoder::setPowered(bool powered)
{
    update();
    m_powered = powered;
}

void SimEncoder::resetCounters()
{
    update();
    m_counted = 0.0;
    m_latchCounted = 0.0;
    m_latchCount = 0;
}

void SimEncoder::moveTo(double phase)
{
    update();
    travel(phase - m_phase);
}

void SimEncoder::update()
{
    if (m_manual)
        return;
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_last).count();
    m_last = now;
    run(seconds);
}

void SimEncoder::travel(double delta)
{
    const double from = m_phase;
    m_phase += delta;
    if (!m_powered)
        return;
    m_counted += delta;
    if (m_referenceInterval <= 0)
        return;
    const double interval = m_referenceInterval;
    const double marksBefore = std::floor(from / interval);
    const double marksAfter = std::floor(m_phase / interval);
    if (marksBefore == marksAfter)
        return;
    m_latchCount += uint32_t(std::fabs(marksAfter - marksBefore));
    // The last mark passed: the highest reached moving forward; moving
    // backward, the lowest one left behind.
    const double mark = (delta > 0 ? marksAfter : marksAfter + 1) * interval;
    m_latchCounted = m_counted - (m_phase - mark);
    if (delta < 0 && m_backwardReferenceLate)
        m_latchCounted -= 1.0;
}

int64_t SimEncoder::sinCosPosition()
{
    update();
    return int64_t(std::floor(m_counted * 512.0));
}

int64_t SimEncoder::squarePosition()
{
    update();
    return int64_t(std::floor(m_counted * 4.0));
}

int64_t SimEncoder::sinCosLatchPosition()
{
    update();
    return int64_t(std::llround(m_latchCounted * 512.0));
}

int64_t SimEncoder::squareLatchPosition()
{
    update();
    return int64_t(std::llround(m_latchCounted * 4.0));
}

uint32_t SimEncoder::latchCount()
{
    update();
    return m_latchCount;
}

uint16_t SimEncoder::sinSample()
{
    update();
    return m_powered ? sample(kMidScale + m_sinOffset + amplitude() * std::sin(kTwoPi * m_phase)) : 512;
}

uint16_t SimEncoder::cosSample()
{
    update();
    const double deviation = m_phaseDeviationDeg * kTwoPi / 360.0;
    return m_powered ? sample(kMidScale + m_cosOffset +
                              amplitude() * m_cosRatio * std::cos(kTwoPi * m_phase + deviation))
                     : 512;
}

uint16_t SimEncoder::levels()
{
    update();
    if (!m_powered)
        return 0;
    const double fraction = m_phase - std::floor(m_phase);
    uint16_t bits = 0;
    if (fraction < 0.5)
        bits |= 1; // A high while sine is positive
    if (fraction < 0.25 || fraction >= 0.75)
        bits |= 2; // B high while cosine is positive
    if (m_referenceInterval > 0) {
        const double interval = m_referenceInterval;
        const double nearest = std::round(m_phase / interval) * interval;
        if (std::fabs(m_phase - nearest) < 0.125)
            bits |= 4;
    }
    return bits;
}

double SimEncoder::phase()
{
    update();
    return m_phase;
}
