#pragma once

#include "ToleranceProfile.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

#include <optional>

// The measured figures a store keeps as columns of their own, so that
// filters and statistics need not open the report: each under the name it
// has in the recorder's report ("signal.quality_pct", "latch.sincos.spread",
// "current_ma.mean", ...; made of ReportKeys) and the column that holds it.
class ResultFigures
{
public:
    struct Figure
    {
        QString name;   // report name, dotted path in the report JSON
        QString column; // column in the results table
    };

    // Limits a profile puts on a figure; offsets and phase are limited in
    // absolute value, which is a lower and an upper limit on the figure.
    struct Limits
    {
        std::optional<double> lower;
        std::optional<double> upper;
    };

    // Every figure, in a fixed order (the CSV's column order).
    static const QVector<Figure>& all();

    // The figure's value in a report; nothing when it was not measured.
    static std::optional<double> valueIn(const QJsonObject& report, const Figure& figure);

    // What the profile limits say about the figure.
    static Limits limitsOf(const ToleranceProfile::Limits& profile, const QString& figure);
};
