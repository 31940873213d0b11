// The protocol of one test: its file name from any serial, and the PDF as a
// reader gets it (text through pdftotext, fonts through pdffonts).
#include "LissajousFit.h"
#include "ProtocolFileName.h"
#include "ProtocolPdf.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
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

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class tst_TestReport : public QObject
{
    Q_OBJECT

private slots:
    void fileNames();
    void protocolAsAReaderGetsIt();
    void unwritableFolderIsAnError();
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
}

void tst_TestReport::protocolAsAReaderGetsIt()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY2(!pdftotext.isEmpty(), "pdftotext missing (poppler-utils, installed by tools/setup.sh)");
    QTemporaryDir dir;
    for (const auto verdict : {TestProtocol::Verdict::Fail, TestProtocol::Verdict::Pass, TestProtocol::Verdict::Aborted}) {
        const QString path = dir.filePath(QStringLiteral("p.pdf"));
        QString error;
        QVERIFY2(ProtocolPdf::write(sample(verdict), path, &error), qPrintable(error));
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
        const QString text = run(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
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
        const QString fonts = run(QStandardPaths::findExecutable(QStringLiteral("pdffonts")), {path});
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
    QVERIFY(!ProtocolPdf::write(sample(TestProtocol::Verdict::Pass), path, &error));
    QVERIFY2(error.contains(QStringLiteral("cannot write")), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(tst_TestReport)
#include "tst_TestReport.moc"
