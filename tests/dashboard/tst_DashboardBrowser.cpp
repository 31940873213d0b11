// The dashboard in a real browser: Debian's Chromium, headless, driven by
// its ChromeDriver (WebDriver over HTTP), loads the page from the running
// server and the test reads what a person sees: the tiles and their
// counts, charts drawn, a filter changing the counts, a serial holding
// markup shown as text with nothing of it run, kiosk mode reloading.
// Skipped, saying so, where chromium or chromedriver is missing.
#include "DashboardServer.h"
#include "ResultStore.h"
#include "SampleResults.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <thread>

namespace {

// The markup runs only if the page puts it in as HTML: then the title changes.
const QString kMarkup = QStringLiteral("<img src=x onerror=\"document.title='run'\"><b>SN</b>");

QDateTime minutesAgo(int minutes)
{
    return QDateTime::currentDateTimeUtc().addSecs(-60 * minutes);
}

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class tst_DashboardBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pageShowsTheLine();
    void kioskReloadsItself();
    void testDetailsAndItsStoredRecord();

private:
    // One WebDriver command; the answer's "value".
    QJsonValue command(const QByteArray& method, const QString& path,
                       const QJsonObject& body = QJsonObject());
    QJsonValue script(const QString& body);
    void open(const QString& query);
    // Waits until the page finished `loads` loads of its panels.
    bool loaded(int loads, int timeoutMs = 20000);

    QTemporaryDir m_dir;
    std::unique_ptr<DashboardServer> m_server;
    std::thread m_thread;
    QProcess m_driver;
    int m_driverPort = 0;
    QString m_session;
    QNetworkAccessManager m_network;
};

void tst_DashboardBrowser::initTestCase()
{
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/chromium")) ||
        !QFileInfo::exists(QStringLiteral("/usr/bin/chromedriver")))
        QSKIP("Debian's chromium and chromium-driver are not installed (tools/setup.sh installs "
              "them).");
    qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
    QString error;
    const StoreLocation where =
        *StoreLocation::parse(m_dir.filePath(QStringLiteral("results.sqlite")), &error);
    ResultStore store(where, m_dir.filePath(QStringLiteral("spool.sqlite")));
    const struct
    {
        QString serial;
        int minutes;
        const char* station;
        double quality;
    } tests[] = {{QStringLiteral("SN-1"), 50, "st-1", 70.0}, {QStringLiteral("SN-2"), 40, "st-1", 30.0},
                 {QStringLiteral("SN-2"), 30, "st-2", 68.0}, {QStringLiteral("SN-3"), 20, "st-2", 71.0},
                 {kMarkup, 10, "st-1", 66.0}};
    for (const auto& t : tests) {
        TestResult r = SampleResults::make(t.serial, minutesAgo(t.minutes), t.quality);
        r.station = QLatin1String(t.station);
        QCOMPARE(store.store(r).outcome, ResultStore::Outcome::Stored);
    }
    m_server = std::make_unique<DashboardServer>(where);
    QVERIFY2(m_server->bind(QStringLiteral("127.0.0.1"), 0, &error), qPrintable(error));
    m_thread = std::thread([this] { m_server->run(); });

    m_driverPort = freePort();
    m_driver.start(QStringLiteral("/usr/bin/chromedriver"),
                   {QStringLiteral("--port=%1").arg(m_driverPort)});
    QVERIFY(m_driver.waitForStarted());
    QVERIFY(QTest::qWaitFor([this] { return command("GET", "/status").isObject(); }, 10000));
    const QJsonArray arguments{
        "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--window-size=1366,768", "--lang=en-US",
        QStringLiteral("--user-data-dir=%1").arg(m_dir.filePath(QStringLiteral("browser")))};
    const QJsonObject capabilities{
        {"alwaysMatch",
         QJsonObject{{"browserName", "chrome"},
                     {"goog:chromeOptions", QJsonObject{{"binary", "/usr/bin/chromium"},
                                                        {"args", arguments}}}}}};
    const QJsonValue session = command("POST", "/session", {{"capabilities", capabilities}});
    m_session = session.toObject().value("sessionId").toString();
    QVERIFY2(!m_session.isEmpty(), QJsonDocument(session.toObject()).toJson().constData());
}

void tst_DashboardBrowser::cleanupTestCase()
{
    if (!m_session.isEmpty())
        command("DELETE", "/session/" + m_session);
    if (m_driver.state() != QProcess::NotRunning) {
        m_driver.terminate();
        m_driver.waitForFinished(5000);
    }
    if (m_server) {
        m_server->stop();
        m_thread.join();
    }
}

QJsonValue tst_DashboardBrowser::command(const QByteArray& method, const QString& path,
                                         const QJsonObject& body)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_driverPort).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    QNetworkReply* reply = m_network.sendCustomRequest(
        request, method, method == "GET" || method == "DELETE" ? QByteArray() : QJsonDocument(body).toJson());
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    reply->deleteLater();
    return answer.value("value");
}

QJsonValue tst_DashboardBrowser::script(const QString& body)
{
    return command("POST", "/session/" + m_session + "/execute/sync",
                   {{"script", body}, {"args", QJsonArray()}});
}

void tst_DashboardBrowser::open(const QString& query)
{
    command("POST", "/session/" + m_session + "/url",
            {{"url", QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server->port()).arg(query)}});
}

bool tst_DashboardBrowser::loaded(int loads, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] { return script("return Number(document.body.dataset.loads || 0);").toInt() >= loads; },
        timeoutMs);
}

void tst_DashboardBrowser::pageShowsTheLine()
{
    open(QString());
    QVERIFY(loaded(1));
    // A tile per station, today's counts on them.
    QCOMPARE(script("return Array.from(document.querySelectorAll('.tile h3')).map(e => e.textContent);")
                 .toArray(),
             QJsonArray({"st-1", "st-2"}));
    QCOMPARE(script("return document.querySelector('.tile[data-station=\"st-1\"] .today').textContent;")
                 .toString(),
             QStringLiteral("today: 3 tests"));
    // Every chart drawn: pixels that are not blank on each canvas.
    const QJsonArray drawn = script(
        "return Array.from(document.querySelectorAll('canvas')).map(c => {"
        " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
        " let n = 0; for (let i = 3; i < d.length; i += 4) if (d[i] > 0) n++; return n; });")
                                 .toArray();
    QCOMPARE(drawn.size(), 4);
    for (const QJsonValue& pixels : drawn)
        QVERIFY2(pixels.toInt() > 2000, qPrintable(QString::number(pixels.toInt())));
    // The histogram's tolerance limits: two red lines over its bins
    // (blue), each the plot's height.
    const int red = script(
        "const c = document.getElementById('histogramChart');"
        " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
        " let n = 0; for (let i = 0; i < d.length; i += 4)"
        " if (d[i] > 150 && d[i + 1] < 80 && d[i + 2] < 80 && d[i + 3] > 200) n++; return n;")
                        .toInt();
    QVERIFY2(red > 400, qPrintable(QString::number(red)));
    // The serial holding markup: its text, no element made of it, nothing run.
    QCOMPARE(script("return document.querySelector('#latest tbody a.serial').textContent;").toString(),
             kMarkup);
    QCOMPARE(script("return document.querySelectorAll('#latest img, #latest b').length;").toInt(), 0);
    QVERIFY(script("return document.title;").toString() != QLatin1String("run"));
    QCOMPARE(script("return document.getElementById('banner').hidden;").toBool(), true);

    // A filter in the address: one station, its counts.
    open(QStringLiteral("?station=st-2"));
    QVERIFY(loaded(1));
    QCOMPARE(script("return document.querySelectorAll('.tile').length;").toInt(), 1);
    QCOMPARE(script("return document.querySelectorAll('#latest tbody tr').length;").toInt(), 2);
    QCOMPARE(script("return document.querySelector('#filters [name=station]').value;").toString(),
             QStringLiteral("st-2"));
    // A parameter the dashboard does not know: the banner says so.
    open(QStringLiteral("?colour=red"));
    QVERIFY(loaded(1));
    QVERIFY(script("return document.getElementById('banner').textContent;")
                .toString()
                .contains(QLatin1String("colour")));
}

void tst_DashboardBrowser::kioskReloadsItself()
{
    open(QStringLiteral("?kiosk=1&refresh=2"));
    QVERIFY(loaded(1));
    QCOMPARE(script("return getComputedStyle(document.getElementById('filters')).display;").toString(),
             QStringLiteral("none"));
    QVERIFY(loaded(3, 15000));
}

// A latest test's link leads to its page: the stored facts and items, the
// serial holding markup as text, and the link to the stored record as JSON
// (also beside the serial in the list).
void tst_DashboardBrowser::testDetailsAndItsStoredRecord()
{
    open(QStringLiteral("?serial=") + QString::fromLatin1(QUrl::toPercentEncoding(kMarkup)));
    QVERIFY(loaded(1));
    const QString details =
        script("return document.querySelector('#latest tbody a.serial').getAttribute('href');")
            .toString();
    QVERIFY2(details.startsWith(QLatin1String("/test.html?id=")), qPrintable(details));
    const QString id = details.section(QLatin1Char('='), 1);
    QCOMPARE(script("return document.querySelector('#latest tbody a.raw').getAttribute('href');")
                 .toString(),
             QStringLiteral("/api/test?id=") + id);
    open(details.mid(1));
    QVERIFY(loaded(1));
    QCOMPARE(script("return document.getElementById('serial').textContent;").toString(), kMarkup);
    QCOMPARE(script("return document.querySelectorAll('img, b').length;").toInt(), 0);
    QCOMPARE(script("return document.title;").toString(), QStringLiteral("Test ") + kMarkup);
    QCOMPARE(script("return document.getElementById('banner').hidden;").toBool(), true);
    QCOMPARE(script("return document.querySelectorAll('#items tbody tr').length;").toInt(), 3);
    QVERIFY(script("return document.getElementById('facts').textContent;")
                .toString()
                .contains(QLatin1String("st-1")));
    QCOMPARE(script("return document.getElementById('raw').getAttribute('href');").toString(),
             QStringLiteral("/api/test?id=") + id);
    // A test that is not there: said so.
    open(QStringLiteral("test.html?id=999999"));
    QVERIFY(loaded(1));
    QCOMPARE(script("return document.getElementById('banner').textContent;").toString(),
             QStringLiteral("No such test."));
}

QTEST_MAIN(tst_DashboardBrowser)
#include "tst_DashboardBrowser.moc"
