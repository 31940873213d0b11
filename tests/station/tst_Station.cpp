// The station end to end on the simulated tester: scan, test, verdict,
// stored result, protocol; and what goes wrong on a production line.
#include "AppLook.h"
#include "DemoTester.h"
#include "DeviceLinkState.h"
#include "HostPrograms.h"
#include "QtUsb.h"
#include "ResultSpool.h"
#include "ResultStore.h"
#include "SampleResults.h"
#include "SimBus.h"
#include "SerialNumber.h"
#include "SimTester.h"
#include "Station.h"
#include "StationSettings.h"
#include "StationTexts.h"
#include "StationWindow.h"
#include "TravelStripView.h"
#include "VerdictBanner.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// A short test, limits the simulated encoder meets unless a test spoils it.
const char* const kProfile = R"({
    "signal": {"quality_pct_min": 40, "offset_sin_pct_max": 3, "offset_cos_pct_max": 3,
               "phase_deviation_deg_max": 3},
    "current_ma": {"min": 50, "max": 250},
    "lines": {"missing_max": 0},
    "test": {"duration_s": 1, "power_on": true}
})";

// The example profile's thirteen items, in a short test.
// Every item a profile can judge: 21 rows (the spread for both channels).
const char* const kEveryItem = R"({
    "signal": {"quality_pct_min": 40, "quality_pct_max": 99.5, "offset_sin_pct_max": 3,
               "offset_cos_pct_max": 3, "amplitude_ratio_min": 0.9, "amplitude_ratio_max": 1.1,
               "phase_deviation_deg_max": 3, "interpolation_error_pct_max": 1.5},
    "latch": {"spread_max_periods": 1, "direction_difference_max_periods": 0.5},
    "current_ma": {"min": 50, "max": 250},
    "lines": {"missing_max": 0},
    "travel": {"amplitude_variation_pct_max": 10, "worst_offset_pct_max": 3,
               "worst_phase_deviation_deg_max": 3, "worst_amplitude_ratio_min": 0.9,
               "worst_amplitude_ratio_max": 1.1},
    "rotary": {"eccentricity_pct_max": 3},
    "speed": {"min_frequency_hz": 100},
    "test": {"duration_s": 1, "power_on": true}
})";

} // namespace

class tst_Station : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void goodUnitPassesOffsetUnitFails();
    void aBrokenLineFailsOnlyItsUnit();
    void itemsStayInPlaceFromTestToVerdict();
    void unplugMidTestAbortsAndSwitchesNothingOn();
    void escapeAbortsAndClosingMidTestStopsCleanly();
    void unitsAreRefusedBeforeTheTest();
    void retestsAreShownAndLimited();
    void storeAndProtocolFolderProblemsAreShown();
    void commandLineOverridesAreNotRemembered();
    void travelIsJudgedAndShown();

private:
    // Station, window and settings on the test's folder; `db` overrides the store.
    void build(const QString& db = QString());
    void scan(const QString& serial);
    // Scans and waits for the verdict; the store's answer too when `filed`.
    StationVerdict test(const QString& serial, bool filed = true);
    QVector<ResultStore::Row> rows();
    int powerOnRequests() const;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void plugInWithSupplyOff();
    QStringList bannerText() const;

    QTemporaryDir m_dir;
    std::shared_ptr<SimTester> m_tester;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<StationSettings> m_settings;
    std::unique_ptr<QtUsb> m_usb;
    std::unique_ptr<Station> m_station;
    std::unique_ptr<StationWindow> m_window;
    std::unique_ptr<QSignalSpy> m_verdicts;
    std::unique_ptr<QSignalSpy> m_filed;
};

// The window as the program shows it: with the program's style sheet.
void tst_Station::initTestCase()
{
    loadStyleSheet(QStringLiteral("bluenew"));
}

void tst_Station::init()
{
    qputenv("XDG_DATA_HOME", m_dir.path().toUtf8()); // the spool
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);
    DeviceLinkState::global().reset();
    m_tester = DemoTester::plugIn();
    m_tester->setSpeed(5.0);
    m_tester->setReferenceInterval(1);
    m_tester->setSupplyCurrent(118);
    QFile profile(path("line.json"));
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write(kProfile);
}

void tst_Station::cleanup()
{
    if (m_station && m_station->state() != Station::State::Closed) {
        m_station->shutDown();
        QTRY_COMPARE_WITH_TIMEOUT(m_station->state(), Station::State::Closed, 10000);
    }
    m_window.reset();
    m_verdicts.reset();
    m_filed.reset();
    m_station.reset();
    m_usb.reset();
    m_settings.reset();
    m_store.reset();
    QCOMPARE(SimBus::instance().openHandles(), 0);
    m_tester.reset();
    QDir(path("protocols")).removeRecursively();
    QFile::remove(path("results.sqlite"));
    QFile::remove(path("settings.ini"));
}

void tst_Station::build(const QString& db)
{
    m_store = std::make_unique<QSettings>(path("settings.ini"), QSettings::IniFormat);
    m_store->setValue("profile", path("line.json"));
    m_store->setValue("protocols", path("protocols"));
    m_store->setValue("db", path("results.sqlite"));
    StationOptions options;
    if (!db.isEmpty())
        options.dbLocation = db;
    m_settings = std::make_unique<StationSettings>(*m_store, options);
    m_usb = std::make_unique<QtUsb>();
    m_usb->setStartupPause(5);
    m_station = std::make_unique<Station>(m_usb.get());
    m_station->setTimings(3000, 50);
    m_window = std::make_unique<StationWindow>(*m_station, *m_settings);
    m_verdicts = std::make_unique<QSignalSpy>(m_station.get(), &Station::testFinished);
    m_filed = std::make_unique<QSignalSpy>(m_station.get(), &Station::filed);
    m_window->show();
    m_station->openStore(m_settings->dbLocation().value);
    m_station->connectTester();
}

void tst_Station::scan(const QString& serial)
{
    m_window->activateWindow();
    QLineEdit* field = m_window->serialField();
    QVERIFY(field->hasFocus() || QApplication::focusWidget() == nullptr);
    field->setFocus();
    QTest::keyClicks(field, serial);
    QTest::keyClick(field, Qt::Key_Return);
}

StationVerdict tst_Station::test(const QString& serial, bool filed)
{
    const int verdicts = m_verdicts->count();
    const int stored = m_filed->count();
    scan(serial);
    if (!QTest::qWaitFor([&] { return m_verdicts->count() > verdicts; }, 15000))
        qWarning("no verdict for %s", qPrintable(serial));
    if (filed && !QTest::qWaitFor([&] { return m_filed->count() > stored; }, 15000))
        qWarning("the store did not answer for %s", qPrintable(serial));
    return m_verdicts->isEmpty() ? StationVerdict()
                                 : m_verdicts->constLast().at(0).value<StationVerdict>();
}

QVector<ResultStore::Row> tst_Station::rows()
{
    QString error;
    ResultStore store(*StoreLocation::parse(path("results.sqlite"), &error), path("spool.sqlite"));
    const auto rows = store.list(ResultFilter(), false, &error);
    return rows ? *rows : QVector<ResultStore::Row>();
}

int tst_Station::powerOnRequests() const
{
    int count = 0;
    for (const SimTester::Request& r : m_tester->requests())
        if (r.frame[0] == 0x12 && r.frame[1] == 0x12 && r.frame[16] == 0x14 && r.frame[18] == 1)
            ++count;
    return count;
}

void tst_Station::plugInWithSupplyOff()
{
    std::vector<uint8_t> image = m_tester->eeprom();
    image[0x14] = 0;
    SimBus::instance().unplug(m_tester);
    m_tester = SimBus::instance().addTester(0, std::make_shared<SimTester>(image));
    m_tester->setSpeed(5.0);
    m_tester->setReferenceInterval(1);
    m_tester->setSupplyCurrent(118);
}

QStringList tst_Station::bannerText() const
{
    return QStringList{m_window->banner()->title()} + m_window->banner()->lines();
}

// Two units in a row: each its verdict, its protocol and its row; the
// unit with a 6 % sine offset fails on that item alone.
void tst_Station::goodUnitPassesOffsetUnitFails()
{
    plugInWithSupplyOff();
    {
        // Another station's test in the same store: not this station's history.
        QString error;
        ResultStore other(*StoreLocation::parse(path("results.sqlite"), &error), path("spool.sqlite"));
        QStringList warnings;
        QVERIFY(other.openForWriting(&error, &warnings));
        QCOMPARE(int(other.store(SampleResults::make("SN-0999", QDateTime::currentDateTimeUtc(), 70.0))
                         .outcome),
                 int(ResultStore::Outcome::Stored));
    }
    build();
    QTRY_VERIFY(m_station->testerOpen());
    StationVerdict good = test(QStringLiteral("SN-1001"));
    QCOMPARE(int(good.outcome), int(FinishedTest::Outcome::Pass));
    QCOMPARE(m_window->banner()->title(), StationTexts::tr("PASS"));
    QVERIFY(!m_tester->supplyOn()); // switched on for the test, off again
    QCOMPARE(m_window->serialField()->text(), QString());
    QVERIFY(m_window->serialField()->hasFocus());
    QVERIFY(QFileInfo(good.protocolPath).isFile());
    QCOMPARE(m_window->itemTable()->rowCount(), 7);
    scan(QString()); // a stray Enter keeps the verdict on screen
    QCOMPARE(m_window->banner()->title(), StationTexts::tr("PASS"));

    m_tester->setOffsets(0.06 * 512.0, 0.0);
    StationVerdict bad = test(QStringLiteral("SN-1002"));
    QCOMPARE(int(bad.outcome), int(FinishedTest::Outcome::Fail));
    QStringList failed;
    for (const ToleranceProfile::Item& item : bad.verdict.items)
        if (!item.pass)
            failed << item.name;
    QCOMPARE(failed, QStringList{"signal.offset_sin_pct_max"});
    QCOMPARE(m_window->banner()->title(), StationTexts::tr("FAIL"));
    QStringList marks;
    for (int row = 0; row < m_window->itemTable()->rowCount(); ++row)
        marks << m_window->itemTable()->item(row, 3)->text();
    QCOMPARE(marks.count(QStringLiteral("✘")), 1);
    QCOMPARE(marks.indexOf(QStringLiteral("✘")), 1); // the sine offset's row
    QVERIFY2(bannerText().join('\n').contains(StationTexts::itemLabel(failed.at(0))),
             qPrintable(bannerText().join('\n')));
    QVERIFY(bad.protocolPath != good.protocolPath && QFileInfo(bad.protocolPath).isFile());

    // A broken line fails the unit, whatever its signals.
    m_tester->setOffsets(0.0, 0.0);
    m_tester->setBrokenLines(1);
    const StationVerdict broken = test(QStringLiteral("SN-1003"));
    failed.clear();
    for (const ToleranceProfile::Item& item : broken.verdict.items)
        if (!item.pass)
            failed << item.name;
    QCOMPARE(failed, QStringList{"lines.missing_max"});
    m_tester->setBrokenLines(0);

    const QVector<ResultStore::Row> stored = rows();
    QCOMPARE(stored.size(), 4);
    QCOMPARE(stored.at(1).serial, QStringLiteral("SN-1002"));
    QCOMPARE(stored.at(1).verdict, QStringLiteral("fail"));
    QCOMPARE(stored.at(2).serial, QStringLiteral("SN-1001"));
    QCOMPARE(stored.at(2).verdict, QStringLiteral("pass"));
    QTRY_COMPARE(m_window->historyTable()->rowCount(), 3);
    bool rateShown = false;
    for (const QLabel* label : m_window->findChildren<QLabel*>())
        rateShown = rateShown || label->text() == StationTexts::tr("Today: %1 of %2 passed (%3 %)")
                                                      .arg(1)
                                                      .arg(3)
                                                      .arg("33.3");
    QVERIFY(rateShown);
    QCOMPARE(m_window->historyTable()->item(1, 1)->text(), QStringLiteral("SN-1002"));

    // The protocol says the same as the window, in text a printer keeps.
    const QString text = QString::fromUtf8(HostPrograms::output(
        QStringLiteral("pdftotext"), {"-layout", HostPrograms::path(bad.protocolPath), "-"}));
    QVERIFY2(text.contains("SN-1002") && text.contains("FAIL") &&
                 text.contains("signal.offset_sin_pct_max"),
             qPrintable(text));
    // The live path painted at most once per reply batch, never per reply.
    QVERIFY(m_window->livePaints() > 0 && m_window->livePaints() <= 3 * 12); // three 1 s tests
}

// The tester goes mid-test: aborted, stored so, reported; once it is back
// nothing switches its supply on until the next unit is scanned.
// From the test's first figures to its verdict the items table keeps its
// size and its columns, every item (a profile with all of them, along the
// travel and over speed too) in view without a scroll bar: the
// protocol's line and the figures coming take no room from it. In Chinese,
// whose lines are the taller ones.
// The tester keeps a broken line latched until told: each unit's test
// starts from a clear latch, so one unit's break never fails the next.
void tst_Station::aBrokenLineFailsOnlyItsUnit()
{
    plugInWithSupplyOff();
    build();
    QTRY_VERIFY(m_station->testerOpen());
    m_tester->setBrokenLines(1);
    const StationVerdict broken = test(QStringLiteral("SN-1101"));
    QCOMPARE(int(broken.outcome), int(FinishedTest::Outcome::Fail));
    m_tester->setBrokenLines(0);
    const StationVerdict next = test(QStringLiteral("SN-1102"));
    QCOMPARE(int(next.outcome), int(FinishedTest::Outcome::Pass));
}

void tst_Station::itemsStayInPlaceFromTestToVerdict()
{
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/UI/station_zh")));
    QCoreApplication::installTranslator(&chinese);
    const auto english = qScopeGuard([&] { QCoreApplication::removeTranslator(&chinese); });
    {
        QFile profile(path("line.json"));
        QVERIFY(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        profile.write(kEveryItem);
    }
    QVERIFY(QDir().mkpath(path("protocols"))); // no message about it before the verdict
    build();
    QTRY_VERIFY(m_station->testerOpen());
    QTableWidget* items = m_window->itemTable();
    scan(QStringLiteral("SN-3001"));
    QTRY_VERIFY(m_station->phase() == TestSequence::Phase::Recording);
    QTRY_COMPARE(items->rowCount(), 21);
    QTest::qWait(300);
    const QSize during = items->size();
    const int itemColumn = items->columnWidth(0);
    QTRY_COMPARE_WITH_TIMEOUT(m_verdicts->count(), 1, 15000);
    QTRY_VERIFY(m_window->protocolLine()->text().contains(QStringLiteral("SN-3001")));
    QTest::qWait(50); // the layout after the verdict's texts
    QCOMPARE(items->size(), during);
    QCOMPARE(items->columnWidth(0), itemColumn);
    QVERIFY(!items->verticalScrollBar()->isVisible());
    QVERIFY(items->visualItemRect(items->item(20, 0)).bottom() < items->viewport()->height());
}

void tst_Station::unplugMidTestAbortsAndSwitchesNothingOn()
{
    plugInWithSupplyOff();
    build();
    QTRY_VERIFY(m_station->testerOpen());
    scan(QStringLiteral("SN-2001"));
    QTRY_COMPARE(m_station->phase(), TestSequence::Phase::Recording);
    QTest::qWait(200);
    SimBus::instance().unplug(m_tester);
    QTRY_COMPARE_WITH_TIMEOUT(m_verdicts->count(), 1, 10000);
    const StationVerdict verdict = m_verdicts->at(0).at(0).value<StationVerdict>();
    QCOMPARE(int(verdict.outcome), int(FinishedTest::Outcome::Aborted));
    QVERIFY(verdict.linkLost);
    QCOMPARE(m_window->banner()->title(), StationTexts::tr("ABORTED"));
    QVERIFY2(bannerText().join('\n').contains("supply"), qPrintable(bannerText().join('\n')));
    QTRY_COMPARE(m_filed->count(), 1);
    QCOMPARE(rows().value(0).verdict, QStringLiteral("aborted"));

    m_tester->clearRequests();
    m_tester = SimBus::instance().addTester(0, m_tester);
    QTRY_VERIFY_WITH_TIMEOUT(m_station->testerOpen(), 2 * Station::kReconnectMs + 1000);
    QTest::qWait(500);
    QCOMPARE(powerOnRequests(), 0);
    QCOMPARE(m_station->state(), Station::State::Idle);
}

void tst_Station::escapeAbortsAndClosingMidTestStopsCleanly()
{
    plugInWithSupplyOff();
    build();
    QTRY_VERIFY(m_station->testerOpen());
    scan(QStringLiteral("SN-3001"));
    QTRY_COMPARE(m_station->phase(), TestSequence::Phase::Recording);
    QTest::keyClick(m_window->serialField(), Qt::Key_Escape);
    QTRY_COMPARE(m_verdicts->count(), 1);
    QCOMPARE(int(m_verdicts->at(0).at(0).value<StationVerdict>().outcome),
             int(FinishedTest::Outcome::Aborted));
    QVERIFY(m_window->isVisible()); // Escape stops the test, never the window
    QVERIFY(!m_tester->supplyOn());
    QTRY_COMPARE(m_filed->count(), 1);
    QCOMPARE(rows().value(0).verdict, QStringLiteral("aborted"));

    // Before the recording began: aborted for the reason the sequence gave.
    scan(QStringLiteral("SN-3000"));
    QTest::keyClick(m_window->serialField(), Qt::Key_Escape);
    QTRY_COMPARE(m_filed->count(), 2);
    QCOMPARE(rows().value(0).verdict, QStringLiteral("aborted"));
    QVERIFY2(rows().value(0).verdictReason.contains("before the recording began"),
             qPrintable(rows().value(0).verdictReason));

    // Closing while a test runs: the supply goes off, the result is kept as
    // aborted, the tester is let go, then the window closes.
    scan(QStringLiteral("SN-3002"));
    QTRY_COMPARE(m_station->phase(), TestSequence::Phase::Recording);
    QVERIFY(m_tester->supplyOn());
    m_window->close();
    QCOMPARE(m_station->state(), Station::State::Closing);
    QVERIFY(m_window->isVisible()); // until the test has wound down
    QTRY_COMPARE_WITH_TIMEOUT(m_station->state(), Station::State::Closed, 10000);
    QTRY_VERIFY(!m_window->isVisible());
    QVERIFY(!m_tester->supplyOn());
    QCOMPARE(SimBus::instance().openHandles(), 0);
    QTRY_COMPARE(m_filed->count(), 3);
    QCOMPARE(rows().value(0).serial, QStringLiteral("SN-3002"));
    QCOMPARE(rows().value(0).verdict, QStringLiteral("aborted"));
}

// What a station refuses says why, and nothing is stored for it.
void tst_Station::unitsAreRefusedBeforeTheTest()
{
    build();
    QTRY_VERIFY(m_station->testerOpen());
    const QString tooLong(SerialNumber::kMaxLength + 1, QLatin1Char('7'));
    for (const QString& serial : {QString(), QStringLiteral("   "), tooLong}) {
        scan(serial);
        QCOMPARE(m_station->state(), Station::State::Idle);
        QCOMPARE(m_window->banner()->title(), StationTexts::tr("NOT TESTED"));
    }
    QFile profile(path("line.json"));
    QVERIFY(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write(R"({"signal": {"quality_pct_mni": 40}})");
    profile.close();
    scan(QStringLiteral("SN-4001"));
    QCOMPARE(m_station->state(), Station::State::Idle);
    QVERIFY2(bannerText().join('\n').contains("quality_pct_mni"), qPrintable(bannerText().join('\n')));
    // A profile without limits would pass every unit.
    QVERIFY(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write(R"({"test": {"duration_s": 1}})");
    profile.close();
    scan(QStringLiteral("SN-4001"));
    QCOMPARE(m_station->state(), Station::State::Idle);
    QCOMPARE(m_window->banner()->title(), StationTexts::tr("NOT TESTED"));

    // The tester held by another program, then gone.
    m_station->shutDown();
    QTRY_COMPARE(m_station->state(), Station::State::Closed);
    m_window.reset();
    m_station.reset();
    QVERIFY(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write(kProfile);
    profile.close();
    QtUsb other;
    QVERIFY(other.initDevice(QtUsb::kVendorId, QtUsb::kProductId));
    SimFaults busy;
    busy.claimFailures = 1000;
    m_tester->setFaults(busy);
    build();
    QTRY_COMPARE(m_window->banner()->title(), StationTexts::tr("NO TESTER"));
    QVERIFY2(bannerText().join('\n').contains("busy"), qPrintable(bannerText().join('\n')));
    scan(QStringLiteral("SN-4002"));
    QTRY_COMPARE(m_window->banner()->title(), StationTexts::tr("NOT TESTED"));
    QVERIFY2(bannerText().join('\n').contains("busy"), qPrintable(bannerText().join('\n')));
    other.closeDevice();
    m_tester->setFaults(SimFaults());
    SimBus::instance().unplug(m_tester);
    scan(QStringLiteral("SN-4003"));
    QTRY_VERIFY(bannerText().join('\n').contains("No tester found"));
    QCOMPARE(m_verdicts->count(), 0);
    QCOMPARE(rows().size(), 0);
}

// A unit tested before says so, counting the judged tests in the store
// from any station; one that used up the profile's retests is refused,
// stored as nothing, and an aborted test uses up no retest.
void tst_Station::retestsAreShownAndLimited()
{
    QFile profile(path("line.json"));
    QVERIFY(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write(QByteArray(kProfile).replace(R"("power_on": true)",
                                               R"("power_on": true, "retests_max": 1)"));
    profile.close();
    {
        // The unit's first test, at another station.
        QString error;
        ResultStore other(*StoreLocation::parse(path("results.sqlite"), &error), path("spool.sqlite"));
        QStringList warnings;
        QVERIFY(other.openForWriting(&error, &warnings));
        TestResult first = SampleResults::make("SN-5001", QDateTime::currentDateTimeUtc(), 30.0);
        first.station = QStringLiteral("station-2");
        QCOMPARE(int(other.store(first).outcome), int(ResultStore::Outcome::Stored));
    }
    build();
    QTRY_VERIFY(m_station->testerOpen());
    const StationVerdict fresh = test(QStringLiteral("SN-5002"));
    QCOMPARE(fresh.retest, 0);
    QVERIFY2(!bannerText().join('\n').contains("retest"), qPrintable(bannerText().join('\n')));

    // Escape before its verdict: aborted, no retest used.
    scan(QStringLiteral("SN-5001"));
    QTRY_VERIFY(bannerText().join('\n').contains("SN-5001 (retest 1)"));
    QTRY_COMPARE(m_station->phase(), TestSequence::Phase::Recording);
    QTest::keyClick(m_window->serialField(), Qt::Key_Escape);
    QTRY_COMPARE(m_verdicts->count(), 2);
    QTRY_COMPARE(m_filed->count(), 2);

    const StationVerdict retest = test(QStringLiteral("SN-5001"));
    QCOMPARE(int(retest.outcome), int(FinishedTest::Outcome::Pass));
    QCOMPARE(retest.retest, 1);
    QVERIFY2(bannerText().join('\n').contains("SN-5001 (retest 1)"),
             qPrintable(bannerText().join('\n')));

    // Two judged tests, one retest allowed: refused, nothing stored.
    scan(QStringLiteral("SN-5001"));
    QTRY_COMPARE(m_window->banner()->title(), StationTexts::tr("NOT TESTED"));
    QVERIFY2(bannerText().join('\n').contains("retests_max"), qPrintable(bannerText().join('\n')));
    QCOMPARE(m_station->state(), Station::State::Idle);
    QCOMPARE(m_verdicts->count(), 3);
    QCOMPARE(rows().size(), 4);
    QCOMPARE(rows().first().attempt, 3); // the pass, after the failure and the abort
}

// A server out of reach: the verdict still comes, the result waits in the
// spool and the window says so. A protocol folder that takes no files: a
// visible error, the result stored all the same.
void tst_Station::storeAndProtocolFolderProblemsAreShown()
{
    const QString server = QStringLiteral("postgresql://line@/results?host=%1").arg(path("nosocket"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        QSKIP("this Qt has no PostgreSQL driver (a setup error, not a server out of reach)");
    build(server);
    QTRY_VERIFY(m_station->testerOpen());
    QTRY_VERIFY(m_window->storeLine()->text().contains("Cannot reach"));
    const StationVerdict spooled = test(QStringLiteral("SN-5001"));
    QCOMPARE(int(spooled.outcome), int(FinishedTest::Outcome::Pass));
    QVERIFY2(m_window->storeLine()->text().contains("spool"), qPrintable(m_window->storeLine()->text()));
    QString error;
    QCOMPARE(ResultSpool(StoreLocation::defaultSpoolPath())
                 .pending(StoreLocation::parse(server, &error)->display()),
             1);
    m_station->shutDown();
    QTRY_COMPARE(m_station->state(), Station::State::Closed);
    m_window.reset();
    m_station.reset();

    QDir(path("protocols")).removeRecursively();
    QFile blocker(path("protocols"));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    build();
    QTRY_VERIFY(m_station->testerOpen());
    const StationVerdict unwritten = test(QStringLiteral("SN-5002"));
    QCOMPARE(int(unwritten.outcome), int(FinishedTest::Outcome::Pass));
    QVERIFY(unwritten.protocolPath.isEmpty());
    QVERIFY(!unwritten.protocolError.isEmpty());
    QVERIFY2(m_window->protocolLine()->text().contains(unwritten.protocolError),
             qPrintable(m_window->protocolLine()->text()));
    QCOMPARE(rows().value(0).serial, QStringLiteral("SN-5002"));
    QFile::remove(path("protocols"));
    m_station->shutDown();
    QTRY_COMPARE(m_station->state(), Station::State::Closed);
    m_window.reset();
    m_station.reset();

    // A store that cannot be used at all: no unit is tested, for its result
    // would be lost.
    QFile corrupt(path("corrupt.sqlite"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray(4096, 'x'));
    corrupt.close();
    build(path("corrupt.sqlite"));
    QTRY_VERIFY(m_window->storeLine()->text().contains("unusable"));
    scan(QStringLiteral("SN-5003"));
    QCOMPARE(m_station->state(), Station::State::Idle);
    QCOMPARE(m_window->banner()->title(), StationTexts::tr("NOT TESTED"));
}

void tst_Station::commandLineOverridesAreNotRemembered()
{
    QSettings store(path("settings.ini"), QSettings::IniFormat);
    store.setValue("profile", "/remembered.json");
    QString error;
    const auto options =
        StationOptions::parse({"--profile", path("kiosk.json"), "--protocols", path("out/")}, &error);
    QVERIFY2(options, qPrintable(error));
    StationSettings settings(store, *options);
    QCOMPARE(settings.profilePath().value, path("kiosk.json"));
    QVERIFY(settings.profilePath().fixed);
    QCOMPARE(settings.protocolFolder().value, path("out"));
    QVERIFY(!settings.setProfilePath("/chosen.json"));
    QCOMPARE(store.value("profile").toString(), QStringLiteral("/remembered.json"));
    QVERIFY(!StationOptions::parse({"--profile", ""}, &error));
    QVERIFY(!StationOptions::parse({"stray"}, &error));
    QCOMPARE(error, QStringLiteral("Unexpected argument: stray"));
    QVERIFY(!StationOptions::parse({""}, &error));
    QVERIFY(!StationOptions::parse({"--db"}, &error));
    // Long options with one dash too (a kiosk's start-up line).
    const auto oneDash = StationOptions::parse({"-protocols", path("one-dash")}, &error);
    QVERIFY2(oneDash, qPrintable(error));
    QCOMPARE(oneDash->protocolFolder, std::optional<QString>(path("one-dash")));
}

// A profile with a limit along the travel, the encoder swept back and forth
// over 20 periods with a dirty band on the second half: the unit fails that
// item, the strip shows both bins, the protocol has the travel page.
void tst_Station::travelIsJudgedAndShown()
{
    QFile profile(path("line.json"));
    QVERIFY(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write(R"({"signal": {"quality_pct_min": 40},
                      "travel": {"bin_periods": 10, "amplitude_variation_pct_max": 10},
                      "test": {"duration_s": 3, "power_on": true}})");
    profile.close();
    SimSweep::Profile sweep;
    sweep.from = 0.0;
    sweep.to = 20.0;
    sweep.maxSpeed = 20.0;
    m_tester->moveTo(0.0);
    m_tester->setSweep(sweep);
    m_tester->setDirtyBand(10.0, 10.0, 0.25);
    build();
    QTRY_VERIFY(m_station->testerOpen());
    const StationVerdict verdict = test(QStringLiteral("SN-2001"));
    QCOMPARE(int(verdict.outcome), int(FinishedTest::Outcome::Fail));
    QStringList failed;
    double variation = 0.0;
    for (const ToleranceProfile::Item& item : verdict.verdict.items)
        if (!item.pass) {
            failed << item.name;
            variation = item.value;
        }
    QCOMPARE(failed, QStringList{"travel.amplitude_variation_pct_max"});
    QVERIFY2(variation > 25.0 && variation < 35.0, qPrintable(QString::number(variation)));
    const auto* strip = m_window->findChild<TravelStripView*>(QStringLiteral("travelStrip"));
    QVERIFY(strip);
    QCOMPARE(strip->travel().binsMeasured, 2);
    QVERIFY(strip->travel().amplitudeMin.atMm > 0.2); // the second bin, 0.2-0.4 mm
    const QString text = QString::fromUtf8(HostPrograms::output(
        QStringLiteral("pdftotext"), {"-layout", HostPrograms::path(verdict.protocolPath), "-"}));
    QVERIFY2(text.contains("Signal along the travel") && text.contains("Reference marks by direction"),
             qPrintable(text));
}

QTEST_MAIN(tst_Station)
#include "tst_Station.moc"
