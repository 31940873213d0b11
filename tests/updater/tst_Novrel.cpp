// The updater: its window, the whole update procedure against the reference
// service in a temporary program folder, the refused and failed cases, and
// the real Novrel executable.
#include "BackgroundButton.h"
#include "FakeExecutable.h"
#include "HttpFaultServer.h"
#include "Novrel.h"
#include "ProgramFiles.h"
#include "ReferenceService.h"
#include "ReleaseKey.h"
#include "ReleaseManifest.h"
#include "ReleaseProblemText.h"
#include "ReleaseSignature.h"
#include "RootEnvironment.h"
#include "TestFiles.h"
#include "TestKeys.h"
#include "UpdateCheck.h"
#include "UpdateRoutines.h"
#include "iHttpDownloadS.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kTester = ProgramFiles::testProgram();

// A test program that leaves the file "started" in its working folder.
QByteArray markingProgram()
{
#ifdef Q_OS_WIN
    return readFile(QStringLiteral(FAKE_UPDATER));
#else
    return "#!/bin/sh\ntouch started\n";
#endif
}

} // namespace

class TestNovrel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowAtStart();
    void windowShowsEveryTextWhole();
    void releaseOfThreeFilesInListOrder();
    void leftoversAreNeverInstalled();
    void releaseNotSignedByTheMakerInstallsNothing_data();
    void releaseNotSignedByTheMakerInstallsNothing();
#ifndef Q_OS_WIN // symbolic links, modes and umask: Unix only
    void plantedLinksAndOpenFoldersAreRefused();
#endif
    void failureOnTheSecondFileThenRetry();
    void diskFullIsADownloadFailure();
    void unsafeNamesAreRefused();
    void noAnswerIsAFailure();
    void fileThatCannotBeInstalledIsReported();
    void pressWhileRunningIsIgnored();
    void quitDuringADownloadInstallsNothing();
    void cancelEndsWithoutStartingTheTestProgram();
    void finishedStartsTheTestProgram();
    void realExecutable();
    void realExecutableTakesNoArguments();
#ifndef Q_OS_WIN // root, strace and an X server: Linux only
    void realExecutableStartsNothingAndUsesNoBus();
#endif

private:
    // Presses the update button; the procedure runs inside the press.
    QStringList runUpdate();
    QString folder(const QString& name) const { return m_folder->filePath(name); }
    QStringList downloads() const
    {
        return QDir(folder(QStringLiteral("NovrelTemp"))).entryList(QDir::Files, QDir::Name);
    }

    ReferenceService m_service;
    QString m_startDir;
    QTemporaryDir* m_folder = nullptr;
    Novrel* m_window = nullptr;
};

void TestNovrel::initTestCase()
{
    QVERIFY2(m_service.start(), "php -S did not start (php-cli is installed by tools/setup.sh)");
    m_startDir = QDir::currentPath();
}

void TestNovrel::init()
{
    m_folder = new QTemporaryDir;
    QDir::setCurrent(m_folder->path());
    UpdateCheck::setProgramFolder(m_folder->path());
    ReleaseKey::set(TestKeys::publicKey());
    writeFile(kTester, fakeExecutable(QStringLiteral("1.0.0.15"), "old tester"));
    QFile::setPermissions(kTester, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(QStringLiteral("a.txt"), "old a");
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"),
                      {{kTester, fakeExecutable(QStringLiteral("1.0.0.16"), "new tester")},
                       {QStringLiteral("a.txt"), "new a"},
                       {QStringLiteral("b.dat"), QByteArray(300000, 'b')}});
    m_window = new Novrel;
    m_window->setServiceRoot(m_service.root());
    m_window->show();
}

void TestNovrel::cleanup()
{
    // The window quits the application on some paths. Nested event loops
    // refuse to run after that until the application's own loop has run.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    delete m_window;
    m_window = nullptr;
    QDir::setCurrent(m_startDir);
    UpdateCheck::reset();
    ReleaseKey::reset();
    delete m_folder;
    m_folder = nullptr;
}

QStringList TestNovrel::runUpdate()
{
    QStringList hints;
    const auto connection = connect(m_window, &Novrel::hintShown, this,
                                    [&hints](const QString& text) { hints.append(text); });
    QTest::mouseClick(m_window->updateButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    disconnect(connection);
    return hints;
}

void TestNovrel::windowAtStart()
{
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
    QCOMPARE(m_window->cancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(m_window->versionLabel()->text(), QStringLiteral("MainApp Ver:1.0.0.15"));
    QVERIFY(m_window->progressBar()->isHidden());
    QCOMPARE(m_window->windowFlags(), Qt::WindowFlags(0xE800) | Qt::Window);
    QVERIFY(!m_window->settingButton() && m_window->closeButton());

    QFile::remove(kTester);
    Novrel bare;
    QCOMPARE(bare.versionLabel()->text(), QStringLiteral("MainApp Ver:"));
}

namespace {

// The label shows all of its text: it is visible, its text needs no more
// room than it has (wrapped labels: the longest word and the wrapped height),
// and it lies inside `within`'s contents.
void verifyShownWhole(QLabel* label, QWidget* within)
{
    const QString what = label->text();
    QVERIFY2(label->isVisible(), qPrintable(what));
    const int needWidth =
        label->wordWrap() ? label->minimumSizeHint().width() : label->sizeHint().width();
    const int needHeight = label->wordWrap() ? label->heightForWidth(label->width())
                                             : label->sizeHint().height();
    QVERIFY2(needWidth <= label->width(), qPrintable(what));
    QVERIFY2(needHeight <= label->height(), qPrintable(what));
    const QRect at(label->mapTo(within, QPoint(0, 0)), label->size());
    QVERIFY2(within->contentsRect().contains(at), qPrintable(what));
}

} // namespace

void TestNovrel::windowShowsEveryTextWhole()
{
    // Chinese and English, an empty and a long version, each state's texts.
    // As the program runs: its style sheet read as Latin-1, its catalogue.
    QFile sheet(QStringLiteral(":/UI/bluenew"));
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    qApp->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/UI/novrel_zh")));
    const QString longVersion = QStringLiteral("65535.65535.65535.65535");
    auto text = [](const char* source) { return QCoreApplication::translate("Novrel", source); };
    for (bool zh : {false, true}) {
        if (zh)
            QCoreApplication::installTranslator(&chinese);
        for (const QString& version : {QString(), longVersion}) {
            if (version.isEmpty())
                QFile::remove(kTester);
            else
                QVERIFY(writeFile(kTester, fakeExecutable(version)));
            Novrel window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            // 400 x 200 cannot hold the 390 x 160 group box and the button
            // row: the window grows to its contents and no further (frame
            // 4 x 41, body margins 10, box, spacing 5, button row 25). The
            // box itself is taller than 160 only when its texts need it.
            auto* group = window.findChild<QGroupBox*>();
            QVERIFY(group);
            QCOMPARE(group->width(), 390);
            QCOMPARE(group->height(), qMax(160, group->heightForWidth(390)));
            QCOMPARE(window.size(), QSize(414, 251 + group->height() - 160));
            QCOMPARE(window.versionLabel()->text(), text("MainApp Ver:%1").arg(version));

            // The rows in order, the buttons below the box in order, on the right.
            QCOMPARE(window.versionLabel()->parentWidget(), group);
            QVERIFY(window.versionLabel()->y() < window.hintLabel()->y());
            QCOMPARE(window.updateButton()->text(), text("Novrel"));
            QCOMPARE(window.cancelButton()->text(), text("Cancel"));
            QVERIFY(window.updateButton()->x() + window.updateButton()->width() <
                    window.cancelButton()->x());
            QCOMPARE(window.cancelButton()->geometry().right(), group->geometry().right());
            QVERIFY(window.updateButton()->y() > group->geometry().bottom());

            struct State
            {
                QString version, hint, button;
                bool progress;
            };
            const QString file = ProgramFiles::testProgram();
            QList<State> states = {
                {text("MainApp Ver:%1"), text("Click the update button to obtain the latest "
                                              "version information, and update."),
                 text("Novrel"), false},
                {text("MainApp Ver:%1"), text("Is in the backup file %1").arg(file), text("Novrel"),
                 true},
                {text("MainApp Ver:%1"), text("Downloading files %1").arg(file), text("Novrel"),
                 true},
                {text("MainApp Ver:%1"), text("Software download update failed"), text("Novrel"),
                 true},
                {text("MainApp Ver:%1"), text("Software update failed"), text("Novrel"), false},
                {text("MainApp Ver Novrel:%1"), text("Software update success"), text("Finished"),
                 false},
            };
            for (int problem = int(ReleaseProblem::NoKey); problem <= int(ReleaseProblem::TimedOut); ++problem)
                states.append({text("MainApp Ver:%1"), ReleaseProblemText::text(ReleaseProblem(problem)),
                               text("Novrel"), false});
            for (const State& state : states) {
                window.versionLabel()->setText(state.version.arg(version));
                window.hintLabel()->setText(state.hint);
                window.updateButton()->setText(state.button);
                window.progressBar()->setVisible(state.progress);
                for (int i = 0; i < 3; ++i)
                    QApplication::processEvents(); // the box, then the window
                verifyShownWhole(window.versionLabel(), group);
                verifyShownWhole(window.hintLabel(), group);
                QVERIFY(window.hintLabel()->geometry().bottom() < group->contentsRect().bottom());
                if (state.progress) {
                    QVERIFY(window.hintLabel()->geometry().bottom() < window.progressBar()->y());
                    QVERIFY(group->contentsRect().contains(window.progressBar()->geometry()));
                }
                for (BackgroundButton* button : {window.updateButton(), window.cancelButton()})
                    verifyShownWhole(button->textLabel(), button);
                QCOMPARE(window.size(), QSize(414, 251 + group->height() - 160));
            }
        }
        QCoreApplication::removeTranslator(&chinese);
    }
    qApp->setStyleSheet(QString());
}

void TestNovrel::releaseOfThreeFilesInListOrder()
{
    const QStringList hints = runUpdate();
    QCOMPARE(hints, QStringList({"Is in the backup file " + kTester, "Downloading files " + kTester,
                                 "Is in the backup file a.txt", "Downloading files a.txt",
                                 "Is in the backup file b.dat", "Downloading files b.dat",
                                 "Software update success"}));
    // Fetched in list order.
    QStringList fetched;
    for (const QJsonObject& request : m_service.requests())
        if (request.value("method").toString() == QLatin1String("GET"))
            fetched.append(request.value("uri").toString().section('/', -1));
    QCOMPARE(fetched.mid(fetched.size() - 3), QStringList({kTester, "a.txt", "b.dat"}));

    QCOMPARE(readFile(QStringLiteral("OldFile/") + kTester), fakeExecutable(QStringLiteral("1.0.0.15"), "old tester"));
    QCOMPARE(readFile(QStringLiteral("OldFile/a.txt")), QByteArray("old a"));
    QVERIFY(!QFile::exists(QStringLiteral("OldFile/b.dat"))); // was not installed
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("new a"));
    QCOMPARE(readFile(QStringLiteral("b.dat")).size(), 300000);
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.16"));
    QVERIFY(QFileInfo(kTester).isExecutable());
    QVERIFY(downloads().isEmpty());
    QCOMPARE(m_window->versionLabel()->text(), QStringLiteral("MainApp Ver Novrel:1.0.0.16"));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Finished"));
    QVERIFY(m_window->progressBar()->isHidden());
}

void TestNovrel::leftoversAreNeverInstalled()
{
    // Whatever lies in the download folder (an interrupted run, or planted
    // there) is removed, never installed: only the release's files are.
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"),
                      {{QStringLiteral("a.txt"), "new a"}});
    QDir().mkpath(folder(QStringLiteral("NovrelTemp")));
    writeFile(QStringLiteral("NovrelTemp/left.cfg"), "from an interrupted run");
    writeFile(QStringLiteral("NovrelTemp/") + kTester, "planted");
    QCOMPARE(runUpdate().last(), QStringLiteral("Software update success"));
    QVERIFY(!QFile::exists(QStringLiteral("left.cfg")));
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.15"));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("new a"));
    QVERIFY(downloads().isEmpty());
}

void TestNovrel::releaseNotSignedByTheMakerInstallsNothing_data()
{
    QTest::addColumn<QString>("attack");
    QTest::addColumn<int>("problem");
    QTest::newRow("no signature") << "no signature" << int(ReleaseProblem::NotSigned);
    QTest::newRow("foreign key") << "foreign key" << int(ReleaseProblem::NotSigned);
    QTest::newRow("tampered manifest") << "tampered manifest" << int(ReleaseProblem::NotSigned);
    QTest::newRow("tampered file") << "tampered file" << int(ReleaseProblem::BadFile);
    QTest::newRow("over-size file") << "over-size file" << int(ReleaseProblem::BadFile);
    QTest::newRow("old signed release") << "downgrade" << int(ReleaseProblem::NotNewer);
    QTest::newRow("expired manifest") << "expired" << int(ReleaseProblem::Expired);
    QTest::newRow("manifest without expiry") << "no expiry" << int(ReleaseProblem::Expired);
    QTest::newRow("build without a key") << "no key" << int(ReleaseProblem::NoKey);
}

void TestNovrel::releaseNotSignedByTheMakerInstallsNothing()
{
    QFETCH(QString, attack);
    QFETCH(int, problem);
    const QString manifest = m_service.releaseDir() + QStringLiteral("/release.manifest");
    if (attack == QLatin1String("no signature")) {
        QVERIFY(QFile::remove(manifest + QStringLiteral(".sig")));
    } else if (attack == QLatin1String("foreign key")) {
        m_service.putManifest(m_service.manifest(), ReleaseSignature::generate().secretKey);
    } else if (attack == QLatin1String("tampered manifest")) {
        // The digest of a.txt swapped for that of other content, signature kept.
        const QByteArray text = m_service.manifest();
        const QByteArray digest = ReleaseManifest::parse(text)->file(QStringLiteral("a.txt"))->sha256;
        QVERIFY(writeFile(manifest, QByteArray(text).replace(
                                        digest, QCryptographicHash::hash("EVILa", QCryptographicHash::Sha256).toHex())));
        m_service.putAppFile(QStringLiteral("a.txt"), "EVILa");
    } else if (attack == QLatin1String("tampered file")) {
        m_service.putAppFile(QStringLiteral("a.txt"), "EVILa"); // the same size
    } else if (attack == QLatin1String("over-size file")) {
        m_service.putAppFile(QStringLiteral("b.dat"), QByteArray(3000000, 'b'));
    } else if (attack == QLatin1String("downgrade")) {
        m_service.publish(QStringLiteral("0.9.9.99"), QStringLiteral("1.0.0.2"),
                          {{kTester, fakeExecutable(QStringLiteral("0.9.9.99"), "old release")}});
    } else if (attack == QLatin1String("expired") || attack == QLatin1String("no expiry")) {
        // The maker's own signature, on a manifest whose time is up (an old
        // release held out by the service), or from before expiries.
        ReleaseManifest stale = *ReleaseManifest::parse(m_service.manifest());
        stale.expires = attack == QLatin1String("expired") ? QDateTime::currentDateTimeUtc().addSecs(-2)
                                                           : QDateTime();
        m_service.putManifest(stale.serialize(), TestKeys::secretKey());
    } else {
        ReleaseKey::set(QByteArray());
    }
    QCOMPARE(runUpdate().last(), ReleaseProblemText::text(ReleaseProblem(problem)));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.15"));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("old a"));
    QVERIFY(!QFile::exists(QStringLiteral("b.dat")));
    QVERIFY(downloads().isEmpty());
}

#ifndef Q_OS_WIN
void TestNovrel::plantedLinksAndOpenFoldersAreRefused()
{
    // Whatever the caller's umask, nothing planted in the updater's folders
    // is written through, and a folder others may write to is not used.
    const mode_t umaskBefore = ::umask(0);
    QTemporaryDir outside;
    const QString victim = outside.filePath(QStringLiteral("victim"));
    QVERIFY(writeFile(victim, "victim"));
    QVERIFY(QFile::setPermissions(victim, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QDir().mkdir(folder(QStringLiteral("NovrelTemp"))));
    QVERIFY(QDir().mkdir(folder(QStringLiteral("OldFile"))));
    for (const QString& name : {QStringLiteral("NovrelTemp"), QStringLiteral("OldFile")})
        QVERIFY(QFile::setPermissions(folder(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QFile::link(victim, folder(QStringLiteral("NovrelTemp/")) + kTester));
    QVERIFY(QFile::link(victim, folder(QStringLiteral("NovrelTemp/a.txt"))));
    QVERIFY(QFile::link(victim, folder(QStringLiteral("OldFile/a.txt"))));

    const QString last = runUpdate().last();
    ::umask(umaskBefore);
    QCOMPARE(last, QStringLiteral("Software update success"));
    QCOMPARE(readFile(victim), QByteArray("victim"));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(victim).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QCOMPARE(readFile(QStringLiteral("OldFile/a.txt")), QByteArray("old a"));
    QVERIFY(!QFileInfo(QStringLiteral("OldFile/a.txt")).isSymLink());
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("new a"));
    for (const QString& file : {QStringLiteral("a.txt"), QStringLiteral("b.dat"), kTester})
        QVERIFY2(!(QFileInfo(file).permissions() & (QFile::WriteGroup | QFile::WriteOther)), qPrintable(file));
    QVERIFY(!(QFileInfo(kTester).permissions() & QFile::WriteOther));
    QVERIFY(downloads().isEmpty());

    // A download folder others may write to is refused before anything is fetched.
    const QString temp = folder(QStringLiteral("NovrelTemp"));
    QVERIFY(QFile::setPermissions(temp, QFileDevice::Permissions(0x7777)));
    QVERIFY(writeFile(temp + QStringLiteral("/") + kTester, "planted"));
    m_service.publish(QStringLiteral("1.0.0.17"), QStringLiteral("1.0.0.2"),
                      {{QStringLiteral("a.txt"), "newer a"}});
    delete m_window;
    m_window = new Novrel;
    m_window->setServiceRoot(m_service.root());
    QCOMPARE(runUpdate(), QStringList({"Software update failed"}));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("new a"));
    QCOMPARE(readFile(temp + QStringLiteral("/") + kTester), QByteArray("planted")); // not touched
}
#endif

void TestNovrel::failureOnTheSecondFileThenRetry()
{
    // The file goes from the service after the list was given out.
    const auto connection = connect(m_window, &Novrel::hintShown, this, [this](const QString& text) {
        if (text == QLatin1String("Is in the backup file a.txt"))
            QFile::remove(m_service.releaseDir() + QStringLiteral("/App/a.txt"));
    });
    const QStringList hints = runUpdate();
    disconnect(connection);
    QCOMPARE(hints.last(), QStringLiteral("Software download update failed"));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
    QVERIFY(downloads().isEmpty()); // nothing kept to be installed later
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.15")); // nothing installed
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("old a"));
    QCOMPARE(readFile(QStringLiteral("OldFile/a.txt")), QByteArray("old a")); // its backup was made

    // The file is back on the service: the next press runs the whole procedure.
    m_service.putAppFile(QStringLiteral("a.txt"), "new a");
    QCOMPARE(runUpdate().last(), QStringLiteral("Software update success"));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("new a"));
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.16"));
    QVERIFY(downloads().isEmpty());
}

void TestNovrel::diskFullIsADownloadFailure()
{
    if (!FileSizeLimit::available())
        QSKIP("no per-process file size cap on this system to stand in for a full disk");
    // Room for the first two files, not for the 300000 bytes of the third.
    QStringList hints;
    {
        FileSizeLimit full(200000);
        hints = runUpdate();
    }
    QCOMPARE(hints.mid(hints.size() - 2), QStringList({"Downloading files b.dat", "Software download update failed"}));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
    QVERIFY(downloads().isEmpty());
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("old a")); // nothing installed
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.15"));
    QVERIFY(!QFile::exists(QStringLiteral("b.dat")));

    QCOMPARE(runUpdate().last(), QStringLiteral("Software update success"));
    QCOMPARE(readFile(QStringLiteral("b.dat")), QByteArray(300000, 'b'));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("new a"));
}

void TestNovrel::unsafeNamesAreRefused()
{
    for (const char* list : {"FileList,good.txt,../evil", "FileList,/etc/cron.d/x",
                             "FileList,..\\Windows\\x.dll", "FileList,C:x", "FileList,sub/file",
                             "FileList,good.txt,NovrelTemp", "FileList,oldfile", "FileList,.profile",
                             "FileList,CON.txt", "FileList,lpt1", "FileList,good.txt.",
                             "FileList,good.txt ", "FileList,a|b", "FileList,a#b",
                             "FileList,50%25"}) {
        HttpFaultServer evil(HttpFaultServer::Serve, list);
        QVERIFY(evil.start());
        m_window->setServiceRoot(evil.root());
        QCOMPARE(runUpdate(), QStringList({"Software update failed"}));
        QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
    }
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp"))));
    QVERIFY(!QFile::exists(folder(QStringLiteral("OldFile"))));
    QVERIFY(!QFile::exists(folder(QStringLiteral("good.txt"))));
    QVERIFY(!QFile::exists(QDir(m_folder->path()).absoluteFilePath(QStringLiteral("../evil"))));
}

void TestNovrel::noAnswerIsAFailure()
{
    QDir().mkpath(folder(QStringLiteral("NovrelTemp")));
    writeFile(QStringLiteral("NovrelTemp/left.cfg"), "left");
    m_window->setServiceRoot(QStringLiteral("http://127.0.0.1:%1").arg(ReferenceService::freePort()));
    QCOMPARE(runUpdate(), QStringList({"Software update failed"}));
    HttpFaultServer failing(HttpFaultServer::ServerError);
    QVERIFY(failing.start());
    m_window->setServiceRoot(failing.root());
    QCOMPARE(runUpdate(), QStringList({"Software update failed"}));
    // A 200 that is not a file list (a guest network's sign-in page), a
    // redirect that leads nowhere, a reply beyond the size cap: no answer.
    HttpFaultServer signIn(HttpFaultServer::Serve, "<html>Sign in to the guest network</html>");
    HttpFaultServer nowhere(HttpFaultServer::RedirectNowhere);
    HttpFaultServer endless(HttpFaultServer::Endless, "F");
    for (HttpFaultServer* server : {&signIn, &nowhere, &endless}) {
        QVERIFY(server->start());
        m_window->setServiceRoot(server->root());
        QCOMPARE(runUpdate(), QStringList({"Software update failed"}));
    }
    QVERIFY(!QFile::exists(QStringLiteral("left.cfg"))); // nothing installed
    QVERIFY(downloads().isEmpty());
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
}

void TestNovrel::fileThatCannotBeInstalledIsReported()
{
    // Installed in the order a.txt, n.txt (new), the test program, z.dat; a
    // folder stands where z.dat is to go, so it cannot be installed after
    // the others were: they go back, the program folder holds the old
    // release alone.
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"),
                      {{kTester, fakeExecutable(QStringLiteral("1.0.0.16"), "new tester")},
                       {QStringLiteral("a.txt"), "new a"},
                       {QStringLiteral("n.txt"), "new n"},
                       {QStringLiteral("z.dat"), "new z"}});
#ifndef Q_OS_WIN // file modes: Unix only
    QCOMPARE(::chmod(QFile::encodeName(kTester).constData(), 0750), 0);
#endif
    // A file whose backup cannot be made is not replaced: nothing is.
    QVERIFY(QDir().mkpath(folder(QStringLiteral("OldFile/a.txt"))));
    QStringList hints = runUpdate();
    QCOMPARE(hints.last(), QStringLiteral("Software update failed"));
    QVERIFY(!hints.contains(QStringLiteral("Downloading files a.txt")));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("old a"));
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.15"));
    QVERIFY(downloads().isEmpty());
    QVERIFY(QDir(folder(QStringLiteral("OldFile/a.txt"))).removeRecursively());

    QDir().mkdir(folder(QStringLiteral("z.dat")));
    hints = runUpdate();
    QCOMPARE(hints.last(), QStringLiteral("Software update failed"));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("old a"));
    QVERIFY(!QFile::exists(QStringLiteral("n.txt")));
    QCOMPARE(readFile(kTester), fakeExecutable(QStringLiteral("1.0.0.15"), "old tester"));
#ifndef Q_OS_WIN
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(kTester).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0750)); // its own mode, as before
#endif
    QVERIFY(QFileInfo(folder(QStringLiteral("z.dat"))).isDir());
    QVERIFY(downloads().isEmpty());
    QCOMPARE(readFile(QStringLiteral("OldFile/a.txt")), QByteArray("old a")); // backups stay

    QDir(folder(QStringLiteral("z.dat"))).removeRecursively();
    QCOMPARE(runUpdate().last(), QStringLiteral("Software update success"));
    QCOMPARE(readFile(QStringLiteral("z.dat")), QByteArray("new z"));
    QCOMPARE(readFile(QStringLiteral("n.txt")), QByteArray("new n"));
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.16"));
    QCOMPARE(readFile(QStringLiteral("OldFile/") + kTester),
             fakeExecutable(QStringLiteral("1.0.0.15"), "old tester"));
}

void TestNovrel::pressWhileRunningIsIgnored()
{
    int presses = 0;
    connect(m_window, &Novrel::hintShown, this, [&](const QString& text) {
        if (text.startsWith(QStringLiteral("Downloading")) && presses++ == 0)
            QTimer::singleShot(0, this, [this] {
                QVERIFY(m_window->isUpdating());
                QTest::mouseClick(m_window->updateButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            });
    });
    const int before = m_service.requests().size();
    QCOMPARE(runUpdate().last(), QStringLiteral("Software update success"));
    int queries = 0;
    const QList<QJsonObject> requests = m_service.requests();
    for (int i = before; i < requests.size(); ++i)
        queries += requests[i].value("method").toString() == QLatin1String("POST");
    QCOMPARE(queries, 1);
    QVERIFY(!m_window->isUpdating());
}

void TestNovrel::quitDuringADownloadInstallsNothing()
{
    // The window closed (application quitting) while the second file downloads.
    connect(m_window, &Novrel::hintShown, this, [](const QString& text) {
        if (text == QLatin1String("Downloading files a.txt"))
            QCoreApplication::exit(0);
    });
    const QStringList hints = runUpdate();
    QVERIFY(!hints.contains(QStringLiteral("Software update success")));
    QVERIFY(downloads().isEmpty()); // nothing is left to install
    QCOMPARE(readFile(QStringLiteral("a.txt")), QByteArray("old a"));
    QCOMPARE(GetFileVersion(kTester), QStringLiteral("1.0.0.15"));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Novrel"));
}

void TestNovrel::cancelEndsWithoutStartingTheTestProgram()
{
    writeFile(kTester, markingProgram());
    QFile::setPermissions(kTester, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSignalSpy closed(m_window, &YDialog::sysclose);
    QTest::mouseClick(m_window->cancelButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_COMPARE(closed.count(), 1);
    QTRY_VERIFY(!m_window->isVisible());
    QTest::qWait(200);
    QVERIFY(!QFile::exists(QStringLiteral("started")));
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp"))));
}

void TestNovrel::finishedStartsTheTestProgram()
{
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"),
                      {{kTester, markingProgram()}});
    QCOMPARE(runUpdate().last(), QStringLiteral("Software update success"));
    QCOMPARE(m_window->updateButton()->text(), QStringLiteral("Finished"));
    QVERIFY(QFileInfo(kTester).isExecutable()); // the installed program's permissions stay
    // Run as root, the updater starts the test program as its caller only
    // (here sudo's, nobody, in a folder nobody may use).
#ifdef Q_OS_WIN
    const bool root = false; // elevation is no user change on Windows
#else
    const bool root = ::geteuid() == 0;
#endif
    if (root) {
        qputenv("SUDO_UID", "65534");
        QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::Permissions(0x7777)));
        QVERIFY(QFile::setPermissions(kTester, QFileDevice::Permissions(0x7755)));
    }
    QTest::mouseClick(m_window->updateButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    qunsetenv("SUDO_UID");
    QTRY_VERIFY(QFile::exists(folder(QStringLiteral("started"))));
    if (root)
        QCOMPARE(QFileInfo(folder(QStringLiteral("started"))).ownerId(), 65534u);
    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
}

void TestNovrel::realExecutable()
{
    const QString novrel = QStringLiteral(NOVREL_EXECUTABLE);
    QCOMPARE(GetFileVersion(novrel), QStringLiteral("1.0.0.2"));

    QProcess process;
    process.setWorkingDirectory(m_folder->path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_WIN
    // Real windows, so that terminate()'s WM_CLOSE reaches the program.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("windows"));
#else
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#endif
    process.setProcessEnvironment(env);
    process.start(novrel, QStringList());
    QVERIFY(process.waitForStarted(5000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardError()).contains("Novrel window shown"), 10000);
#ifdef Q_OS_WIN
    process.terminate(); // WM_CLOSE, as a session end does
#else
    ::kill(pid_t(process.processId()), SIGTERM); // asks it to quit, as a session end does
#endif
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp")))); // it did nothing on its own
}

void TestNovrel::realExecutableTakesNoArguments()
{
    // Qt reads its own options from the command line, a plug-in folder among
    // them: run as root, the updater would load the caller's code. A probe
    // plug-in writes a marker when it is loaded; the test program (which
    // takes Qt's options) loads it, the updater must not even build its
    // application object.
    const QString marker = QStringLiteral(MARKER_PLUGIN_FILE);
    const QStringList probe = {QStringLiteral("-platformpluginpath"),
                               QStringLiteral(MARKER_PLUGIN_DIR), QStringLiteral("-platform"),
                               QStringLiteral("rotaprobemarker")};
    QFile::remove(marker);
    QProcess control;
    control.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    control.start(QStringLiteral(ROTAPROBE_EXECUTABLE), probe);
    // The probe is no platform: Qt ends the program (on Windows after a
    // message box nobody closes here).
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker) || control.state() == QProcess::NotRunning, 20000);
    control.kill();
    control.waitForFinished(5000);
    QVERIFY2(QFile::exists(marker), "the probe plug-in is not loaded even where it should be");

    QFile::remove(marker);
    for (const QStringList& arguments : {probe, QStringList({QStringLiteral("x")})}) {
        QProcess process;
        process.start(QStringLiteral(NOVREL_EXECUTABLE), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(!QFile::exists(marker));
    }
}

#ifndef Q_OS_WIN
namespace {

// A display number nobody uses, for a private X server.
int freeDisplay()
{
    for (int display = 90; display < 300; ++display)
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
            return display;
    return -1;
}

// The process ids of `pid`'s children.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    QFile file(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& child : file.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                children.append(child.trimmed().toLongLong());
    return children;
}

} // namespace

void TestNovrel::realExecutableStartsNothingAndUsesNoBus()
{
    // Run as root on the caller's X display, Qt's D-Bus library would start
    // `dbus-launch --autolaunch` (and run whatever bus address an X client
    // of the caller publishes), the accessibility bridge and a desktop
    // theme would reach out for a bus. The updater, on a real X server,
    // under a tracer, starts no program and connects to no bus; helpers
    // planted on the caller's PATH leave a marker if they run.
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (strace.isEmpty() || xvfb.isEmpty())
        QSKIP("needs strace and Xvfb (tools/setup.sh installs them)");
    const int display = freeDisplay();
    QVERIFY(display > 0);
    QProcess server;
    server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("640x480x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(server.waitForStarted(5000));
    const auto stopServer = qScopeGuard([&server] {
        server.terminate();
        server.waitForFinished(5000);
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)), 10000);

    const QString marker = folder(QStringLiteral("helper-ran"));
    QVERIFY(QDir().mkdir(folder(QStringLiteral("bin"))));
    for (const char* helper : {"dbus-launch", "dbus-daemon", "at-spi-bus-launcher",
                               "xdg-desktop-portal", "gsettings", "dconf", "gio", "xdg-open"}) {
        const QString path = folder(QStringLiteral("bin/")) + QLatin1String(helper);
        QVERIFY(writeFile(path, "#!/bin/sh\necho \"$0\" >> '" + QFile::encodeName(marker) + "'\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    // The caller's session as a desktop has it, less its bus address.
    QProcessEnvironment caller;
    caller.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    caller.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    caller.insert(QStringLiteral("PATH"), folder(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin"));
    caller.insert(QStringLiteral("HOME"), m_folder->path());
    caller.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    caller.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("xdgdesktopportal"));
    caller.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    caller.insert(QStringLiteral("GTK_MODULES"), QStringLiteral("gail:atk-bridge"));
    caller.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("65534"));
    // As root the updater replaces this itself; otherwise it gets what it
    // would have kept as root.
    QProcessEnvironment environment = ::geteuid() == 0 ? caller : RootEnvironment::kept(caller);
    // A sanitizer build: LeakSanitizer cannot run under a tracer.
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       QString::fromLocal8Bit(sanitizer + (sanitizer.isEmpty() ? "" : ":") +
                                              "detect_leaks=0"));

    const QString trace = folder(QStringLiteral("trace"));
    QProcess traced;
    traced.setWorkingDirectory(m_folder->path());
    traced.setProcessEnvironment(environment);
    traced.start(strace, {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-e"),
                          QStringLiteral("trace=execve,connect"), QStringLiteral("-o"), trace,
                          QStringLiteral(NOVREL_EXECUTABLE)});
    QVERIFY(traced.waitForStarted(5000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += traced.readAllStandardError()).contains("Novrel window shown") ||
                                 traced.state() == QProcess::NotRunning,
                             20000);
    if (!output.contains("Novrel window shown")) {
        if (output.contains("PTRACE"))
            QSKIP("strace may not trace here");
        QFAIL(output.constData());
    }
    QTest::qWait(1500); // the event loop runs: the accessibility bridge would start now
    const QList<qint64> novrel = childrenOf(traced.processId());
    QCOMPARE(novrel.size(), 1);
    ::kill(pid_t(novrel.first()), SIGTERM);
    QVERIFY(traced.waitForFinished(10000));
    QCOMPARE(traced.exitCode(), 0);

    QStringList started;
    QStringList buses;
    bool displayUsed = false;
    for (const QByteArray& line : readFile(trace).split('\n')) {
        if (line.contains("execve("))
            started.append(QString::fromLocal8Bit(line));
        else if (line.contains("connect(") && line.contains("bus"))
            buses.append(QString::fromLocal8Bit(line));
        displayUsed |= line.contains("connect(") && line.contains(".X11-unix/X");
    }
    QVERIFY2(displayUsed, "the updater did not use the X server");
    // The updater itself, nothing else (not even a failed attempt).
    QVERIFY2(started.size() == 1, qPrintable(started.join(QLatin1Char('\n'))));
    QVERIFY(started.first().contains(QStringLiteral(NOVREL_EXECUTABLE)));
    QVERIFY2(buses.isEmpty(), qPrintable(buses.join(QLatin1Char('\n'))));
    QVERIFY2(!QFile::exists(marker), readFile(marker).constData());
}
#endif

QTEST_MAIN(TestNovrel)
#include "tst_Novrel.moc"
