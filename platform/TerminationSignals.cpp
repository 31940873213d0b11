#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the handler, read by the notifier. Close-on-exec: a program
// this process starts (the test program the updater starts again) gets
// neither end. Non-blocking: a handler never waits on a full socket (one
// byte waiting is enough), and the reader takes what is there.
int g_sockets[2] = {-1, -1};

void onSignal(int)
{
    // The interrupted code may be about to read errno.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_sockets[0], &byte, 1);
    errno = saved;
}

bool installHandler()
{
    if (g_sockets[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_sockets) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    return true;
}

} // namespace

void TerminationSignals::catchEarly()
{
    installHandler();
}

TerminationSignals::TerminationSignals(QObject* parent, QuitApplication quit) : QObject(parent)
{
    if (!installHandler())
        return;
    m_notifier = new QSocketNotifier(g_sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    if (quit == QuitApplication::Yes)
        connect(this, &TerminationSignals::terminationRequested, qApp, &QCoreApplication::quit,
                Qt::QueuedConnection);
}

TerminationSignals::~TerminationSignals()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

void TerminationSignals::readSignal()
{
    // Every signal that came since the last look is one request.
    char bytes[64];
    while (::read(g_sockets[1], bytes, sizeof(bytes)) > 0) {
    }
    emit terminationRequested();
}

#elif defined(Q_OS_WIN)
#include <windows.h>

#include <QPointer>

namespace {

QPointer<TerminationSignals> g_receiver;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (TerminationSignals* receiver = g_receiver.data())
        QMetaObject::invokeMethod(receiver, &TerminationSignals::terminationRequested,
                                  Qt::QueuedConnection);
    return TRUE;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent, QuitApplication quit) : QObject(parent)
{
    g_receiver = this;
    if (quit == QuitApplication::Yes)
        connect(this, &TerminationSignals::terminationRequested, qApp, &QCoreApplication::quit,
                Qt::QueuedConnection);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

TerminationSignals::~TerminationSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_receiver = nullptr;
}

void TerminationSignals::catchEarly() {}

void TerminationSignals::readSignal() {}

#else

TerminationSignals::TerminationSignals(QObject* parent, QuitApplication) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::catchEarly() {}
void TerminationSignals::readSignal() {}

#endif
