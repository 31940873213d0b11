#pragma once

// Drives the simulated encoder back and forth between two shaft phases
// (periods). Each pass runs at one speed; there and back at the same speed,
// then the next of `steps` speeds from `minSpeed` to `maxSpeed` (evenly on
// a logarithmic scale), and round again, so every speed is seen over the
// whole travel in both directions. One step: always `maxSpeed`.
class SimSweep
{
public:
    struct Profile
    {
        double from = 0.0, to = 0.0;           // periods
        double minSpeed = 0.0, maxSpeed = 0.0; // periods a second, above 0
        int steps = 1;
    };

    SimSweep() = default;
    explicit SimSweep(const Profile& profile);

    bool active() const { return m_active; }
    const Profile& profile() const { return m_profile; }

    // The speed of pass `pass` (0 the first), always positive.
    double speedOfPass(long pass) const;

    // Moves `phase` on by `seconds` along the sweep, reversing at the ends;
    // `move(delta)` is called for each stretch without a reversal. Returns
    // the signed speed now.
    template <typename Move>
    double run(double phase, double seconds, Move&& move);

private:
    Profile m_profile;
    bool m_active = false;
    long m_pass = 0;
    int m_direction = 1; // towards `to`
};

template <typename Move>
double SimSweep::run(double phase, double seconds, Move&& move)
{
    if (!m_active)
        return 0.0;
    // Outside the travel (when it starts): head for its nearer end first.
    if (phase < m_profile.from)
        m_direction = 1;
    else if (phase > m_profile.to)
        m_direction = -1;
    int stretches = 0;
    while (seconds > 0.0 && stretches++ < 1000000) {
        const double speed = speedOfPass(m_pass);
        const double target = m_direction > 0 ? (phase < m_profile.from ? m_profile.from : m_profile.to)
                                              : (phase > m_profile.to ? m_profile.to : m_profile.from);
        const double distance = (target - phase) * m_direction;
        const double need = distance / speed;
        if (need > seconds) {
            move(speed * seconds * m_direction);
            return speed * m_direction;
        }
        move(target - phase);
        phase = target;
        seconds -= need;
        if (target == (m_direction > 0 ? m_profile.to : m_profile.from)) {
            m_direction = -m_direction;
            ++m_pass;
        }
    }
    return speedOfPass(m_pass) * m_direction;
}
