#pragma once

// How the simulated encoder's signal amplitude depends on where the shaft
// is and how fast it turns: a dirty band of the scale, an off-centre disc,
// and the readhead's output-frequency limit. The default shape is flat.
// Not thread-safe: SimTester serialises access.
class SimSignalShape
{
public:
    // Amplitude lowered by `depth` (0.2: 20 % less) from `start` over
    // `width` (absolute shaft phase, periods). A width of 0 removes it.
    void setDirtyBand(double start, double width, double depth);
    // A once-per-revolution swing of the amplitude, peaking `depth` (0.05:
    // ±5 %) above its mean at `angleDeg` of each revolution of
    // `periodsPerRevolution` (0° at phase 0). A depth of 0 removes it.
    void setEccentricity(double periodsPerRevolution, double depth, double angleDeg);
    // A first-order low-pass roll-off above `cornerHz` of signal frequency
    // (periods a second); 0 removes it.
    void setOutputLimit(double cornerHz) { m_cornerHz = cornerHz > 0.0 ? cornerHz : 0.0; }

    // The factor on the set amplitude at this phase and speed.
    double amplitudeFactor(double phase, double periodsPerSecond) const;

private:
    double m_bandStart = 0.0, m_bandWidth = 0.0, m_bandDepth = 0.0;
    double m_periodsPerRevolution = 0.0, m_eccentricity = 0.0, m_eccentricityAngleDeg = 0.0;
    double m_cornerHz = 0.0;
};
