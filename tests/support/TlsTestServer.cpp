#include "TlsTestServer.h"

#if QT_CONFIG(ssl)

#include <QFile>
#include <QProcess>
#include <QSslSocket>

namespace {

bool runOpenssl(const QString& folder, const QStringList& arguments)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        qWarning("openssl %s: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 openssl.readAll().constData());
        return false;
    }
    return true;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TlsTestServer::TlsTestServer() = default;

bool TlsTestServer::makeCertificates()
{
    const QString folder = m_dir.path();
    QFile extensions(m_dir.filePath(QStringLiteral("server.ext")));
    if (!extensions.open(QIODevice::WriteOnly) ||
        extensions.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                         "extendedKeyUsage=serverAuth\n") < 0)
        return false;
    extensions.close();
    const QStringList ecKey = {QStringLiteral("-newkey"), QStringLiteral("ec"),
                               QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                               QStringLiteral("-nodes")};
    if (!runOpenssl(folder, QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                                QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                                            QStringLiteral("-out"), QStringLiteral("ca.crt"),
                                            QStringLiteral("-days"), QStringLiteral("2"),
                                            QStringLiteral("-subj"), QStringLiteral("/CN=Rotaprobe test CA")}) ||
        !runOpenssl(folder, QStringList{QStringLiteral("req")} + ecKey +
                                QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                                            QStringLiteral("-out"), QStringLiteral("server.csr"),
                                            QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}) ||
        !runOpenssl(folder, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                             QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.crt"),
                             QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                             QStringLiteral("-CAcreateserial"), QStringLiteral("-days"),
                             QStringLiteral("2"), QStringLiteral("-extfile"),
                             QStringLiteral("server.ext"), QStringLiteral("-out"),
                             QStringLiteral("server.crt")}))
        return false;
    m_ca = QSslCertificate(readAll(m_dir.filePath(QStringLiteral("ca.crt"))));
    m_certificate = QSslCertificate(readAll(m_dir.filePath(QStringLiteral("server.crt"))));
    m_key = QSslKey(readAll(m_dir.filePath(QStringLiteral("server.key"))), QSsl::Ec);
    return !m_ca.isNull() && !m_certificate.isNull() && !m_key.isNull();
}

bool TlsTestServer::start()
{
    return QSslSocket::supportsSsl() && m_dir.isValid() && makeCertificates() &&
           listen(QHostAddress::LocalHost, 0);
}

QString TlsTestServer::root() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(serverPort());
}

void TlsTestServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    connect(socket, &QSslSocket::encrypted, this, [this] { ++m_handshakes; });
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { answer(socket); });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, qOverload<const QList<QSslError>&>(&QSslSocket::sslErrors), socket,
            [socket](const QList<QSslError>&) { socket->abort(); });
    socket->startServerEncryption();
}

void TlsTestServer::answer(QSslSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    const int end = request.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    socket->setProperty("request", request.mid(end + 4));
    ++m_requests;
    const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = QString::fromLatin1(line.value(1));
    const bool found = line.value(0) == "GET" && m_bodies.contains(path);
    const QByteArray body = found ? m_bodies.value(path) : QByteArray("not here");
    socket->write(QByteArray(found ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
                  "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

TrustedCa::TrustedCa(const QSslCertificate& ca)
    : m_previous(QSslConfiguration::defaultConfiguration())
{
    QSslConfiguration configuration = m_previous;
    configuration.addCaCertificate(ca);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

TrustedCa::~TrustedCa()
{
    QSslConfiguration::setDefaultConfiguration(m_previous);
}

#endif // QT_CONFIG(ssl)
