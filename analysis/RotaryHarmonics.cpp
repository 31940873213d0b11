#include "RotaryHarmonics.h"

#include "BinnedFits.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTerms = 1 + 2 * RotaryHarmonics::kHarmonics;

// Solves m·x = b in place (Gaussian elimination, partial pivoting); false
// for a singular system.
bool solve(std::array<std::array<double, kTerms>, kTerms>& m, std::array<double, kTerms>& b)
{
    for (int col = 0; col < kTerms; ++col) {
        int pivot = col;
        for (int row = col + 1; row < kTerms; ++row)
            if (std::fabs(m[row][col]) > std::fabs(m[pivot][col]))
                pivot = row;
        if (!(std::fabs(m[pivot][col]) > 1e-9 * std::fabs(m[0][0])))
            return false;
        std::swap(m[pivot], m[col]);
        std::swap(b[pivot], b[col]);
        for (int row = col + 1; row < kTerms; ++row) {
            const double f = m[row][col] / m[col][col];
            for (int k = col; k < kTerms; ++k)
                m[row][k] -= f * m[col][k];
            b[row] -= f * b[col];
        }
    }
    for (int row = kTerms - 1; row >= 0; --row) {
        double sum = b[row];
        for (int k = row + 1; k < kTerms; ++k)
            sum -= m[row][k] * b[k];
        b[row] = sum / m[row][row];
    }
    return true;
}

double wrapDeg(double deg, double period)
{
    double w = std::fmod(deg, period);
    if (w < 0.0)
        w += period;
    return w < period ? w : 0.0; // a tiny negative angle rounds up to the period
}

} // namespace

bool RotaryHarmonics::fitHarmonics(const QVector<double>& thetaDeg, const QVector<double>& values,
                                   double* mean, std::array<Harmonic, kHarmonics>* harmonics)
{
    if (thetaDeg.size() != values.size() || thetaDeg.size() < kTerms)
        return false;
    std::array<std::array<double, kTerms>, kTerms> m{};
    std::array<double, kTerms> b{};
    for (int i = 0; i < thetaDeg.size(); ++i) {
        const double t = thetaDeg[i] * kPi / 180.0;
        std::array<double, kTerms> row{};
        row[0] = 1.0;
        for (int k = 1; k <= kHarmonics; ++k) {
            row[std::size_t(2 * k - 1)] = std::cos(k * t);
            row[std::size_t(2 * k)] = std::sin(k * t);
        }
        for (int j = 0; j < kTerms; ++j) {
            b[std::size_t(j)] += row[std::size_t(j)] * values[i];
            for (int k = 0; k < kTerms; ++k)
                m[std::size_t(j)][std::size_t(k)] += row[std::size_t(j)] * row[std::size_t(k)];
        }
    }
    if (!solve(m, b))
        return false;
    *mean = b[0];
    for (int k = 1; k <= kHarmonics; ++k) {
        const double c = b[std::size_t(2 * k - 1)], s = b[std::size_t(2 * k)];
        Harmonic& h = (*harmonics)[std::size_t(k - 1)];
        h.magnitude = std::hypot(c, s);
        // c·cos kθ + s·sin kθ = magnitude·cos(k·θ − atan2(s, c)).
        h.angleDeg = wrapDeg(std::atan2(s, c) * 180.0 / kPi / k, 360.0 / k);
    }
    return true;
}

RotaryHarmonics::Result RotaryHarmonics::analyse(const std::vector<TravelSample>& samples,
                                                 double periodsPerRevolution, double binPeriods,
                                                 double equivalentNm)
{
    Result r;
    r.periodsPerRevolution = periodsPerRevolution;
    if (!(periodsPerRevolution > 0.0)) {
        r.reason = tr("no signal periods per revolution given");
        return r;
    }
    const double wanted = binPeriods > 0.0 ? periodsPerRevolution / binPeriods : kMinBins;
    r.bins = int(std::clamp(std::round(wanted), double(kMinBins), double(kMaxBins)));
    const double countsPerRevolution = periodsPerRevolution * 512.0;

    std::vector<BinnedFits::KeyedPair> keyed;
    keyed.reserve(samples.size());
    for (const TravelSample& s : samples) {
        const double turn = wrapDeg(double(s.position), countsPerRevolution) / countsPerRevolution;
        const qint64 index = std::min<qint64>(r.bins - 1, qint64(turn * r.bins));
        keyed.push_back({index, SinCosPair{s.sin, s.cos}});
    }
    QVector<double> theta, amplitude, phase;
    for (const BinnedFits::Group& group : BinnedFits::fit(keyed, equivalentNm)) {
        const double centre = (double(group.key) + 0.5) * 360.0 / r.bins;
        r.angleBins.append({int(group.key), centre, group.fit});
        if (!group.fit.valid)
            continue;
        theta.append(centre);
        amplitude.append(group.fit.quality_pct);
        phase.append(group.fit.phase_deviation_deg);
    }
    r.binsMeasured = theta.size();
    // Every bin measured: a harmonic fitted over part of a turn says nothing
    // reliable about the rest.
    if (r.binsMeasured < r.bins) {
        r.reason = tr("%1 of %2 angle bins hold enough pairs for a fit; a whole revolution is needed")
                       .arg(r.binsMeasured)
                       .arg(r.bins);
        return r;
    }
    double phaseMean = 0.0;
    if (!fitHarmonics(theta, amplitude, &r.amplitudeMeanPct, &r.amplitude) ||
        !fitHarmonics(theta, phase, &phaseMean, &r.phase) || !(r.amplitudeMeanPct > 0.0)) {
        r.reason = tr("the angle bins do not determine the harmonics");
        return r;
    }
    for (Harmonic& h : r.amplitude)
        h.magnitude = h.magnitude / r.amplitudeMeanPct * 100.0;
    r.valid = true;
    return r;
}
