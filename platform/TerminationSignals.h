#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the application's event loop cleanly when the system asks the
// process to stop (SIGTERM or SIGINT on Linux, as at logout or from a
// service manager), instead of being killed mid-work. On Windows the GUI
// programs receive no such signals and this does nothing.
//
// Threads: construct on the GUI thread after the application object; the
// signal handler itself only writes one byte to a socket.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
