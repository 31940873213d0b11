// dashboard_station_fill STORE [DAYS [UNITS]]: fills a results store for the
// line dashboard's demo from the production station itself. The Station
// runs every test on the simulated tester as on a line (scan, the store
// asked for the unit's tests, recording, verdict against the profile,
// result stored), each unit its own simulated encoder: offsets, imbalance
// and supply current scatter; some have a sine offset or a phase deviation
// beyond the profile's limits and fail, are reworked and scanned again at the
// next station (up to test.retests_max); a few are stopped mid-test
// (aborted) and tested again. Units are spread over DAYS days (default 7)
// and four stations; UNITS units in all (default 240). The same units and
// encoders every run (fixed seed); the figures are measured, so they vary a
// little.
//
// The station stores under the host name and the time of the test, and the
// results library can change no stored test. So the station stores into a
// scratch store in a temporary folder; the tests are then read back with
// ResultStore::find() and stored into STORE with ResultStore::storeMany(),
// each with the station name and the start time of its place in the line's
// days (each unit's tests in the order they ran, minutes apart). Nothing
// else of a test is changed. The protocols go to the temporary folder and
// are dropped with it, and so does the spool, so a spool of this computer's
// own station is never delivered into the demo. The tester's chatter on the
// log is dropped; warnings are kept.
// Shorter waits than a line's (Station::setTimings) and a half-second test
// keep the fill to a few minutes; progress goes to stderr.
#include "DemoTester.h"
#include "QtUsb.h"
#include "ResultStore.h"
#include "SimBus.h"
#include "SimTester.h"
#include "Station.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <map>
#include <random>

namespace {

// A short test of the items a line checks; two retests after a failure.
const char* const kProfile = R"({
    "signal": {"quality_pct_min": 40, "offset_sin_pct_max": 3, "offset_cos_pct_max": 3,
               "amplitude_ratio_min": 0.9, "amplitude_ratio_max": 1.1,
               "phase_deviation_deg_max": 3},
    "current_ma": {"min": 50, "max": 250},
    "lines": {"missing_max": 0},
    "test": {"duration_s": 0.5, "power_on": true, "retests_max": 2}
})";

// The counts a percent of offset is taken of, as the station tests set it.
constexpr double kPercentCounts = 512.0 / 100.0;
constexpr int kRetestGapS = 5 * 60;
constexpr int kShiftS = 8 * 3600;

const QStringList& stationNames()
{
    static const QStringList names{QStringLiteral("line1-st1"), QStringLiteral("line1-st2"),
                                   QStringLiteral("line1-st3"), QStringLiteral("line2-st1")};
    return names;
}

const QStringList& operatorNames()
{
    static const QStringList names{QStringLiteral("Wang Fang"), QStringLiteral("Li Wei"),
                                   QStringLiteral("M. Keller")};
    return names;
}

// Runs the event loop until `done` or `timeoutMs`; false on the timeout.
bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// One unit's simulated encoder.
struct Encoder
{
    double sinOffsetPct = 0.0;
    double cosOffsetPct = 0.0;
    double amplitudeRatio = 1.0;
    double phaseDeg = 0.0;
    int currentMa = 118;
};

class EncoderMaker
{
public:
    // A unit as it comes to the station: mostly good, some bad.
    Encoder fresh()
    {
        Encoder e = good();
        const double roll = m_chance(m_random);
        if (roll < 0.07)
            e.sinOffsetPct = (m_chance(m_random) < 0.5 ? -1 : 1) * (3.5 + 2.5 * m_chance(m_random));
        else if (roll < 0.09)
            e.phaseDeg = 3.3 + 1.5 * m_chance(m_random);
        return e;
    }
    // A failed unit after its rework: mostly good now.
    Encoder reworked() { return m_chance(m_random) < 0.8 ? good() : fresh(); }
    bool chance(double p) { return m_chance(m_random) < p; }

private:
    Encoder good()
    {
        Encoder e;
        e.sinOffsetPct = std::normal_distribution<double>(0.6, 0.9)(m_random);
        e.cosOffsetPct = std::normal_distribution<double>(-0.4, 0.7)(m_random);
        e.amplitudeRatio = std::normal_distribution<double>(0.99, 0.02)(m_random);
        e.phaseDeg = std::normal_distribution<double>(0.8, 0.6)(m_random);
        e.currentMa = int(std::normal_distribution<double>(118.0, 5.0)(m_random));
        return e;
    }

    std::mt19937 m_random{28};
    std::uniform_real_distribution<double> m_chance{0.0, 1.0};
};

void fit(SimTester& tester, const Encoder& e)
{
    tester.setOffsets(e.sinOffsetPct * kPercentCounts, e.cosOffsetPct * kPercentCounts);
    tester.setImbalance(e.amplitudeRatio, e.phaseDeg);
    tester.setSupplyCurrent(uint16_t(e.currentMa));
}

// Where a stored test belongs on the line.
struct Placement
{
    QString station;
    QDateTime startedAt;
};

struct Tally
{
    int units = 0;
    int tests = 0;
    int pass = 0;
    int fail = 0;
    int aborted = 0;
    int retests = 0; // judged tests after a unit's first judged one
    int refused = 0;
};

// The station on the simulated tester, one test at a time.
class Line
{
public:
    explicit Line(Station& station) : m_station(station)
    {
        QObject::connect(&station, &Station::testFinished,
                         [this](const StationVerdict& v) { m_verdicts.append(v); });
        QObject::connect(&station, &Station::filed,
                         [this](const ResultFiling::Filed& f) { m_filed.append(f); });
        QObject::connect(&station, &Station::testRefused,
                         [this](const QString& reason) { m_refusals.append(reason); });
    }

    // Scans `serial` (stopping it mid-recording when `stop`); the verdict,
    // or nothing when refused or lost. `filedId`: the stored test's id, 0
    // when the store did not take it.
    std::optional<StationVerdict> test(const QString& serial, bool stop, qint64* filedId)
    {
        *filedId = 0;
        const int verdicts = m_verdicts.size();
        const int filed = m_filed.size();
        const int refusals = m_refusals.size();
        QString error;
        if (!m_station.startTest(serial, &error)) {
            std::fprintf(stderr, "%s: not tested: %s\n", qPrintable(serial), qPrintable(error));
            return std::nullopt;
        }
        if (stop) {
            waitFor([&] { return m_station.phase() == TestSequence::Phase::Recording
                                 || m_verdicts.size() > verdicts; },
                    10000);
            m_station.abort();
        }
        if (!waitFor([&] { return m_verdicts.size() > verdicts || m_refusals.size() > refusals; },
                     20000)
            || m_verdicts.size() == verdicts)
            return std::nullopt;
        if (waitFor([&] { return m_filed.size() > filed; }, 20000)
            && m_filed.constLast().outcome == ResultStore::Outcome::Stored)
            *filedId = m_filed.constLast().id;
        waitFor([&] { return m_station.testerOpen(); }, 10000);
        return m_verdicts.constLast();
    }

private:
    Station& m_station;
    QVector<StationVerdict> m_verdicts;
    QVector<ResultFiling::Filed> m_filed;
    QStringList m_refusals;
};

// The start of unit `index` (of `perDay`) on `day` days before today: an
// eight-hour shift from 06:00 UTC; today's ends an hour before now (and
// begins earlier, or is shorter, when that is before 14:00).
QDateTime unitStart(const QDateTime& now, int day, int index, int perDay)
{
    const QDate date = now.date().addDays(-day);
    QDateTime begin(date, QTime(6, 0), Qt::UTC);
    qint64 span = kShiftS;
    if (day == 0) {
        const QDateTime end = now.addSecs(-3600);
        begin = std::max(std::min(begin, end.addSecs(-kShiftS)), QDateTime(date, QTime(0, 5), Qt::UTC));
        span = std::min<qint64>(span, std::max<qint64>(0, begin.secsTo(end)));
    }
    return begin.addSecs(span * index / std::max(1, perDay));
}

bool copyPlaced(const QString& scratch, const QString& spool, const StoreLocation& target,
                const std::map<qint64, Placement>& placed, QString* error)
{
    ResultStore from(*StoreLocation::parse(scratch, error), spool);
    if (!from.openForReading(error))
        return false;
    QVector<TestResult> tests;
    for (const auto& [id, place] : placed) {
        std::optional<TestResult> test = from.find(id, error);
        if (!test)
            return false;
        test->station = place.station;
        test->startedAt = place.startedAt;
        tests.append(*test);
    }
    ResultStore to(target, spool);
    return to.storeMany(tests, error);
}

void dropChatter(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(dropChatter);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: dashboard_station_fill STORE [DAYS [UNITS]]\n");
        return 2;
    }
    const int days = std::max(1, args.size() > 2 ? args.at(2).toInt() : 7);
    const int units = std::max(1, args.size() > 3 ? args.at(3).toInt() : 240);
    QString error;
    const auto target = StoreLocation::parse(args.at(1), &error);
    if (!target) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.path().toUtf8()); // the station's spool
    const QString profilePath = dir.filePath(QStringLiteral("line.json"));
    const QString scratch = dir.filePath(QStringLiteral("station.sqlite"));
    QFile profile(profilePath);
    if (!profile.open(QIODevice::WriteOnly) || profile.write(kProfile) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(profilePath));
        return 1;
    }
    profile.close();

    QElapsedTimer clock;
    clock.start();
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    tester->setSpeed(10.0); // five signal periods in the half-second test
    tester->setReferenceInterval(1);
    QtUsb usb;
    std::map<qint64, Placement> placed;
    Tally tally;
    {
        Station station(&usb);
        station.setTimings(3000, 50);
        station.setProfilePath(profilePath);
        station.setProtocolFolder(dir.filePath(QStringLiteral("protocols")));
        bool opened = false;
        QObject::connect(&station, &Station::storeOpened,
                         [&](bool ok, const QString& why, const QStringList&) {
                             opened = true;
                             if (!ok)
                                 error = why;
                         });
        station.openStore(scratch);
        station.connectTester();
        if (!waitFor([&] { return opened && station.testerOpen(); }, 20000) || !error.isEmpty()) {
            std::fprintf(stderr, "the station did not start: %s\n", qPrintable(error));
            return 1;
        }
        Line line(station);
        EncoderMaker maker;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        // Today only from 01:00 UTC on: before, the last day is yesterday.
        const int lastDay = now.time().hour() < 1 ? 1 : 0;
        const int perDay = (units + days - 1) / days;
        for (int unit = 0; unit < units; ++unit) {
            const int day = lastDay + days - 1 - unit / perDay;
            const QDateTime start = unitStart(now, day, unit % perDay, perDay);
            const QString serial = QStringLiteral("SN%1").arg(20001 + unit);
            station.setOperatorName(operatorNames().at((unit / 9 + day) % operatorNames().size()));
            Encoder encoder = maker.fresh();
            bool stop = maker.chance(0.03);
            int judged = 0;
            for (int attempt = 0; attempt < 5; ++attempt) {
                fit(*tester, encoder);
                qint64 id = 0;
                const std::optional<StationVerdict> verdict = line.test(serial, stop, &id);
                if (!verdict) {
                    ++tally.refused;
                    break;
                }
                ++tally.tests;
                if (id > 0)
                    placed[id] = {stationNames().at((unit + attempt) % stationNames().size()),
                                  start.addSecs(qint64(kRetestGapS) * attempt)};
                if (verdict->outcome == FinishedTest::Outcome::Aborted) {
                    ++tally.aborted;
                    stop = false; // scanned again
                    continue;
                }
                tally.retests += judged > 0 ? 1 : 0;
                ++judged;
                if (verdict->outcome == FinishedTest::Outcome::Pass) {
                    ++tally.pass;
                    break;
                }
                ++tally.fail;
                if (judged > 2)
                    break; // retests used up: the unit is scrapped
                encoder = maker.reworked();
            }
            ++tally.units;
            if ((unit + 1) % 25 == 0 || unit + 1 == units)
                std::fprintf(stderr, "%d of %d units tested (%d tests, %.0f s)\n", unit + 1, units,
                             tally.tests, clock.elapsed() / 1000.0);
        }
        station.shutDown();
        waitFor([&] { return station.state() == Station::State::Closed; }, 10000);
    }
    if (!copyPlaced(scratch, dir.filePath(QStringLiteral("copy-spool.sqlite")), *target, placed,
                    &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d units, %d tests (%d pass, %d fail, %d aborted, %d retests, %d not tested) "
                "over %d days from %d stations stored in %s in %.0f s\n",
                tally.units, tally.tests, tally.pass, tally.fail, tally.aborted, tally.retests,
                tally.refused, days, int(stationNames().size()),
                qPrintable(target->display()), clock.elapsed() / 1000.0);
    return int(placed.size()) == tally.tests ? 0 : 1;
}
