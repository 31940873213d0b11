#pragma once

#include "StoreLocation.h"
#include "TestResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>

// Test results with known figures for the results tests, the writer helper
// and the benchmark.
class SampleResults
{
public:
    // {"signal": {"quality_pct_min": 50, "quality_pct_max": 80, "offset_sin_pct_max": 3}}
    static QByteArray profile();

    // A test of `serial` started at `startedAt` whose report has the quality
    // and sine offset given (other figures fixed), judged by profile().
    static TestResult make(const QString& serial, const QDateTime& startedAt,
                           double qualityPct = 70.0, double offsetSinPct = 1.0);

    // A store made by the first schema (version 1), holding `result` as that
    // version wrote it: no figure columns.
    static bool writeFirstSchema(QSqlDatabase& db, StoreLocation::Engine engine,
                                 const TestResult& result, QString* error);
};
