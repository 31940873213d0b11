#include "NestedWait.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

NestedWait::NestedWait(QObject* parent) : QObject(parent) {}

NestedWait::~NestedWait()
{
    m_closed = true;
    emit cancelled();
}

void NestedWait::notify()
{
    emit notified();
}

void NestedWait::cancel()
{
    emit cancelled();
}

void NestedWait::close()
{
    m_closed = true;
    emit cancelled();
}

bool NestedWait::forNotifications(int count)
{
    for (int i = 0; i < count; ++i) {
        if (!runUntil(&NestedWait::notified))
            return false;
    }
    return true;
}

bool NestedWait::forMilliseconds(int ms)
{
    if (m_closed)
        return false;
    QPointer<NestedWait> self(this);
    QEventLoop loop;
    bool cancelledHere = false;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &NestedWait::cancelled, &loop, [&] {
        cancelledHere = true;
        loop.quit();
    });
    timer.start(ms);
    loop.exec();
    return self && !cancelledHere && !m_closed;
}

bool NestedWait::runUntil(void (NestedWait::*done)())
{
    if (m_closed)
        return false;
    QPointer<NestedWait> self(this);
    QEventLoop loop;
    bool cancelledHere = false;
    connect(this, done, &loop, &QEventLoop::quit);
    connect(this, &NestedWait::cancelled, &loop, [&] {
        cancelledHere = true;
        loop.quit();
    });
    loop.exec();
    return self && !cancelledHere && !m_closed;
}
