#pragma once

#include <QApplication>

class QLocalServer;

// The application object of the test program, which also guards against a
// second running copy: it knocks on a local socket named after the
// executable's file name and, when nobody answers, listens there itself.
// On Linux the socket lives in the user's runtime directory, so copies of
// other users neither block nor hijack it (LocalSocketName).
class SingleApplication : public QApplication
{
    Q_OBJECT

public:
    SingleApplication(int& argc, char** argv);

    bool isRunning() const { return running; }
    QString name() const { return serverName; }
    // Where the guard listens or knocked.
    QString socketPath() const { return socketName; }

private slots:
    void _newLocalConnection();

private:
    void startServer();

    bool running = false;
    QLocalServer* localServer = nullptr;
    QString serverName;
    QString socketName;
};
