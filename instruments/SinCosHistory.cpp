#include "SinCosHistory.h"

#include <QMutexLocker>

SinCosHistory& SinCosHistory::global()
{
    static SinCosHistory history;
    return history;
}

void SinCosHistory::append(const SinCosSample& sample)
{
    QMutexLocker lock(&m_mutex);
    m_samples.append(sample);
    if (m_samples.size() > kCapacity)
        m_samples.removeFirst();
}

QList<SinCosSample> SinCosHistory::samples() const
{
    QMutexLocker lock(&m_mutex);
    return m_samples;
}

void SinCosHistory::clear()
{
    QMutexLocker lock(&m_mutex);
    m_samples.clear();
}
