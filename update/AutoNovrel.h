#pragma once

#include <QString>
#include <QThread>

// The test program's one-shot start-up check: on its own thread, with its
// own network access and event loop, it asks the update service for the
// newest test-program version and emits NewVer() once when that is newer than
// the installed test program's FileVersion and the release manifest signed
// with the release key confirms it. Nothing else comes out of it.
//
// Threads: construct, configure, start, abort and destroy on the GUI thread;
// run() copies nothing back. The destructor aborts a query that still waits
// and lets the thread finish, so the owner may go at any time.
class AutoNovrel : public QThread
{
    Q_OBJECT

public:
    explicit AutoNovrel(QObject* parent = nullptr);
    ~AutoNovrel() override;

    // Before start(): the service (default UpdateCheck::serviceRoot(); empty:
    // no check), the program folder (default UpdateCheck::programFolder()) and the
    // longest wait for the answer.
    void setServiceRoot(const QString& root) { m_root = root; }
    void setProgramFolder(const QString& folder) { m_folder = folder; }
    void setTimeout(int ms) { m_timeoutMs = ms; }

    // Ends a query that still waits (no answer, no NewVer()); returns at once.
    void abort();

signals:
    void NewVer();

protected:
    void run() override;

private:
    QString m_root;
    QString m_folder;
    int m_timeoutMs;
};
