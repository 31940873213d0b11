// The update client: reply parsing and the version rule, the file routines,
// the query exchange against the reference service, and the downloader
// against the reference service and a misbehaving server.
#include "ElfVersionNote.h"
#include "HttpFaultServer.h"
#include "ReferenceService.h"
#include "TestFiles.h"
#include "UpdateProtocol.h"
#include "UpdateQuery.h"
#include "UpdateRoutines.h"
#include "iHttpDownloadS.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
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
    void addresses();

    void copyFileOver();
    void copyFileOverKeepsTargetOnFailure();
    void moveFileOver();
    void fileVersionOfExecutables();
    void versionNotesOfBothElfClasses();

    void queriesAgainstTheReferenceService();
    void queryTimesOutAgainstASilentService();
    void releaseDownload();

    void downloaderRefusesBadRequests();
    void downloaderHttpAndNetworkErrors();
    void downloaderIdleTimeoutAbortsTheTransfer();
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

void TestUpdateClient::addresses()
{
    const QString root = QStringLiteral("http://updates.example");
    QCOMPARE(UpdateProtocol::queryUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/GetSoftInfo.php?"));
    QCOMPARE(UpdateProtocol::refererUrl(root), QStringLiteral("http://updates.example/client"));
    QCOMPARE(UpdateProtocol::releaseFileUrl(root, QStringLiteral("a.dll")),
             QStringLiteral("http://updates.example/Novrel/Rotaprobe/App/a.dll"));
#ifdef Q_OS_WIN
    QCOMPARE(UpdateProtocol::updaterUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/Novrel.exe"));
#else
    QCOMPARE(UpdateProtocol::updaterUrl(root), QStringLiteral("http://updates.example/Novrel/Rotaprobe/Novrel"));
#endif
    QVERIFY(UpdateProtocol::defaultRoot().startsWith(QStringLiteral("http://")));
    QVERIFY(!UpdateProtocol::defaultRoot().endsWith(QLatin1Char('/')));
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
    QVERIFY(QFileInfo(target).isExecutable()); // executables stay executable

    // Overwrite replaces; without it an existing target is kept.
    writeFile(source, "newer content");
    QVERIFY(!CopyFileOver(source, target, dir.path(), false));
    QCOMPARE(readFile(target), QByteArray("new content"));
    QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner); // a download: not executable
    QVERIFY(CopyFileOver(source, target, dir.path(), true));
    QCOMPARE(readFile(target), QByteArray("newer content"));
    QVERIFY(QFileInfo(target).isExecutable()); // the installed file keeps its permissions

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
    QVERIFY(QFileInfo(installed).isExecutable());
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
        {QStringLiteral("https://127.0.0.1/file"), target, "Error:URL must start with 'http:'"},
        {QStringLiteral("ftp://127.0.0.1/file"), target, "Error:URL must start with 'http:'"},
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

    HttpFaultServer failing(HttpFaultServer::ServerError);
    QVERIFY(failing.start());
    QCOMPARE(download(downloader, failing.root() + QStringLiteral("/file"), target), 1);
    QCOMPARE(downloader.lastError(), QStringLiteral("Error:NetworkError code:%1").arg(int(QNetworkReply::InternalServerError)));

    HttpFaultServer midway(HttpFaultServer::CloseMidway);
    QVERIFY(midway.start());
    QCOMPARE(download(downloader, midway.root() + QStringLiteral("/file"), target), 1);
    QVERIFY(downloader.lastError().startsWith(QStringLiteral("Error:NetworkError code:")));
    QVERIFY(QFileInfo(target).size() < 64 * 1024); // the part that came stays

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
    QCOMPARE(QFileInfo(target).size(), qint64(1024)); // the first chunk, nothing after
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
}

QTEST_MAIN(TestUpdateClient)
#include "tst_UpdateClient.moc"
