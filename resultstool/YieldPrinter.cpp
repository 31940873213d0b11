#include "YieldPrinter.h"

#include <QJsonArray>

namespace {

QString percent(const std::optional<double>& fraction)
{
    return fraction ? QString::number(*fraction * 100.0, 'f', 1) : QStringLiteral("-");
}

QJsonValue optional(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString groupingName(ResultYield::Grouping by)
{
    switch (by) {
    case ResultYield::Grouping::Day:
        return QStringLiteral("day");
    case ResultYield::Grouping::Station:
        return QStringLiteral("station");
    case ResultYield::Grouping::Profile:
        return QStringLiteral("profile");
    case ResultYield::Grouping::All:
        break;
    }
    return QString();
}

} // namespace

YieldFigures YieldPrinter::total(const QVector<YieldFigures>& groups)
{
    YieldFigures sum;
    for (const YieldFigures& g : groups)
        sum.add(g);
    return sum;
}

QString YieldPrinter::row(const QString& name, const YieldFigures& f)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
        .arg(name, -24)
        .arg(f.units, 7)
        .arg(percent(f.firstPassYield()), 11)
        .arg(percent(f.finalYield()), 9)
        .arg(f.testsPerUnit() ? QString::number(*f.testsPerUnit(), 'f', 2) : QStringLiteral("-"),
             10)
        .arg(f.retests(), 8)
        .arg(f.aborted, 8);
}

QString YieldPrinter::text(const QVector<YieldFigures>& groups, ResultYield::Grouping by)
{
    QString out = QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                      .arg(by == ResultYield::Grouping::All ? QString() : groupingName(by), -24)
                      .arg(tr("units"), 7)
                      .arg(tr("first pass %"), 11)
                      .arg(tr("final %"), 9)
                      .arg(tr("tests/unit"), 10)
                      .arg(tr("retests"), 8)
                      .arg(tr("aborted"), 8);
    if (by != ResultYield::Grouping::All)
        for (const YieldFigures& g : groups)
            out += row(g.group.isEmpty() ? tr("(none)") : g.group, g);
    out += row(tr("total"), total(groups));
    return out;
}

QJsonObject YieldPrinter::figuresJson(const YieldFigures& f)
{
    return QJsonObject{{QStringLiteral("units"), f.units},
                       {QStringLiteral("first_pass"), f.firstPass},
                       {QStringLiteral("final_pass"), f.finalPass},
                       {QStringLiteral("tests"), f.judgedTests},
                       {QStringLiteral("retests"), f.retests()},
                       {QStringLiteral("aborted"), f.aborted},
                       {QStringLiteral("first_pass_yield"), optional(f.firstPassYield())},
                       {QStringLiteral("final_yield"), optional(f.finalYield())},
                       {QStringLiteral("tests_per_unit"), optional(f.testsPerUnit())}};
}

QJsonObject YieldPrinter::json(const QVector<YieldFigures>& groups, ResultYield::Grouping by)
{
    QJsonObject out{{QStringLiteral("total"), figuresJson(total(groups))}};
    if (by == ResultYield::Grouping::All) {
        out.insert(QStringLiteral("by"), QJsonValue::Null);
        return out;
    }
    QJsonArray list;
    for (const YieldFigures& g : groups) {
        QJsonObject entry = figuresJson(g);
        entry.insert(QStringLiteral("group"), g.group);
        list.append(entry);
    }
    out.insert(QStringLiteral("by"), groupingName(by));
    out.insert(QStringLiteral("groups"), list);
    return out;
}
