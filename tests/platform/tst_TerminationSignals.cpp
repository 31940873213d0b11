// SIGTERM and SIGINT as an orderly request: what the handler leaves behind
// for the code it interrupted and for the programs the process starts.
#include "TerminationSignals.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <csignal>

namespace {

// The sockets this process holds, as the kernel names them ("socket:[N]").
QSet<QString> openSockets()
{
    QSet<QString> sockets;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.contains(QLatin1String("socket:[")))
            sockets.insert(target.mid(target.lastIndexOf(QLatin1Char('/')) + 1));
    }
    return sockets;
}

} // namespace

class tst_TerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void startedProgramsGetNoDescriptor();
    void handlerKeepsErrno();
};

void tst_TerminationSignals::startedProgramsGetNoDescriptor()
{
    // The root updater starts the test program: it must not hold a way to
    // wake the updater's event loop.
#ifdef Q_OS_WIN
    QSKIP("inherited descriptors are read from /proc");
#endif
    const QSet<QString> before = openSockets();
    TerminationSignals termination(nullptr, TerminationSignals::QuitApplication::No);
    const QSet<QString> pair = openSockets() - before;
    QCOMPARE(pair.size(), 2);

    QProcess child;
    child.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("for f in /proc/$$/fd/*; do readlink \"$f\"; done")});
    QVERIFY(child.waitForFinished(10000));
    const QString held = QString::fromLocal8Bit(child.readAllStandardOutput());
    QVERIFY(held.contains(QLatin1String("pipe:"))); // its own output, so it did look
    for (const QString& socket : pair)
        QVERIFY2(!held.contains(socket), qPrintable(socket + QLatin1String(" in\n") + held));
}

void tst_TerminationSignals::handlerKeepsErrno()
{
    // Signals nobody has read yet fill the socket until the handler's write
    // fails; the interrupted code must still find its own errno.
#ifdef Q_OS_WIN
    QSKIP("Windows asks through the console's control handler, not signals");
#endif
    TerminationSignals termination(nullptr, TerminationSignals::QuitApplication::No);
    QSignalSpy requested(&termination, &TerminationSignals::terminationRequested);
    int changed = 0;
    for (int i = 0; i < 20000 && changed == 0; ++i) {
        errno = EDOM;
        ::raise(i % 2 ? SIGINT : SIGTERM);
        if (errno != EDOM)
            changed = i + 1;
    }
    QCOMPARE(changed, 0);
    // However many came, they are one request once the event loop runs.
    QTRY_COMPARE(requested.count(), 1);
    QTest::qWait(50);
    QCOMPARE(requested.count(), 1);
}

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_TerminationSignals.moc"
