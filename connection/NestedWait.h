#pragma once

#include <QObject>

// Waits that look synchronous to their caller: nested event loops on the GUI
// thread, so the window stays responsive meanwhile. The main window counts
// its refreshes with notify(); cancel() ends the waits under way (the link
// stopped), close() those and every later one (the window closes), as does
// the destruction of this object.
//
// Threads: GUI thread only.
class NestedWait : public QObject
{
    Q_OBJECT

public:
    explicit NestedWait(QObject* parent = nullptr);
    ~NestedWait() override;

    // Until notify() has been called `count` times; false when cut short.
    bool forNotifications(int count);
    // For `ms` milliseconds; false when cut short.
    bool forMilliseconds(int ms);
    bool closed() const { return m_closed; }

public slots:
    void notify();
    void cancel();
    void close();

signals:
    void notified();
    void cancelled();

private:
    // Runs one nested loop until `done` or a cancellation.
    bool runUntil(void (NestedWait::*done)());

    bool m_closed = false;
};
