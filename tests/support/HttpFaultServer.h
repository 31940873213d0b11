#pragma once

#include <QByteArray>
#include <QTcpServer>

// A loopback HTTP server that misbehaves on purpose, for the update tests.
// It runs in the thread that created it, so callers that wait in a nested
// event loop keep it serving.
class HttpFaultServer : public QTcpServer
{
    Q_OBJECT

public:
    enum Mode {
        Serve,          // 200 with the body
        NotFound,       // 404
        ServerError,    // 500
        CloseMidway,    // announces the body, sends a part, closes
        StallAfterChunk,// sends the headers and a first chunk, then nothing
        Silent,         // accepts and never answers
        HeadersOnly,    // sends the headers of a 200, then nothing
        Redirect,       // 307 to the location given as the body
        RedirectNowhere,// 300 without a location, with a short note as body
        Endless,        // 200 without a length, then data until the client goes
    };

    explicit HttpFaultServer(Mode mode, QByteArray body = QByteArray(64 * 1024, 'x'));

    bool start();
    void setBody(const QByteArray& body) { m_body = body; }
    QString root() const;
    int connections() const { return m_connections; }
    int requests() const { return m_requests; } // whole requests answered
    QByteArray lastRequest() const { return m_lastRequest; }

private:
    void serve(QTcpSocket* socket);

    Mode m_mode;
    QByteArray m_body;
    int m_connections = 0;
    int m_requests = 0;
    QByteArray m_lastRequest;
};
