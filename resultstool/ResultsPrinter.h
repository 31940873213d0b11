#pragma once

#include "ResultStatistics.h"
#include "ResultStore.h"
#include "TestResult.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QVector>

// What rotaprobe-results prints: text for a person (stored text escaped,
// see terminalText), JSON and CSV for scripts. The CSV's columns are fixed: the test's facts, then
// every figure of ResultFigures in its order, under its report name.
class ResultsPrinter
{
    Q_DECLARE_TR_FUNCTIONS(ResultsPrinter)

public:
    // One line per test, no header: id, start (UTC), serial, verdict,
    // station, operator.
    static QString listText(const QVector<ResultStore::Row>& rows);
    static QJsonArray listJson(const QVector<ResultStore::Row>& rows);

    static QString showText(const TestResult& result);
    static QJsonObject showJson(const TestResult& result);

    static QString exportCsv(const QVector<ResultStore::Row>& rows);
    static QJsonArray exportJson(const QVector<ResultStore::Row>& rows);

    static QString statsText(const ResultStatistics& stats);
    static QJsonObject statsJson(const ResultStatistics& stats);

    // "2026-03-01T08:15:00.250Z"
    static QString utc(const QDateTime& time);
    // A CSV cell: quoted when needed; text that a spreadsheet would take
    // for a formula (= + - @, a tab or a carriage return at the start) gets
    // a leading apostrophe.
    static QString csvText(const QString& text);
    // Stored text for a terminal: control characters as \xNN (ESC as
    // \x1b, C1 controls too), invisible format characters (bidirectional
    // overrides, zero-width marks, line separators) as \uNNNN; any other
    // character as it is. A writer of a shared store cannot move the
    // cursor or redraw another row.
    static QString terminalText(const QString& text);

private:
    static QJsonObject rowJson(const ResultStore::Row& row);
};
