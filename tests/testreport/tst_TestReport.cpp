// The protocol of one test: its file name from any serial, the PDF as a
// reader gets it (text through pdftotext, fonts through pdffonts), and its
// file in a folder others can write to.
#include "HostPrograms.h"
#include "LissajousFit.h"
#include "ProtocolFileName.h"
#include "ProtocolPdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

TestProtocol sample(TestProtocol::Verdict verdict)
{
    TestProtocol p;
    p.serial = QStringLiteral("SN-4711");
    p.startedAt = QDateTime(QDate(2026, 12, 8), QTime(14, 15, 0), Qt::UTC);
    p.durationS = 3.0;
    p.station = QStringLiteral("line2-bench4");
    p.operatorName = QStringLiteral("Ada Quist");
    p.programVersion = QStringLiteral("1.0.0.15");
    p.testerConfiguration = QStringList{QStringLiteral("work mode: sine/cosine"), QString::fromUtf8("equivalent: 20.000 µm")};
    p.profileName = QStringLiteral("line2.json");
    p.profileSha256 = QByteArray(64, 'e');
    p.verdict = verdict;
    if (verdict == TestProtocol::Verdict::Fail)
        p.reason = QStringLiteral("1 item failed");
    for (int i = 0; i < 4000; ++i) {
        const double t = 2.0 * M_PI * i / 4000.0;
        p.pairs.append({int(std::lround(512 + 31 + 300 * std::sin(t))),
                        int(std::lround(512 - 4 + 290 * std::cos(t + 0.03)))});
    }
    p.fit = LissajousFit::fit(p.pairs.constData(), std::size_t(p.pairs.size()), 20000.0);
    ToleranceProfile::Item offset;
    offset.name = QStringLiteral("signal.offset_sin_pct_max");
    offset.value = p.fit.offset_sin_pct;
    offset.limit = 3.0;
    offset.isMax = true;
    offset.measured = true;
    offset.pass = false;
    ToleranceProfile::Item current;
    current.name = QStringLiteral("current_ma.max");
    current.value = 112.5;
    current.limit = 250.0;
    current.isMax = true;
    current.measured = true;
    current.pass = true;
    p.items = {offset, current};
    TestProtocol::Latch latch;
    latch.channel = QStringLiteral("sine/cosine");
    latch.unit = QStringLiteral("periods");
    latch.stats.valid = true;
    latch.stats.triggers = 12;
    latch.stats.min = 1000;
    latch.stats.max = 1001;
    latch.stats.mean = 1000.4;
    latch.stats.spread = 1;
    latch.stats.spread_um = 20;
    p.latches = {latch};
    p.currentKnown = true;
    p.currentMa = 112.5;
    return p;
}

// A poppler tool's output for the file at `path` (the build machine's tool,
// also under Wine).
QString run(const QString& tool, QStringList arguments, const QString& path)
{
    arguments.replace(arguments.indexOf(QStringLiteral("%path")), HostPrograms::path(path));
    return QString::fromUtf8(HostPrograms::output(tool, arguments));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_TestReport : public QObject
{
    Q_OBJECT

private slots:
    void fileNames();
    void protocolAsAReaderGetsIt();
    void unwritableFolderIsAnError();
    void plantedLinksAreNeverWrittenThrough();
    void aProtocolIsNeverReplacedInAFolder();
};

void tst_TestReport::fileNames()
{
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 15, 0), Qt::UTC);
    QCOMPARE(ProtocolFileName::make(QStringLiteral("SN-4711"), at), QStringLiteral("SN-4711_20261208T141500Z.pdf"));
    // Local time is written as UTC.
    QCOMPARE(ProtocolFileName::make(QStringLiteral("A"), at.toOffsetFromUtc(3600)),
             QStringLiteral("A_20261208T141500Z.pdf"));
    // Whatever a scanner typed, one file in the folder.
    QCOMPARE(ProtocolFileName::make(QStringLiteral("../../etc/x"), at), QStringLiteral("_.._.._etc_x_20261208T141500Z.pdf"));
    QCOMPARE(ProtocolFileName::make(QStringLiteral("SN 47\\11:ä"), at), QStringLiteral("SN_47_11___20261208T141500Z.pdf"));
    QCOMPARE(ProtocolFileName::make(QString(), at), QStringLiteral("__20261208T141500Z.pdf"));
    // A second protocol in the same second.
    QCOMPARE(ProtocolFileName::numbered(QStringLiteral("/p/SN.1_20261208T141500Z.pdf"), 1),
             QStringLiteral("/p/SN.1_20261208T141500Z.pdf"));
    QCOMPARE(ProtocolFileName::numbered(QStringLiteral("/p/SN.1_20261208T141500Z.pdf"), 2),
             QStringLiteral("/p/SN.1_20261208T141500Z_2.pdf"));
    QCOMPARE(ProtocolFileName::numbered(QStringLiteral("out"), 3), QStringLiteral("out_3"));
}

void tst_TestReport::protocolAsAReaderGetsIt()
{
    if (!HostPrograms::available())
        QSKIP("poppler's tools are the build machine's");
    const QString pdftotext = QStringLiteral("pdftotext");
    QTemporaryDir dir;
    for (const auto verdict : {TestProtocol::Verdict::Fail, TestProtocol::Verdict::Pass, TestProtocol::Verdict::Aborted}) {
        const QString path = dir.filePath(QStringLiteral("p.pdf"));
        QString error;
        QString written;
        QVERIFY2(ProtocolPdf::write(sample(verdict), path, ProtocolPdf::Placement::ReplaceExisting, &written, &error),
                 qPrintable(error));
        QCOMPARE(written, path);
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
        const QString text = run(pdftotext, {QStringLiteral("-layout"), QStringLiteral("%path"), QStringLiteral("-")}, path);
        QVERIFY2(!text.isEmpty(), "no text: is pdftotext there (poppler-utils, installed by tools/setup.sh)?");
        QVERIFY2(text.contains(ProtocolPdf::verdictText(verdict)), qPrintable(text));
        if (verdict != TestProtocol::Verdict::Fail)
            continue;
        for (const char* expected : {"Encoder test protocol", "SN-4711", "2026-12-08 14:15:00", "line2-bench4",
                                     "Ada Quist", "1.0.0.15", "work mode: sine/cosine", "line2.json",
                                     "eeeeeeeeeeeeeeee", "1 item failed", "signal.offset_sin_pct_max",
                                     "current_ma.max", "112.500", "≤ 250.000", "FAIL", "pass",
                                     "12 triggers", "112.5 mA"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        // The measured offset as the fit found it (about 6 %).
        QVERIFY2(text.contains(QString::number(sample(verdict).fit.offset_sin_pct, 'f', 3)), qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("\f")), 1); // one page

        // Every font embedded: it prints the same anywhere.
        const QString fonts = run(QStringLiteral("pdffonts"), {QStringLiteral("%path")}, path);
        const QStringList rows = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY(!rows.isEmpty());
        for (const QString& row : rows)
            QVERIFY2(row.contains(QStringLiteral(" yes ")), qPrintable(fonts));
    }
}

void tst_TestReport::unwritableFolderIsAnError()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/folder/p.pdf"));
    QString error;
    QVERIFY(!ProtocolPdf::write(sample(TestProtocol::Verdict::Pass), path, ProtocolPdf::Placement::KeepExisting,
                                nullptr, &error));
    QVERIFY2(error.contains(QStringLiteral("cannot write")), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

// Anyone who can write the protocol folder can put links there: at the
// partial file's name, at the protocol's name, or pointing nowhere yet. The
// files they point at stay as they were, and so do the links.
void tst_TestReport::plantedLinksAreNeverWrittenThrough()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes shortcuts on Windows, which nothing follows");
#endif
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim"));
    const QString nowhere = dir.filePath(QStringLiteral("made-through-a-link"));
    QVERIFY(writeFile(victim, "precious"));
    const auto write = [&](const QString& name, ProtocolPdf::Placement placement) {
        QString written;
        QString error;
        if (!ProtocolPdf::write(sample(TestProtocol::Verdict::Pass), dir.filePath(name), placement, &written, &error))
            return error;
        return QFileInfo(written).fileName();
    };
    for (const auto placement : {ProtocolPdf::Placement::KeepExisting, ProtocolPdf::Placement::ReplaceExisting}) {
        const QString name = placement == ProtocolPdf::Placement::KeepExisting ? QStringLiteral("keep")
                                                                                : QStringLiteral("replace");
        QVERIFY(QFile::link(victim, dir.filePath(name + QStringLiteral(".pdf.part"))));
        QCOMPARE(write(name + QStringLiteral(".pdf"), placement), name + QStringLiteral(".pdf"));
        QVERIFY(QFile::link(nowhere, dir.filePath(name + QStringLiteral("-dangling.pdf.part"))));
        QCOMPARE(write(name + QStringLiteral("-dangling.pdf"), placement), name + QStringLiteral("-dangling.pdf"));
        for (const QString& written : {name + QStringLiteral(".pdf"), name + QStringLiteral("-dangling.pdf")}) {
            QVERIFY(!QFileInfo(dir.filePath(written)).isSymLink());
            QVERIFY(readFile(dir.filePath(written)).startsWith("%PDF"));
            QVERIFY(QFileInfo(dir.filePath(written + QStringLiteral(".part"))).isSymLink());
        }
    }
    // A link at the protocol's own name: in a folder it stays, the protocol
    // takes the next name; a named file replaces the link itself.
    QVERIFY(QFile::link(victim, dir.filePath(QStringLiteral("linked.pdf"))));
    QCOMPARE(write(QStringLiteral("linked.pdf"), ProtocolPdf::Placement::KeepExisting), QStringLiteral("linked_2.pdf"));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("linked.pdf"))).symLinkTarget(), victim);
    QVERIFY(QFile::link(victim, dir.filePath(QStringLiteral("named.pdf"))));
    QCOMPARE(write(QStringLiteral("named.pdf"), ProtocolPdf::Placement::ReplaceExisting), QStringLiteral("named.pdf"));
    QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("named.pdf"))).isSymLink());

    QCOMPARE(readFile(victim), QByteArray("precious"));
    QVERIFY(!QFileInfo::exists(nowhere));
}

// Two protocols of one serial in the same second: both are kept.
void tst_TestReport::aProtocolIsNeverReplacedInAFolder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SN-4711_20261208T141500Z.pdf"));
    QStringList written;
    for (const auto verdict : {TestProtocol::Verdict::Fail, TestProtocol::Verdict::Pass, TestProtocol::Verdict::Aborted}) {
        QString to;
        QString error;
        QVERIFY2(ProtocolPdf::write(sample(verdict), path, ProtocolPdf::Placement::KeepExisting, &to, &error),
                 qPrintable(error));
        written.append(to);
    }
    QCOMPARE(written, QStringList({path, ProtocolFileName::numbered(path, 2), ProtocolFileName::numbered(path, 3)}));
    if (!HostPrograms::available())
        QSKIP("poppler's tools are the build machine's");
    const QStringList toText{QStringLiteral("%path"), QStringLiteral("-")};
    QVERIFY(run(QStringLiteral("pdftotext"), toText, path).contains(ProtocolPdf::verdictText(TestProtocol::Verdict::Fail)));
    QVERIFY(run(QStringLiteral("pdftotext"), toText, written[2])
                .contains(ProtocolPdf::verdictText(TestProtocol::Verdict::Aborted)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

QTEST_MAIN(tst_TestReport)
#include "tst_TestReport.moc"
