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
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", buffer);
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0 || socket->property("answered").toBool())
        return;
    // Answered once the body is in too: closing a socket with unread data
    // would reset the connection under the answer.
    const QByteArray lower = buffer.left(headerEnd).toLower();
    const int length = lower.indexOf("\r\ncontent-length:");
    int bodyBytes = 0;
    if (length >= 0) {
        const int lineEnd = lower.indexOf("\r\n", length + 2);
        bodyBytes = lower.mid(length + 17, lineEnd < 0 ? -1 : lineEnd - length - 17).trimmed().toInt();
        if (buffer.size() < headerEnd + 4 + bodyBytes)
            return;
    }
    m_lastRequest = buffer.left(headerEnd + 4 + bodyBytes);
    socket->setProperty("request", buffer.mid(headerEnd + 4 + bodyBytes));
    // A redirect back to this server keeps the connection for the next
    // request; every other answer is the connection's last.
    const bool again = m_mode == Redirect && m_body.startsWith(root().toLatin1() + '/');
    socket->setProperty("answered", !again);
    ++m_requests;
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
    case HeadersOnly:
        socket->write(head("200 OK", m_body.size()));
        break;
    case Redirect:
        socket->write("HTTP/1.1 307 Temporary Redirect\r\nLocation: " + m_body +
                      "\r\nContent-Length: 0\r\n" + (again ? "" : "Connection: close\r\n") + "\r\n");
        if (!again)
            socket->disconnectFromHost();
        else if (!socket->property("request").toByteArray().isEmpty())
            serve(socket); // the next request is in already
        break;
    case RedirectNowhere:
        socket->write(head("300 Multiple Choices", 11) + "moved away!");
        socket->disconnectFromHost();
        break;
    case Endless: {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
        const QByteArray chunk = m_body.left(1).repeated(64 * 1024);
        auto more = [socket, chunk] {
            if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < chunk.size())
                socket->write(chunk);
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
        break;
    }
    }
}
