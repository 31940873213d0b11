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
    };

    explicit HttpFaultServer(Mode mode, QByteArray body = QByteArray(64 * 1024, 'x'));

    bool start();
    QString root() const;
    int connections() const { return m_connections; }
    QByteArray lastRequest() const { return m_lastRequest; }

private:
    void serve(QTcpSocket* socket);

    Mode m_mode;
    QByteArray m_body;
    int m_connections = 0;
    QByteArray m_lastRequest;
};
