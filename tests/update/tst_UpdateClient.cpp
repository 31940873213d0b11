// The update client: reply parsing and the version rule, the file routines,
// the query exchange against the reference service, and the downloader
// against the reference service and a misbehaving server.
#include "ElfVersionNote.h"
#include "HttpFaultServer.h"
#include "ReferenceService.h"
#include "ReleaseFetch.h"
#include "ReleaseKey.h"
#include "ReleaseManifest.h"
#include "ReleaseSignature.h"
#include "ReleaseTrust.h"
#include "TestFiles.h"
#include "TestKeys.h"
#include "TlsTestServer.h"
#include "UpdateProtocol.h"
#include "UpdateQuery.h"
#include "UpdateRoutines.h"
#include "iHttpDownloadS.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

// Starts a transfer and waits for Finished(); returns how often it came.
int download(iHttpDownloadS& downloader, const QString& url, const QString& path)
{
    QSignalSpy finished(&downloader, &iHttpDownloadS::Finished);
    if (!downloader.startDownload(QUrl(url), path))
        return -1;
    finished.wait(20000);
    QTest::qWait(50); // a second Finished() would come now
    return finished.count();
}

} // namespace

class TestUpdateClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void versionReplies();
    void fileListReplies();
    void newerVersionRule();
    void bareFileNames();
    void releaseFileNames();
    void addresses();
    void releaseManifests();

    void copyFileOver();
    void copyFileOverKeepsTargetOnFailure();
    void moveFileOver();
    void fileVersionOfExecutables();
    void versionNotesOfBothElfClasses();

    void queriesAgainstTheReferenceService();
    void queryTimesOutAgainstASilentService();
    void queryRedirectsStatusesAndSizeCap();
    void serviceRefusesWhatTheClientRefuses();
    void sampleReleaseIsConsistent();
    void releaseDownload();
    void httpsServiceWithItsCertificateChecked();

    void downloaderRefusesBadRequests();
    void downloaderHttpAndNetworkErrors();
    void downloaderIdleTimeoutAbortsTheTransfer();
    void downloaderWriteFailures();
    void downloaderRedirects();
    void downloaderTruncatesAndRecovers();

private:
    ReferenceService m_service;
    bool m_haveService = false;
};

void TestUpdateClient::initTestCase()
{
    m_haveService = m_service.start();
    QVERIFY2(m_haveService, "php -S did not start (php-cli is installed by tools/setup.sh)");
}

void TestUpdateClient::versionReplies()
{
    using UpdateProtocol::parseVersionReply;
    QCOMPARE(parseVersionReply(QStringLiteral("version=1.0.0.16")), QStringLiteral("1.0.0.16"));
    QVERIFY(!parseVersionReply(QStringLiteral("Version=1.0.0.16")));
    QVERIFY(!parseVersionReply(QString()));
    QVERIFY(!parseVersionReply(QStringLiteral("versio")));
    QVERIFY(!parseVersionReply(QStringLiteral("<html>404</html>")));
    QCOMPARE(parseVersionReply(QStringLiteral("version=")), QString());
    QCOMPARE(parseVersionReply(QStringLiteral("version= 1.0.0.16\n")), QStringLiteral(" 1.0.0.16\n"));
}

void TestUpdateClient::fileListReplies()
{
    using UpdateProtocol::fileListNames;
    QCOMPARE(fileListNames(QStringLiteral("FileList,Rotaprobe.exe")), QStringList({"Rotaprobe.exe"}));
    QVERIFY(fileListNames(QStringLiteral("FileList")).isEmpty());
    QCOMPARE(fileListNames(QStringLiteral("FileList,")), QStringList({""}));
    QVERIFY(fileListNames(QStringLiteral("filelist,Rotaprobe.exe")).isEmpty());
    QVERIFY(fileListNames(QString()).isEmpty());
    QCOMPARE(fileListNames(QStringLiteral("FileList,a,,b ")), QStringList({"a", "", "b "}));
    QVERIFY(UpdateProtocol::isFileList(UpdateProtocol::fileListItems(QStringLiteral("FileList"))));
}

void TestUpdateClient::newerVersionRule()
{
    QVERIFY(IsNewerVersion("1.0.0.16", "1.0.0.15"));
    QVERIFY(!IsNewerVersion("1.0.0.15", "1.0.0.15"));
    QVERIFY(!IsNewerVersion("1.0.0.14", "1.0.0.15"));
    QVERIFY(IsNewerVersion("1.1.5.0", "1.2.0.0")); // each part on its own
    QVERIFY(IsNewerVersion("2.0.0.0", "1.9.9.9"));
    QVERIFY(!IsNewerVersion("1.0.0.x", "1.0.0.0")); // not a number: 0
    // Fewer than four parts: the missing ones are 0.
    QVERIFY(!IsNewerVersion("1.0", "1.0.0.0"));
    QVERIFY(IsNewerVersion("1.0.0.1", "1.0"));
    QVERIFY(IsNewerVersion("1.0.0.15", "")); // missing executable: any release is newer
    QVERIFY(!IsNewerVersion("", "1.0.0.15"));
    QVERIFY(!IsNewerVersion("", ""));
    QVERIFY(!IsNewerVersion("1.0.0.15.9", "1.0.0.15")); // parts beyond four do not count
}

void TestUpdateClient::bareFileNames()
{
    using UpdateProtocol::isBareFileName;
    QVERIFY(isBareFileName(QStringLiteral("Rotaprobe.exe")));
    QVERIFY(isBareFileName(QStringLiteral("libQt5Core.so.5")));
    for (const char* bad : {"", ".", "..", "../Rotaprobe", "a/b", "a\\b", "/etc/passwd",
                            "C:evil", "C:\\Windows\\x", "\\\\server\\share", "x\ny"})
        QVERIFY2(!isBareFileName(QString::fromLatin1(bad)), bad);
}

void TestUpdateClient::releaseFileNames()
{
    using UpdateProtocol::isReleaseFileName;
    for (const char* good : {"Rotaprobe.exe", "libQt5Core.so.5", "icon.png", "CONSOLE.dll",
                             "COM10.txt", "COM0", "LPT", "AUXILIARY", "nul-free.txt", "OldFiles",
                             "NovrelTemp2", "a.b.c", "x.con", "File name.txt", "Novrel"})
        QVERIFY2(isReleaseFileName(QString::fromLatin1(good)), good);
    for (const char* bad : {"", "..", "a/b", "a\\b", "C:x", "NovrelTemp", "novreltemp", "NOVRELTEMP",
                            "OldFile", "oldfile", ".profile", ".", ".Rotaprobe.exe", "CON", "con",
                            "Con.txt", "nul.tar.gz", "AUX", "aux.h", "PRN.log", "COM1", "com9.dll",
                            "LPT1", "lpt5.txt", "CON .txt", "name.", "name ", "name. ", "a<b",
                            "a>b", "a|b", "a?b", "a*b", "a\"b", "a#b", "50%"})
        QVERIFY2(!isReleaseFileName(QString::fromLatin1(bad)), bad);
}

void TestUpdateClient::addresses()
{
    const QString root = QStringLiteral("http://updates.example");
    QCOMPARE(UpdateProtocol::queryUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/GetSoftInfo.php?"));
    QCOMPARE(UpdateProtocol::refererUrl(root), QStringLiteral("http://updates.example/client"));
    QCOMPARE(UpdateProtocol::releaseFileUrl(root, QStringLiteral("a.dll")),
             QStringLiteral("http://updates.example/Novrel/Rotaprobe/App/a.dll"));
    // One path segment, whatever the name holds.
    QCOMPARE(QUrl(UpdateProtocol::releaseFileUrl(root, QStringLiteral("a#b c")), QUrl::TolerantMode).path(QUrl::FullyDecoded),
             QStringLiteral("/Novrel/Rotaprobe/App/a#b c"));
    QCOMPARE(UpdateProtocol::manifestUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/release.manifest"));
    QCOMPARE(UpdateProtocol::signatureUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/release.manifest.sig"));
#ifdef Q_OS_WIN
    QCOMPARE(UpdateProtocol::updaterUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/Novrel.exe"));
#else
    QCOMPARE(UpdateProtocol::updaterUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/Novrel"));
#endif
    QVERIFY(UpdateProtocol::defaultRoot().startsWith(QStringLiteral("http://")));
    QVERIFY(!UpdateProtocol::defaultRoot().endsWith(QLatin1Char('/')));
}

void TestUpdateClient::releaseManifests()
{
    const QByteArray hash(64, 'a');
    const QByteArray good = "format=rotaprobe-release/1\nversion=1.0.0.16\nupdater_version=1.0.0.3\n"
                            "expires=2027-01-09T12:00:00Z\n"
                            "updater=" + hash + " 10 Novrel\nfile=" + hash + " 0 Rotaprobe\n"
                            "file=" + hash + " 123 Release notes.txt\n";
    const std::optional<ReleaseManifest> manifest = ReleaseManifest::parse(good);
    QVERIFY(manifest);
    QCOMPARE(manifest->fileNames(), QStringList({"Rotaprobe", "Release notes.txt"}));
    QCOMPARE(manifest->file(QStringLiteral("Release notes.txt"))->size, qint64(123));
    QCOMPARE(manifest->serialize(), good);
    const QList<QPair<QByteArray, QByteArray>> bad = {
        {"format=rotaprobe-release/1\n", "format=rotaprobe-release/2\n"},
        {"version=1.0.0.16\n", "version=1.0.0.16\nversion=1.0.0.17\n"},
        {"version=1.0.0.16\n", "version=1.0.0.16x\n"},
        {"version=1.0.0.16\n", ""},
        {"updater=" + hash + " 10 Novrel\n", ""},
        {"version=1.0.0.16\n", "version=1.0.0.16\nsigner=me\n"},
        {hash + " 0 Rotaprobe", QByteArray(64, 'A') + " 0 Rotaprobe"},
        {hash + " 0 Rotaprobe", hash.left(63) + " 0 Rotaprobe"},
        {" 0 Rotaprobe", " 00 Rotaprobe"},
        {" 0 Rotaprobe", " -1 Rotaprobe"},
        {" 0 Rotaprobe", " 99999999999 Rotaprobe"},
        {" 0 Rotaprobe", " 0 ../Rotaprobe"},
        {" 0 Rotaprobe", " 0 NovrelTemp"},
        {" 123 Release notes.txt", " 123 rotaprobe"}, // the same name twice
        {"\n", "\r\n"},
        {"version=1.0.0.16\n", QByteArray("version=1.0.0.16\0" "7\n", 19)}, // a NUL hides the rest
        // The lines in another order: one manifest, one text.
        {"version=1.0.0.16\nupdater_version=1.0.0.3\n", "updater_version=1.0.0.3\nversion=1.0.0.16\n"},
        {"expires=2027-01-09T12:00:00Z\nupdater=" + hash + " 10 Novrel\n",
         "updater=" + hash + " 10 Novrel\nexpires=2027-01-09T12:00:00Z\n"},
        // The expiry: one UTC form, a real time, once.
        {"T12:00:00Z", "T12:00:00Z\nexpires=2027-01-09T12:00:00Z"},
        {"T12:00:00Z", "T12:00:00"},
        {"T12:00:00Z", "T12:00:00+00:00"},
        {"T12:00:00Z", "T12:00:00.000Z"},
        {"T12:00:00Z", "T24:00:00Z"},
        {"2027-01-09", "2027-02-30"},
        {"2027-01-09T", "2027-01-09 "},
        {"expires=2027", "expires= 2027"}};
    for (const auto& change : bad) {
        QByteArray text = good;
        text.replace(text.indexOf(change.first), change.first.size(), change.second);
        QVERIFY2(!ReleaseManifest::parse(text), text.constData());
    }
    QVERIFY(!ReleaseManifest::parse(good.chopped(1)));

    // Signed by the key's holder, byte for byte; then what it says.
    const ReleaseSignature::KeyPair maker = ReleaseSignature::generate();
    const QByteArray signature = ReleaseSignature::sign(good, maker.secretKey);
    const QDateTime expires(QDate(2027, 1, 9), QTime(12, 0), Qt::UTC);
    const QDateTime before = expires.addSecs(-1);
    ReleaseManifest verified;
    QCOMPARE(ReleaseTrust::verify(good, signature, maker.publicKey, before, &verified), ReleaseProblem::None);
    QCOMPARE(verified.version, QStringLiteral("1.0.0.16"));
    QCOMPARE(verified.expires, expires);
    QByteArray altered = good;
    altered[good.indexOf("123")] = '9';
    QCOMPARE(ReleaseTrust::verify(altered, signature, maker.publicKey, before, &verified), ReleaseProblem::NotSigned);
    QCOMPARE(ReleaseTrust::verify(good, signature, ReleaseSignature::generate().publicKey, before, &verified),
             ReleaseProblem::NotSigned);
    QCOMPARE(ReleaseTrust::verify(good, signature.left(63), maker.publicKey, before, &verified),
             ReleaseProblem::NotSigned);
    QCOMPARE(ReleaseTrust::verify(good, signature, QByteArray(), before, &verified), ReleaseProblem::NoKey);
    // Expired from its expiry time on, whatever the local time zone; a
    // signed manifest without an expiry is refused the same way.
    QCOMPARE(ReleaseTrust::verify(good, signature, maker.publicKey, expires, &verified), ReleaseProblem::Expired);
    QCOMPARE(ReleaseTrust::verify(good, signature, maker.publicKey, expires.toLocalTime().addDays(400), &verified),
             ReleaseProblem::Expired);
    QByteArray timeless = good;
    timeless.remove(good.indexOf("expires="), int(qstrlen("expires=2027-01-09T12:00:00Z\n")));
    QVERIFY(ReleaseManifest::parse(timeless));
    QCOMPARE(ReleaseTrust::verify(timeless, ReleaseSignature::sign(timeless, maker.secretKey), maker.publicKey,
                                  before, &verified),
             ReleaseProblem::Expired);
    QCOMPARE(ReleaseTrust::checkFileList(*manifest, {"Rotaprobe", "Release notes.txt"}), ReleaseProblem::None);
    QCOMPARE(ReleaseTrust::checkFileList(*manifest, {"Release notes.txt", "Rotaprobe"}), ReleaseProblem::Mismatch);
    QCOMPARE(ReleaseTrust::checkFileList(*manifest, {"Rotaprobe"}), ReleaseProblem::Mismatch);
    QCOMPARE(ReleaseTrust::checkRelease(*manifest, QStringLiteral("1.0.0.17"), QStringLiteral("1.0.0.15")),
             ReleaseProblem::Mismatch);
    QCOMPARE(ReleaseTrust::checkRelease(*manifest, QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.16")),
             ReleaseProblem::NotNewer);

    // A file matches its entry by size and SHA-256.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    QVERIFY(writeFile(path, "payload"));
    ReleaseManifest::Entry entry = *ReleaseManifest::describe(path);
    QVERIFY(ReleaseTrust::matches(path, entry));
    QVERIFY(writeFile(path, "paylOad"));
    QVERIFY(!ReleaseTrust::matches(path, entry));
    QVERIFY(writeFile(path, "payload+"));
    QVERIFY(!ReleaseTrust::matches(path, entry));
}

void TestUpdateClient::copyFileOver()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    writeFile(source, "new content");
    QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // Back-slashes in the target read as "/"; the folder is created.
    QString target = dir.filePath(QStringLiteral("OldFile/source.bin"));
    QString backslashed = target;
    backslashed.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QVERIFY(CopyFileOver(source, backslashed, dir.filePath(QStringLiteral("OldFile")), true));
    QCOMPARE(readFile(target), QByteArray("new content"));
#ifndef Q_OS_WIN // Windows: executable by the name
    QVERIFY(QFileInfo(target).isExecutable()); // executables stay executable
#endif

    // Overwrite replaces; without it an existing target is kept.
    writeFile(source, "newer content");
    QVERIFY(!CopyFileOver(source, target, dir.path(), false));
    QCOMPARE(readFile(target), QByteArray("new content"));
    QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner); // a download: not executable
    QVERIFY(CopyFileOver(source, target, dir.path(), true));
    QCOMPARE(readFile(target), QByteArray("newer content"));
#ifndef Q_OS_WIN
    QVERIFY(QFileInfo(target).isExecutable()); // the installed file keeps its permissions
#endif

    // Onto itself: true, nothing changes.
    QVERIFY(CopyFileOver(source, source, dir.path(), true));
    QCOMPARE(readFile(source), QByteArray("newer content"));

    QVERIFY(!CopyFileOver(dir.filePath(QStringLiteral("missing")), target, dir.path(), true));
    QCOMPARE(readFile(target), QByteArray("newer content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"source.bin"}));
}

void TestUpdateClient::copyFileOverKeepsTargetOnFailure()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    writeFile(source, "content");
    // The target folder cannot be created: a file stands in its way.
    writeFile(dir.filePath(QStringLiteral("blocked")), "a file");
    QVERIFY(!CopyFileOver(source, dir.filePath(QStringLiteral("blocked/x")),
                          dir.filePath(QStringLiteral("blocked")), true));
    // The target cannot be replaced (a folder of that name): it stays as it was.
    QDir(dir.path()).mkdir(QStringLiteral("installed"));
    writeFile(dir.filePath(QStringLiteral("installed/keep")), "kept");
    QVERIFY(!CopyFileOver(source, dir.filePath(QStringLiteral("installed")), dir.path(), true));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("installed/keep"))), QByteArray("kept"));
    // No temporary file is left behind.
    QStringList leftovers = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    leftovers.sort();
    QCOMPARE(leftovers, QStringList({"blocked", "source.bin"}));
}

void TestUpdateClient::moveFileOver()
{
    QTemporaryDir dir;
    const QString download = dir.filePath(QStringLiteral("NovrelTemp/tool"));
    QDir(dir.path()).mkdir(QStringLiteral("NovrelTemp"));
    writeFile(download, "new");
    const QString installed = dir.filePath(QStringLiteral("tool"));
    writeFile(installed, "old");
    QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(MoveFileOver(download, installed, dir.path()));
    QCOMPARE(readFile(installed), QByteArray("new"));
#ifndef Q_OS_WIN // Windows: executable by the name
    QVERIFY(QFileInfo(installed).isExecutable());
#endif
    QVERIFY(!QFile::exists(download));

    // A new file, and a target that cannot be replaced (a folder).
    writeFile(download, "fresh");
    QVERIFY(MoveFileOver(download, dir.filePath(QStringLiteral("fresh")), dir.path()));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("fresh"))), QByteArray("fresh"));
    writeFile(download, "blocked");
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    QVERIFY(!MoveFileOver(download, dir.filePath(QStringLiteral("folder")), dir.path()));
    QCOMPARE(readFile(download), QByteArray("blocked")); // kept for the next try
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
}

void TestUpdateClient::fileVersionOfExecutables()
{
    // This test program carries version 9.8.7.6 the way the programs carry theirs.
    const QString self = QCoreApplication::applicationFilePath();
    QCOMPARE(GetFileVersion(self), QStringLiteral("9.8.7.6"));
    QCOMPARE(GetFileVersion(QStringLiteral("no-such-file")), QString());

    QTemporaryDir dir;
    const QByteArray image = readFile(self);
    const QString truncated = dir.filePath(QStringLiteral("truncated"));
    writeFile(truncated, image.left(image.size() / 3));
    QCOMPARE(GetFileVersion(truncated), QString());
    const QString text = dir.filePath(QStringLiteral("text"));
    writeFile(text, "#!/bin/sh\necho version=1.0.0.16\n");
    QCOMPARE(GetFileVersion(text), QString());
    QCOMPARE(GetFileVersion(dir.path()), QString()); // a folder

    // A bare name resolves against the current directory.
    const QString copy = dir.filePath(QStringLiteral("copy"));
    QVERIFY(QFile::copy(self, copy));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QCOMPARE(GetFileVersion(QStringLiteral("copy")), QStringLiteral("9.8.7.6"));
    QDir::setCurrent(cwd);
}

void TestUpdateClient::versionNotesOfBothElfClasses()
{
    // Small images made by hand: 64-bit and 32-bit, another note first, cut short.
    const QString corpus = QStringLiteral(ROTAPROBE_SOURCE_DIR "/tests/fuzz/corpus/update/");
    QCOMPARE(ElfVersionNote::find(readFile(corpus + "elf64_note")), QStringLiteral("1.0.0.15"));
    QCOMPARE(ElfVersionNote::find(readFile(corpus + "elf32_note")), QStringLiteral("1.0.0.2"));
    QCOMPARE(ElfVersionNote::find(readFile(corpus + "elf64_other_note")), QStringLiteral("9.9.9.9"));
    QCOMPARE(ElfVersionNote::find(readFile(corpus + "elf64_truncated")), QString());
    QByteArray bigEndian = readFile(corpus + "elf64_note");
    bigEndian[5] = 2; // the same bytes read big-endian make no sense
    QCOMPARE(ElfVersionNote::find(bigEndian), QString());
}

void TestUpdateClient::queriesAgainstTheReferenceService()
{
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"),
                      {{QStringLiteral("Rotaprobe"), "a"}, {QStringLiteral("lib.so"), "b"}});
    const QString root = m_service.root();
    QCOMPARE(UpdateQuery::exchange(QString::fromLatin1(UpdateProtocol::kSoftVer), root),
             QStringLiteral("version=1.0.0.16"));
    QCOMPARE(UpdateQuery::exchange(QString::fromLatin1(UpdateProtocol::kSoftNovrelVer), root),
             QStringLiteral("version=1.0.0.3"));
    QCOMPARE(UpdateQuery::exchange(QString::fromLatin1(UpdateProtocol::kFileList), root),
             QStringLiteral("FileList,Rotaprobe,lib.so"));

    const QList<QJsonObject> requests = m_service.requests();
    QVERIFY(requests.size() >= 3);
    const QJsonObject last = requests.last();
    QCOMPARE(last.value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(last.value("uri").toString(), QStringLiteral("/Novrel/Rotaprobe/GetSoftInfo.php?"));
    QCOMPARE(last.value("body").toString(), QStringLiteral("Value=FileList"));
    const QJsonObject headers = last.value("headers").toObject();
    QCOMPARE(headers.value("Content-Type").toString(), QStringLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(headers.value("Referer").toString(), root + QStringLiteral("/client"));
    QVERIFY(!headers.contains("Cookie"));
    QVERIFY(!headers.contains("Authorization"));

    QVERIFY(UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kSoftVer), root).answered);
    // An unknown body is refused by the service (400): no answer for the client.
    const UpdateQuery::Answer refused = UpdateQuery::ask(QStringLiteral("Value=x"), root);
    QVERIFY(!refused.answered);
    QVERIFY(!UpdateProtocol::parseVersionReply(refused.body));
    // A closed port: no answer, at once.
    const QString closed = QStringLiteral("http://127.0.0.1:%1").arg(ReferenceService::freePort());
    QCOMPARE(UpdateQuery::exchange(QString::fromLatin1(UpdateProtocol::kSoftVer), closed), QString());
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kSoftVer), closed).answered);
}

void TestUpdateClient::queryTimesOutAgainstASilentService()
{
    HttpFaultServer silent(HttpFaultServer::Silent);
    QVERIFY(silent.start());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(UpdateQuery::exchange(QString::fromLatin1(UpdateProtocol::kSoftVer), silent.root(), 300),
             QString());
    QVERIFY(timer.elapsed() < 3000);
    QCOMPARE(silent.connections(), 1);
}

void TestUpdateClient::queryRedirectsStatusesAndSizeCap()
{
    using UpdateProtocol::kFileList;
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.3"), {{QStringLiteral("a.txt"), "a"}});
    // A redirect is followed (the POST and its body with it).
    HttpFaultServer moved(HttpFaultServer::Redirect, UpdateProtocol::queryUrl(m_service.root()).toLatin1());
    QVERIFY(moved.start());
    const UpdateQuery::Answer followed = UpdateQuery::ask(QString::fromLatin1(kFileList), moved.root());
    QVERIFY(followed.answered);
    QCOMPARE(followed.body, QStringLiteral("FileList,a.txt"));
    // One that goes nowhere, or round in circles, is no answer.
    HttpFaultServer nowhere(HttpFaultServer::RedirectNowhere);
    QVERIFY(nowhere.start());
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(kFileList), nowhere.root()).answered);
    HttpFaultServer loop(HttpFaultServer::Redirect);
    QVERIFY(loop.start());
    loop.setBody(UpdateProtocol::queryUrl(loop.root()).toLatin1());
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(kFileList), loop.root()).answered);
    QVERIFY(loop.requests() <= 2 * (UpdateQuery::kMaxRedirects + 1));

    // Up to the cap a reply is read; beyond it, it is no answer.
    const QByteArray atCap = "FileList," + QByteArray(int(UpdateQuery::kMaxReplyBytes) - 9, 'n');
    HttpFaultServer full(HttpFaultServer::Serve, atCap);
    QVERIFY(full.start());
    const UpdateQuery::Answer whole = UpdateQuery::ask(QString::fromLatin1(kFileList), full.root());
    QVERIFY(whole.answered);
    QCOMPARE(whole.body.size(), atCap.size());
    HttpFaultServer over(HttpFaultServer::Serve, atCap + 'n');
    QVERIFY(over.start());
    const UpdateQuery::Answer cut = UpdateQuery::ask(QString::fromLatin1(kFileList), over.root());
    QVERIFY(!cut.answered);
    QCOMPARE(cut.body, QString());
    // An endless reply is cut off as soon as it passes the cap.
    HttpFaultServer endless(HttpFaultServer::Endless, "F");
    QVERIFY(endless.start());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(kFileList), endless.root(), 60000).answered);
    QVERIFY(timer.elapsed() < 10000);
}

void TestUpdateClient::serviceRefusesWhatTheClientRefuses()
{
    // Each name alone in a release whose folder holds it: the service lists
    // exactly the names the client takes.
    const char* names[] = {"Rotaprobe.exe", "lib.so.5", "CONSOLE.dll", "COM10", "NovrelTemp",
                           "oldfile", ".hidden", "CON", "con.txt", "Aux.h", "nul.tar.gz",
                           "COM1", "lpt9.log", "CON .txt", "name.", "a|b", "a?b", "a\"b",
                           "a#b", "50%"};
    for (const char* name : names) {
        const QString file = QString::fromLatin1(name);
        m_service.publish(QStringLiteral("1.0.0.15"), QStringLiteral("1.0.0.2"), {{file, "x"}});
        if (!QFileInfo::exists(m_service.releaseDir() + QStringLiteral("/App/") + file))
            continue; // a name Windows cannot hold: nothing to serve
        const UpdateQuery::Answer answer =
            UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kFileList), m_service.root());
        const bool taken = UpdateProtocol::isReleaseFileName(file);
        QVERIFY2(answer.answered == taken, name);
        if (taken)
            QCOMPARE(answer.body, QStringLiteral("FileList,") + file);
        else
            QVERIFY2(m_service.serverLog().contains(QStringLiteral("refused: file \"%1\"").arg(file)), name);
        QFile::remove(m_service.releaseDir() + QStringLiteral("/App/") + file);
    }

    // A name the folder does not hold: the release is not offered at all.
    m_service.putAppFile(QStringLiteral("here.bin"), "x");
    m_service.publishList(QStringLiteral("here.bin,gone.bin"));
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kFileList), m_service.root()).answered);
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kSoftVer), m_service.root()).answered);
    QVERIFY(m_service.serverLog().contains(QStringLiteral("refused: file \"gone.bin\" is not in")));
    QVERIFY(!m_service.serverLog().contains(QStringLiteral("\"here.bin\"")));

    // release.ini saying something the signed manifest does not.
    m_service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"), {{QStringLiteral("here.bin"), "x"}});
    QVERIFY(UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kSoftVer), m_service.root()).answered);
    m_service.publishList(QStringLiteral("here.bin"));
    QVERIFY(!UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kSoftVer), m_service.root()).answered);
    QVERIFY(m_service.serverLog().contains(QStringLiteral("version differs from release.manifest")));
    m_service.publish(QStringLiteral("1.0.0.15"), QStringLiteral("1.0.0.2"), {});
}

void TestUpdateClient::sampleReleaseIsConsistent()
{
    // The service as shipped, on its own sample folder: every listed file
    // downloads.
    ReferenceService sample;
    QVERIFY(sample.start(QStringLiteral(ROTAPROBE_SOURCE_DIR "/service/www")));
    const UpdateQuery::Answer answer =
        UpdateQuery::ask(QString::fromLatin1(UpdateProtocol::kFileList), sample.root());
    QVERIFY(answer.answered);
    const QStringList names = UpdateProtocol::fileListNames(answer.body);
    QVERIFY(!names.isEmpty());
    QTemporaryDir dir;
    iHttpDownloadS downloader(nullptr, nullptr);
    for (const QString& name : names) {
        QVERIFY(UpdateProtocol::isReleaseFileName(name));
        QCOMPARE(download(downloader, UpdateProtocol::releaseFileUrl(sample.root(), name), dir.filePath(name)), 1);
        QCOMPARE(downloader.lastError(), QString());
        QCOMPARE(readFile(dir.filePath(name)),
                 readFile(QStringLiteral(ROTAPROBE_SOURCE_DIR "/service/www/Novrel/Rotaprobe/App/") + name));
    }
    QVERIFY(UpdateProtocol::parseVersionReply(
        UpdateQuery::exchange(QString::fromLatin1(UpdateProtocol::kSoftVer), sample.root())));
    // Its manifest is signed (with the test key) and describes the files.
    ReleaseKey::set(TestKeys::publicKey());
    const ReleaseFetch::Result release = ReleaseFetch::fetch(sample.root(), 5000);
    ReleaseKey::reset();
    QCOMPARE(release.problem, ReleaseProblem::None);
    QCOMPARE(release.manifest.fileNames(), names);
    for (const QString& name : names)
        QVERIFY(ReleaseTrust::matches(dir.filePath(name), *release.manifest.file(name)));
    QCOMPARE(sample.serverLog().contains(QStringLiteral("refused")), false);
}

void TestUpdateClient::releaseDownload()
{
    QByteArray content(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((unsigned(i) * 7919u) >> 3);
    m_service.putAppFile(QStringLiteral("big.bin"), content);
    QTemporaryDir dir;
    QProgressBar bar;
    bar.setRange(0, 100);
    iHttpDownloadS downloader(nullptr, &bar);
    const QString target = dir.filePath(QStringLiteral("big.bin"));
    QCOMPARE(download(downloader, UpdateProtocol::releaseFileUrl(m_service.root(), QStringLiteral("big.bin")),
                      target),
             1);
    QCOMPARE(downloader.lastError(), QString());
    QCOMPARE(readFile(target), content);
    QCOMPARE(bar.maximum(), content.size()); // byte counts replace the bar's range
    QCOMPARE(bar.value(), content.size());
}

void TestUpdateClient::httpsServiceWithItsCertificateChecked()
{
#if QT_CONFIG(ssl)
    // The service behind TLS: the signed manifest is fetched and a release
    // file downloaded over https once the server's certificate is vouched
    // for; before that, no request gets through and nothing is written.
    TlsTestServer server;
    QVERIFY2(server.start(), "openssl (tools/setup.sh) makes the test certificate");
    const QByteArray content = "the release over TLS";
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("Rotaprobe"));
    QVERIFY(writeFile(source, content));
    ReleaseManifest manifest;
    manifest.version = QStringLiteral("1.0.0.16");
    manifest.updaterVersion = QStringLiteral("1.0.0.3");
    manifest.expires = QDateTime::currentDateTimeUtc().addDays(1);
    manifest.updater = *ReleaseManifest::describe(source);
    manifest.updater.name = QStringLiteral("Novrel");
    manifest.files = {*ReleaseManifest::describe(source)};
    const QByteArray text = manifest.serialize();
    server.serve(QStringLiteral("/Novrel/Rotaprobe/release.manifest"), text);
    server.serve(QStringLiteral("/Novrel/Rotaprobe/release.manifest.sig"),
                 ReleaseSignature::sign(text, TestKeys::secretKey()));
    server.serve(QStringLiteral("/Novrel/Rotaprobe/App/Rotaprobe"), content);
    const QString url = UpdateProtocol::releaseFileUrl(server.root(), QStringLiteral("Rotaprobe"));
    QVERIFY(url.startsWith(QStringLiteral("https://127.0.0.1:")));
    const QString target = dir.filePath(QStringLiteral("downloaded"));
    iHttpDownloadS downloader(nullptr, nullptr);
    ReleaseKey::set(TestKeys::publicKey());

    QCOMPARE(ReleaseFetch::fetch(server.root(), 5000).problem, ReleaseProblem::NotSigned);
    QCOMPARE(download(downloader, url, target), 1);
    QVERIFY(downloader.lastError().startsWith(QStringLiteral("Error:NetworkError")));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(server.requests(), 0);
    {
        TrustedCa trust(server.caCertificate());
        const ReleaseFetch::Result release = ReleaseFetch::fetch(server.root(), 5000);
        QCOMPARE(release.problem, ReleaseProblem::None);
        QCOMPARE(release.manifest.fileNames(), QStringList({QStringLiteral("Rotaprobe")}));
        iHttpDownloadS trusting(nullptr, nullptr); // a network manager that never saw the refusal
        QCOMPARE(download(trusting, url, target), 1);
        QCOMPARE(trusting.lastError(), QString());
        QVERIFY(ReleaseTrust::matches(target, *release.manifest.file(QStringLiteral("Rotaprobe"))));
        QCOMPARE(server.requests(), 3);
        QVERIFY(server.handshakes() >= 1);
    }
    ReleaseKey::reset();
#else
    QSKIP("this Qt is built without TLS");
#endif
}

void TestUpdateClient::downloaderRefusesBadRequests()
{
    QTemporaryDir dir;
    iHttpDownloadS downloader(nullptr, nullptr);
    QSignalSpy finished(&downloader, &iHttpDownloadS::Finished);
    const QString target = dir.filePath(QStringLiteral("x"));
    const struct
    {
        QString url;
        QString path;
        const char* error;
    } cases[] = {
        {QStringLiteral("http://exa mple.com/%zz"), target, "Error:URL has specify a invalid name."},
        {QStringLiteral("ftp://127.0.0.1/file"), target, "Error:URL must start with 'http:' or 'https:'"},
        {QStringLiteral("file:///etc/passwd"), target, "Error:URL must start with 'http:' or 'https:'"},
        {m_service.root(), target, "Error:URL's path is empty."},
        {m_service.root() + QStringLiteral("/file"), QString(), "Error:invalid filePath."},
        {m_service.root() + QStringLiteral("/file"), dir.path(), "Error:Cannot open file."},
    };
    for (const auto& c : cases) {
        QVERIFY(!downloader.startDownload(QUrl(c.url), c.path));
        QCOMPARE(downloader.lastError(), QString::fromLatin1(c.error));
    }
    QTest::qWait(50);
    QCOMPARE(finished.count(), 0);
    QVERIFY(!QFile::exists(target));
}

void TestUpdateClient::downloaderHttpAndNetworkErrors()
{
    QTemporaryDir dir;
    iHttpDownloadS downloader(nullptr, nullptr);
    const QString target = dir.filePath(QStringLiteral("file"));

    QCOMPARE(download(downloader, m_service.root() + QStringLiteral("/Novrel/Rotaprobe/App/none"), target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:NetworkError code:%1").arg(int(QNetworkReply::ContentNotFoundError)));
    QVERIFY(!QFile::exists(target)); // the error page is not kept as the file

    HttpFaultServer failing(HttpFaultServer::ServerError);
    QVERIFY(failing.start());
    QCOMPARE(download(downloader, failing.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:NetworkError code:%1").arg(int(QNetworkReply::InternalServerError)));
    QVERIFY(!QFile::exists(target));

    HttpFaultServer midway(HttpFaultServer::CloseMidway);
    QVERIFY(midway.start());
    QCOMPARE(download(downloader, midway.root() + QStringLiteral("/file"), target), 1);
    QVERIFY(downloader.lastError().startsWith(QStringLiteral("Error:NetworkError code:")));
    QVERIFY(!QFile::exists(target)); // the part that came is removed

    const QString closed = QStringLiteral("http://127.0.0.1:%1/file").arg(ReferenceService::freePort());
    QCOMPARE(download(downloader, closed, target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:NetworkError code:%1").arg(int(QNetworkReply::ConnectionRefusedError)));
}

void TestUpdateClient::downloaderIdleTimeoutAbortsTheTransfer()
{
    QTemporaryDir dir;
    HttpFaultServer stall(HttpFaultServer::StallAfterChunk);
    QVERIFY(stall.start());
    iHttpDownloadS downloader(nullptr, nullptr);
    downloader.setIdleTimeout(300);
    const QString target = dir.filePath(QStringLiteral("file"));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(download(downloader, stall.root() + QStringLiteral("/file"), target), 1);
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:Time out."));
    QVERIFY(!QFile::exists(target)); // the first chunk was written, and is removed

    // Headers, then nothing: the time-out runs from the start too.
    HttpFaultServer headersOnly(HttpFaultServer::HeadersOnly);
    QVERIFY(headersOnly.start());
    timer.restart();
    QCOMPARE(download(downloader, headersOnly.root() + QStringLiteral("/file"), target), 1);
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:Time out."));
    QVERIFY(!QFile::exists(target));
}

void TestUpdateClient::downloaderWriteFailures()
{
    if (!FileSizeLimit::available())
        QSKIP("no per-process file size cap on this system to stand in for a full disk");
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("file"));
    const QString complete = dir.filePath(QStringLiteral("complete"));
    HttpFaultServer big(HttpFaultServer::Serve, QByteArray(300000, 'z'));
    QVERIFY(big.start());
    iHttpDownloadS downloader(nullptr, nullptr);
    QCOMPARE(download(downloader, big.root() + QStringLiteral("/file"), complete), 1);
    QCOMPARE(downloader.lastError(), QString());
    // Disk full half-way (a short write, then failing ones), and from the
    // first byte: the transfer ends with an error and leaves no file.
    for (const qint64 room : {qint64(100000), qint64(0)}) {
        FileSizeLimit full(room);
        QCOMPARE(download(downloader, big.root() + QStringLiteral("/file"), target), 1);
        QCOMPARE(downloader.lastError(), QStringLiteral("Error:Cannot write file."));
        QVERIFY(!QFile::exists(target));
    }
    QCOMPARE(QFileInfo(complete).size(), qint64(300000)); // an earlier complete file stays
}

void TestUpdateClient::downloaderRedirects()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("file"));
    iHttpDownloadS downloader(nullptr, nullptr);
    HttpFaultServer good(HttpFaultServer::Serve, "payload");
    QVERIFY(good.start());

    // Followed to the file, through two hops.
    HttpFaultServer second(HttpFaultServer::Redirect, (good.root() + QStringLiteral("/file")).toLatin1());
    HttpFaultServer first(HttpFaultServer::Redirect);
    QVERIFY(second.start() && first.start());
    first.setBody((second.root() + QStringLiteral("/file")).toLatin1());
    QCOMPARE(download(downloader, first.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QString());
    QCOMPARE(readFile(target), QByteArray("payload"));
#ifndef Q_OS_WIN // Unix modes
    QCOMPARE(QFileInfo(target).permissions() & 0x0077, QFileDevice::Permissions());
#endif

    // A link standing at the target is replaced, never written through.
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QVERIFY(writeFile(elsewhere, "keep"));
    QFile::remove(target);
    QVERIFY(QFile::link(elsewhere, target));
    QCOMPARE(download(downloader, good.root() + QStringLiteral("/file"), target), 1);
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(readFile(target), QByteArray("payload"));
    QCOMPARE(readFile(elsewhere), QByteArray("keep"));

    // A cap: the transfer ends as soon as it passes it, and nothing stays.
    downloader.setMaxBytes(6);
    QCOMPARE(download(downloader, good.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:File too large."));
    QVERIFY(!QFile::exists(target));
    downloader.setMaxBytes(-1);

    // A redirect without a place to go is no file: not saved, an error.
    HttpFaultServer nowhere(HttpFaultServer::RedirectNowhere);
    QVERIFY(nowhere.start());
    QCOMPARE(download(downloader, nowhere.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:HTTP status 300"));
    QVERIFY(!QFile::exists(target));

    // A loop ends after a few hops.
    HttpFaultServer loop(HttpFaultServer::Redirect);
    QVERIFY(loop.start());
    loop.setBody((loop.root() + QStringLiteral("/file")).toLatin1());
    QCOMPARE(download(downloader, loop.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:NetworkError code:%1").arg(int(QNetworkReply::TooManyRedirectsError)));
    // The first request and the hops (the network layer may send one again
    // on a new connection), far from the network layer's own limit of 50.
    QVERIFY(loop.requests() > iHttpDownloadS::kMaxRedirects);
    QVERIFY(loop.requests() <= 2 * (iHttpDownloadS::kMaxRedirects + 1));
    QVERIFY(!QFile::exists(target));
}

void TestUpdateClient::downloaderTruncatesAndRecovers()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("file"));
    writeFile(target, QByteArray(5000, 'o'));
    HttpFaultServer silent(HttpFaultServer::Silent);
    QVERIFY(silent.start());
    iHttpDownloadS downloader(nullptr, nullptr);
    QVERIFY(downloader.startDownload(QUrl(silent.root() + QStringLiteral("/file")), target));
    QCOMPARE(QFileInfo(target).size(), qint64(0)); // before any data arrives
    silent.close();
    const auto sockets = silent.findChildren<QTcpSocket*>();
    for (QTcpSocket* socket : sockets)
        socket->abort();
    QSignalSpy finished(&downloader, &iHttpDownloadS::Finished);
    QVERIFY(finished.wait(10000));
    QVERIFY(!downloader.lastError().isEmpty());

    // The same downloader, a good transfer: lastError is empty again.
    HttpFaultServer good(HttpFaultServer::Serve, "payload");
    QVERIFY(good.start());
    QCOMPARE(download(downloader, good.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QString());
    QCOMPARE(readFile(target), QByteArray("payload"));

    // Destroyed or aborted mid-transfer: the unfinished target goes.
    HttpFaultServer stalled(HttpFaultServer::StallAfterChunk);
    QVERIFY(stalled.start());
    auto* doomed = new iHttpDownloadS(nullptr, nullptr);
    QVERIFY(doomed->startDownload(QUrl(stalled.root() + QStringLiteral("/file")), target));
    QTRY_COMPARE(QFileInfo(target).size(), qint64(1024));
    delete doomed;
    QVERIFY(!QFile::exists(target));
    QSignalSpy aborted(&downloader, &iHttpDownloadS::Finished);
    QVERIFY(downloader.startDownload(QUrl(stalled.root() + QStringLiteral("/file")), target));
    QTRY_COMPARE(QFileInfo(target).size(), qint64(1024));
    downloader.abortDownload();
    QCOMPARE(aborted.count(), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:Operation canceled."));
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(TestUpdateClient)
#include "tst_UpdateClient.moc"
