// rotaprobe-results as scripts use it: its command line, exit codes (0
// matched, 1 nothing matched, 2 errors), the JSON shapes, the CSV's fixed
// columns and cells a spreadsheet cannot take for formulas, and stored text
// that cannot steer the terminal.
#include "ResultStore.h"
#include "ResultsPrinter.h"
#include "ResultsProgram.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int code = -1;
    QString out;
    QString err;
    QJsonDocument json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

} // namespace

class tst_ResultsTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineIsChecked_data();
    void commandLineIsChecked();
    void listAndShowForScripts();
    void exportHasFixedColumns();
    void csvCellsAreNeverFormulas_data();
    void csvCellsAreNeverFormulas();
    void storedTextIsShownEscaped();
    void statsShape();
    void yieldForScripts();

private:
    Run run(QStringList arguments, bool withDb = true);

    QTemporaryDir m_dir;
    QString m_db;
    qint64 m_firstId = 0;
    TestResult m_first;
};

void tst_ResultsTool::initTestCase()
{
    m_db = m_dir.filePath(QStringLiteral("results.sqlite"));
    QString error;
    ResultStore store(*StoreLocation::parse(m_db, &error), m_dir.filePath(QStringLiteral("spool")));
    const QDateTime start = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
    m_first = SampleResults::make(QStringLiteral("=HYPERLINK(\"x\"),1"), start, 60.0);
    m_firstId = store.store(m_first).id;
    QVERIFY(m_firstId > 0);
    QVERIFY(store.store(SampleResults::make(QStringLiteral("SN-2"), start.addDays(1), 70.0)).id >
            0);
    QVERIFY(store.store(SampleResults::make(QStringLiteral("SN-3"), start.addDays(2), 90.0)).id >
            0);
}

Run tst_ResultsTool::run(QStringList arguments, bool withDb)
{
    if (withDb)
        arguments = QStringList{QStringLiteral("--db"), m_db} + arguments;
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = ResultsProgram::run(arguments, out, err);
    out.flush();
    err.flush();
    return r;
}

void tst_ResultsTool::commandLineIsChecked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"lsit"} << 2;
    QTest::newRow("unknown option") << QStringList{"list", "--serail", "x"} << 2;
    QTest::newRow("bad verdict") << QStringList{"list", "--verdict", "passed"} << 2;
    QTest::newRow("bad date") << QStringList{"stats", "--since", "01.03.2026"} << 2;
    QTest::newRow("show without id") << QStringList{"show"} << 2;
    QTest::newRow("show with filter") << QStringList{"show", "1", "--serial", "x"} << 2;
    QTest::newRow("show two ids") << QStringList{"show", "1", "2"} << 2;
    QTest::newRow("export both") << QStringList{"export", "--csv", "a", "--json", "b"} << 2;
    QTest::newRow("export json flag") << QStringList{"--json", "export"} << 2;
    QTest::newRow("csv outside export") << QStringList{"list", "--csv", "a"} << 2;
    QTest::newRow("stray argument") << QStringList{"stats", "now"} << 2;
    QTest::newRow("option after command") << QStringList{"list", "--serial=SN-2"} << 0;
    QTest::newRow("nothing matched") << QStringList{"list", "--serial", "none"} << 1;
    QTest::newRow("station") << QStringList{"list", "--station", "bench-1"} << 0;
    QTest::newRow("other station") << QStringList{"stats", "--station=bench-2"} << 1;
    QTest::newRow("station without name") << QStringList{"list", "--station="} << 2;
    QTest::newRow("show with station") << QStringList{"show", "1", "--station", "x"} << 2;
    QTest::newRow("yield") << QStringList{"yield", "--by", "station"} << 0;
    QTest::newRow("yield by week") << QStringList{"yield", "--by", "week"} << 2;
    QTest::newRow("by outside yield") << QStringList{"list", "--by", "day"} << 2;
    QTest::newRow("yield with verdict") << QStringList{"yield", "--verdict", "pass"} << 2;
    QTest::newRow("yield of nothing") << QStringList{"yield", "--station", "bench-2"} << 1;
    QTest::newRow("no such test") << QStringList{"show", "999"} << 1;
}

void tst_ResultsTool::commandLineIsChecked()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    const Run r = run(arguments);
    QVERIFY2(r.code == code, qPrintable(r.out + r.err));
    if (code == 2)
        QVERIFY2(!r.err.isEmpty(), "an error must say why");
}

void tst_ResultsTool::listAndShowForScripts()
{
    Run r = run({"list", "--json"});
    QCOMPARE(r.code, 0);
    const QJsonArray rows = r.json().array();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).toObject().value("serial").toString(),
             QStringLiteral("SN-3")); // newest first
    QCOMPARE(rows.at(2).toObject().value("id").toInt(), int(m_firstId));
    QCOMPARE(rows.at(2).toObject().value("started_at").toString(),
             QStringLiteral("2026-03-01T08:00:00.000Z"));
    QCOMPARE(rows.at(0).toObject().value("verdict").toString(), QStringLiteral("fail"));
    QCOMPARE(rows.at(0).toObject().value("attempt").toInt(), 1);

    r = run({"list", "--json", "--verdict", "aborted"});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.json().array().size(), 0); // still valid JSON

    r = run({"show", QString::number(m_firstId), "--json"});
    QCOMPARE(r.code, 0);
    const QJsonObject shown = r.json().object();
    QCOMPARE(shown.value("report").toObject(), m_first.report);
    QCOMPARE(shown.value("serial").toString(), m_first.serial);
    QCOMPARE(shown.value("items").toArray().size(), m_first.items.size());
    QCOMPARE(shown.value("profile").toObject().value("sha256").toString(), m_first.profileSha256);

    r = run({"show", QString::number(m_firstId)});
    QVERIFY2(r.out.contains("signal.quality_pct") && r.out.contains("60"), qPrintable(r.out));

    // Errors are errors, not an empty history.
    r = run({"--db", m_dir.filePath("missing.sqlite"), "list"}, false);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains("does not exist"), qPrintable(r.err));
    r = run({"--db", "postgresql://me:secret@db/results", "list"}, false);
    QCOMPARE(r.code, 2);
    QVERIFY(r.err.contains(".pgpass"));
}

void tst_ResultsTool::exportHasFixedColumns()
{
    const QString csv = m_dir.filePath(QStringLiteral("out.csv"));
    Run r = run({"export", "--csv", csv, "--until", "2026-03-02"});
    QCOMPARE(r.code, 0);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0),
             QStringLiteral("id,serial,started_at,duration_s,station,operator,program_version,"
                            "profile,verdict,verdict_reason,signal.offset_sin_pct,"
                            "signal.offset_cos_pct,signal.amplitude_sin_pct,"
                            "signal.amplitude_cos_pct,signal.amplitude_ratio,"
                            "signal.phase_deviation_deg,signal.quality_pct,"
                            "signal.interpolation_error_pct,signal.interpolation_error_um,"
                            "latch.sincos.spread,latch.sincos.spread_um,latch.square.spread,"
                            "latch.square.spread_um,current_ma.min,current_ma.mean,"
                            "current_ma.max,poll_rate,travel.amplitude_variation_pct,"
                            "travel.amplitude_min_pct,travel.amplitude_min_pct_at_mm,"
                            "travel.worst_offset_pct,travel.worst_phase_deviation_deg,"
                            "travel.worst_amplitude_ratio_min,travel.worst_amplitude_ratio_max,"
                            "travel.worst_interpolation_error_pct,rotary.eccentricity_pct,"
                            "rotary.ovality_pct,speed.within_limit_hz,speed.amplitude_at_max_pct,"
                            "latch.directions.difference_periods"));
    // A serial a spreadsheet would run as a formula stays text; its comma stays in its cell.
    QVERIFY2(lines.at(2).startsWith(
                 QStringLiteral("%1,\"'=HYPERLINK(\"\"x\"\"),1\",2026-03-01T08:00:00.000Z,3,")
                     .arg(m_firstId)),
             qPrintable(lines.at(2)));
    QVERIFY2(lines.at(2).endsWith(",1,-0.8,,,0.97,1.5,60,,,,,,,116,118,120,466.7,,,,,,,,,,,,,"),
             qPrintable(lines.at(2)));

    const QString json = m_dir.filePath(QStringLiteral("out.json"));
    r = run({"export", "--json", json, "--serial", "SN-2"});
    QCOMPARE(r.code, 0);
    QFile jsonFile(json);
    QVERIFY(jsonFile.open(QIODevice::ReadOnly));
    const QJsonArray rows = QJsonDocument::fromJson(jsonFile.readAll()).array();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).toObject().value("signal.quality_pct").toDouble(), 70.0);
    QVERIFY(rows.at(0).toObject().value("latch.sincos.spread").isNull());

    r = run({"export", "--csv", m_dir.filePath("no/such/folder/out.csv")});
    QCOMPARE(r.code, 2);
    r = run({"export", "--serial", "none"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.startsWith("id,serial,")); // the header even so
}

void tst_ResultsTool::csvCellsAreNeverFormulas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("plain") << "SN-1" << "SN-1";
    QTest::newRow("equals") << "=1+1" << "'=1+1";
    QTest::newRow("plus") << "+1" << "'+1";
    QTest::newRow("minus") << "-1" << "'-1";
    QTest::newRow("at") << "@SUM(A1)" << "'@SUM(A1)";
    QTest::newRow("tab") << "\t=1+1" << "'\t=1+1";
    QTest::newRow("carriage return") << "\r=1+1" << "\"'\r=1+1\"";
    QTest::newRow("inside") << "a=b" << "a=b";
}

void tst_ResultsTool::csvCellsAreNeverFormulas()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(ResultsPrinter::csvText(text), cell);
}

// Any writer of a shared store can put any text in a row: list and show
// print control and invisible format characters escaped, so a row cannot
// move the cursor or redraw another's verdict. JSON keeps the text as it is.
void tst_ResultsTool::storedTextIsShownEscaped()
{
    const QString db = m_dir.filePath(QStringLiteral("shared.sqlite"));
    QString error;
    qint64 id = 0;
    {
        ResultStore store(*StoreLocation::parse(db, &error), m_dir.filePath("shared-spool"));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        id = store.store(SampleResults::make(QStringLiteral("SN-9"), now)).id;
        QVERIFY(id > 0);
    }
    const QString serial = QStringLiteral("SN-9\x1b[1A\r%1  pass").arg(m_firstId);
    {
        SqlConnection connection(QStringLiteral("QSQLITE"));
        connection.db().setDatabaseName(db);
        QVERIFY(connection.db().open());
        QSqlQuery q(connection.db());
        q.prepare(QStringLiteral("UPDATE results SET serial = ?, station = ?, operator = ?, "
                                 "verdict_reason = ?, program_version = ?, profile_name = ?"));
        for (const QString& value : {serial, QStringLiteral("bench\u202e1"),
                                     QStringLiteral("op\u009b2K"), QStringLiteral("x\ny\x7f"),
                                     QStringLiteral("1.0\x07"), QStringLiteral("p\u2028q\u200b")})
            q.addBindValue(value);
        QVERIFY(q.exec());
        QVERIFY(q.exec(QStringLiteral("UPDATE items SET name = 'signal\x1b]0;x\x07'")));
    }
    const auto steers = [](const QString& text) {
        for (const QChar c : text) {
            const ushort u = c.unicode();
            if ((u < 0x20 && u != '\n') || (u >= 0x7F && u <= 0x9F) ||
                c.category() == QChar::Other_Format || c.category() == QChar::Separator_Line)
                return true;
        }
        return false;
    };
    const Run list = run({"--db", db, "list"}, false);
    QCOMPARE(list.code, 0);
    QVERIFY2(!steers(list.out), qPrintable(list.out));
    QCOMPARE(list.out.count('\n'), 1);
    QVERIFY2(list.out.contains(QStringLiteral("SN-9\\x1b[1A\\x0d%1  pass").arg(m_firstId)) &&
                 list.out.contains("bench\\u202e1") && list.out.contains("op\\x9b2K"),
             qPrintable(list.out));
    const Run show = run({"--db", db, "show", QString::number(id)}, false);
    QCOMPARE(show.code, 0);
    QVERIFY2(!steers(show.out), qPrintable(show.out));
    QVERIFY2(show.out.contains("x\\x0ay\\x7f") && show.out.contains("1.0\\x07") &&
                 show.out.contains("p\\u2028q\\u200b") &&
                 show.out.contains("signal\\x1b]0;x\\x07"),
             qPrintable(show.out));
    const Run json = run({"--db", db, "show", QString::number(id), "--json"}, false);
    QCOMPARE(json.json().object().value("serial").toString(), serial);
}

void tst_ResultsTool::statsShape()
{
    Run r = run({"stats", "--json"});
    QCOMPARE(r.code, 0);
    const QJsonObject stats = r.json().object();
    QCOMPARE(stats.value("count").toInt(), 3);
    QCOMPARE(stats.value("pass_rate").toDouble(), 2.0 / 3.0);
    const QJsonObject quality =
        stats.value("figures").toObject().value("signal.quality_pct").toObject();
    QCOMPARE(quality.value("mean").toDouble(), (60.0 + 70.0 + 90.0) / 3.0);
    QCOMPARE(quality.value("min").toDouble(), 60.0);
    QCOMPARE(quality.value("max").toDouble(), 90.0);
    for (const char* key : {"std", "cp", "cpk"})
        QVERIFY2(quality.value(QLatin1String(key)).isDouble(), key);
    // Not measured by any test: no entry rather than zeros.
    QVERIFY(!stats.value("figures").toObject().contains("latch.sincos.spread"));
    r = run({"stats", "--json", "--since", "2027-01-01"});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.json().object().value("count").toInt(), 0);
}

// P fails at st-a and passes at st-b, Q passes at st-b, R's only test at
// st-a is aborted.
void tst_ResultsTool::yieldForScripts()
{
    const QString db = m_dir.filePath(QStringLiteral("yield.sqlite"));
    QString error;
    ResultStore store(*StoreLocation::parse(db, &error), m_dir.filePath(QStringLiteral("spool")));
    const QDateTime start = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
    const struct
    {
        const char* serial;
        int minutes;
        const char* station;
        const char* verdict;
    } tests[] = {{"P", 0, "st-a", "fail"},
                 {"P", 10, "st-b", "pass"},
                 {"Q", 20, "st-b", "pass"},
                 {"R", 30, "st-a", "aborted"}};
    for (const auto& t : tests) {
        TestResult r = SampleResults::make(QLatin1String(t.serial), start.addSecs(60 * t.minutes));
        r.station = QLatin1String(t.station);
        r.verdict = QLatin1String(t.verdict);
        QVERIFY(store.store(r).id > 0);
    }
    Run r = run({"--db", db, "yield", "--json"}, false);
    QCOMPARE(r.code, 0);
    const QJsonObject total = r.json().object().value("total").toObject();
    QCOMPARE(total, QJsonObject({{"units", 2},
                                 {"first_pass", 1},
                                 {"final_pass", 2},
                                 {"tests", 3},
                                 {"retests", 1},
                                 {"aborted", 1},
                                 {"first_pass_yield", 0.5},
                                 {"final_yield", 1.0},
                                 {"tests_per_unit", 1.5}}));
    QVERIFY(r.json().object().value("by").isNull());

    r = run({"--db", db, "yield", "--by", "station", "--json"}, false);
    QCOMPARE(r.code, 0);
    const QJsonArray groups = r.json().object().value("groups").toArray();
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.at(0).toObject().value("group").toString(), QStringLiteral("st-a"));
    QCOMPARE(groups.at(0).toObject().value("units").toInt(), 1);
    QCOMPARE(groups.at(0).toObject().value("first_pass_yield").toDouble(), 0.0);
    QCOMPARE(groups.at(0).toObject().value("final_yield").toDouble(), 1.0);
    QCOMPARE(groups.at(0).toObject().value("aborted").toInt(), 1);
    QCOMPARE(groups.at(1).toObject().value("first_pass").toInt(), 1);
    QCOMPARE(r.json().object().value("total").toObject(), total);

    // Text: a row per group and the total; the station filter keeps st-b's unit.
    r = run({"--db", db, "yield", "--by", "day"}, false);
    QVERIFY2(r.out.contains(QRegularExpression("2026-03-01 +2 +50\\.0 +100\\.0 +1\\.50 +1 +1\\n")),
             qPrintable(r.out));
    r = run({"--db", db, "yield", "--station", "st-b", "--json"}, false);
    QCOMPARE(r.json().object().value("total").toObject().value("units").toInt(), 1);
    QCOMPARE(r.json().object().value("total").toObject().value("first_pass_yield").toDouble(), 1.0);
}

QTEST_GUILESS_MAIN(tst_ResultsTool)
#include "tst_ResultsTool.moc"
