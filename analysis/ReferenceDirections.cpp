#include "ReferenceDirections.h"

#include <algorithm>
#include <cmath>

namespace {

int sign(qint64 v)
{
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

// Intervals between successive marks of one direction, a reversal between
// two marks breaking the chain.
void intervals(const QVector<ReferenceDirections::Mark>& marks, const QVector<int>& runs,
               int direction, ReferenceDirections::Direction* out)
{
    double sum = 0.0;
    int previous = -1;
    for (int i = 0; i < marks.size(); ++i) {
        if (marks[i].direction != direction)
            continue;
        ++out->marks;
        if (previous >= 0 && runs[previous] == runs[i]) {
            const double periods = std::fabs(double(marks[i].position - marks[previous].position)) / 512.0;
            out->minPeriods = out->intervals ? std::min(out->minPeriods, periods) : periods;
            out->maxPeriods = out->intervals ? std::max(out->maxPeriods, periods) : periods;
            sum += periods;
            ++out->intervals;
        }
        previous = i;
    }
    if (out->intervals)
        out->meanPeriods = sum / out->intervals;
}

} // namespace

ReferenceDirections::Result ReferenceDirections::analyse(const std::vector<TravelSample>& samples)
{
    Result r;
    QVector<int> runs; // per mark: the stretch of travel without a reversal it lies in
    int run = 0, lastDirection = 0;
    qint64 previousCount = -1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const TravelSample& s = samples[i];
        if (i > 0) {
            const int d = sign(s.position - samples[i - 1].position);
            if (d != 0 && d != lastDirection) {
                if (lastDirection != 0)
                    ++run;
                lastDirection = d;
            }
        }
        if (s.latchCount < 0)
            continue;
        const bool single = previousCount >= 0 && quint16(s.latchCount - previousCount) == 1;
        previousCount = s.latchCount;
        if (!single || i < 2)
            continue;
        const int now = sign(s.position - samples[i - 1].position);
        const int before = sign(samples[i - 1].position - samples[i - 2].position);
        if (now == 0 || now != before)
            continue;
        r.marks.append({s.latchPosition, now});
        runs.append(run);
    }
    intervals(r.marks, runs, 1, &r.forward);
    intervals(r.marks, runs, -1, &r.backward);
    if (r.forward.marks == 0 || r.backward.marks == 0) {
        r.reason = tr("reference marks passed forward: %1, backward: %2; both directions needed")
                       .arg(r.forward.marks)
                       .arg(r.backward.marks);
        return r;
    }

    std::vector<qint64> forward;
    for (const Mark& m : r.marks)
        if (m.direction > 0)
            forward.push_back(m.position);
    std::sort(forward.begin(), forward.end());
    // A mark passed backward belongs to the nearest forward one only when it
    // lies within half the shortest interval seen of it.
    const double shortest = std::min(r.forward.intervals ? r.forward.minPeriods : HUGE_VAL,
                                     r.backward.intervals ? r.backward.minPeriods : HUGE_VAL);
    double sum = 0.0;
    for (const Mark& m : r.marks) {
        if (m.direction > 0)
            continue;
        const auto above = std::lower_bound(forward.begin(), forward.end(), m.position);
        qint64 nearest = above != forward.end() ? *above : forward.back();
        if (above != forward.begin() && (above == forward.end() ||
                                         m.position - *(above - 1) < *above - m.position))
            nearest = *(above - 1);
        const double difference = double(m.position - nearest) / 512.0;
        if (std::isfinite(shortest) && std::fabs(difference) >= shortest / 2.0)
            continue;
        sum += difference;
        r.maxDifferencePeriods = std::max(r.maxDifferencePeriods, std::fabs(difference));
        ++r.matched;
    }
    if (r.matched == 0) {
        r.reason = tr("no reference mark passed backward lies near one passed forward");
        return r;
    }
    r.meanDifferencePeriods = sum / r.matched;
    r.valid = true;
    return r;
}
