#include "HttpFaultServer.h"

#include <QTcpSocket>

HttpFaultServer::HttpFaultServer(Mode mode, QByteArray body)
    : m_mode(mode), m_body(std::move(body))
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            ++m_connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

bool HttpFaultServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QString HttpFaultServer::root() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

void HttpFaultServer::serve(QTcpSocket* socket)
{
    m_lastRequest += socket->readAll();
    if (!m_lastRequest.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    auto head = [](const char* status, qint64 length) {
        return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: application/octet-stream\r\n"
               "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
    };
    switch (m_mode) {
    case Serve:
        socket->write(head("200 OK", m_body.size()) + m_body);
        socket->disconnectFromHost();
        break;
    case NotFound:
        socket->write(head("404 Not Found", 9) + "not found");
        socket->disconnectFromHost();
        break;
    case ServerError:
        socket->write(head("500 Internal Server Error", 5) + "oops!");
        socket->disconnectFromHost();
        break;
    case CloseMidway:
        socket->write(head("200 OK", m_body.size()) + m_body.left(m_body.size() / 4));
        socket->disconnectFromHost();
        break;
    case StallAfterChunk:
        socket->write(head("200 OK", m_body.size()) + m_body.left(1024));
        break;
    case Silent:
        break;
    }
}
