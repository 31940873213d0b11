#pragma once

#include "ToleranceProfile.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

#include <optional>

// The measured figures a store keeps as columns of their own, so that
// filters and statistics need not open the report: each under the name it
// has in the recorder's report ("signal.quality_pct", "latch.sincos.spread",
// "travel.amplitude_variation_pct", ...; made of ReportKeys), the column
// that holds it and the schema version that added the column (2: the
// signal, latch and current; 4: along the travel, over a revolution, over
// speed and the reference mark by direction).
class ResultFigures
{
public:
    struct Figure
    {
        QString name;   // report name, dotted path in the report JSON
        QString column; // column in the results table
        int since = 0;  // the schema version that added the column
    };

    // Limits a profile puts on a figure; offsets and phase are limited in
    // absolute value, which is a lower and an upper limit on the figure.
    struct Limits
    {
        std::optional<double> lower;
        std::optional<double> upper;
    };

    // Every figure, in a fixed order (the CSV's column order): a version's
    // figures after those of the versions before it.
    static const QVector<Figure>& all();

    // The figures whose columns schema version `version` added.
    static QVector<Figure> addedIn(int version);
    // The figures a store of schema version `version` has columns for.
    static QVector<Figure> upTo(int version);

    // The figure's value in a report; nothing when it was not measured.
    static std::optional<double> valueIn(const QJsonObject& report, const Figure& figure);

    // What the profile limits say about the figure.
    static Limits limitsOf(const ToleranceProfile::Limits& profile, const QString& figure);

private:
    static Limits travelLimitsOf(const ToleranceProfile::Limits& profile, const QString& figure);
};
