// The test program's executables as a user starts them: one copy per user,
// the refusal of a second copy, the take-over of a stale socket name, the
// version they carry, the demo reaching the measurement view, the
// recorder run from its command line on the simulated tester, and a test it
// stored listed by rotaprobe-results.
#include "FileVersionReader.h"
#include "LocalSocketName.h"
#include "ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// The single-instance guard is named after the executable's file name
// ("Rotaprobe.exe" on Windows).
const QString kGuard = ProgramFiles::testProgram();

} // namespace

class tst_Programs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void versions();
    void secondCopyIsRefused();
    void copyUnderAnotherNameRunsAlone();
#ifndef Q_OS_WIN
    void staleSocketNameIsTakenOver();
#endif
    void demoReachesTheMeasurementView();
    void recorderOnTheSimulatedTester();
    void recorderExitCodes();
    void storedTestIsListed();

private:
    QProcess* start(const QString& program, const QStringList& loggingRules = {});
    bool waitForServer(const QString& name, int ms);
    static bool waitForText(QProcess* process, const QByteArray& text, int ms);
    static QByteArray allStderr(QProcess* process);
    void stop(QProcess* process);

    QList<QProcess*> m_processes;
};

void tst_Programs::init()
{
    QFile::remove(LocalSocketName::forName(kGuard));
}

void tst_Programs::cleanup()
{
    for (QProcess* process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        delete process;
    }
    m_processes.clear();
}

QProcess* tst_Programs::start(const QString& program, const QStringList& loggingRules)
{
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_WIN
    // Real windows, so that terminate()'s WM_CLOSE reaches the program.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("windows"));
#else
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#endif
    if (!loggingRules.isEmpty())
        env.insert(QStringLiteral("QT_LOGGING_RULES"), loggingRules.join(QLatin1Char(';')));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(QDir::tempPath());
    process->start(program, QStringList());
    m_processes << process;
    return process;
}

bool tst_Programs::waitForServer(const QString& name, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QLocalSocket socket;
        socket.connectToServer(LocalSocketName::forName(name));
        if (socket.waitForConnected(100))
            return true;
        QTest::qWait(50);
    }
    return false;
}

// Waits until everything the process wrote to stderr so far holds `text`.
bool tst_Programs::waitForText(QProcess* process, const QByteArray& text, int ms)
{
    QByteArray seen = process->property("stderr").toByteArray();
    QElapsedTimer timer;
    timer.start();
    while (!seen.contains(text) && timer.elapsed() < ms &&
           process->state() != QProcess::NotRunning) {
        process->waitForReadyRead(50);
        seen += process->readAllStandardError();
        seen.replace("\r\n", "\n"); // Windows writes text with CR LF
    }
    seen += process->readAllStandardError();
    seen.replace("\r\n", "\n");
    process->setProperty("stderr", seen);
    if (!seen.contains(text))
        qWarning("%s", seen.right(2000).constData());
    return seen.contains(text);
}

// Everything the process wrote to stderr, including what waitForText read.
QByteArray tst_Programs::allStderr(QProcess* process)
{
    QByteArray seen = process->property("stderr").toByteArray() + process->readAllStandardError();
    process->setProperty("stderr", seen);
    return seen;
}

// As at logout: SIGTERM (WM_CLOSE on Windows) ends the program through its
// event loop.
void tst_Programs::stop(QProcess* process)
{
    process->terminate();
#ifdef Q_OS_WIN
    // WM_CLOSE goes to the program's windows: one sent before its first
    // window exists is lost, so it goes again until the program ends.
    QElapsedTimer timer;
    timer.start();
    while (!process->waitForFinished(500) && timer.elapsed() < 10000)
        process->terminate();
    QCOMPARE(process->state(), QProcess::NotRunning);
#else
    QVERIFY(process->waitForFinished(10000));
#endif
    if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
        qWarning("%s", allStderr(process).right(4000).constData());
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 0);
}

void tst_Programs::versions()
{
    QCOMPARE(FileVersionReader::read(QStringLiteral(ROTAPROBE_EXECUTABLE)),
             QStringLiteral("1.0.0.15"));
    QCOMPARE(FileVersionReader::read(QStringLiteral(ROTAPROBE_DEMO_EXECUTABLE)),
             QStringLiteral("1.0.0.15"));
}

void tst_Programs::secondCopyIsRefused()
{
    QProcess* first = start(QStringLiteral(ROTAPROBE_EXECUTABLE));
    QVERIFY(waitForServer(kGuard, 10000));
#ifdef Q_OS_WIN
    // No libusb-win32 on this machine: the program runs all the same and
    // says why no tester opens.
    QVERIFY(waitForText(first, "libusb0.dll is missing", 10000));
#endif

#ifndef Q_OS_WIN
    // The guard's socket lives in a directory only this user can enter (a
    // named pipe on Windows, in the session's own name space).
    const QFileInfo socket(LocalSocketName::forName(kGuard));
    QVERIFY(!socket.absolutePath().isEmpty());
    QVERIFY(socket.absolutePath() != QDir::tempPath());
    const QFileInfo dir(socket.absolutePath());
    QCOMPARE(dir.ownerId(), uint(::getuid()));
    QCOMPARE(int(dir.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther)),
             0);
#endif

    // The second copy says so on stderr and shows its box until closed.
    QProcess* second = start(QStringLiteral(ROTAPROBE_EXECUTABLE));
    QVERIFY(waitForText(second, (kGuard + QStringLiteral(" already running.\n")).toUtf8(), 10000));
    QTest::qWait(300);
    QCOMPARE(second->state(), QProcess::Running);
    stop(second);
    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(waitForServer(kGuard, 2000));
    stop(first);
    // Its style sheet, catalogue and images are linked in.
    QVERIFY2(!allStderr(first).contains("AppLook:"), allStderr(first).constData());
}

void tst_Programs::copyUnderAnotherNameRunsAlone()
{
    QProcess* first = start(QStringLiteral(ROTAPROBE_EXECUTABLE));
    QVERIFY(waitForServer(kGuard, 10000));
    QTemporaryDir dir;
#ifdef Q_OS_WIN
    const QString copy = dir.filePath(QStringLiteral("RotaprobeCopy.exe"));
#else
    const QString copy = dir.filePath(QStringLiteral("RotaprobeCopy"));
#endif
    QVERIFY(QFile::copy(QStringLiteral(ROTAPROBE_EXECUTABLE), copy));
    QProcess* other = start(copy);
    QVERIFY(waitForServer(QFileInfo(copy).fileName(), 10000));
    QVERIFY(!other->readAllStandardError().contains("already running"));
    stop(other);
    stop(first);
}

#ifndef Q_OS_WIN
// Unix only: a named pipe goes with the last handle to it.
void tst_Programs::staleSocketNameIsTakenOver()
{
    // A socket file left by a copy that ended abnormally: bound, never
    // listened on, not removed.
    const QString path = LocalSocketName::forName(kGuard);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    QVERIFY(size_t(encoded.size()) < sizeof(address.sun_path));
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));

    QProcess* program = start(QStringLiteral(ROTAPROBE_EXECUTABLE));
    QVERIFY(waitForServer(kGuard, 10000));
    QVERIFY(!program->readAllStandardError().contains("already running"));
    stop(program);
}
#endif

void tst_Programs::demoReachesTheMeasurementView()
{
    QProcess* demo = start(QStringLiteral(ROTAPROBE_DEMO_EXECUTABLE),
                           {QStringLiteral("rotaprobe.view.debug=true")});
    QVERIFY(waitForText(demo, "view: measuring", 20000));
    // The supply found on is switched off once, ending in a device reset.
    QVERIFY(waitForText(demo, "Reset Successful!", 20000));
    stop(demo);
    // Its style sheet, catalogue and images are linked in.
    QVERIFY2(!allStderr(demo).contains("AppLook:"), allStderr(demo).constData());
}

namespace {

struct Finished
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Finished run(const QString& program, const QStringList& arguments,
             const QString& dataHome = QString())
{
    QProcess process;
    process.setWorkingDirectory(QDir::tempPath());
    if (!dataHome.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    Finished done;
    if (!process.waitForFinished(30000))
        return done;
    done.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    done.out = process.readAllStandardOutput();
    done.err = process.readAllStandardError();
    return done;
}

Finished runRecorder(const QStringList& arguments)
{
    return run(QStringLiteral(ROTAPROBE_RECORD_EXECUTABLE), arguments);
}

} // namespace

// `rotaprobe-record --simulate` hands over to the build on the simulated
// tester, whose encoder is a little off: the report must find what was set.
void tst_Programs::recorderOnTheSimulatedTester()
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    const Finished run = runRecorder({"--simulate", "--seconds", "1.5", "--csv", csv, "--json"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(run.err.isEmpty(), run.err.constData()); // no device log without --verbose
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const int rows = file.readAll().count('\n') - 1;
    QVERIFY2(rows > 300, run.out.constData());
    QCOMPARE(json.value("replies").toInt(), rows);

    const QJsonObject signal = json.value("signal").toObject();
    QVERIFY2(signal.value("valid").toBool(), run.out.constData());
    const auto near = [&](const char* name, double expected, double tolerance) {
        const double value = signal.value(QLatin1String(name)).toDouble();
        if (qAbs(value - expected) > tolerance)
            qWarning("%s = %g, expected %g", name, value, expected);
        return qAbs(value - expected) <= tolerance;
    };
    QVERIFY(near("offset_sin_pct", 6.0 / 512 * 100, 0.1));
    QVERIFY(near("offset_cos_pct", -4.0 / 512 * 100, 0.1));
    QVERIFY(near("amplitude_ratio", 0.97, 0.003));
    QVERIFY(near("phase_deviation_deg", 1.5, 0.2));
    QCOMPARE(json.value("current_ma").toObject().value("mean").toDouble() > 115, true);
}

void tst_Programs::recorderExitCodes()
{
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("strict.json"));
    QFile file(profile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"signal": {"phase_deviation_deg_max": 0.5}})");
    file.close();

    // The example profile's own test time: a second is too short a travel
    // for the bins its travel items need.
    Finished run = runRecorder({"--simulate", "--seconds", "3",
                                "--profile", QStringLiteral(ROTAPROBE_SOURCE_DIR "/recorder/example-profile.json")});
    QVERIFY2(run.exitCode == 0, run.out.constData());
    QVERIFY(run.out.contains("Verdict: PASS"));
    // A dirty band on the scale, set for the simulated build from the
    // environment: the example profile's travel item finds it, the
    // protocol's second page draws it.
    const QString banded = dir.filePath(QStringLiteral("banded.pdf"));
    qputenv("ROTAPROBE_SIM_TRAVEL", "sweep=0:100:25:25:1,band=40:40:20");
    run = runRecorder({"--simulate", "--seconds", "8", "--pdf", banded,
                       "--profile", QStringLiteral(ROTAPROBE_SOURCE_DIR "/recorder/example-profile.json")});
    qunsetenv("ROTAPROBE_SIM_TRAVEL");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains("FAIL travel.amplitude_variation_pct_max") &&
                 run.out.contains("pass travel.worst_offset_pct_max"),
             run.out.constData());
#ifndef Q_OS_WIN // pdftotext is a Linux tool
    QProcess travelText;
    travelText.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), banded, QStringLiteral("-")});
    QVERIFY(travelText.waitForFinished(10000));
    const QByteArray pages = travelText.readAllStandardOutput();
    QCOMPARE(pages.count('\f'), 2); // page one holds the eighteen items and the signal
    QVERIFY2(pages.contains("Signal along the travel") && pages.contains("Supply current"),
             pages.constData());
#endif
    // The failed test's protocol says so, item by item.
    const QString pdf = dir.filePath(QStringLiteral("SN-7.pdf"));
    run = runRecorder({"--simulate", "--seconds", "1", "--profile", profile, "--pdf", pdf});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains("FAIL signal.phase_deviation_deg_max"), run.out.constData());
    QFile written(pdf);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.read(5) == "%PDF-");
#ifndef Q_OS_WIN // pdftotext is a Linux tool
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(10000));
    const QByteArray text = pdftotext.readAllStandardOutput();
    for (const char* expected : {"Encoder test protocol", "FAIL", "1 of 1 items failed",
                                 "signal.phase_deviation_deg_max", "strict.json", "Supply current"})
        QVERIFY2(text.contains(expected), text.constData());
#endif
    // A protocol that cannot be written stops the run before the tester is opened.
    run = runRecorder({"--simulate", "--seconds", "1", "--pdf", dir.filePath(QStringLiteral("no/such/p.pdf"))});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("Cannot write the protocol"), run.err.constData());
    QVERIFY(run.out.isEmpty());
    run = runRecorder({"--simulate", "--seconds", "1", "--sekonds"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("--help"));
    run = runRecorder({"--help"});
    QCOMPARE(run.exitCode, 0);
    for (const char* option : {"--seconds", "--csv", "--pdf", "--json", "--profile", "--power-on",
                               "--simulate", "--verbose", "Exit status"})
        QVERIFY2(run.out.contains(option), option);
}

// What a user does first: record a test under a serial number, then list
// the history, both with the default store (in XDG_DATA_HOME; on Windows in
// the user's local application data, which no variable moves).
void tst_Programs::storedTestIsListed()
{
    QTemporaryDir data;
#ifdef Q_OS_WIN
    const QString store = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                              .filePath(QStringLiteral("rotaprobe/results.sqlite"));
    QFile::remove(store);
#else
    const QString store = data.filePath("rotaprobe/results.sqlite");
#endif
    Finished done = run(QStringLiteral(ROTAPROBE_RECORD_EXECUTABLE),
                        {"--simulate", "--seconds", "1", "--serial", "DEMO-1"}, data.path());
    QVERIFY2(done.exitCode == 0, done.err.constData());
    QVERIFY2(done.err.contains("Stored as test 1"), done.err.constData());
    QVERIFY2(QFileInfo::exists(store), qPrintable(store));
    done = run(QStringLiteral(ROTAPROBE_RESULTS_EXECUTABLE), {"list"}, data.path());
    QVERIFY2(done.exitCode == 0, done.err.constData());
    const QList<QByteArray> lines = done.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1); // one line per test
    QVERIFY2(lines.at(0).contains(" DEMO-1 ") && lines.at(0).contains(" pass "),
             done.out.constData());
    done = run(QStringLiteral(ROTAPROBE_RESULTS_EXECUTABLE), {"--help"}, data.path());
    QCOMPARE(done.exitCode, 0);
    QVERIFY(done.out.contains("Exit status"));
#ifdef Q_OS_WIN
    QFile::remove(store);
#endif
}

QTEST_GUILESS_MAIN(tst_Programs)
#include "tst_Programs.moc"
