#include "SimSweep.h"

#include <algorithm>
#include <cmath>

SimSweep::SimSweep(const Profile& profile) : m_profile(profile)
{
    m_profile.steps = std::max(1, profile.steps);
    m_profile.maxSpeed = std::fabs(profile.maxSpeed);
    m_profile.minSpeed = std::min(std::fabs(profile.minSpeed), m_profile.maxSpeed);
    if (m_profile.minSpeed <= 0.0)
        m_profile.minSpeed = m_profile.maxSpeed;
    m_active = m_profile.to > m_profile.from && m_profile.maxSpeed > 0.0;
}

double SimSweep::speedOfPass(long pass) const
{
    if (m_profile.steps <= 1)
        return m_profile.maxSpeed;
    const long step = (pass / 2) % m_profile.steps;
    return m_profile.minSpeed *
           std::pow(m_profile.maxSpeed / m_profile.minSpeed, double(step) / (m_profile.steps - 1));
}
