#include "ResultsPrinter.h"

#include "ResultFigures.h"

#include <QJsonDocument>
#include <QStringList>

#include <algorithm>

namespace {

QJsonValue number(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue text(const QString& value)
{
    return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

QString figureText(double value)
{
    return QString::number(value, 'g', 10);
}

QString optionalText(const std::optional<double>& value)
{
    return value ? QString::number(*value, 'f', 3) : QStringLiteral("-");
}

} // namespace

QString ResultsPrinter::utc(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QString ResultsPrinter::csvText(const QString& value)
{
    QString cell = value;
    if (!cell.isEmpty() && QStringLiteral("=+-@\t\r").contains(cell.at(0)))
        cell.prepend(QLatin1Char('\''));
    if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
        cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'))) {
        cell.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        cell = QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return cell;
}

QString ResultsPrinter::terminalText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort code = c.unicode();
        const QChar::Category category = c.category();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            out += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
        else if (category == QChar::Other_Format || category == QChar::Separator_Line ||
                 category == QChar::Separator_Paragraph)
            out += QStringLiteral("\\u%1").arg(code, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString ResultsPrinter::listText(const QVector<ResultStore::Row>& rows)
{
    int serialWidth = 6;
    for (const ResultStore::Row& row : rows)
        serialWidth = std::max(serialWidth, int(terminalText(row.serial).size()));
    QString out;
    for (const ResultStore::Row& row : rows)
        out += QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                   .arg(row.id, 8)
                   .arg(utc(row.startedAt), -24)
                   .arg(terminalText(row.serial), -serialWidth)
                   .arg(terminalText(row.verdict), -7)
                   .arg(terminalText(row.station), -16)
                   .arg(terminalText(row.operatorName));
    return out;
}

QJsonObject ResultsPrinter::rowJson(const ResultStore::Row& row)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), double(row.id));
    o.insert(QStringLiteral("serial"), row.serial);
    o.insert(QStringLiteral("started_at"), utc(row.startedAt));
    o.insert(QStringLiteral("duration_s"), row.durationS);
    o.insert(QStringLiteral("station"), row.station);
    o.insert(QStringLiteral("operator"), text(row.operatorName));
    o.insert(QStringLiteral("program_version"), row.programVersion);
    o.insert(QStringLiteral("profile"), text(row.profileName));
    o.insert(QStringLiteral("verdict"), row.verdict);
    o.insert(QStringLiteral("verdict_reason"), text(row.verdictReason));
    o.insert(QStringLiteral("attempt"), row.attempt);
    return o;
}

QJsonArray ResultsPrinter::listJson(const QVector<ResultStore::Row>& rows)
{
    QJsonArray array;
    for (const ResultStore::Row& row : rows)
        array.append(rowJson(row));
    return array;
}

QJsonObject ResultsPrinter::showJson(const TestResult& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), double(r.id));
    o.insert(QStringLiteral("uid"), r.uid);
    o.insert(QStringLiteral("serial"), r.serial);
    o.insert(QStringLiteral("started_at"), utc(r.startedAt));
    o.insert(QStringLiteral("duration_s"), r.durationS);
    o.insert(QStringLiteral("station"), r.station);
    o.insert(QStringLiteral("operator"), text(r.operatorName));
    o.insert(QStringLiteral("program_version"), r.programVersion);
    o.insert(QStringLiteral("tester_config"), r.testerConfig);
    if (r.profileName.isEmpty() && r.profileJson.isEmpty()) {
        o.insert(QStringLiteral("profile"), QJsonValue::Null);
    } else {
        QJsonObject profile;
        profile.insert(QStringLiteral("name"), r.profileName);
        profile.insert(QStringLiteral("sha256"), r.profileSha256);
        profile.insert(QStringLiteral("json"), QString::fromUtf8(r.profileJson));
        o.insert(QStringLiteral("profile"), profile);
    }
    o.insert(QStringLiteral("verdict"), r.verdict);
    o.insert(QStringLiteral("verdict_reason"), text(r.verdictReason));
    QJsonArray items;
    for (const TestResult::Item& item : r.items)
        items.append(QJsonObject{
            {QStringLiteral("name"), item.name},
            {QStringLiteral("limit"), item.limit},
            {QStringLiteral("is_max"), item.isMax},
            {QStringLiteral("value"), item.measured ? QJsonValue(item.value) : QJsonValue()},
            {QStringLiteral("pass"), item.pass}});
    o.insert(QStringLiteral("items"), items);
    o.insert(QStringLiteral("report"), r.report);
    return o;
}

QString ResultsPrinter::showText(const TestResult& r)
{
    const auto line = [](const QString& name, const QString& value) {
        return QStringLiteral("%1 %2\n").arg(name + QLatin1Char(':'), -18).arg(terminalText(value));
    };
    QString out = line(tr("Test"), QString::number(r.id));
    out += line(tr("Serial"), r.serial);
    out += line(tr("Started (UTC)"), utc(r.startedAt));
    out += line(tr("Duration"), tr("%1 s").arg(r.durationS, 0, 'f', 2));
    out += line(tr("Station"), r.station);
    out += line(tr("Operator"), r.operatorName.isEmpty() ? tr("-") : r.operatorName);
    out += line(tr("Program"), r.programVersion);
    out += line(tr("Tester"),
                QString::fromUtf8(QJsonDocument(r.testerConfig).toJson(QJsonDocument::Compact)));
    out += line(tr("Profile"), r.profileName.isEmpty()
                                   ? tr("none")
                                   : tr("%1 (SHA-256 %2)").arg(r.profileName, r.profileSha256));
    out += line(tr("Verdict"), r.verdictReason.isEmpty()
                                   ? r.verdict
                                   : QStringLiteral("%1 (%2)").arg(r.verdict, r.verdictReason));
    out += tr("Figures\n");
    for (const ResultFigures::Figure& figure : ResultFigures::all()) {
        const std::optional<double> value = ResultFigures::valueIn(r.report, figure);
        out += QStringLiteral("  %1 %2\n")
                   .arg(figure.name, -32)
                   .arg(value ? figureText(*value) : tr("not measured"));
    }
    if (!r.items.isEmpty())
        out += tr("Profile items\n");
    for (const TestResult::Item& item : r.items)
        out += QStringLiteral("  %1 %2 %3 %4 %5\n")
                   .arg(item.pass ? tr("pass") : tr("FAIL"), -4)
                   .arg(terminalText(item.name), -36)
                   .arg(item.measured ? figureText(item.value) : tr("not measured"))
                   .arg(item.isMax ? QStringLiteral("<=") : QStringLiteral(">="))
                   .arg(figureText(item.limit));
    return out;
}

QString ResultsPrinter::exportCsv(const QVector<ResultStore::Row>& rows)
{
    QStringList header{QStringLiteral("id"),
                       QStringLiteral("serial"),
                       QStringLiteral("started_at"),
                       QStringLiteral("duration_s"),
                       QStringLiteral("station"),
                       QStringLiteral("operator"),
                       QStringLiteral("program_version"),
                       QStringLiteral("profile"),
                       QStringLiteral("verdict"),
                       QStringLiteral("verdict_reason")};
    for (const ResultFigures::Figure& figure : ResultFigures::all())
        header << figure.name;
    QString out = header.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (const ResultStore::Row& row : rows) {
        QStringList cells{
            QString::number(row.id),     csvText(row.serial),      utc(row.startedAt),
            figureText(row.durationS),   csvText(row.station),     csvText(row.operatorName),
            csvText(row.programVersion), csvText(row.profileName), row.verdict,
            csvText(row.verdictReason)};
        for (const std::optional<double>& value : row.figures)
            cells << (value ? figureText(*value) : QString());
        out += cells.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return out;
}

QJsonArray ResultsPrinter::exportJson(const QVector<ResultStore::Row>& rows)
{
    QJsonArray array;
    for (const ResultStore::Row& row : rows) {
        QJsonObject o = rowJson(row);
        for (int i = 0; i < ResultFigures::all().size() && i < row.figures.size(); ++i)
            o.insert(ResultFigures::all().at(i).name, number(row.figures.at(i)));
        array.append(o);
    }
    return array;
}

QString ResultsPrinter::statsText(const ResultStatistics& stats)
{
    QString out = tr("Tests: %1, passed: %2 (%3 %)\n")
                      .arg(stats.count)
                      .arg(stats.passed)
                      .arg(stats.passRate() * 100.0, 0, 'f', 1);
    out += QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
               .arg(tr("figure"), -32)
               .arg(tr("n"), 7)
               .arg(tr("mean"), 11)
               .arg(tr("std"), 11)
               .arg(tr("min"), 11)
               .arg(tr("max"), 11)
               .arg(tr("Cp"), 8)
               .arg(tr("Cpk"), 8);
    for (const ResultStatistics::Figure& f : stats.figures)
        out += QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                   .arg(f.name, -32)
                   .arg(f.count, 7)
                   .arg(QString::number(f.mean, 'f', 4), 11)
                   .arg(f.std ? QString::number(*f.std, 'f', 4) : QStringLiteral("-"), 11)
                   .arg(QString::number(f.min, 'f', 4), 11)
                   .arg(QString::number(f.max, 'f', 4), 11)
                   .arg(optionalText(f.cp), 8)
                   .arg(optionalText(f.cpk), 8);
    return out;
}

QJsonObject ResultsPrinter::statsJson(const ResultStatistics& stats)
{
    QJsonObject figures;
    for (const ResultStatistics::Figure& f : stats.figures)
        figures.insert(f.name, QJsonObject{{QStringLiteral("count"), double(f.count)},
                                           {QStringLiteral("mean"), f.mean},
                                           {QStringLiteral("std"), number(f.std)},
                                           {QStringLiteral("min"), f.min},
                                           {QStringLiteral("max"), f.max},
                                           {QStringLiteral("lower_limit"), number(f.lower)},
                                           {QStringLiteral("upper_limit"), number(f.upper)},
                                           {QStringLiteral("cp"), number(f.cp)},
                                           {QStringLiteral("cpk"), number(f.cpk)}});
    QJsonObject o;
    o.insert(QStringLiteral("count"), double(stats.count));
    o.insert(QStringLiteral("passed"), double(stats.passed));
    o.insert(QStringLiteral("pass_rate"),
             stats.count > 0 ? QJsonValue(stats.passRate()) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("figures"), figures);
    return o;
}
