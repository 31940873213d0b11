// The results store over TCP to a PostgreSQL server with TLS, with a
// certificate authority and a server certificate this test makes with
// openssl: sslmode=verify-full stores through the server its authority
// signed and refuses the same server under another authority, and a server
// without TLS is refused whenever the URL asks for TLS. The server is the
// test's own (tools/pgserver.sh on 127.0.0.1); the cases run where
// ROTAPROBE_TEST_PGHOST says the PostgreSQL tests are wanted.
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class tst_ResultsTls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void authorityDecides_data();
    void authorityDecides();
    void serverWithoutTlsIsRefused_data();
    void serverWithoutTlsIsRefused();

private:
    bool run(const QString& program, const QStringList& arguments);
    bool makeAuthority(const QString& name);
    bool makeServerCertificate();
    bool server(const QStringList& arguments);
    // Stores one test through `query`'s settings; what it came to, and the
    // warnings of opening the store.
    ResultStore::Outcome storeOne(const QString& query, QStringList* warnings);
    // A query on the server through its socket: the first value.
    QVariant scalar(const QString& sql);

    QTemporaryDir m_certs;
    std::unique_ptr<QTemporaryDir> m_pg;
    int m_port = 0;
    bool m_running = false;
    int m_spools = 0;
};

bool tst_ResultsTls::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s %s: %s", qPrintable(program), qPrintable(arguments.join(' ')),
                 process.readAll().constData());
        return false;
    }
    return true;
}

// A self-signed authority, NAME.crt and NAME.key.
bool tst_ResultsTls::makeAuthority(const QString& name)
{
    return run(QStringLiteral("openssl"),
               {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                "-nodes", "-days", "2", "-subj", "/CN=Rotaprobe test " + name, "-addext",
                "basicConstraints=critical,CA:TRUE", "-addext",
                "keyUsage=critical,keyCertSign,cRLSign", "-keyout", m_certs.filePath(name + ".key"),
                "-out", m_certs.filePath(name + ".crt")});
}

// server.crt for 127.0.0.1 and localhost, signed by the authority "ca".
bool tst_ResultsTls::makeServerCertificate()
{
    QFile extensions(m_certs.filePath(QStringLiteral("server.ext")));
    if (!extensions.open(QIODevice::WriteOnly) ||
        extensions.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                         "basicConstraints=CA:FALSE\n") < 0)
        return false;
    extensions.close();
    return run(QStringLiteral("openssl"),
               {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-subj", "/CN=localhost", "-keyout", m_certs.filePath("server.key"), "-out",
                m_certs.filePath("server.csr")}) &&
           run(QStringLiteral("openssl"),
               {"x509", "-req", "-days", "2", "-in", m_certs.filePath("server.csr"), "-CA",
                m_certs.filePath("ca.crt"), "-CAkey", m_certs.filePath("ca.key"), "-CAcreateserial",
                "-extfile", extensions.fileName(), "-out", m_certs.filePath("server.crt")});
}

bool tst_ResultsTls::server(const QStringList& arguments)
{
    return run(QStringLiteral("bash"),
               QStringList{QStringLiteral(ROTAPROBE_SOURCE_DIR "/tools/pgserver.sh")} + arguments);
}

void tst_ResultsTls::initTestCase()
{
    if (!qEnvironmentVariableIsSet("ROTAPROBE_TEST_PGHOST"))
        QSKIP("ROTAPROBE_TEST_PGHOST is not set: the PostgreSQL tests are not wanted here "
              "(tools/test.sh sets it).");
    QVERIFY(m_certs.isValid());
    QVERIFY2(makeAuthority(QStringLiteral("ca")) && makeAuthority(QStringLiteral("other-ca")) &&
                 makeServerCertificate(),
             "openssl could not make the certificates");
    // A free port on the loopback address, for the server to take.
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        m_port = probe.serverPort();
    }
    m_pg = std::make_unique<QTemporaryDir>();
    QVERIFY(server({"init", m_pg->path()}));
    QVERIFY(server({"start", m_pg->path(), "--tcp", QString::number(m_port), "--tls",
                    m_certs.filePath("server.crt"), m_certs.filePath("server.key")}));
    m_running = true;
}

void tst_ResultsTls::cleanupTestCase()
{
    if (m_running)
        server({"stop", m_pg->path()});
}

ResultStore::Outcome tst_ResultsTls::storeOne(const QString& query, QStringList* warnings)
{
    QString text = QStringLiteral("postgresql://rotaprobe@127.0.0.1:%1/postgres").arg(m_port);
    if (!query.isEmpty())
        text += QLatin1Char('?') + QString(query).replace(QLatin1String("CERTS"), m_certs.path());
    QString error;
    const auto location = StoreLocation::parse(text, &error);
    if (!location) {
        qWarning("%s", qPrintable(error));
        return ResultStore::Outcome::Lost;
    }
    ResultStore store(*location, m_certs.filePath(QStringLiteral("spool-%1").arg(++m_spools)));
    if (!store.openForWriting(&error, warnings)) {
        qWarning("%s", qPrintable(error));
        return ResultStore::Outcome::Lost;
    }
    return store
        .store(SampleResults::make(QStringLiteral("TLS-%1").arg(m_spools),
                                   QDateTime::currentDateTimeUtc()))
        .outcome;
}

QVariant tst_ResultsTls::scalar(const QString& sql)
{
    SqlConnection connection(QStringLiteral("QPSQL"));
    QSqlDatabase& db = connection.db();
    db.setHostName(QDir(m_pg->path()).filePath(QStringLiteral("socket")));
    db.setPort(m_port);
    db.setUserName(QStringLiteral("rotaprobe"));
    db.setDatabaseName(QStringLiteral("postgres"));
    QSqlQuery q(db);
    if (!db.open() || !q.exec(sql) || !q.next()) {
        qWarning("%s: %s %s", qPrintable(sql), qPrintable(db.lastError().text()),
                 qPrintable(q.lastError().text()));
        return {};
    }
    return q.value(0);
}

void tst_ResultsTls::authorityDecides_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("reason");
    QTest::newRow("its authority") << "sslmode=verify-full&sslrootcert=CERTS/ca.crt" << true << "";
    QTest::newRow("another authority")
        << "sslmode=verify-full&sslrootcert=CERTS/other-ca.crt" << false << "certificate verify";
    QTest::newRow("another authority, verify-ca")
        << "sslmode=verify-ca&sslrootcert=CERTS/other-ca.crt" << false << "certificate verify";
}

// The server's certificate is checked against the authority the URL
// names: another authority's server gets nothing; its results are spooled.
void tst_ResultsTls::authorityDecides()
{
    QFETCH(QString, query);
    QFETCH(bool, stored);
    QFETCH(QString, reason);
    const int before = scalar(QStringLiteral("SELECT COUNT(*) FROM pg_tables "
                                             "WHERE tablename = 'results'"))
                                   .toInt() == 1
                           ? scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt()
                           : 0;
    QStringList warnings;
    const ResultStore::Outcome outcome = storeOne(query, &warnings);
    QCOMPARE(int(outcome),
             int(stored ? ResultStore::Outcome::Stored : ResultStore::Outcome::Spooled));
    if (stored) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt(), before + 1);
    } else {
        QVERIFY2(warnings.size() == 1 && warnings.first().contains(reason),
                 qPrintable(warnings.join('\n')));
    }
}

void tst_ResultsTls::serverWithoutTlsIsRefused_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("stored");
    // libpq's default takes a server that refuses TLS: why a line sets verify-full.
    QTest::newRow("default") << "" << true;
    QTest::newRow("require") << "sslmode=require" << false;
    QTest::newRow("verify-ca") << "sslmode=verify-ca&sslrootcert=CERTS/ca.crt" << false;
    QTest::newRow("verify-full") << "sslmode=verify-full&sslrootcert=CERTS/ca.crt" << false;
}

// The same server without TLS (a man in the middle refusing it looks the
// same to the client): a URL that asks for TLS sends nothing.
void tst_ResultsTls::serverWithoutTlsIsRefused()
{
    static bool restarted = false;
    if (!restarted) {
        QVERIFY(server({"stop", m_pg->path()}));
        m_running = false;
        QVERIFY(server({"start", m_pg->path(), "--tcp", QString::number(m_port)}));
        m_running = true;
        restarted = true;
    }
    QFETCH(QString, query);
    QFETCH(bool, stored);
    QStringList warnings;
    QCOMPARE(int(storeOne(query, &warnings)),
             int(stored ? ResultStore::Outcome::Stored : ResultStore::Outcome::Spooled));
    if (!stored)
        QVERIFY2(warnings.size() == 1 && warnings.first().contains("SSL"),
                 qPrintable(warnings.join('\n')));
}

QTEST_GUILESS_MAIN(tst_ResultsTls)
#include "tst_ResultsTls.moc"
