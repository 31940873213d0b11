// Renders the four instruments with realistic data to PNG files for review,
// offscreen, at the sizes the main window gives them, with the style sheet
// and Chinese catalogue installed.
//
//     QT_QPA_PLATFORM=offscreen instrument_gallery <folder>
#include "Gallery.h"
#include "LatchWidget.h"
#include "SinCosHistory.h"
#include "SinCosValue.h"
#include "SpeedCurve.h"
#include "myGauge2.h"

#include <QApplication>
#include <QDateTime>
#include <QSize>

#include <cmath>

namespace {

Gallery g_gallery;

void save(QWidget& widget, const QString& name)
{
    widget.setObjectName(QStringLiteral("WorkSpace"));
    g_gallery.save(&widget, name, false);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!g_gallery.begin(argc, argv, "instrument_gallery"))
        return 2;

    // A healthy encoder turning: samples on a circle of ~0.75 of full swing.
    SinCosHistory& history = SinCosHistory::global();
    for (int i = 0; i < 50; ++i) {
        const double phase = i * 0.37;
        const double wobble = 1.0 + 0.03 * std::sin(i * 1.7);
        history.append({qint16(512 + 384 * wobble * std::sin(phase)),
                        qint16(512 + 384 * wobble * std::cos(phase))});
    }
    // Each instrument at a roomy size and at the size the main window gives
    // it (1300 x 750, fixed).
    for (const QSize size : {QSize(600, 400), QSize(600, 165)}) {
        SinCosValue view;
        view.resize(size);
        view.updateView();
        save(view, QStringLiteral("sincos_%1x%2").arg(size.width()).arg(size.height()));
    }

    for (const QSize size : {QSize(300, 300), QSize(200, 165)}) {
        myGauge2 gauge;
        gauge.resize(size);
        gauge.setValue(38.4);
        save(gauge, QStringLiteral("gauge_%1x%2").arg(size.width()).arg(size.height()));
    }

    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    for (const QSize size : {QSize(760, 300), QSize(1000, 80)}) {
        SpeedCurve curve;
        curve.resize(size);
        for (int i = 30; i >= 0; --i)
            curve.addSpeedAt(12.0 + 6.0 * std::sin(i * 0.3) + (i % 3) * 0.4, now - i);
        save(curve, QStringLiteral("speed_%1x%2").arg(size.width()).arg(size.height()));
    }

    for (const QSize size : {QSize(420, 420), QSize(370, 330)}) {
        LatchWidget latch;
        latch.resize(size);
        latch.show();
        for (int i = 0; i < 12; ++i)
            latch.addLatch(20.0 * i + 0.0125 * i, 4096LL * i);
        latch.setTriggerCount(12);
        save(latch, QStringLiteral("latch_%1x%2").arg(size.width()).arg(size.height()));
    }
    return 0;
}
