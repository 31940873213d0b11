// Writes the protocol of a sample test as PDF, passed, failed and aborted,
// for review (pdftoppm turns them into pictures).
//
//     QT_QPA_PLATFORM=offscreen protocol_gallery <folder>
#include "LissajousFit.h"
#include "ProtocolPdf.h"

#include <QDir>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// 150 s back and forth over 10 mm (20 µm a period) at speeds from 25 to
// 2500 periods a second rolling off above 1 kHz, marks every 50
// periods; `faulty`: 20 % less amplitude from 4.7 to 6.7 mm and the mark a
// period late moving backward.
TravelSurvey::Result travel(bool faulty)
{
    std::vector<TravelSample> samples;
    double phase = 0.0, direction = 1.0;
    int pass = 0;
    qint64 latchCount = 0, latchPosition = 0;
    const double speeds[] = {25.0, 250.0, 800.0, 2500.0};
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> jitter(0.8, 1.2);
    for (int i = 0; i < 150 * 230; ++i) {
        const double dt = jitter(rng) / 230.0;
        const double speed = speeds[(pass / 2) % 4];
        const double before = phase;
        phase += direction * speed * dt;
        if (phase > 500.0 || phase < 0.0) {
            phase = phase > 500.0 ? 1000.0 - phase : -phase;
            direction = -direction;
            ++pass;
        }
        if (std::floor(before / 50.0) != std::floor(phase / 50.0)) {
            ++latchCount;
            const double mark = std::max(std::floor(before / 50.0), std::floor(phase / 50.0)) * 50.0;
            latchPosition = std::llround((mark - (faulty && direction < 0 ? 1.0 : 0.0)) * 512.0);
        }
        const bool band = faulty && phase >= 235.0 && phase < 335.0;
        const double amplitude = 400.0 * (band ? 0.8 : 1.0) / std::sqrt(1.0 + std::pow(speed / 1000.0, 2.0));
        TravelSample s;
        s.ms = i * 1000.0 / 230.0;
        s.position = qint64(std::floor(phase * 512.0));
        s.sin = int(std::lround(512.0 + 5.0 + amplitude * std::sin(2.0 * M_PI * phase)));
        s.cos = int(std::lround(512.0 - 3.0 + amplitude * std::cos(2.0 * M_PI * phase + 0.02)));
        s.latchCount = latchCount;
        s.latchPosition = latchPosition;
        samples.push_back(s);
    }
    TravelSurvey::Settings settings;
    settings.equivalentNm = 20000.0;
    settings.binPeriods = 10.0;
    settings.amplitudeMinPct = 50.0;
    return TravelSurvey::analyse(samples, settings);
}

TestProtocol sample(TestProtocol::Verdict verdict)
{
    TestProtocol p;
    p.serial = QStringLiteral("SN-2026-004711");
    p.startedAt = QDateTime(QDate(2026, 12, 8), QTime(14, 15, 0), Qt::UTC);
    p.durationS = 3.0;
    p.station = QStringLiteral("line2-bench4");
    p.operatorName = QStringLiteral("Ada Quist");
    p.programVersion = QStringLiteral("1.0.0.15");
    p.testerConfiguration = QStringList{QStringLiteral("work mode: sine/cosine"),
                                        QString::fromUtf8("equivalent: 20.000 µm"),
                                        QStringLiteral("ADC gain: 2"), QStringLiteral("display accuracy: 0.001 mm")};
    p.profileName = QStringLiteral("line2-encoders.json");
    p.profileSha256 = QStringLiteral("3f0c8e1b9a7d6c5e4f3a2b1c0d9e8f7a6b5c4d3e2f1a0b9c8d7e6f5a4b3c2d1e");
    p.verdict = verdict;
    const double offset = verdict == TestProtocol::Verdict::Fail ? 31.0 : 6.0;
    for (int i = 0; i < 3000; ++i) {
        const double t = 2.0 * M_PI * i / 3000.0;
        p.pairs.append({int(std::lround(512 + offset + 300 * std::sin(t) + (i % 7) - 3)),
                        int(std::lround(512 - 4 + 291 * std::cos(t + 0.026) + (i % 5) - 2))});
    }
    p.fit = LissajousFit::fit(p.pairs.constData(), std::size_t(p.pairs.size()), 20000.0);
    auto item = [](const char* name, double value, double limit, bool isMax) {
        ToleranceProfile::Item i;
        i.name = QString::fromLatin1(name);
        i.value = value;
        i.limit = limit;
        i.isMax = isMax;
        i.measured = true;
        i.pass = isMax ? value <= limit : value >= limit;
        return i;
    };
    const LissajousFit::Result& f = p.fit;
    p.items = {item("signal.quality_pct_min", f.quality_pct, 50, false),
               item("signal.offset_sin_pct_max", std::fabs(f.offset_sin_pct), 3, true),
               item("signal.offset_cos_pct_max", std::fabs(f.offset_cos_pct), 3, true),
               item("signal.amplitude_ratio_min", f.amplitude_ratio, 0.9, false),
               item("signal.amplitude_ratio_max", f.amplitude_ratio, 1.1, true),
               item("signal.phase_deviation_deg_max", std::fabs(f.phase_deviation_deg), 3, true),
               item("signal.interpolation_error_pct_max", f.interpolation_error_pct, 1.5, true),
               item("latch.spread_max_periods", 1, 1, true),
               item("current_ma.min", 112.5, 50, false), item("current_ma.max", 112.5, 250, true)};
    if (verdict == TestProtocol::Verdict::Fail)
        p.reason = QStringLiteral("4 of 15 items failed");
    if (verdict == TestProtocol::Verdict::Aborted)
        p.reason = QStringLiteral("Aborted: the tester was unplugged; the encoder supply was switched off.");
    TestProtocol::Latch latch;
    latch.channel = QStringLiteral("sine/cosine");
    latch.unit = QStringLiteral("periods");
    latch.stats.valid = true;
    latch.stats.triggers = 12;
    latch.stats.min = 1000;
    latch.stats.max = 1001;
    latch.stats.mean = 1000.42;
    latch.stats.stddev = 0.51;
    latch.stats.spread = 1;
    latch.stats.spread_um = 20;
    TestProtocol::Latch square;
    square.channel = QStringLiteral("square wave");
    square.unit = QStringLiteral("counts");
    square.stats.reason = QStringLiteral("no trigger after the first");
    p.latches = {latch, square};
    p.currentKnown = true;
    p.currentMa = 112.5;
    if (verdict != TestProtocol::Verdict::Aborted) {
        p.travel = travel(verdict == TestProtocol::Verdict::Fail);
        const TravelBins::Result& t = p.travel.travel;
        p.items += {item("travel.amplitude_variation_pct_max", t.amplitudeVariationPct, 10, true),
                    item("travel.worst_offset_pct_max", t.offset.value, 3, true),
                    item("travel.worst_phase_deviation_deg_max", t.phase.value, 3, true),
                    item("speed.min_frequency_hz", p.travel.speed.withinLimitHz, 500, false),
                    item("latch.direction_difference_max_periods", p.travel.reference.maxDifferencePeriods, 0.5, true)};
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: protocol_gallery <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    folder.mkpath(QStringLiteral("."));
    for (const auto& [name, verdict] : {std::pair{"protocol_pass", TestProtocol::Verdict::Pass},
                                        std::pair{"protocol_fail", TestProtocol::Verdict::Fail},
                                        std::pair{"protocol_aborted", TestProtocol::Verdict::Aborted}}) {
        QString error;
        const QString path = folder.filePath(QString::fromLatin1(name) + QStringLiteral(".pdf"));
        if (!ProtocolPdf::write(sample(verdict), path, ProtocolPdf::Placement::ReplaceExisting, nullptr, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
