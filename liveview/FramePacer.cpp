#include "FramePacer.h"

FramePacer::FramePacer(QObject* parent, int frameMs) : QObject(parent), m_frameMs(frameMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &FramePacer::fire);
}

void FramePacer::request()
{
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceFrame.isValid() ? m_sinceFrame.elapsed() : m_frameMs;
    m_timer.start(int(qMax<qint64>(0, m_frameMs - since)));
}

void FramePacer::fire()
{
    m_sinceFrame.start();
    emit frameDue();
}
