#pragma once

#include <QtNetwork/qtnetworkglobal.h>

// A Qt built without TLS (the Windows cross build) has none of this.
#if QT_CONFIG(ssl)

#include <QByteArray>
#include <QHash>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpServer>
#include <QTemporaryDir>

// A loopback HTTPS server for the update tests. Its certificate (for
// 127.0.0.1) is made by `openssl` in a temporary folder and issued by a CA
// of its own, caCertificate(), which a test trusts for its own duration only
// (TrustedCa). GET of a path given to serve() answers 200 with its body,
// anything else 404. Runs in the thread that created it, so callers that
// wait in a nested event loop keep it serving.
class TlsTestServer : public QTcpServer
{
    Q_OBJECT

public:
    TlsTestServer();

    // False when `openssl` is missing, fails, or the server does not listen.
    bool start();
    QString root() const; // "https://127.0.0.1:<port>"
    void serve(const QString& path, const QByteArray& body) { m_bodies.insert(path, body); }
    QSslCertificate caCertificate() const { return m_ca; }
    int requests() const { return m_requests; } // whole requests answered
    int handshakes() const { return m_handshakes; } // encrypted connections

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool makeCertificates();
    void answer(class QSslSocket* socket);

    QTemporaryDir m_dir;
    QSslCertificate m_ca;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QString, QByteArray> m_bodies;
    int m_requests = 0;
    int m_handshakes = 0;
};

// Adds a CA to the process's default TLS configuration while it lives,
// and puts the previous configuration back when it goes.
class TrustedCa
{
public:
    explicit TrustedCa(const QSslCertificate& ca);
    ~TrustedCa();
    TrustedCa(const TrustedCa&) = delete;
    TrustedCa& operator=(const TrustedCa&) = delete;

private:
    QSslConfiguration m_previous;
};

#endif // QT_CONFIG(ssl)
