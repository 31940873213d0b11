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

    // {"travel": {"amplitude_variation_pct_max": 15}, "speed": {"min_frequency_hz": 100},
    //  "latch": {"direction_difference_max_periods": 0.5}}
    static QByteArray travelProfile();

    // `result` with the sections along the travel, over a revolution, over
    // speed and of the marks by direction as the recorder writes them: an
    // amplitude variation of `variationPct` (its lowest bin at 2.5 mm), a
    // signal kept up to `withinLimitHz`, marks `differencePeriods` apart
    // each way, the revolution not measured; judged by travelProfile().
    static TestResult withTravel(TestResult result, double variationPct, double withinLimitHz,
                                 double differencePeriods);

    // A store made by the first schema (version 1), holding `result` as that
    // version wrote it: no figure columns.
    static bool writeFirstSchema(QSqlDatabase& db, StoreLocation::Engine engine,
                                 const TestResult& result, QString* error);

    // A store made by schema version 3, holding `results` as that version
    // wrote them: the first figures as columns, each test the first of its
    // serial, no columns of the figures along the travel.
    static bool writeThirdSchema(QSqlDatabase& db, StoreLocation::Engine engine,
                                 const QVector<TestResult>& results, QString* error);
};
