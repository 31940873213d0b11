#include "ResultFigures.h"

#include <QJsonValue>
#include <QStringList>

const QVector<ResultFigures::Figure>& ResultFigures::all()
{
    static const QVector<Figure> figures = [] {
        const char* const names[] = {"signal.offset_sin_pct",
                                     "signal.offset_cos_pct",
                                     "signal.amplitude_sin_pct",
                                     "signal.amplitude_cos_pct",
                                     "signal.amplitude_ratio",
                                     "signal.phase_deviation_deg",
                                     "signal.quality_pct",
                                     "signal.interpolation_error_pct",
                                     "signal.interpolation_error_um",
                                     "latch.sincos.spread",
                                     "latch.sincos.spread_um",
                                     "latch.square.spread",
                                     "latch.square.spread_um",
                                     "current_ma.min",
                                     "current_ma.mean",
                                     "current_ma.max",
                                     "poll_rate"};
        QVector<Figure> list;
        for (const char* name : names) {
            const QString text = QLatin1String(name);
            list.append({text, QString(text).replace(QLatin1Char('.'), QLatin1Char('_'))});
        }
        return list;
    }();
    return figures;
}

std::optional<double> ResultFigures::valueIn(const QJsonObject& report, const Figure& figure)
{
    const QStringList path = figure.name.split(QLatin1Char('.'));
    QJsonObject object = report;
    for (int i = 0; i + 1 < path.size(); ++i) {
        const QJsonObject inner = object.value(path.at(i)).toObject();
        // A section that says it is not valid carries no figures.
        if (inner.value(QStringLiteral("valid")) == QJsonValue(false))
            return std::nullopt;
        object = inner;
    }
    const QJsonValue value = object.value(path.last());
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

ResultFigures::Limits ResultFigures::limitsOf(const ToleranceProfile::Limits& p,
                                              const QString& figure)
{
    const auto symmetric = [](const std::optional<double>& max) {
        Limits limits;
        if (max) {
            limits.lower = -*max;
            limits.upper = *max;
        }
        return limits;
    };
    if (figure == QLatin1String("signal.quality_pct"))
        return {p.quality_pct_min, p.quality_pct_max};
    if (figure == QLatin1String("signal.amplitude_ratio"))
        return {p.amplitude_ratio_min, p.amplitude_ratio_max};
    if (figure == QLatin1String("signal.offset_sin_pct"))
        return symmetric(p.offset_sin_pct_max);
    if (figure == QLatin1String("signal.offset_cos_pct"))
        return symmetric(p.offset_cos_pct_max);
    if (figure == QLatin1String("signal.phase_deviation_deg"))
        return symmetric(p.phase_deviation_deg_max);
    if (figure == QLatin1String("signal.interpolation_error_pct"))
        return {std::nullopt, p.interpolation_error_pct_max};
    if (figure == QLatin1String("latch.sincos.spread") ||
        figure == QLatin1String("latch.square.spread"))
        return {std::nullopt, p.spread_max_periods};
    if (figure == QLatin1String("current_ma.min"))
        return {p.current_ma_min, std::nullopt};
    if (figure == QLatin1String("current_ma.max"))
        return {std::nullopt, p.current_ma_max};
    return {};
}
