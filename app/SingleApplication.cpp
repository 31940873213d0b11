#include "SingleApplication.h"

#include "LocalSocketName.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

SingleApplication::SingleApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    serverName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    socketName = LocalSocketName::forName(serverName);

    QLocalSocket socket;
    socket.connectToServer(socketName, QIODevice::ReadWrite);
    if (socket.waitForConnected(500)) {
        std::fprintf(stderr, "%s already running.\n", serverName.toLocal8Bit().constData());
        running = true;
        return;
    }
    startServer();
}

void SingleApplication::startServer()
{
    localServer = new QLocalServer(this);
    connect(localServer, &QLocalServer::newConnection, this,
            &SingleApplication::_newLocalConnection);
    localServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (localServer->listen(socketName))
        return;
    if (localServer->serverError() == QAbstractSocket::AddressInUseError) {
        // A name left behind by a copy that ended abnormally.
        QLocalServer::removeServer(socketName);
        localServer->listen(socketName);
    }
}

void SingleApplication::_newLocalConnection()
{
    QLocalSocket* socket = localServer->nextPendingConnection();
    if (!socket)
        return;
    socket->waitForReadyRead(1000);
    delete socket;
}
