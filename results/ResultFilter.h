#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVariantList>

#include <optional>

// Which tests a query is about: a serial number, a time span, a verdict,
// a station, a profile and an operator.
// Dates are UTC: `--since 2026-03-01` starts at that day's midnight,
// `--until 2026-03-31` takes in that whole day; a full date and time
// (2026-03-31T12:00:00Z) is taken as given, to the millisecond, both ends
// included.
class ResultFilter
{
    Q_DECLARE_TR_FUNCTIONS(ResultFilter)

public:
    QString serial;                 // empty: any
    std::optional<qint64> sinceMs;  // first millisecond taken in
    std::optional<qint64> beforeMs; // first millisecond left out
    QString verdict;                // empty: any
    QString station;                // empty: any
    QString profile;                // the profile's name; empty: any
    QString operatorName;           // empty: any
    int limit = 0;                  // lists: at most this many, newest first; 0: all

    // Sets the ends from the command line's texts; on error returns false
    // and sets `error`.
    bool setSince(const QString& text, QString* error);
    bool setUntil(const QString& text, QString* error);
    bool setVerdict(const QString& text, QString* error);

    // " WHERE ..." (or nothing) over the results table, with its values in
    // order for the placeholders.
    QString whereClause(const QString& table = QString()) const;
    QVariantList values() const;

private:
    // Milliseconds since the epoch of the text's start; `wholeDay` says the
    // text was a date alone.
    static std::optional<qint64> parseTime(const QString& text, bool* wholeDay);
    // parseTime with the error message naming `option`.
    static std::optional<qint64> parseOption(const char* option, const QString& text,
                                             bool* wholeDay, QString* error);
};
