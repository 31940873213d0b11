#pragma once

#include "SimSignalShape.h"
#include "SimSweep.h"

#include <chrono>
#include <cstdint>

// A rotating incremental encoder as the tester sees it: sine/cosine signals
// around mid-scale 512, quadrature A/B/Z levels, a reference mark every N
// signal periods. Motion follows the real clock or a manual one. Counting
// stops while the encoder is unpowered (the shaft still turns, unseen).
// Not thread-safe: SimTester serialises access.
class SimEncoder
{
public:
    using Clock = std::chrono::steady_clock;

    SimEncoder();

    void setSpeed(double periodsPerSecond);
    double speed() const { return m_speed; }
    void setAmplitude(double counts) { m_amplitude = counts; }
    // Offsets of the two analogue channels from mid-scale, in counts.
    void setOffsets(double sinOffset, double cosOffset)
    {
        m_sinOffset = sinOffset;
        m_cosOffset = cosOffset;
    }
    // The cosine channel's amplitude against the sine's, and its departure
    // from quadrature (degrees, positive: it leads by more than 90°).
    void setImbalance(double cosAmplitudeRatio, double phaseDeviationDeg)
    {
        m_cosRatio = cosAmplitudeRatio;
        m_phaseDeviationDeg = phaseDeviationDeg;
    }
    void setReferenceInterval(int periods) { m_referenceInterval = periods; }
    // Moving backward, a reference mark is latched one period late (one
    // period further along the travel) when set.
    void setBackwardReferenceLate(bool late) { m_backwardReferenceLate = late; }
    // Dirty band, off-centre disc, output-frequency limit.
    SimSignalShape& shape() { return m_shape; }
    // Back and forth over a travel at a speed profile; setSpeed() ends it.
    void setSweep(const SimSweep::Profile& profile);

    // Manual clock for deterministic tests: time moves only by advance().
    void setManualClock(bool manual);
    void advance(double seconds);

    void setPowered(bool powered);
    bool powered() const { return m_powered; }

    // Zeroes the counted position, latch positions and latch counts.
    void resetCounters();
    // Moves the shaft to an absolute phase (periods) while counting as usual.
    void moveTo(double phase);

    // Readings at the current time.
    int64_t sinCosPosition();      // counted position in 1/512 period
    int64_t squarePosition();      // quadrature edges (4 per period)
    int64_t sinCosLatchPosition(); // position at the latest reference mark
    int64_t squareLatchPosition();
    uint32_t latchCount(); // reference marks seen since reset
    uint16_t sinSample();
    uint16_t cosSample();
    uint16_t levels(); // bit 0 A, bit 1 B, bit 2 Z
    double phase();    // absolute shaft phase in periods

private:
    void update();
    void travel(double delta);
    void run(double seconds);
    double amplitude() const;

    double m_speed = 0.0;
    double m_amplitude = 400.0;
    double m_sinOffset = 0.0;
    double m_cosOffset = 0.0;
    double m_cosRatio = 1.0;
    double m_phaseDeviationDeg = 0.0;
    int m_referenceInterval = 10;
    bool m_backwardReferenceLate = false;
    SimSignalShape m_shape;
    SimSweep m_sweep;
    bool m_manual = false;
    bool m_powered = true;
    Clock::time_point m_last;
    double m_phase = 0.0;   // absolute shaft phase, periods
    double m_counted = 0.0; // what the tester has counted since reset, periods
    double m_latchCounted = 0.0;
    uint32_t m_latchCount = 0;
};
