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

namespace {

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
        p.reason = QStringLiteral("2 of 10 items failed");
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
