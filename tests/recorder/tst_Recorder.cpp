// The recorder on the simulated tester: every reply once in the CSV and the
// report, the supply switched on and back off, the stops (time, Ctrl+C, a
// lost tester), the exit codes, and the messages that tell a user why the
// tester could not be opened.
#include "CsvLog.h"
#include "DemoTester.h"
#include "DeviceLinkState.h"
#include "QtUsb.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "ResultStore.h"
#include "SimBus.h"
#include "SimTester.h"
#include "ToleranceProfile.h"
#include "TravelReport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cmath>
#include <algorithm>
#include <map>
#include <vector>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// The test's own fit of one channel over a bin: least squares of
// x = o + a·sin θ + b·cos θ with θ from the counted position; the amplitude
// in % of 512.
double ownAmplitudePct(const std::vector<std::pair<double, double>>& points)
{
    double m[3][4] = {};
    for (const auto& [theta, x] : points) {
        const double row[3] = {1.0, std::sin(theta), std::cos(theta)};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += row[i] * row[j];
            m[i][3] += row[i] * x;
        }
    }
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            if (r != c) {
                const double f = m[r][c] / m[c][c];
                for (int k = 0; k < 4; ++k)
                    m[r][k] -= f * m[c][k];
            }
    return std::hypot(m[1][3] / m[1][1], m[2][3] / m[2][2]) / 512.0 * 100.0;
}

QStringList csvLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Every key of a JSON object as a dotted path; an array's objects under "name[]".
// The sections along the travel, over a revolution, over speed and of the
// marks by direction.
bool isTravelKey(const QString& path)
{
    for (const char* section : {"travel", "rotary", "speed", "latch.directions"})
        if (path == QLatin1String(section) || path.startsWith(QLatin1String(section) + QLatin1Char('.')))
            return true;
    return false;
}

QStringList keyPaths(const QJsonObject& object, const QString& prefix = QString())
{
    QStringList paths;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString path = prefix + it.key();
        paths << path;
        if (it.value().isObject())
            paths << keyPaths(it.value().toObject(), path + QLatin1Char('.'));
        for (const QJsonValue& element : it.value().toArray())
            paths << keyPaths(element.toObject(), path + QStringLiteral("[]."));
    }
    paths.removeDuplicates();
    paths.sort();
    return paths;
}

// The keys TravelReport writes for a survey, as paths.
QStringList travelKeysOf(const TravelSurvey::Result& survey)
{
    QJsonObject report{{QStringLiteral("latch"), QJsonObject()}};
    TravelReport::insertInto(report, survey);
    QStringList keys;
    for (const QString& key : keyPaths(report))
        if (isTravelKey(key))
            keys << key;
    return keys;
}

// A survey that measured everything: more bins than a report lists, a
// drop over speed, a revolution, marks both ways.
TravelSurvey::Result measuredSurvey()
{
    TravelSurvey::Result s;
    LissajousFit::Result fit;
    fit.valid = true;
    fit.samples = 300;
    const TravelBins::Worst worst{true, 1.0, 0.5};
    s.travel.valid = true;
    s.travel.binPeriods = 10;
    s.travel.binsSpanned = s.travel.binsMeasured = TravelReport::kMaxReportBins + 1;
    for (int i = 0; i < s.travel.binsMeasured; ++i)
        s.travel.bins.append({i, 0.1 + 0.2 * i, fit});
    for (TravelBins::Worst* w : {&s.travel.amplitudeMin, &s.travel.amplitudeMax, &s.travel.offset,
                                 &s.travel.phase, &s.travel.ratioMin, &s.travel.ratioMax,
                                 &s.travel.interpolation})
        *w = worst;
    s.rotary.valid = true;
    s.rotary.periodsPerRevolution = 30;
    s.rotary.bins = s.rotary.binsMeasured = 12;
    s.speed.valid = true;
    s.speed.dropSeen = true;
    s.speed.bandsMeasured = 1;
    s.speed.bands = {SpeedBands::Band{10, 10.0, 12.6, 10.5, 12.0, fit}};
    s.reference.valid = true;
    s.reference.forward = s.reference.backward = ReferenceDirections::Direction{3, 2, 50.0, 50.0, 50.0};
    s.reference.matched = 3;
    return s;
}

// The requests of one kind (bytes 0-1) the tester was sent.
std::vector<SimTester::Request> requestsOfKind(const std::vector<SimTester::Request>& requests, quint8 direction,
                                               quint8 space)
{
    std::vector<SimTester::Request> kind;
    for (const SimTester::Request& r : requests)
        if (r.frame[0] == direction && r.frame[1] == space)
            kind.push_back(r);
    return kind;
}

} // namespace

class tst_Recorder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void optionsAreChecked_data();
    void optionsAreChecked();
    void everyReplyIsOneRowInOrder();
    void profileDecidesTheExitCode();
    void aLineBrokenForAMomentFailsTheUnit();
    void supplyIsSwitchedOnAndBackOff();
    void interruptEndsWithAReport();
    void lostTesterIsAnErrorButKeepsTheRecording();
    void openFailuresSayWhatToDo_data();
    void openFailuresSayWhatToDo();
    void badFilesStopBeforeTheTesterIsOpened();
    void resultIsStoredUnderItsSerial();
    void travelIsReportedAndJudged();

private:
    Run record(const QStringList& arguments, const std::function<void(Recorder&)>& during = {});
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void writeProfile(const QString& name, const QByteArray& json);
    void plugInWithSupplyOff();

    std::shared_ptr<SimTester> m_tester;
    QTemporaryDir m_dir;
};

void tst_Recorder::init()
{
    // The results spool lives beside the default store: in the test's folder.
    qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);
    DeviceLinkState::global().reset();
    m_tester = DemoTester::plugIn(); // supply on, sine/cosine, 20 um per period
    m_tester->setSpeed(3.0);
    m_tester->setReferenceInterval(1);
}

void tst_Recorder::cleanup()
{
    QCOMPARE(SimBus::instance().openHandles(), 0);
    QCOMPARE(SimBus::instance().invalidHandleUses(), 0);
    m_tester.reset();
}

Run tst_Recorder::record(const QStringList& arguments,
                         const std::function<void(Recorder&)>& during)
{
    QString error;
    const auto options = RecorderOptions::parse(arguments, &error);
    if (!options) {
        qWarning("%s", qPrintable(error));
        return {};
    }
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    QtUsb usb;
    usb.setStartupPause(5);
    Recorder recorder(*options, &usb, out, err);
    recorder.setSettleTime(20);
    recorder.setOperationTimeout(3000);
    recorder.start();
    if (during)
        during(recorder);
    if (!QTest::qWaitFor([&] { return recorder.finishedRunning(); }, 20000))
        qWarning("the recorder did not finish");
    run.exitCode = recorder.exitCode();
    [&] { QVERIFY(!usb.isRunning()); }();
    return run;
}

void tst_Recorder::writeProfile(const QString& name, const QByteArray& json)
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(json);
}

// The same tester, but its EEPROM (and so the supply at power-up) says off.
void tst_Recorder::plugInWithSupplyOff()
{
    std::vector<uint8_t> image = m_tester->eeprom();
    image[0x14] = 0;
    SimBus::instance().unplug(m_tester);
    m_tester = SimBus::instance().addTester(0, std::make_shared<SimTester>(image));
    m_tester->setSpeed(3.0);
    m_tester->setReferenceInterval(1);
}

void tst_Recorder::optionsAreChecked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("seconds");
    QTest::newRow("nothing: until Ctrl+C") << QStringList{} << true << 0.0;
    QTest::newRow("fraction") << QStringList{"--seconds", "2.5"} << true << 2.5;
    QTest::newRow("zero") << QStringList{"--seconds", "0"} << false << 0.0;
    QTest::newRow("negative") << QStringList{"--seconds", "-3"} << false << 0.0;
    QTest::newRow("not a number") << QStringList{"--seconds", "5s"} << false << 0.0;
    QTest::newRow("infinite") << QStringList{"--seconds", "inf"} << false << 0.0;
    QTest::newRow("no value") << QStringList{"--seconds"} << false << 0.0;
    QTest::newRow("empty csv name") << QStringList{"--csv", ""} << false << 0.0;
    QTest::newRow("unknown option") << QStringList{"--secs", "5"} << false << 0.0;
    QTest::newRow("stray argument") << QStringList{"out.csv"} << false << 0.0;
    QTest::newRow("empty stray argument") << QStringList{""} << false << 0.0;
    QTest::newRow("one dash") << QStringList{"-seconds", "4"} << true << 4.0;
    QTest::newRow("serial") << QStringList{"--serial", "SN 1", "--operator", "Ann"} << true << 0.0;
    QTest::newRow("empty serial") << QStringList{"--serial", " "} << false << 0.0;
    QTest::newRow("serial with a line break") << QStringList{"--serial", "a\nb"} << false << 0.0;
    QTest::newRow("operator without serial") << QStringList{"--operator", "Ann"} << false << 0.0;
    QTest::newRow("db without serial") << QStringList{"--db", "r.sqlite"} << false << 0.0;
}

void tst_Recorder::optionsAreChecked()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(double, seconds);
    QString error;
    const auto options = RecorderOptions::parse(arguments, &error);
    QCOMPARE(options.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (valid)
        QCOMPARE(options->seconds, seconds);
}

void tst_Recorder::everyReplyIsOneRowInOrder()
{
    const Run run = record({"--seconds", "1", "--csv", path("out.csv"), "--json"});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    const QJsonObject json = run.json();
    const QStringList lines = csvLines(path("out.csv"));
    QCOMPARE(lines.first(), QString::fromLatin1(CsvLog::header()).trimmed());
    const int replies = json.value("replies").toInt();
    QVERIFY2(replies > 200, qPrintable(run.out)); // about 460 per second
    QCOMPARE(lines.size() - 1, replies);
    QCOMPARE(json.value("csv_rows").toInt(), replies);
    QCOMPARE(json.value("stopped_by").toString(), QStringLiteral("time"));
    // The set time, never less; a loaded machine (sanitizers) may deliver
    // the stop a little late.
    const double duration = json.value("duration_s").toDouble();
    QVERIFY2(duration >= 0.95 && duration < 1.5, qPrintable(QString::number(duration)));
    const double rate = replies / json.value("duration_s").toDouble();
    QVERIFY(qAbs(json.value("poll_rate").toDouble() - rate) < rate * 1e-3);

    // The groups take turns and time only moves on: no reply lost or twice.
    double lastMs = -1;
    int lastGroup = -1;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines.at(i).split(QLatin1Char(','));
        QCOMPARE(cells.size(), 14);
        const double ms = cells.at(0).toDouble();
        const int group = cells.at(1).toInt();
        QVERIFY2(ms >= lastMs, qPrintable(lines.at(i)));
        if (lastGroup >= 0)
            QCOMPARE(group, 1 - lastGroup);
        lastMs = ms;
        lastGroup = group;
        if (group == 0) {
            const int sin = cells.at(4).toInt();
            QVERIFY2(sin >= 512 - 402 && sin <= 512 + 402, qPrintable(lines.at(i)));
        } else {
            QVERIFY2(qAbs(cells.at(13).toInt() - 100) <= 2, qPrintable(lines.at(i)));
        }
    }
    // A value no reply has carried yet is empty, not a made-up zero.
    const QStringList first = lines.at(1).split(QLatin1Char(','));
    const int emptyCells = int(std::count(first.begin(), first.end(), QString()));
    QCOMPARE(emptyCells, 6);

    const QJsonObject signal = json.value("signal").toObject();
    QVERIFY2(signal.value("valid").toBool(), qPrintable(run.out));
    int group0Rows = 0;
    for (int i = 1; i < lines.size(); ++i)
        group0Rows += lines.at(i).split(QLatin1Char(',')).at(1) == QLatin1String("0");
    QCOMPARE(signal.value("samples").toInt(), group0Rows);
    QVERIFY(qAbs(signal.value("quality_pct").toDouble() - 400.0 / 512 * 100) < 1.0);
    const QJsonObject sincos = json.value("latch").toObject().value("sincos").toObject();
    QVERIFY2(sincos.value("intervals").toInt() >= 1, qPrintable(run.out));
    QCOMPARE(sincos.value("mean").toDouble(), 1.0);
    const QJsonObject current = json.value("current_ma").toObject();
    QVERIFY(current.value("min").toDouble() >= 98 && current.value("max").toDouble() <= 102);
    QCOMPARE(json.value("verdict").toObject().value("pass").toBool(), true);
}

void tst_Recorder::profileDecidesTheExitCode()
{
    writeProfile("pass.json", R"({"signal": {"quality_pct_min": 70, "amplitude_ratio_min": 0.95},
                                  "current_ma": {"max": 150}})");
    writeProfile("fail.json", R"({"signal": {"quality_pct_min": 70},
                                  "current_ma": {"min": 105}})");
    Run run = record({"--seconds", "0.6", "--profile", path("pass.json")});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    QVERIFY2(run.out.contains("Verdict: PASS"), qPrintable(run.out));

    run = record({"--seconds", "0.6", "--profile", path("fail.json"), "--json"});
    QCOMPARE(run.exitCode, Recorder::kExitFail);
    const QJsonArray items = run.json().value("verdict").toObject().value("items").toArray();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0).toObject().value("pass").toBool(), true);
    QCOMPARE(items.at(1).toObject().value("name").toString(), QStringLiteral("current_ma.min"));
    QCOMPARE(items.at(1).toObject().value("pass").toBool(), false);
}

// Line A breaks for a moment mid-recording and comes back (its lock
// cleared), so the last replies show every line: the unit fails all the same.
void tst_Recorder::aLineBrokenForAMomentFailsTheUnit()
{
    writeProfile("lines.json", R"({"lines": {"missing_max": 0}})");
    const Run run = record({"--seconds", "1.2", "--profile", path("lines.json"), "--json", "--csv", path("lines.csv")},
                           [this](Recorder&) {
                               // The recording begins right after the configuration is read.
                               QVERIFY(QTest::qWaitFor(
                                   [&] { return !requestsOfKind(m_tester->requests(), 0x11, 0x12).empty(); },
                                   10000));
                               QTest::qWait(250);
                               m_tester->setBrokenLines(1);
                               QTest::qWait(150);
                               m_tester->setBrokenLines(0);
                               DeviceLinkState::global().requestOperation(OpClearLineLock);
                           });
    QCOMPARE(run.exitCode, Recorder::kExitFail);
    QCOMPARE(run.json().value("lines_missing").toString(), QStringLiteral("A"));

    // What the tester said: the line missing in some replies, present again at the end.
    const QStringList lines = csvLines(path("lines.csv"));
    const int column = lines.first().split(QLatin1Char(',')).indexOf(QStringLiteral("line_states"));
    QVERIFY(column > 0);
    QStringList states;
    for (int i = 1; i < lines.size(); ++i)
        states << lines.at(i).split(QLatin1Char(',')).at(column);
    QVERIFY2(states.contains(QStringLiteral("6")), qPrintable(states.join(' ')));
    QCOMPARE(states.last(), QStringLiteral("7"));
}

void tst_Recorder::supplyIsSwitchedOnAndBackOff()
{
    plugInWithSupplyOff();
    QVERIFY(!m_tester->supplyOn());
    Run run = record({"--seconds", "0.5", "--json"});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    QVERIFY2(run.err.contains("supply is off"), qPrintable(run.err));
    QVERIFY(!m_tester->supplyOn());
    QCOMPARE(run.json().value("current_ma").toObject().value("max").toDouble(), 0.0);

    m_tester->clearRequests();
    run = record({"--seconds", "0.5", "--json", "--power-on"});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    QVERIFY(run.json().value("current_ma").toObject().value("min").toDouble() >= 98);
    QVERIFY(!m_tester->supplyOn()); // switched off again at the end
    int switches = 0;
    for (const SimTester::Request& r : m_tester->requests())
        if (r.frame[0] == 0x12 && r.frame[1] == 0x12 && r.frame[16] == 0x14)
            ++switches;
    QCOMPARE(switches, 2);

    // Already on: left on.
    init();
    run = record({"--seconds", "0.3", "--power-on"});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    QVERIFY(m_tester->supplyOn());
}

void tst_Recorder::interruptEndsWithAReport()
{
    plugInWithSupplyOff();
    const Run run = record({"--csv", path("int.csv"), "--json", "--power-on"}, [](Recorder& r) {
        // Enough replies first, however slowly a loaded machine polls.
        QTest::qWait(600);
        QTRY_VERIFY_WITH_TIMEOUT(SimBus::instance().countCalls("usb_interrupt_read") > 80, 20000);
        r.interrupt();
        r.interrupt(); // a second Ctrl+C while winding down changes nothing
    });
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    const QJsonObject json = run.json();
    QCOMPARE(json.value("stopped_by").toString(), QStringLiteral("interrupt"));
    QVERIFY(json.value("replies").toInt() > 50);
    QCOMPARE(csvLines(path("int.csv")).size() - 1, json.value("replies").toInt());
    QVERIFY(!m_tester->supplyOn());

    // Before the recording began: no report, an error.
    m_tester->setFaults([] {
        SimFaults f;
        f.transferDelayMs = 30;
        return f;
    }());
    const Run early = record({"--seconds", "5"}, [](Recorder& r) { r.interrupt(); });
    QCOMPARE(early.exitCode, Recorder::kExitError);
    QVERIFY(early.out.isEmpty());
    QVERIFY2(early.err.contains("before the recording began"), qPrintable(early.err));
}

void tst_Recorder::lostTesterIsAnErrorButKeepsTheRecording()
{
    const Run run = record({"--seconds", "5", "--csv", path("lost.csv"), "--json"},
                           [this](Recorder&) {
                               QTest::qWait(500);
                               SimBus::instance().unplug(m_tester);
                           });
    QCOMPARE(run.exitCode, Recorder::kExitError);
    const QJsonObject json = run.json();
    QCOMPARE(json.value("stopped_by").toString(), QStringLiteral("disconnected"));
    QVERIFY(json.value("duration_s").toDouble() < 2.0);
    QVERIFY(json.value("replies").toInt() > 50);
    QCOMPARE(csvLines(path("lost.csv")).size() - 1, json.value("replies").toInt());
}

void tst_Recorder::openFailuresSayWhatToDo_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("no tester") << "unplugged" << "No tester found";
    QTest::newRow("no permission") << "denied" << "70-rotaprobe.rules";
    QTest::newRow("claimed by the test program") << "busy" << "busy";
    QTest::newRow("configuration refused") << "configuration" << "busy";
    QTest::newRow("open fails otherwise") << "other" << "could not be opened";
}

void tst_Recorder::openFailuresSayWhatToDo()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    SimFaults faults;
    if (fault == "unplugged")
        SimBus::instance().unplug(m_tester);
    else if (fault == "denied")
        SimBus::instance().failNextOpens(1, EACCES);
    else if (fault == "other")
        SimBus::instance().failNextOpens(1, EIO);
    else if (fault == "busy")
        faults.claimFailures = 1;
    else
        faults.setConfigurationFailures = 1;
    m_tester->setFaults(faults);
    const Run run = record({"--seconds", "1", "--csv", path("never.csv")});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(SimBus::instance().countCalls("usb_interrupt_write 1 64 200"), 0);
}

void tst_Recorder::badFilesStopBeforeTheTesterIsOpened()
{
    writeProfile("typo.json", R"({"signal": {"quality_pct_mni": 40}})");
    Run run = record({"--seconds", "1", "--profile", path("typo.json")});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY2(run.err.contains("quality_pct_mni"), qPrintable(run.err));
    run = record({"--seconds", "1", "--profile", path("missing.json")});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    // Endless or huge input is refused without reading it whole.
    run = record({"--seconds", "1", "--profile", "/dev/zero"});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY2(run.err.contains("not a regular file"), qPrintable(run.err));
    writeProfile("huge.json", "{\"signal\": {}}" + QByteArray(ToleranceProfile::kMaxFileBytes, ' '));
    run = record({"--seconds", "1", "--profile", path("huge.json")});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY2(run.err.contains("larger than 1 MiB"), qPrintable(run.err));
    run = record({"--seconds", "1", "--csv", path("no/such/folder/out.csv")});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY2(run.err.contains("Cannot write"), qPrintable(run.err));
    QFile corrupt(path("corrupt.sqlite"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray(4096, 'x'));
    corrupt.close();
    run = record({"--seconds", "1", "--serial", "SN-1", "--db", path("corrupt.sqlite")});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY2(run.err.contains("corrupt.sqlite"), qPrintable(run.err));
    run = record({"--seconds", "1", "--serial", "SN-1", "--db", "postgresql://me:pw@db/results"});
    QCOMPARE(run.exitCode, Recorder::kExitError);
    QVERIFY2(run.err.contains(".pgpass"), qPrintable(run.err));
    QCOMPARE(SimBus::instance().countCalls("usb_init"), 0);
}

// With --serial the report is stored as printed, judged and with the
// profile it was judged by; an interrupted recording is stored as aborted.
void tst_Recorder::resultIsStoredUnderItsSerial()
{
    writeProfile("line.json", R"({"signal": {"quality_pct_min": 10}, "current_ma": {"max": 250}})");
    const QString db = path("results.sqlite");
    Run run = record({"--seconds", "1", "--json", "--serial", "SN-7", "--operator", "Ann", "--db",
                      db, "--profile", path("line.json")});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    QVERIFY2(run.err.contains("Stored as test 1"), qPrintable(run.err));
    const QJsonObject printed = run.json();
    run = record({"--seconds", "1", "--serial", "SN-8", "--db", db},
                 [](Recorder& r) {
                     QTest::qWait(400);
                     r.interrupt();
                 });
    QCOMPARE(run.exitCode, Recorder::kExitPass);

    QString error;
    ResultStore store(*StoreLocation::parse(db, &error), path("spool.sqlite"));
    const auto rows = store.list(ResultFilter(), false, &error);
    QVERIFY2(rows && rows->size() == 2, qPrintable(error));
    QCOMPARE(rows->at(0).serial, QStringLiteral("SN-8"));
    QCOMPARE(rows->at(0).verdict, QStringLiteral("aborted"));
    QCOMPARE(rows->at(0).verdictReason, QStringLiteral("stopped by request"));
    const auto stored = store.find(rows->at(1).id, &error);
    QVERIFY(stored);
    QCOMPARE(stored->serial, QStringLiteral("SN-7"));
    QCOMPARE(stored->operatorName, QStringLiteral("Ann"));
    QCOMPARE(stored->verdict, QStringLiteral("pass"));
    QCOMPARE(stored->profileName, QStringLiteral("line.json"));
    QCOMPARE(stored->profileSha256, TestResult::sha256(stored->profileJson));
    QVERIFY(stored->profileJson.contains("quality_pct_min"));
    QCOMPARE(stored->items.size(), 2);
    QCOMPARE(stored->items.at(0).name, QStringLiteral("signal.quality_pct_min"));
    QCOMPARE(stored->report, printed);
    QCOMPARE(stored->testerConfig.value("sincos_mode").toBool(), true);
    // Stored results and peers read these names: every one stays as it is.
    QStringList reportKeys{
        "current_ma", "current_ma.max", "current_ma.mean", "current_ma.min", "duration_s",
        "latch", "latch.sincos", "latch.square", "lines_missing", "poll_rate", "replies",
        "signal", "signal.amplitude_cos_pct", "signal.amplitude_ratio",
        "signal.amplitude_sin_pct", "signal.coverage_deg", "signal.interpolation_error_pct",
        "signal.interpolation_error_um", "signal.offset_cos_pct", "signal.offset_sin_pct",
        "signal.phase_deviation_deg", "signal.quality_pct", "signal.samples", "signal.valid",
        "stopped_by", "verdict", "verdict.items", "verdict.items[].limit",
        "verdict.items[].measured", "verdict.items[].name", "verdict.items[].pass",
        "verdict.items[].value", "verdict.pass", "verdict.profile"};
    for (const QString channel : {"sincos", "square"}) {
        const QString latch = QStringLiteral("latch.") + channel + QLatin1Char('.');
        QStringList keys{"intervals", "triggers", "unit", "valid"};
        keys << (printed.value("latch").toObject().value(channel).toObject().value("valid").toBool()
                     ? QStringList{"max", "mean", "min", "spread", "spread_um", "stddev"}
                     : QStringList{"reason"});
        for (const QString& key : keys)
            reportKeys << latch + key;
    }
    // The sections along the travel and over speed: their keys are pinned
    // in travelIsReportedAndJudged, where all of them are measured.
    reportKeys << "latch.directions" << "rotary" << "speed" << "travel";
    reportKeys.sort();
    QStringList storedKeys;
    for (const QString& key : keyPaths(stored->report))
        if (!isTravelKey(key) || !key.contains('.') || key == QLatin1String("latch.directions"))
            storedKeys << key;
    QCOMPARE(storedKeys, reportKeys);
    QCOMPARE(keyPaths(stored->testerConfig),
             (QStringList{"accuracy", "adc_gain", "encoder_power", "filter_level",
                          "sincos_equivalent_nm", "sincos_mode", "square_wave_equivalent_nm",
                          "square_wave_filter", "z_comparison_value"}));
    QVERIFY(qAbs(stored->startedAt.secsTo(QDateTime::currentDateTimeUtc())) < 60);

    // A server out of reach: the test runs, its result waits in the spool,
    // and the user is told so, not that it was stored.
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        QSKIP("this Qt has no PostgreSQL driver (a setup error, not a server out of reach)");
    const QString server = QStringLiteral("postgresql://line@/results?host=%1").arg(path("nosocket"));
    run = record({"--seconds", "0.5", "--serial", "SN-9", "--db", server});
    QCOMPARE(run.exitCode, Recorder::kExitPass);
    QVERIFY2(run.err.contains("Cannot reach the results server"), qPrintable(run.err));
    QVERIFY2(run.err.contains("Warning: the result was not stored") && !run.err.contains("Stored as"),
             qPrintable(run.err));
    QCOMPARE(ResultSpool(StoreLocation::defaultSpoolPath())
                 .pending(StoreLocation::parse(server, &error)->display()),
             1);
}

// The encoder swept back and forth over 30 periods (0.6 mm) with 20 % less
// amplitude from period 10 to 20: the report places the low bin there,
// its bins agree with the test's own fit of the CSV's rows, and the travel
// item fails.
void tst_Recorder::travelIsReportedAndJudged()
{
    // Stored results and peers read these names: every one stays as it is,
    // measured or not.
    QCOMPARE(travelKeysOf(measuredSurvey()), QStringList({
        "latch.directions", "latch.directions.backward", "latch.directions.backward.intervals",
        "latch.directions.backward.marks", "latch.directions.backward.max_periods",
        "latch.directions.backward.mean_periods", "latch.directions.backward.min_periods",
        "latch.directions.difference_periods", "latch.directions.forward",
        "latch.directions.forward.intervals", "latch.directions.forward.marks",
        "latch.directions.forward.max_periods", "latch.directions.forward.mean_periods",
        "latch.directions.forward.min_periods", "latch.directions.matched",
        "latch.directions.mean_difference_periods", "latch.directions.valid", "rotary",
        "rotary.amplitude_harmonics", "rotary.amplitude_harmonics[].angle_deg",
        "rotary.amplitude_harmonics[].order", "rotary.amplitude_harmonics[].pct",
        "rotary.amplitude_mean_pct", "rotary.bins", "rotary.bins_measured",
        "rotary.eccentricity_angle_deg", "rotary.eccentricity_pct", "rotary.ovality_pct",
        "rotary.periods_per_revolution", "rotary.phase_harmonics",
        "rotary.phase_harmonics[].angle_deg", "rotary.phase_harmonics[].deg",
        "rotary.phase_harmonics[].order", "rotary.valid", "speed", "speed.amplitude_at_max_pct",
        "speed.bands", "speed.bands[].amplitude_cos_pct", "speed.bands[].amplitude_ratio",
        "speed.bands[].amplitude_sin_pct", "speed.bands[].from_hz",
        "speed.bands[].interpolation_error_pct", "speed.bands[].max_hz", "speed.bands[].min_hz",
        "speed.bands[].offset_cos_pct", "speed.bands[].offset_sin_pct", "speed.bands[].pairs",
        "speed.bands[].phase_deviation_deg", "speed.bands[].quality_pct", "speed.bands[].to_hz",
        "speed.bands[].valid", "speed.bands_measured", "speed.drop_from_hz", "speed.drop_seen",
        "speed.max_frequency_hz", "speed.max_measured_hz", "speed.threshold_from_profile",
        "speed.threshold_pct", "speed.valid", "speed.within_limit_hz", "travel",
        "travel.amplitude_max_pct", "travel.amplitude_max_pct_at_mm",
        "travel.amplitude_mean_pct", "travel.amplitude_min_pct",
        "travel.amplitude_min_pct_at_mm", "travel.amplitude_variation_pct", "travel.bin_mm",
        "travel.bin_periods", "travel.bins", "travel.bins[].amplitude_cos_pct",
        "travel.bins[].amplitude_ratio", "travel.bins[].amplitude_sin_pct",
        "travel.bins[].at_mm", "travel.bins[].interpolation_error_pct",
        "travel.bins[].offset_cos_pct", "travel.bins[].offset_sin_pct", "travel.bins[].pairs",
        "travel.bins[].phase_deviation_deg", "travel.bins[].quality_pct", "travel.bins[].valid",
        "travel.bins_every", "travel.bins_measured", "travel.bins_spanned", "travel.travel_mm",
        "travel.valid", "travel.worst_amplitude_ratio_max",
        "travel.worst_amplitude_ratio_max_at_mm", "travel.worst_amplitude_ratio_min",
        "travel.worst_amplitude_ratio_min_at_mm", "travel.worst_interpolation_error_pct",
        "travel.worst_interpolation_error_pct_at_mm", "travel.worst_offset_pct",
        "travel.worst_offset_pct_at_mm", "travel.worst_phase_deviation_deg",
        "travel.worst_phase_deviation_deg_at_mm"}));
    TravelSurvey::Result unmeasured;
    unmeasured.rotary.periodsPerRevolution = 30;
    QCOMPARE(travelKeysOf(unmeasured), QStringList({
        "latch.directions", "latch.directions.backward", "latch.directions.backward.intervals",
        "latch.directions.backward.marks", "latch.directions.forward",
        "latch.directions.forward.intervals", "latch.directions.forward.marks",
        "latch.directions.matched", "latch.directions.reason", "latch.directions.valid",
        "rotary", "rotary.bins", "rotary.bins_measured", "rotary.periods_per_revolution",
        "rotary.reason", "rotary.valid", "speed", "speed.bands", "speed.bands_measured",
        "speed.max_frequency_hz", "speed.reason", "speed.valid", "travel", "travel.bin_mm",
        "travel.bin_periods", "travel.bins", "travel.bins_measured", "travel.bins_spanned",
        "travel.reason", "travel.travel_mm", "travel.valid"}));

    SimSweep::Profile sweep;
    sweep.from = 0.0;
    sweep.to = 30.0;
    sweep.maxSpeed = 15.0;
    m_tester->moveTo(0.0);
    m_tester->setSweep(sweep);
    m_tester->setDirtyBand(10.0, 10.0, 0.2);
    writeProfile("travel.json", R"({"travel": {"bin_periods": 10, "amplitude_variation_pct_max": 10},
                                    "rotary": {"counts_per_revolution": 30}})");
    const QString csv = path("travel.csv");
    const Run run = record({"--seconds", "4", "--json", "--csv", csv, "--profile", path("travel.json"),
                            "--serial", "T-1", "--db", path("travel.sqlite")});
    QCOMPARE(run.exitCode, Recorder::kExitFail);
    const QJsonObject travel = run.json().value("travel").toObject();
    QVERIFY2(travel.value("valid").toBool(), qPrintable(run.out));
    QCOMPARE(travel.value("bin_periods").toDouble(), 10.0);
    QVERIFY(travel.value("travel_mm").toDouble() > 0.55);
    const double lowAt = travel.value("amplitude_min_pct_at_mm").toDouble();
    QVERIFY2(lowAt > 0.2 && lowAt < 0.4, qPrintable(QString::number(lowAt)));
    const QJsonArray items = run.json().value("verdict").toObject().value("items").toArray();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).toObject().value("name").toString(), QStringLiteral("travel.amplitude_variation_pct_max"));
    QVERIFY(items.at(0).toObject().value("value").toDouble() > 18.0);
    QVERIFY(run.json().value("latch").toObject().value("directions").isObject());
    QVERIFY(run.json().value("speed").toObject().value("valid").toBool());

    // The CSV's group 0 rows, binned and fitted by the test itself.
    const QStringList lines = csvLines(csv);
    QVERIFY(lines.size() > 100);
    const QStringList header = lines.first().split(QLatin1Char(','));
    const int group = header.indexOf(QStringLiteral("group")), position = header.indexOf(QStringLiteral("sincos_position")),
              sine = header.indexOf(QStringLiteral("sin"));
    qint64 lowest = std::numeric_limits<qint64>::max();
    std::vector<std::pair<qint64, int>> rows;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(QLatin1Char(','));
        if (cells.value(group) != QLatin1String("0"))
            continue;
        rows.push_back({cells.value(position).toLongLong(), cells.value(sine).toInt()});
        lowest = std::min(lowest, rows.back().first);
    }
    std::map<qint64, std::vector<std::pair<double, double>>> bins;
    for (const auto& [pos, value] : rows)
        bins[(pos - lowest) / (10 * 512)].push_back({2.0 * M_PI * double(pos) / 512.0, double(value)});
    // The report lists the measured bins.
    const QJsonArray reported = travel.value("bins").toArray();
    QCOMPARE(reported.size(), travel.value("bins_measured").toInt());
    QCOMPARE(travel.value("bins_spanned").toDouble(), double(bins.size()));
    int compared = 0;
    for (const QJsonValue& value : reported) {
        const QJsonObject bin = value.toObject();
        const qint64 index = qint64(std::floor(bin.value("at_mm").toDouble() / travel.value("bin_mm").toDouble()));
        QCOMPARE(bin.value("pairs").toDouble(), double(bins.at(index).size()));
        QVERIFY(bin.value("valid").toBool());
        const double own = ownAmplitudePct(bins.at(index));
        QVERIFY2(std::fabs(bin.value("amplitude_sin_pct").toDouble() - own) < 0.5,
                 qPrintable(QStringLiteral("bin %1: %2 % against %3 %").arg(index)
                                .arg(bin.value("amplitude_sin_pct").toDouble()).arg(own)));
        ++compared;
    }
    QVERIFY(compared >= 3);

    // Stored with its figures as columns, as the report has them.
    QString error;
    ResultStore store(*StoreLocation::parse(path("travel.sqlite"), &error), path("spool.sqlite"));
    const auto stored = store.list(ResultFilter(), true, &error);
    QVERIFY2(stored && stored->size() == 1, qPrintable(error));
    int checked = 0;
    for (int i = 0; i < ResultFigures::all().size(); ++i) {
        if (!isTravelKey(ResultFigures::all().at(i).name))
            continue;
        const QStringList name = ResultFigures::all().at(i).name.split('.');
        QJsonValue value = run.json();
        for (const QString& key : name)
            value = value.toObject().value(key);
        QCOMPARE(stored->first().figures.at(i), value.isDouble() ? std::optional<double>(value.toDouble())
                                                               : std::nullopt);
        checked += value.isDouble();
    }
    QVERIFY(checked >= 8); // along the travel at least, whatever the machine's pace
}

QTEST_GUILESS_MAIN(tst_Recorder)
#include "tst_Recorder.moc"
