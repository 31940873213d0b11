#include "ResultFigures.h"

#include "ReportKeys.h"

#include <QJsonValue>
#include <QStringList>

namespace {

using K = ReportKeys;

QString signalFigure(QLatin1String key)
{
    return K::path({K::signal, key});
}

QString travelFigure(QLatin1String key)
{
    return K::path({K::travel, key});
}

// Where along the travel a worst bin lies.
QString travelPlace(QLatin1String key)
{
    return K::path({K::travel}) + QLatin1Char('.') + K::placed(key);
}

} // namespace

const QVector<ResultFigures::Figure>& ResultFigures::all()
{
    static const QVector<Figure> figures = [] {
        const QString signalAndLatch[] = {signalFigure(K::offsetSinPct),
                                          signalFigure(K::offsetCosPct),
                                          signalFigure(K::amplitudeSinPct),
                                          signalFigure(K::amplitudeCosPct),
                                          signalFigure(K::amplitudeRatio),
                                          signalFigure(K::phaseDeviationDeg),
                                          signalFigure(K::qualityPct),
                                          signalFigure(K::interpolationErrorPct),
                                          signalFigure(K::interpolationErrorUm),
                                          K::path({K::latch, K::sincos, K::spread}),
                                          K::path({K::latch, K::sincos, K::spreadUm}),
                                          K::path({K::latch, K::square, K::spread}),
                                          K::path({K::latch, K::square, K::spreadUm}),
                                          K::path({K::currentMa, K::min}),
                                          K::path({K::currentMa, K::mean}),
                                          K::path({K::currentMa, K::max}),
                                          K::path({K::pollRate})};
        const QString travel[] = {travelFigure(K::amplitudeVariationPct),
                                  travelFigure(K::amplitudeMinPct),
                                  travelPlace(K::amplitudeMinPct),
                                  travelFigure(K::worstOffsetPct),
                                  travelFigure(K::worstPhaseDeviationDeg),
                                  travelFigure(K::worstAmplitudeRatioMin),
                                  travelFigure(K::worstAmplitudeRatioMax),
                                  travelFigure(K::worstInterpolationErrorPct),
                                  K::path({K::rotary, K::eccentricityPct}),
                                  K::path({K::rotary, K::ovalityPct}),
                                  K::path({K::speed, K::withinLimitHz}),
                                  K::path({K::speed, K::amplitudeAtMaxPct}),
                                  K::path({K::latch, K::directions, K::differencePeriods})};
        QVector<Figure> list;
        const auto add = [&list](const QString& name, int since) {
            list.append({name, QString(name).replace(QLatin1Char('.'), QLatin1Char('_')), since});
        };
        for (const QString& name : signalAndLatch)
            add(name, 2);
        for (const QString& name : travel)
            add(name, 4);
        return list;
    }();
    return figures;
}

QVector<ResultFigures::Figure> ResultFigures::addedIn(int version)
{
    QVector<Figure> figures;
    for (const Figure& figure : all())
        if (figure.since == version)
            figures.append(figure);
    return figures;
}

QVector<ResultFigures::Figure> ResultFigures::upTo(int version)
{
    QVector<Figure> figures;
    for (const Figure& figure : all())
        if (figure.since <= version)
            figures.append(figure);
    return figures;
}

std::optional<double> ResultFigures::valueIn(const QJsonObject& report, const Figure& figure)
{
    const QStringList path = figure.name.split(QLatin1Char('.'));
    QJsonObject object = report;
    for (int i = 0; i + 1 < path.size(); ++i) {
        const QJsonObject inner = object.value(path.at(i)).toObject();
        // A section that says it is not valid carries no figures.
        if (inner.value(K::valid) == QJsonValue(false))
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
    if (figure == signalFigure(K::qualityPct))
        return {p.quality_pct_min, p.quality_pct_max};
    if (figure == signalFigure(K::amplitudeRatio))
        return {p.amplitude_ratio_min, p.amplitude_ratio_max};
    if (figure == signalFigure(K::offsetSinPct))
        return symmetric(p.offset_sin_pct_max);
    if (figure == signalFigure(K::offsetCosPct))
        return symmetric(p.offset_cos_pct_max);
    if (figure == signalFigure(K::phaseDeviationDeg))
        return symmetric(p.phase_deviation_deg_max);
    if (figure == signalFigure(K::interpolationErrorPct))
        return {std::nullopt, p.interpolation_error_pct_max};
    if (figure == K::path({K::latch, K::sincos, K::spread}) ||
        figure == K::path({K::latch, K::square, K::spread}))
        return {std::nullopt, p.spread_max_periods};
    if (figure == K::path({K::currentMa, K::min}))
        return {p.current_ma_min, std::nullopt};
    if (figure == K::path({K::currentMa, K::max}))
        return {std::nullopt, p.current_ma_max};
    return travelLimitsOf(p, figure);
}

// The worst bins' figures are absolute values already: one limit each.
ResultFigures::Limits ResultFigures::travelLimitsOf(const ToleranceProfile::Limits& p,
                                                    const QString& figure)
{
    if (figure == travelFigure(K::amplitudeVariationPct))
        return {std::nullopt, p.travel_amplitude_variation_pct_max};
    if (figure == travelFigure(K::worstOffsetPct))
        return {std::nullopt, p.travel_worst_offset_pct_max};
    if (figure == travelFigure(K::worstPhaseDeviationDeg))
        return {std::nullopt, p.travel_worst_phase_deviation_deg_max};
    if (figure == travelFigure(K::worstAmplitudeRatioMin))
        return {p.travel_worst_amplitude_ratio_min, std::nullopt};
    if (figure == travelFigure(K::worstAmplitudeRatioMax))
        return {std::nullopt, p.travel_worst_amplitude_ratio_max};
    if (figure == K::path({K::rotary, K::eccentricityPct}))
        return {std::nullopt, p.rotary_eccentricity_pct_max};
    if (figure == K::path({K::speed, K::withinLimitHz}))
        return {p.speed_min_frequency_hz, std::nullopt};
    if (figure == K::path({K::latch, K::directions, K::differencePeriods}))
        return {std::nullopt, p.latch_direction_difference_max_periods};
    return {};
}
