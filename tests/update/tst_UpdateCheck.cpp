// The test program's side of updating, against the reference service on
// loopback in a temporary program folder: the start-up check, the update
// dialog's two presses, the hand-off to the updater (a real process), the
// main window's prompt and the close during the check; the Linux start
// routes of the platform layer and the updater's own start-up.
#include "AutoNovrel.h"
#include "BackgroundButton.h"
#include "BoxCatcher.h"
#include "DeviceLinkState.h"
#include "FakeExecutable.h"
#include "HotPlugSource.h"
#include "HttpFaultServer.h"
#include "InvokingUser.h"
#include "ProgramFiles.h"
#include "ReferenceService.h"
#include "ReleaseKey.h"
#include "ReleaseManifest.h"
#include "ReleaseProblemText.h"
#include "ReleaseSignature.h"
#include "RootEnvironment.h"
#include "SimBus.h"
#include "StartElevated.h"
#include "TestFiles.h"
#include "TestKeys.h"
#include "Tesvane.h"
#include "UpdateCheck.h"
#include "UpdateRoutines.h"
#include "YSoftNovrel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kTester = ProgramFiles::testProgram();
const QString kUpdater = ProgramFiles::updater();
const QString kFakeUpdater = QStringLiteral(FAKE_UPDATER);     // carries 1.0.0.3
const QString kNovrel = QStringLiteral(NOVREL_EXECUTABLE);       // the real updater
const QString kRotaprobe = QStringLiteral(ROTAPROBE_EXECUTABLE); // the real test program

// Whether QCoreApplication::quit() was called: a quit leaves every new
// event loop returning -1 at once until the application's own loop has run.
bool quitRequested()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == -1;
}

void resetQuitState()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

#ifndef Q_OS_WIN
bool makeExecutable(const QString& path)
{
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                           QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther);
}

bool writeScript(const QString& path, const QByteArray& body)
{
    return writeFile(path, "#!/bin/sh\n" + body) && makeExecutable(path);
}
#endif

// Answers every query with version 1.0.0.3 and every download with the
// headers and a first chunk of a large file, then nothing.
class StallingUpdaterService : public QTcpServer
{
    Q_OBJECT

public:
    StallingUpdaterService()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                if (request.startsWith("POST")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 15\r\nConnection: close\r\n\r\n"
                                  "version=1.0.0.3");
                    socket->disconnectFromHost();
                } else if (request.startsWith("GET")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
                    socket->write(QByteArray(1000, 'x'));
                    QTimer::singleShot(200, this, &StallingUpdaterService::stalled);
                }
            });
        });
    }

signals:
    void stalled();
};

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void versionRules();
    void startupCheck_data();
    void startupCheck();
    void startupCheckNeedsAnInstalledProgram();
    void closingDuringTheStartupCheck();
    void promptAndMenuOpenTheDialog();

    void firstPress_data();
    void firstPress();
    void firstPressInChinese();
    void unsignedReleasesAreNotOffered_data();
    void unsignedReleasesAreNotOffered();
    void everyRefusalIsShownWhole();
    void programFolderIsTheExecutablesOwn();
    void pressDuringAQueryIsIgnored();
    void secondPressWithTheSameUpdater();
    void secondPressWithANewerUpdater();
    void badUpdaterDownloadChangesNothing_data();
    void badUpdaterDownloadChangesNothing();
    void cancelDuringTheDownloadHandsNothingOver();
    void updaterThatCannotStartKeepsTheProgram();

    void linuxRoutes();
#ifndef Q_OS_WIN // pkexec and uids: Linux only
    void ownFolderIsUpdatedAsTheUser();
    void pkexecOutcomes();
    void updaterStartsTheTestProgramAsTheCaller();
#endif
    void updaterWorksInItsOwnFolder();

private:
    QString folder(const QString& name) const { return m_folder->filePath(name); }
    YSoftNovrel* makeDialog(int width = 430);
    // Puts the updater the service offers beside the release.
    void offerUpdater(const QByteArray& content);
    int updaterDownloads() const;

    ReferenceService m_service;
    QString m_startDir;
    QTemporaryDir* m_folder = nullptr;
    YSoftNovrel* m_dialog = nullptr;
};

void TestUpdateCheck::initTestCase()
{
    QVERIFY2(m_service.start(), "php -S did not start (php-cli is installed by tools/setup.sh)");
    m_startDir = QDir::currentPath();
    QCOMPARE(GetFileVersion(kFakeUpdater), QStringLiteral("1.0.0.3"));
    QCOMPARE(GetFileVersion(kRotaprobe), QStringLiteral("1.0.0.15"));
}

void TestUpdateCheck::init()
{
    m_folder = new QTemporaryDir;
    QDir::setCurrent(m_folder->path());
    writeFile(kTester, fakeExecutable(QStringLiteral("1.0.0.15"), "installed tester"));
    writeFile(kUpdater, fakeExecutable(QStringLiteral("1.0.0.2"), "installed updater"));
    ReleaseKey::set(TestKeys::publicKey());
    UpdateCheck::setProgramFolder(m_folder->path());
    // Releases are signed as if the fake updater were the one on offer.
    m_service.setSignedUpdater(readFile(kFakeUpdater));
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"), {});
    QFile::remove(m_service.releaseDir() + QLatin1Char('/') + kUpdater); // no updater offered
    UpdateCheck::setServiceRoot(m_service.root());
    SimBus::instance().reset();
    DeviceLinkState::global().reset();
}

void TestUpdateCheck::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    resetQuitState();
    UpdateCheck::reset();
    UpdateCheck::setServiceRoot(QString());
    ReleaseKey::reset();
    QDir::setCurrent(m_startDir);
    delete m_folder;
    m_folder = nullptr;
}

YSoftNovrel* TestUpdateCheck::makeDialog(int width)
{
    m_dialog = new YSoftNovrel(nullptr, QStringLiteral("Soft Novrel"), 35, width, 130);
    m_dialog->show();
    return m_dialog;
}

void TestUpdateCheck::offerUpdater(const QByteArray& content)
{
    writeFile(m_service.releaseDir() + QLatin1Char('/') + kUpdater, content);
}

int TestUpdateCheck::updaterDownloads() const
{
    int count = 0;
    for (const QJsonObject& request : m_service.requests())
        count += request.value("method").toString() == QLatin1String("GET") &&
                 request.value("uri").toString().endsWith(QLatin1Char('/') + kUpdater);
    return count;
}

// ------------------------------------------------------------ plain rules

void TestUpdateCheck::versionRules()
{
    using UpdateCheck::announcedVersion;
    QCOMPARE(announcedVersion(true, QStringLiteral("version=1.0.0.16")), QStringLiteral("1.0.0.16"));
    QCOMPARE(announcedVersion(true, QStringLiteral("version=2")), QStringLiteral("2"));
    // A failed exchange is no answer whatever its body says.
    QVERIFY(!announcedVersion(false, QStringLiteral("version=1.0.0.16")));
    for (const char* body : {"Version=1.0.0.16", "version=", "version=1.0.0.16\n",
                             "version=1.0.0.16.1", "version=1..0.16", "version=<b>9</b>",
                             "version=1.0.0.1234567890", "<html>version=1.0.0.16</html>"})
        QVERIFY2(!announcedVersion(true, QString::fromLatin1(body)), body);

    using UpdateCheck::startupOffers;
    const QString installed = QStringLiteral("1.0.0.15");
    QVERIFY(startupOffers(QStringLiteral("1.0.0.16"), installed));
    QVERIFY(startupOffers(QStringLiteral("1.1.5.0"), QStringLiteral("1.2.0.0"))); // part by part
    QVERIFY(!startupOffers(installed, installed));
    QVERIFY(!startupOffers(QStringLiteral("1.0.0.14"), installed));
    QVERIFY(!startupOffers(std::nullopt, installed));
    QVERIFY(!startupOffers(QStringLiteral("1.0.0.16"), QString())); // nothing installed here

    // What may be installed over what: releases in the order they are made.
    using ReleaseTrust::isLaterVersion;
    QVERIFY(isLaterVersion(QStringLiteral("1.0.0.16"), installed));
    QVERIFY(isLaterVersion(QStringLiteral("1.1"), installed));
    QVERIFY(!isLaterVersion(QStringLiteral("1.1.5.0"), QStringLiteral("1.2.0.0")));
    QVERIFY(!isLaterVersion(QStringLiteral("0.9.9.99"), installed));
    QVERIFY(!isLaterVersion(installed, installed));
    QVERIFY(isLaterVersion(QStringLiteral("1.0.0.1"), QString())); // nothing installed yet
}

// ------------------------------------------------------- start-up check

void TestUpdateCheck::startupCheck_data()
{
    QTest::addColumn<int>("server"); // -1: the reference service, else a HttpFaultServer mode
    QTest::addColumn<QString>("announced");
    QTest::addColumn<int>("prompts");
    QTest::newRow("same") << -1 << "1.0.0.15" << 0;
    QTest::newRow("older") << -1 << "1.0.0.14" << 0;
    QTest::newRow("newer") << -1 << "1.0.0.16" << 1;
    QTest::newRow("error status") << int(HttpFaultServer::ServerError) << "version=1.0.0.16" << 0;
    QTest::newRow("sign-in page") << int(HttpFaultServer::Serve)
                                  << "<html><body>version=1.0.0.16</body></html>" << 0;
    QTest::newRow("refused connection") << int(HttpFaultServer::NotFound) << "" << 0;
}

void TestUpdateCheck::startupCheck()
{
    QFETCH(int, server);
    QFETCH(QString, announced);
    QFETCH(int, prompts);
    AutoNovrel check;
    std::unique_ptr<HttpFaultServer> fault;
    if (server < 0) {
        m_service.publish(announced, QStringLiteral("1.0.0.2"), {});
        check.setServiceRoot(m_service.root());
    } else if (announced.isEmpty()) {
        check.setServiceRoot(QStringLiteral("http://127.0.0.1:%1").arg(ReferenceService::freePort()));
    } else {
        fault = std::make_unique<HttpFaultServer>(HttpFaultServer::Mode(server), announced.toUtf8());
        QVERIFY(fault->start());
        check.setServiceRoot(fault->root());
    }
    QSignalSpy newVer(&check, &AutoNovrel::NewVer);
    check.start(QThread::HighestPriority);
    // The servers live on this thread: keep serving while the check runs.
    QTRY_VERIFY_WITH_TIMEOUT(check.isFinished(), 10000);
    QCOMPARE(newVer.count(), prompts);
    if (fault)
        QCOMPARE(fault->requests(), 1);
}

void TestUpdateCheck::startupCheckNeedsAnInstalledProgram()
{
    // Started outside its program folder, the test program has nothing to
    // compare: no query, no prompt.
    QFile::remove(kTester);
    const int before = m_service.requests().size();
    AutoNovrel check;
    QSignalSpy newVer(&check, &AutoNovrel::NewVer);
    check.start();
    QVERIFY(check.wait(5000));
    QCOMPARE(newVer.count(), 0);
    QCOMPARE(m_service.requests().size(), before);

    // The empty root is the switch the tests use: no query either.
    writeFile(kTester, fakeExecutable(QStringLiteral("1.0.0.15")));
    AutoNovrel off;
    off.setServiceRoot(QString());
    off.start();
    QVERIFY(off.wait(5000));
    QCOMPARE(m_service.requests().size(), before);
}

void TestUpdateCheck::closingDuringTheStartupCheck()
{
    HttpFaultServer silent(HttpFaultServer::Silent);
    QVERIFY(silent.start());
    UpdateCheck::setServiceRoot(silent.root());
    BoxCatcher boxes;
    auto* window = new Tesvane(nullptr, new HotPlugSource, 0);
    window->show();
    QTRY_COMPARE(silent.connections(), 1); // the check waits for its answer
    QElapsedTimer timer;
    timer.start();
    window->close();
    delete window; // the check is ended and its thread has finished first
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QTest::qWait(100);
    QVERIFY(boxes.boxes.isEmpty());

    // A check still waiting when its object goes, as at the end of main.
    {
        AutoNovrel check;
        check.setServiceRoot(silent.root());
        check.start();
        QTRY_COMPARE(silent.connections(), 2);
        timer.restart();
    }
    QVERIFY(timer.elapsed() < 3000);
}

void TestUpdateCheck::promptAndMenuOpenTheDialog()
{
    // The start-up check finds 1.0.0.16: the window asks, and on OK opens
    // the dialog 400 wide; the menu's command opens it 430 wide.
    BoxCatcher boxes;
    QList<int> widths;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&widths] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<YSoftNovrel*>(w);
            if (dialog && dialog->isVisible()) {
                widths << dialog->width();
                QCOMPARE(dialog->parentWidget()->metaObject()->className(), "Tesvane");
                QCOMPARE(dialog->titleLabel()->text(), QStringLiteral("Soft Novrel"));
                dialog->reject();
            }
        }
    });
    closer.start(20);
    Tesvane window(nullptr, new HotPlugSource, 0);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(widths, QList<int>({400}), 10000);
    QCOMPARE(boxes.boxes, QStringList({QStringLiteral(
                              "Update prompt|found that the software has a new version, "
                              "whether the update?")}));
    QMetaObject::invokeMethod(&window, "SoftUpdate");
    QCOMPARE(widths, QList<int>({400, 430}));

    // Declined: no dialog.
    boxes.answerCancel(true);
    QMetaObject::invokeMethod(&window, "NewVer");
    QCOMPARE(boxes.boxes.size(), 2);
    QCOMPARE(widths.size(), 2);
}

// --------------------------------------------------------------- dialog

void TestUpdateCheck::firstPress_data()
{
    QTest::addColumn<QString>("announced"); // "" : the service fails
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("button");
    const QString none = QStringLiteral("There is no new version, no need to update!");
    QTest::newRow("same") << "1.0.0.15" << "The latest version is:1.0.0.15" << none << "Novrel";
    QTest::newRow("older") << "1.0.0.14" << "The latest version is:1.0.0.14" << none << "Novrel";
    QTest::newRow("newer")
        << "1.0.0.16" << "The latest version is:1.0.0.16"
        << "Find the latest version,Click OK to close the application, and start the upgrade "
           "program to upgrade to the latest version of the software."
        << "NovrelIng";
    QTest::newRow("no answer") << "" << "Software version acquisition failure" << ""
                               << "Novrel";
}

void TestUpdateCheck::firstPress()
{
    QFETCH(QString, announced);
    QFETCH(QString, hint);
    QFETCH(QString, message);
    QFETCH(QString, button);
    if (announced.isEmpty())
        m_service.publishList(QStringLiteral("../escape")); // a release the service refuses (500)
    else
        m_service.publish(announced, QStringLiteral("1.0.0.2"), {});
    YSoftNovrel* dialog = makeDialog();
    QCOMPARE(dialog->versionLabel()->text(), QStringLiteral("MainApp Ver:1.0.0.15"));
    QCOMPARE(dialog->updateButton()->text(), QStringLiteral("Novrel"));
    QCOMPARE(dialog->cancelButton()->text(), QStringLiteral("Cancel"));
    QVERIFY(dialog->progressBar()->isHidden());
    const QSize size = dialog->size();
    click(dialog->updateButton());
    QTest::qWait(50);
    QCOMPARE(dialog->size(), size); // the buttons stay under the pointer
    QCOMPARE(dialog->hintLabel()->text(), hint);
    QCOMPARE(dialog->messageLabel()->text(), message);
    QCOMPARE(dialog->updateButton()->text(), button);
    QVERIFY(!quitRequested());
    QVERIFY(QFile::exists(kUpdater) && !QFile::exists(folder(QStringLiteral("NovrelTemp"))));

    // Without a newer version the button stays: a press checks again.
    if (button == QLatin1String("Novrel")) {
        m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"), {});
        click(dialog->updateButton());
        QCOMPARE(dialog->updateButton()->text(), QStringLiteral("NovrelIng"));
    }
}

void TestUpdateCheck::firstPressInChinese()
{
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/UI/tesvane_zh")));
    QCoreApplication::installTranslator(&chinese);
    YSoftNovrel* dialog = makeDialog();
    QCOMPARE(dialog->updateButton()->text(), QStringLiteral("更新"));
    QCOMPARE(dialog->versionLabel()->text(), QStringLiteral("主程序版本:1.0.0.15"));
    click(dialog->updateButton());
    QCoreApplication::removeTranslator(&chinese);
    QCOMPARE(dialog->hintLabel()->text(), QStringLiteral("最新版本为:1.0.0.16"));
    QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("发现新版本，点击升级按钮启动升级程序."));
    QCOMPARE(dialog->updateButton()->text(), QStringLiteral("升级"));
}

void TestUpdateCheck::unsignedReleasesAreNotOffered_data()
{
    QTest::addColumn<QString>("attack");
    QTest::addColumn<int>("problem");
    QTest::newRow("no signature") << "no signature" << int(ReleaseProblem::NotSigned);
    QTest::newRow("tampered manifest") << "tampered" << int(ReleaseProblem::NotSigned);
    QTest::newRow("foreign key") << "foreign key" << int(ReleaseProblem::NotSigned);
    QTest::newRow("old signed release") << "downgrade" << int(ReleaseProblem::NotNewer);
    QTest::newRow("expired manifest") << "expired" << int(ReleaseProblem::Expired);
    QTest::newRow("manifest without expiry") << "no expiry" << int(ReleaseProblem::Expired);
    QTest::newRow("build without a key") << "no key" << int(ReleaseProblem::NoKey);
}

void TestUpdateCheck::unsignedReleasesAreNotOffered()
{
    // A service (spoofed, or serving an old release) announcing a newer
    // version: neither the start-up check nor the dialog offers it.
    QFETCH(QString, attack);
    QFETCH(int, problem);
    const QString manifest = m_service.releaseDir() + QStringLiteral("/release.manifest");
    if (attack == QLatin1String("no signature")) {
        QVERIFY(QFile::remove(manifest + QStringLiteral(".sig")));
    } else if (attack == QLatin1String("tampered")) {
        QByteArray text = m_service.manifest();
        const int digest = text.indexOf("updater=") + 8;
        text[digest] = text[digest] == 'a' ? 'b' : 'a';
        QVERIFY(writeFile(manifest, text));
    } else if (attack == QLatin1String("foreign key")) {
        m_service.putManifest(m_service.manifest(), ReleaseSignature::generate().secretKey);
    } else if (attack == QLatin1String("downgrade")) {
        // Newer by the offer rule (a greater third part), yet made earlier.
        m_service.publish(QStringLiteral("0.9.9.99"), QStringLiteral("1.0.0.3"), {});
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
    AutoNovrel check;
    QSignalSpy newVer(&check, &AutoNovrel::NewVer);
    check.start();
    QTRY_VERIFY_WITH_TIMEOUT(check.isFinished(), 10000);
    QCOMPARE(newVer.count(), 0);

    YSoftNovrel* dialog = makeDialog();
    click(dialog->updateButton());
    QCOMPARE(dialog->messageLabel()->text(), ReleaseProblemText::text(ReleaseProblem(problem)));
    QCOMPARE(dialog->updateButton()->text(), QStringLiteral("Novrel"));
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp"))));
}

void TestUpdateCheck::everyRefusalIsShownWhole()
{
    // Each reason a release is refused for, at both widths the dialog is
    // opened with, in English and Chinese, with the program's style sheet:
    // every line of it visible, none cut off by the box or the window.
    QFile sheet(QStringLiteral(":/UI/bluenew"));
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    qApp->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/UI/tesvane_zh")));
    for (const bool inChinese : {false, true}) {
        if (inChinese)
            QCoreApplication::installTranslator(&chinese);
        for (const int width : {400, 430}) {
            YSoftNovrel dialog(nullptr, QStringLiteral("Soft Novrel"), 35, width, 130);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            for (int problem = int(ReleaseProblem::NoKey); problem <= int(ReleaseProblem::TimedOut); ++problem) {
                QLabel* label = dialog.messageLabel();
                label->setText(ReleaseProblemText::text(ReleaseProblem(problem)));
                for (int i = 0; i < 3; ++i)
                    QApplication::processEvents(); // the label, the box, the window
                const QString what = QStringLiteral("%1 at %2: %3 of %4 lines' height shown, label %5 high")
                                         .arg(label->text())
                                         .arg(width)
                                         .arg(label->visibleRegion().boundingRect().height())
                                         .arg(label->heightForWidth(label->width()))
                                         .arg(label->height());
                QVERIFY2(label->visibleRegion().boundingRect().height() >= label->heightForWidth(label->width()),
                         qPrintable(what));
                QVERIFY2(label->mapTo(&dialog, QPoint(0, label->height())).y() <=
                             dialog.updateButton()->mapTo(&dialog, QPoint(0, 0)).y(),
                         qPrintable(what));
            }
        }
    }
    QCoreApplication::removeTranslator(&chinese);
    qApp->setStyleSheet(QString());
}

void TestUpdateCheck::programFolderIsTheExecutablesOwn()
{
    // Started from a folder where someone planted an old test program and
    // an updater, the program neither compares with nor starts them: its
    // folder is its executable's (this test's, holding no test program).
    UpdateCheck::reset();
    UpdateCheck::setServiceRoot(m_service.root());
    QVERIFY(writeFile(kTester, fakeExecutable(QStringLiteral("1.0.0.14"), "planted")));
    AutoNovrel check;
    QSignalSpy newVer(&check, &AutoNovrel::NewVer);
    check.start();
    QVERIFY(check.wait(10000));
    QCOMPARE(newVer.count(), 0);
    YSoftNovrel* dialog = makeDialog();
    QCOMPARE(dialog->versionLabel()->text(), QStringLiteral("MainApp Ver:"));
}

void TestUpdateCheck::pressDuringAQueryIsIgnored()
{
    HttpFaultServer silent(HttpFaultServer::Silent);
    QVERIFY(silent.start());
    YSoftNovrel* dialog = makeDialog();
    dialog->setServiceRoot(silent.root());
    dialog->setQueryTimeout(1000);
    QTimer::singleShot(300, dialog, [dialog] {
        QVERIFY(dialog->isBusy());
        click(dialog->updateButton());
    });
    click(dialog->updateButton());
    QCOMPARE(silent.connections(), 1);
    QCOMPARE(dialog->hintLabel()->text(), QStringLiteral("Software version acquisition failure"));
    QVERIFY(!dialog->isBusy());
}

void TestUpdateCheck::secondPressWithTheSameUpdater()
{
    // The installed updater is the one on offer: it is started as it is,
    // from the program folder, and the test program quits.
    QVERIFY(QFile::remove(kUpdater));
    QVERIFY(QFile::copy(kFakeUpdater, kUpdater));
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"), {});
    YSoftNovrel* dialog = makeDialog();
    click(dialog->updateButton());
    QCOMPARE(dialog->updateButton()->text(), QStringLiteral("NovrelIng"));
    const int queries = m_service.requests().size();
    click(dialog->updateButton());
    // Waited for whole: the fake updater creates the file before it writes it.
    QTRY_COMPARE(readFile(folder(QStringLiteral("started"))),
                 QDir::toNativeSeparators(QDir(m_folder->path()).canonicalPath()).toUtf8() +
                     "\n0\n" + currentUserText() + "\n");
    QVERIFY(quitRequested());
    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    // One query (the updater's version), no second version query, no download.
    QCOMPARE(m_service.requests().size(), queries + 1);
    QCOMPARE(updaterDownloads(), 0);
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp"))));
    QVERIFY(!QFile::exists(folder(QStringLiteral("OldFile"))));
}

void TestUpdateCheck::secondPressWithANewerUpdater()
{
    QDir().mkpath(folder(QStringLiteral("OldFile")));
    writeFile(folder(QStringLiteral("OldFile/")) + kUpdater, "an older backup");
    QFile::setPermissions(kUpdater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray installed = readFile(kUpdater);
    const QByteArray offered = readFile(kFakeUpdater);
    offerUpdater(offered);
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"), {});
    YSoftNovrel* dialog = makeDialog();
    click(dialog->updateButton());
    click(dialog->updateButton());
    QCOMPARE(readFile(folder(QStringLiteral("OldFile/")) + kUpdater), installed);
    QCOMPARE(readFile(folder(QStringLiteral("NovrelTemp/")) + kUpdater), offered);
    QCOMPARE(readFile(kUpdater), offered);
    QCOMPARE(GetFileVersion(kUpdater), QStringLiteral("1.0.0.3"));
    QCOMPARE(updaterDownloads(), 1);
    // The new updater is the one that started.
    QTRY_VERIFY(QFile::exists(folder(QStringLiteral("started"))));
    QVERIFY(quitRequested());
    QVERIFY(dialog->progressBar()->isHidden());
}

void TestUpdateCheck::badUpdaterDownloadChangesNothing_data()
{
    QTest::addColumn<QByteArray>("offered"); // empty: the service has no updater (404)
    QTest::addColumn<QString>("message");
    const QString bad = ReleaseProblemText::text(ReleaseProblem::BadFile);
    QTest::newRow("missing") << QByteArray() << "Software update failed";
    QTest::newRow("sign-in page") << QByteArray("<html><body>Please sign in</body></html>") << bad;
    QTest::newRow("other version") << fakeExecutable(QStringLiteral("1.0.0.9"), "wrong") << bad;
    QTest::newRow("cut short") << readFile(QStringLiteral(FAKE_UPDATER)).left(64) << bad;
    QByteArray altered = readFile(QStringLiteral(FAKE_UPDATER));
    altered[altered.size() / 2] = char(altered[altered.size() / 2] ^ 1);
    QTest::newRow("altered") << altered << bad;
    QTest::newRow("over-size") << readFile(QStringLiteral(FAKE_UPDATER)) + QByteArray(4 << 20, 'x') << bad;
}

void TestUpdateCheck::badUpdaterDownloadChangesNothing()
{
    QFETCH(QByteArray, offered);
    QFETCH(QString, message);
    if (!offered.isEmpty())
        offerUpdater(offered);
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"), {});
    const QByteArray installed = readFile(kUpdater);
    YSoftNovrel* dialog = makeDialog();
    int tries = 0;
    connect(dialog, &YSoftNovrel::handOffTried, this, [&tries] { ++tries; });
    click(dialog->updateButton());
    const QSize size = dialog->size();
    click(dialog->updateButton());
    QCOMPARE(dialog->messageLabel()->text(), message);
    QVERIFY(dialog->messageLabel()->isVisible());
    QTest::qWait(50);
    QCOMPARE(dialog->size(), size);
    QVERIFY(dialog->progressBar()->isHidden());
    QCOMPARE(readFile(kUpdater), installed);
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp/")) + kUpdater));
    QCOMPARE(tries, 0);
    QVERIFY(!quitRequested());
    QCOMPARE(dialog->updateButton()->text(), QStringLiteral("NovrelIng"));
    QVERIFY(dialog->isVisible());

    // Once the service offers the right updater, the next press goes on.
    offerUpdater(readFile(kFakeUpdater));
    click(dialog->updateButton());
    QCOMPARE(GetFileVersion(kUpdater), QStringLiteral("1.0.0.3"));
    QTRY_VERIFY(QFile::exists(folder(QStringLiteral("started"))));
}

void TestUpdateCheck::cancelDuringTheDownloadHandsNothingOver()
{
    // A service whose updater download stalls after its first chunk.
    StallingUpdaterService service;
    QVERIFY(service.listen(QHostAddress::LocalHost));
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"), {});
    YSoftNovrel* dialog = makeDialog();
    click(dialog->updateButton());
    dialog->setServiceRoot(QStringLiteral("http://127.0.0.1:%1").arg(service.serverPort()));
    connect(&service, &StallingUpdaterService::stalled, dialog, [dialog] {
        QVERIFY(dialog->isBusy());
        click(dialog->cancelButton());
    });
    const QByteArray installed = readFile(kUpdater);
    click(dialog->updateButton());
    QTRY_VERIFY(!dialog->isVisible());
    QVERIFY(!dialog->isBusy());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(readFile(kUpdater), installed);
    QVERIFY(!QFile::exists(folder(QStringLiteral("NovrelTemp/")) + kUpdater));
    QVERIFY(!quitRequested());
}

void TestUpdateCheck::updaterThatCannotStartKeepsTheProgram()
{
    // The installed updater is current but cannot run (no execute
    // permission): the reason shows and the test program goes on.
#ifdef Q_OS_WIN
    QSKIP("execute permission is a Unix mode");
#endif
    QVERIFY(QFile::remove(kUpdater));
    QVERIFY(QFile::copy(kFakeUpdater, kUpdater));
    QFile::setPermissions(kUpdater, QFile::ReadOwner | QFile::WriteOwner);
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"), {});
    YSoftNovrel* dialog = makeDialog();
    click(dialog->updateButton());
    click(dialog->updateButton());
    QCOMPARE(dialog->messageLabel()->text(),
             QStringLiteral("The upgrade program could not be started."));
    QVERIFY(!quitRequested());
    QVERIFY(dialog->isVisible());

    // The updater missing from the folder, and the service offering none.
    QVERIFY(QFile::remove(kUpdater));
    click(dialog->updateButton());
    QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("Software update failed"));
    QVERIFY(!quitRequested());
    QCOMPARE(StartElevated(folder(kUpdater)), ElevatedStart::NotFound);
}

// ------------------------------------------------------------- platform

void TestUpdateCheck::linuxRoutes()
{
    using ElevationRoute::Route;
    QCOMPARE(ElevationRoute::choose(true, true), Route::Direct);
    QCOMPARE(ElevationRoute::choose(true, false), Route::Direct);
    QCOMPARE(ElevationRoute::choose(false, true), Route::Pkexec);
    QCOMPARE(ElevationRoute::choose(false, false), Route::None);
    QCOMPARE(ElevationRoute::pkexecExit(126), ElevatedStart::Refused);
    QCOMPARE(ElevationRoute::pkexecExit(127), ElevatedStart::Refused);
    QCOMPARE(ElevationRoute::pkexecExit(0), ElevatedStart::Started);
    QCOMPARE(ElevationRoute::pkexecExit(1), ElevatedStart::Started); // the updater's own code

    using InvokingUser::caller;
    QProcessEnvironment env;
    QVERIFY(!caller(env, 0));
    env.insert(QStringLiteral("SUDO_UID"), QStringLiteral("1001"));
    QCOMPARE(caller(env, 0), std::optional<uint>(1001)); // started through sudo
    env.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("1000"));
    QCOMPARE(caller(env, 0), std::optional<uint>(1000));
    QVERIFY(!caller(env, 1000)); // not running as root: nothing to hand back
    env.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("0"));
    QVERIFY(!caller(env, 0));
    env.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("1000; rm -rf /"));
    QVERIFY(!caller(env, 0));

#ifndef Q_OS_WIN // a root updater and its caller: Linux only
    // What a root updater keeps of its caller's environment.
    QProcessEnvironment callerEnv;
    for (const char* name : {"QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "LD_PRELOAD",
                             "LD_LIBRARY_PATH", "QT_STYLE_OVERRIDE", "FONTCONFIG_FILE", "TMPDIR"})
        callerEnv.insert(QString::fromLatin1(name), QStringLiteral("/home/mallory/x"));
    callerEnv.insert(QStringLiteral("PATH"), QStringLiteral("/home/mallory/bin:/usr/bin"));
    callerEnv.insert(QStringLiteral("HOME"), QStringLiteral("/home/mallory"));
    callerEnv.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
    // The caller's own authority file: a regular file of the caller's.
    const uint callerUid = ::geteuid() == 0 ? 65534u : uint(::geteuid());
    const QString authority = folder(QStringLiteral("Xauthority"));
    QVERIFY(writeFile(authority, "cookie"));
    if (::geteuid() == 0)
        QCOMPARE(::chown(QFile::encodeName(authority).constData(), callerUid, callerUid), 0);
    callerEnv.insert(QStringLiteral("XAUTHORITY"), authority);
    callerEnv.insert(QStringLiteral("PKEXEC_UID"), QString::number(callerUid));
    callerEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The caller's bus, theme and accessibility settings are not taken:
    // the root process sets its own.
    callerEnv.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                     QStringLiteral("unixexec:path=/home/mallory/x"));
    callerEnv.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("xdgdesktopportal"));
    callerEnv.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    callerEnv.insert(QStringLiteral("GTK_MODULES"), QStringLiteral("gail:atk-bridge"));
    callerEnv.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    callerEnv.insert(QStringLiteral("AT_SPI_BUS_ADDRESS"), QStringLiteral("unixexec:path=/x"));
    QProcessEnvironment kept = RootEnvironment::kept(callerEnv);
    QCOMPARE(kept.keys(), QStringList({"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS",
                                       "DISPLAY", "HOME", "LOGNAME", "NO_AT_BRIDGE", "PATH",
                                       "PKEXEC_UID", "QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME",
                                       "USER", "XAUTHORITY"}));
    QCOMPARE(kept.value(QStringLiteral("PATH")), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin"));
    QCOMPARE(kept.value(QStringLiteral("HOME")), QStringLiteral("/root"));
    QCOMPARE(kept.value(QStringLiteral("XAUTHORITY")), authority);
    QCOMPARE(kept.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")), QStringLiteral("disabled:"));
    QCOMPARE(kept.value(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS")), QStringLiteral("disabled:"));
    QCOMPARE(kept.value(QStringLiteral("QT_QPA_PLATFORMTHEME")), QStringLiteral("generic"));
    QCOMPARE(kept.value(QStringLiteral("NO_AT_BRIDGE")), QStringLiteral("1"));
    // An authority file that is not the caller's own file: root's (Xlib,
    // as root, would read /etc/shadow), a link to the caller's, another's.
    const QString link = folder(QStringLiteral("Xauthority.link"));
    QVERIFY(QFile::link(authority, link));
    for (const QString& other : {QStringLiteral("/etc/hostname"), QStringLiteral("/etc/shadow"), link}) {
        callerEnv.insert(QStringLiteral("XAUTHORITY"), other);
        QVERIFY2(!RootEnvironment::kept(callerEnv).contains(QStringLiteral("XAUTHORITY")),
                 qPrintable(other));
    }
    callerEnv.insert(QStringLiteral("XAUTHORITY"), authority);
    callerEnv.insert(QStringLiteral("PKEXEC_UID"), QString::number(callerUid + 1));
    QVERIFY(!RootEnvironment::kept(callerEnv).contains(QStringLiteral("XAUTHORITY")));
    callerEnv.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("0")); // root's files stay refused
    callerEnv.insert(QStringLiteral("XAUTHORITY"), QStringLiteral("/etc/hostname"));
    QVERIFY(!RootEnvironment::kept(callerEnv).contains(QStringLiteral("XAUTHORITY")));
    callerEnv.insert(QStringLiteral("PKEXEC_UID"), QString::number(callerUid));
    for (const char* display : {"evil.example:0", ":0 -x", "unix:0"}) {
        callerEnv.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        QVERIFY2(!RootEnvironment::kept(callerEnv).contains(QStringLiteral("DISPLAY")), display);
    }
    callerEnv.insert(QStringLiteral("DISPLAY"), QStringLiteral(":1"));
    callerEnv.insert(QStringLiteral("XAUTHORITY"), QStringLiteral("relative/file"));
    callerEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb:plugin=/home/mallory"));
    kept = RootEnvironment::kept(callerEnv);
    QVERIFY(!kept.contains(QStringLiteral("XAUTHORITY")));
    QVERIFY(!kept.contains(QStringLiteral("QT_QPA_PLATFORM")));

    // The test program, started as the caller, gets none of the root
    // process's own settings.
    QProcessEnvironment rootEnv = RootEnvironment::ownSettings();
    rootEnv.insert(QStringLiteral("HOME"), QStringLiteral("/root"));
    rootEnv.insert(QStringLiteral("USER"), QStringLiteral("root"));
    rootEnv.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
    rootEnv.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("65534"));
    const auto command = InvokingUser::commandAsUser(QStringLiteral("/opt/rotaprobe/Rotaprobe"),
                                                     65534, rootEnv);
    QVERIFY(command);
    QVERIFY(command->program.endsWith(QStringLiteral("/runuser")));
    QCOMPARE(command->arguments, QStringList({QStringLiteral("-u"), QStringLiteral("nobody"),
                                              QStringLiteral("--"),
                                              QStringLiteral("/opt/rotaprobe/Rotaprobe")}));
    QCOMPARE(command->environment.value(QStringLiteral("HOME")), QStringLiteral("/nonexistent"));
    QCOMPARE(command->environment.value(QStringLiteral("USER")), QStringLiteral("nobody"));
    QCOMPARE(command->environment.value(QStringLiteral("DISPLAY")), QStringLiteral(":0"));
    QVERIFY(!command->environment.contains(QStringLiteral("PKEXEC_UID")));
    for (const QString& own : RootEnvironment::ownSettings().keys())
        QVERIFY2(!command->environment.contains(own), qPrintable(own));
    QVERIFY(!InvokingUser::commandAsUser(QStringLiteral("x"), 4000000000u, rootEnv));
#endif
}

#ifndef Q_OS_WIN
void TestUpdateCheck::ownFolderIsUpdatedAsTheUser()
{
    // A folder the user owns is the user's to change, whatever its mode
    // (group-writable under umask 002, even open to all) and whoever owns
    // the files in it: its updater runs as the user, never through pkexec,
    // where an administrator would run as root what the user can change.
    using ElevationRoute::isOwnFolder;
    using ElevationRoute::isOwnProgram;
    QVERIFY(QFile::remove(kUpdater));
    QVERIFY(QFile::copy(kFakeUpdater, kUpdater));
    QVERIFY(makeExecutable(kUpdater));
    const QString updater = folder(kUpdater);
    for (const int mode : {0700, 0775, 0777}) {
        QCOMPARE(::chmod(QFile::encodeName(m_folder->path()).constData(), mode_t(mode)), 0);
        QVERIFY2(isOwnFolder(m_folder->path()), qPrintable(QString::number(mode, 8)));
        QVERIFY2(isOwnProgram(updater), qPrintable(QString::number(mode, 8)));
    }
    QFile::remove(folder(QStringLiteral("started")));
    QCOMPARE(StartElevated(updater), ElevatedStart::Started);
    // It ran in its folder, without arguments, as this user.
    QTRY_COMPARE(readFile(folder(QStringLiteral("started"))),
                 QDir(m_folder->path()).canonicalPath().toUtf8() + "\n0\n" +
                     QByteArray::number(uint(::geteuid())) + "\n");
    QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::Permissions(0x7700)));

    // Not the user's: a link to the user's folder, a folder of someone else.
    const QString link = folder(QStringLiteral("link"));
    QVERIFY(QFile::link(m_folder->path(), link));
    QVERIFY(!isOwnFolder(link));
    QString foreign = QStringLiteral("/usr/bin");
    if (::geteuid() == 0) {
        foreign = folder(QStringLiteral("nobody"));
        QVERIFY(QDir().mkdir(foreign));
        QCOMPARE(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        QVERIFY(QFile::copy(kFakeUpdater, foreign + QLatin1Char('/') + kUpdater));
        QVERIFY(!isOwnProgram(foreign + QLatin1Char('/') + kUpdater));
    }
    QVERIFY(!isOwnFolder(foreign));
    QVERIFY(!isOwnFolder(updater)); // a file
}

void TestUpdateCheck::pkexecOutcomes()
{
    // Stand-ins for pkexec: one that becomes the program, one dismissed,
    // one not authorised, one killed.
    QVERIFY(QFile::remove(kUpdater));
    QVERIFY(QFile::copy(kFakeUpdater, kUpdater));
    const QString pkexec = folder(QStringLiteral("pkexec"));
    const QString updater = folder(kUpdater);
    QVERIFY(writeScript(pkexec, "cd \"$(dirname \"$1\")\" && exec \"$1\"\n"));
    QCOMPARE(ElevationRoute::startThroughPkexec(pkexec, updater), ElevatedStart::Started);
    QTRY_VERIFY(QFile::exists(folder(QStringLiteral("started"))));

    // An updater that keeps running is known to have started as soon as
    // pkexec has become it.
    const QString longRunning = folder(QStringLiteral("sub/")) + kUpdater;
    QVERIFY(QDir().mkpath(folder(QStringLiteral("sub"))));
    QVERIFY(writeScript(longRunning, "sleep 3\n"));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(ElevationRoute::startThroughPkexec(pkexec, longRunning), ElevatedStart::Started);
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));

    QVERIFY(writeScript(pkexec, "sleep 0.2; exit 126\n"));
    QCOMPARE(ElevationRoute::startThroughPkexec(pkexec, updater), ElevatedStart::Refused);
    QVERIFY(writeScript(pkexec, "exit 127\n"));
    QCOMPARE(ElevationRoute::startThroughPkexec(pkexec, updater), ElevatedStart::Refused);
    QVERIFY(writeScript(pkexec, "kill -9 $$\n"));
    QCOMPARE(ElevationRoute::startThroughPkexec(pkexec, updater), ElevatedStart::Failed);
    QCOMPARE(ElevationRoute::startThroughPkexec(folder(QStringLiteral("none")), updater),
             ElevatedStart::Failed);
}

void TestUpdateCheck::updaterStartsTheTestProgramAsTheCaller()
{
    if (::geteuid() != 0)
        QSKIP("needs root, as the updater has under pkexec");
    // A folder the caller (nobody) may write to, and a program that notes
    // who runs it.
    QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::Permissions(0x7777)));
    QVERIFY(writeScript(kTester, "id -u > started\n"));
    qputenv("PKEXEC_UID", "65534");
    const bool started = InvokingUser::startDetached(folder(kTester), m_folder->path());
    qunsetenv("PKEXEC_UID");
    QVERIFY(started);
    QTRY_COMPARE(readFile(folder(QStringLiteral("started"))), QByteArray("65534\n"));

    // Through sudo, as sudo's caller.
    QFile::remove(folder(QStringLiteral("started")));
    qputenv("SUDO_UID", "65534");
    const bool sudoStarted = InvokingUser::startDetached(folder(kTester), m_folder->path());
    qunsetenv("SUDO_UID");
    QVERIFY(sudoStarted);
    QTRY_COMPARE(readFile(folder(QStringLiteral("started"))), QByteArray("65534\n"));

    // Never as root: without a caller to hand back to, nothing starts.
    QFile::remove(folder(QStringLiteral("started")));
    QVERIFY(!InvokingUser::startDetached(folder(kTester), m_folder->path()));
    QTest::qWait(300);
    QVERIFY(!QFile::exists(folder(QStringLiteral("started"))));
}
#endif

void TestUpdateCheck::updaterWorksInItsOwnFolder()
{
    // Started from elsewhere (pkexec starts it in another folder), the real
    // updater works in its own folder: it shows the version of the test
    // program beside it.
    QVERIFY(QFile::remove(kUpdater));
    QVERIFY(QFile::copy(kNovrel, kUpdater));
    QProcess process;
    process.setWorkingDirectory(QDir::rootPath());
#ifdef Q_OS_WIN
    // Real windows, so that terminate()'s WM_CLOSE can reach the program.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("windows"));
    process.setProcessEnvironment(env);
#endif
    process.start(folder(kUpdater), QStringList());
    QVERIFY(process.waitForStarted(5000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardError()).contains("Novrel window shown"), 10000);
#ifndef Q_OS_WIN // another process's working folder is not readable on Windows
    const QString cwd = QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(process.processId()));
    QCOMPARE(cwd, QDir(m_folder->path()).canonicalPath());
#endif
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
}

QTEST_MAIN(TestUpdateCheck)
#include "tst_UpdateCheck.moc"
