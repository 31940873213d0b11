// Renders the production station's window at its real size in each state,
// on the simulated tester, in Chinese (as it runs) and in English, and
// keeps the protocols it wrote for pdftoppm.
//
//     QT_QPA_PLATFORM=offscreen station_gallery <folder>
#include "DemoTester.h"
#include "Gallery.h"
#include "QtUsb.h"
#include "SimBus.h"
#include "SimTester.h"
#include "Station.h"
#include "StationSettings.h"
#include "StationWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdio>

namespace {

Gallery g_gallery;

void run(int ms)
{
    Gallery::run(ms);
}

template <typename Done>
void runUntil(Done done, int ms = 15000)
{
    Gallery::run(ms, done);
}

// The example profile's eighteen items (recorder/example-profile.json),
// bins of two periods for the short sweep of a two-second test.
const char* const kProfile = R"({
    "signal": {"quality_pct_min": 40, "quality_pct_max": 99.5, "offset_sin_pct_max": 3, "offset_cos_pct_max": 3,
               "amplitude_ratio_min": 0.9, "amplitude_ratio_max": 1.1,
               "phase_deviation_deg_max": 3, "interpolation_error_pct_max": 1.5},
    "latch": {"spread_max_periods": 1},
    "current_ma": {"min": 50, "max": 250},
    "lines": {"missing_max": 0},
    "travel": {"bin_periods": 2, "amplitude_variation_pct_max": 10, "worst_offset_pct_max": 3,
               "worst_phase_deviation_deg_max": 3, "worst_amplitude_ratio_min": 0.9,
               "worst_amplitude_ratio_max": 1.1},
    "test": {"duration_s": 2, "power_on": true, "retests_max": 1}
})";

// One station window through every state, saved as <prefix>_<state>.png.
void renderStates(const QString& prefix, const QString& work)
{
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    tester->setSpeed(5.0);
    tester->setReferenceInterval(1);
    tester->setSupplyCurrent(118);
    tester->setOffsets(4.0, -3.0);
    tester->setImbalance(0.97, 1.2);

    QSettings store(QDir(work).filePath(prefix + QStringLiteral(".ini")), QSettings::IniFormat);
    store.setValue("profile", QDir(work).filePath("line.json"));
    store.setValue("protocols", QDir(work).filePath(prefix + QStringLiteral("_protocols")));
    store.setValue("db", QDir(work).filePath(prefix + QStringLiteral(".sqlite")));
    store.setValue("operator", QStringLiteral("Mei Lin"));
    StationSettings settings(store, StationOptions());
    QtUsb usb;
    usb.setStartupPause(5);
    Station station(&usb);
    station.setTimings(3000, 50);
    StationWindow window(station, settings);
    window.show();
    station.openStore(settings.dbLocation().value);
    station.connectTester();
    run(400);
    g_gallery.save(&window, prefix + QStringLiteral("_idle"), false);

    auto scan = [&](const QString& serial) {
        window.serialField()->setText(serial);
        QMetaObject::invokeMethod(window.serialField(), "returnPressed");
    };
    int verdicts = 0;
    QObject::connect(&station, &Station::testFinished, [&verdicts] { ++verdicts; });
    int filed = 0;
    QObject::connect(&station, &Station::filed, [&filed] { ++filed; });

    scan(QStringLiteral("RP-240117-0031"));
    runUntil([&] { return station.phase() == TestSequence::Phase::Recording; });
    run(1200);
    g_gallery.save(&window, prefix + QStringLiteral("_testing"), false);
    runUntil([&] { return verdicts == 1 && filed == 1; });
    run(200);
    g_gallery.save(&window, prefix + QStringLiteral("_pass"), false);

    tester->setOffsets(0.06 * 512.0, -3.0);
    tester->setDirtyBand(tester->shaftPhase() + 4.0, 3.0, 0.25); // just ahead of the shaft
    scan(QStringLiteral("RP-240117-0032"));
    runUntil([&] { return verdicts == 2 && filed == 2; });
    run(200);
    g_gallery.save(&window, prefix + QStringLiteral("_fail"), false);

    // The failed unit again: its retest passes; a third time it is refused
    // (the profile allows one retest).
    tester->setOffsets(4.0, -3.0);
    scan(QStringLiteral("RP-240117-0032"));
    runUntil([&] { return station.phase() == TestSequence::Phase::Recording; });
    run(600);
    g_gallery.save(&window, prefix + QStringLiteral("_retest_testing"), false);
    runUntil([&] { return verdicts == 3 && filed == 3; });
    run(200);
    g_gallery.save(&window, prefix + QStringLiteral("_retest_pass"), false);
    scan(QStringLiteral("RP-240117-0032"));
    runUntil([&] { return station.state() == Station::State::Idle; });
    run(300);
    g_gallery.save(&window, prefix + QStringLiteral("_retests_used_up"), false);

    scan(QStringLiteral("RP-240117-0033"));
    runUntil([&] { return station.phase() == TestSequence::Phase::Recording; });
    run(600);
    SimBus::instance().unplug(tester);
    runUntil([&] { return verdicts == 4 && filed == 4; });
    run(200);
    g_gallery.save(&window, prefix + QStringLiteral("_aborted"), false);

    scan(QStringLiteral("RP-240117-0034"));
    run(300);
    g_gallery.save(&window, prefix + QStringLiteral("_no_tester"), false);

    // Another program holds the tester: the station keeps looking, and a
    // scanned unit is refused with the reason.
    tester->setFaults([] {
        SimFaults f;
        f.claimFailures = 1000;
        return f;
    }());
    SimBus::instance().addTester(0, tester);
    run(Station::kReconnectMs + 500);
    scan(QStringLiteral("RP-240117-0035"));
    run(300);
    g_gallery.save(&window, prefix + QStringLiteral("_busy"), false);

    station.shutDown();
    runUntil([&] { return station.state() == Station::State::Closed; });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    if (!g_gallery.begin(argc, argv, "station_gallery"))
        return 2;
    QTranslator station;
    station.load(QStringLiteral(":/UI/station_zh"));
    QTemporaryDir work;
    QFile profile(QDir(work.path()).filePath("line.json"));
    if (!profile.open(QIODevice::WriteOnly))
        return 1;
    profile.write(kProfile);
    profile.close();

    QApplication::installTranslator(&station);
    renderStates(QStringLiteral("station_zh"), work.path());
    QApplication::removeTranslator(&station);
    g_gallery.setChinese(false);
    renderStates(QStringLiteral("station_en"), work.path());

    // The protocols the English run wrote (pass, fail, aborted), and each
    // page as a picture at 100 dpi where pdftoppm is installed.
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir protocols(QDir(work.path()).filePath("station_en_protocols"));
    const QStringList names = protocols.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    const QStringList kinds{QStringLiteral("pass"), QStringLiteral("fail"), QStringLiteral("aborted")};
    for (int i = 0; i < names.size() && i < kinds.size(); ++i) {
        const QString pdf = out.filePath(QStringLiteral("station_protocol_%1.pdf").arg(kinds.at(i)));
        QFile::remove(pdf);
        QFile::copy(protocols.filePath(names.at(i)), pdf);
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                           QStringLiteral("-singlefile"), pdf, pdf.chopped(4)});
        std::printf("%s\n", qPrintable(pdf.chopped(4) + QStringLiteral(".png")));
    }
    return 0;
}
