#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the application's event loop cleanly when the system asks the
// process to stop (SIGTERM or SIGINT on Linux, as at logout, from a service
// manager or Ctrl+C in a terminal), instead of being killed mid-work. On
// Windows a console program gets Ctrl+C and Ctrl+Break the same way; the GUI
// programs receive no such events.
//
// With QuitApplication::No only terminationRequested is emitted, for a
// program that winds down its own way (the recorder switches the supply off
// and writes its report first).
//
// Threads: construct on the GUI thread after the application object; the
// signal handler itself only writes one byte to a socket (Linux) or queues a
// call (Windows, whose console handler runs on a thread of its own).
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    enum class QuitApplication
    {
        Yes,
        No,
    };

    explicit TerminationSignals(QObject* parent = nullptr,
                                QuitApplication quit = QuitApplication::Yes);

    // Catches the signals from now on, before any application object: one
    // that comes before the TerminationSignals object exists is kept and
    // delivered once its event loop runs (Linux; nothing elsewhere).
    static void catchEarly();
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
