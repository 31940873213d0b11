#pragma once

#include "ResultYield.h"
#include "YieldFigures.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QVector>

// What `rotaprobe-results yield` prints: a table for a person (a row per
// group and the total), JSON for scripts:
//   {"by": "day"|"station"|"profile"|null, "groups": [...], "total": {...}}
// each with units, first_pass, final_pass, tests, retests, aborted and the
// yields (fractions; null without units).
class YieldPrinter
{
    Q_DECLARE_TR_FUNCTIONS(YieldPrinter)

public:
    static QString text(const QVector<YieldFigures>& groups, ResultYield::Grouping by);
    static QJsonObject json(const QVector<YieldFigures>& groups, ResultYield::Grouping by);
    static QJsonObject figuresJson(const YieldFigures& figures);

private:
    static YieldFigures total(const QVector<YieldFigures>& groups);
    static QString row(const QString& name, const YieldFigures& figures);
};
