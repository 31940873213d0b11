#include "LissajousFit.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMidScale = 512.0;
constexpr int kCoverageBins = 360; // 1° bins
constexpr int kSweepSteps = 1440;   // 0.25° steps through the fitted model

double wrapPi(double angle)
{
    return std::remainder(angle, 2.0 * kPi);
}

// atan2 in degrees, 0..360, within 0.001°: plenty for 1° bins and several
// times cheaper than std::atan2 on every sample of a large window.
double fastAngleDeg(double y, double x)
{
    const double ax = std::fabs(x), ay = std::fabs(y);
    const double big = std::max(ax, ay);
    if (big == 0.0)
        return 0.0;
    const double a = std::min(ax, ay) / big, a2 = a * a;
    double t = a * (0.9998660 + a2 * (-0.3302995 + a2 * (0.1801410 + a2 * (-0.0851330 + a2 * 0.0208351))));
    if (ay > ax)
        t = kPi / 2.0 - t;
    if (x < 0.0)
        t = kPi - t;
    if (y < 0.0)
        t = 2.0 * kPi - t;
    return t * (180.0 / kPi);
}

// Solves m·p = b in place by Gaussian elimination with partial pivoting.
// False when a pivot is negligible against the matrix's scale (the samples
// do not determine a conic: a line, a point).
bool solve5(std::array<std::array<double, 5>, 5>& m, std::array<double, 5>& b)
{
    double scale = 0.0;
    for (int i = 0; i < 5; ++i)
        scale = std::max(scale, std::fabs(m[i][i]));
    if (!(scale > 0.0))
        return false;
    for (int col = 0; col < 5; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 5; ++row)
            if (std::fabs(m[row][col]) > std::fabs(m[pivot][col]))
                pivot = row;
        if (!(std::fabs(m[pivot][col]) > 1e-10 * scale))
            return false;
        std::swap(m[pivot], m[col]);
        std::swap(b[pivot], b[col]);
        for (int row = col + 1; row < 5; ++row) {
            const double f = m[row][col] / m[col][col];
            for (int k = col; k < 5; ++k)
                m[row][k] -= f * m[col][k];
            b[row] -= f * b[col];
        }
    }
    for (int row = 4; row >= 0; --row) {
        double sum = b[row];
        for (int k = row + 1; k < 5; ++k)
            sum -= m[row][k] * b[k];
        b[row] = sum / m[row][row];
    }
    return true;
}

} // namespace

LissajousFit::Result LissajousFit::fit(const SinCosPair* pairs, std::size_t count,
                                       double equivalentNm)
{
    Result r;
    r.samples = count;
    if (count < kMinSamples) {
        r.reason = tr("too few sample pairs: %1, at least %2 needed").arg(count).arg(kMinSamples);
        return r;
    }

    // Centre and scale the data first: the conic below is normalised to a
    // constant term of 1, which needs the origin well away from the curve,
    // and unit-sized coordinates keep the normal equations well conditioned.
    double meanS = 0.0, meanC = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        meanS += pairs[i].sin;
        meanC += pairs[i].cos;
    }
    meanS /= double(count);
    meanC /= double(count);
    double variance = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double ds = pairs[i].sin - meanS, dc = pairs[i].cos - meanC;
        variance += ds * ds + dc * dc;
    }
    const double scale = std::sqrt(variance / double(count));
    if (!(scale >= 1.0)) {
        r.reason = tr("the samples do not move (no signal or encoder at rest)");
        return r;
    }

    // Least squares of A u² + B uv + C v² + D u + E v = 1.
    std::array<std::array<double, 5>, 5> m{};
    std::array<double, 5> rhs{};
    for (std::size_t i = 0; i < count; ++i) {
        const double u = (pairs[i].sin - meanS) / scale, v = (pairs[i].cos - meanC) / scale;
        const double row[5] = {u * u, u * v, v * v, u, v};
        for (int j = 0; j < 5; ++j) {
            rhs[j] += row[j];
            for (int k = j; k < 5; ++k)
                m[j][k] += row[j] * row[k];
        }
    }
    for (int j = 0; j < 5; ++j)
        for (int k = 0; k < j; ++k)
            m[j][k] = m[k][j];
    if (!solve5(m, rhs)) {
        r.reason = tr("the samples lie on a line or a point, not on an ellipse");
        return r;
    }
    const double A = rhs[0], B = rhs[1], C = rhs[2], D = rhs[3], E = rhs[4];
    const double det = 4.0 * A * C - B * B;
    if (!(det > 0.0)) {
        r.reason = tr("the samples do not form an ellipse");
        return r;
    }
    // Centre, then the centred form a u² + b uv + c v² = 1.
    const double u0 = (B * E - 2.0 * C * D) / det;
    const double v0 = (B * D - 2.0 * A * E) / det;
    const double k = 1.0 - (D * u0 + E * v0) / 2.0;
    if (!(k > 0.0) || !(A > 0.0)) {
        r.reason = tr("the samples do not form an ellipse");
        return r;
    }
    const double a = A / k, b = B / k, c = C / k;
    // Axis ratio from the eigenvalues: a flat ellipse is a line in disguise
    // (channels in phase, or one channel missing).
    const double mean = (a + c) / 2.0, half = std::hypot((a - c) / 2.0, b / 2.0);
    const double lambdaMin = mean - half, lambdaMax = mean + half;
    if (!(lambdaMin > 0.0) || std::sqrt(lambdaMin / lambdaMax) < 0.05) {
        r.reason = tr("the samples lie on a line, not on an ellipse");
        return r;
    }
    const double sinPhi = b / (2.0 * std::sqrt(a * c));
    const double cos2Phi = 1.0 - sinPhi * sinPhi;
    const double cosPhi = std::sqrt(cos2Phi);
    const double os = meanS + u0 * scale - kMidScale; // counts from mid-scale
    const double oc = meanC + v0 * scale - kMidScale;
    const double as = scale / std::sqrt(a * cos2Phi);
    const double ac = scale / std::sqrt(c * cos2Phi);
    const double phi = std::asin(sinPhi);

    // Coverage: 360° minus the largest empty arc of θ over 1° bins.
    std::array<bool, kCoverageBins> seen{};
    for (std::size_t i = 0; i < count; ++i) {
        const double sn = (pairs[i].sin - kMidScale - os) / as;
        const double cs = ((pairs[i].cos - kMidScale - oc) / ac + sn * sinPhi) / cosPhi;
        const double deg = fastAngleDeg(sn, cs);
        seen[std::size_t(std::min(kCoverageBins - 1, std::max(0, int(deg))))] = true;
    }
    int longestGap = 0, first = -1;
    for (int i = 0; i < kCoverageBins; ++i)
        if (seen[std::size_t(i)]) {
            first = i;
            break;
        }
    if (first >= 0) {
        int gap = 0;
        for (int n = 1; n <= kCoverageBins; ++n) {
            if (seen[std::size_t((first + n) % kCoverageBins)]) {
                longestGap = std::max(longestGap, gap);
                gap = 0;
            } else {
                ++gap;
            }
        }
    } else {
        longestGap = kCoverageBins;
    }
    r.coverage_deg = double(kCoverageBins - longestGap) * 360.0 / kCoverageBins;
    if (r.coverage_deg < kMinCoverageDeg) {
        r.reason = tr("the samples cover %1° of the circle, at least %2° needed")
                       .arg(r.coverage_deg, 0, 'f', 0)
                       .arg(kMinCoverageDeg, 0, 'f', 0);
        return r;
    }

    // Interpolation error: atan2 of the modelled raw signals against θ; a
    // constant part is only a shift of the zero, so half the peak-to-peak.
    // sin θ and cos(θ + φ) advance by rotation, exact enough over one turn.
    const double stepSin = std::sin(2.0 * kPi / kSweepSteps), stepCos = std::cos(2.0 * kPi / kSweepSteps);
    double sinT = 0.0, cosT = 1.0;                      // θ
    double sinTP = std::sin(phi), cosTP = std::cos(phi); // θ + φ
    double e0 = 0.0, lo = 0.0, hi = 0.0;
    for (int i = 0; i < kSweepSteps; ++i) {
        const double theta = 2.0 * kPi * i / kSweepSteps;
        const double e = std::atan2(os + as * sinT, oc + ac * cosTP) - theta;
        const double nextSinT = sinT * stepCos + cosT * stepSin;
        cosT = cosT * stepCos - sinT * stepSin;
        sinT = nextSinT;
        const double nextSinTP = sinTP * stepCos + cosTP * stepSin;
        cosTP = cosTP * stepCos - sinTP * stepSin;
        sinTP = nextSinTP;
        if (i == 0) {
            e0 = e;
            continue;
        }
        const double d = wrapPi(e - e0);
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    const double errorPct = (hi - lo) / 2.0 / (2.0 * kPi) * 100.0;

    r.offset_sin_pct = os / kMidScale * 100.0;
    r.offset_cos_pct = oc / kMidScale * 100.0;
    r.amplitude_sin_pct = as / kMidScale * 100.0;
    r.amplitude_cos_pct = ac / kMidScale * 100.0;
    r.amplitude_ratio = ac / as;
    r.phase_deviation_deg = phi * 180.0 / kPi;
    r.quality_pct = (as + ac) / 2.0 / kMidScale * 100.0;
    r.interpolation_error_pct = errorPct;
    r.interpolation_error_um = errorPct / 100.0 * equivalentNm / 1000.0;

    const double figures[] = {r.offset_sin_pct,  r.offset_cos_pct,      r.amplitude_sin_pct,
                              r.amplitude_cos_pct, r.amplitude_ratio,   r.phase_deviation_deg,
                              r.quality_pct,     r.interpolation_error_pct, r.interpolation_error_um};
    for (double f : figures)
        if (!std::isfinite(f)) {
            Result failed;
            failed.samples = count;
            failed.coverage_deg = r.coverage_deg;
            failed.reason = tr("the fit gives no finite figures");
            return failed;
        }
    r.valid = true;
    return r;
}
