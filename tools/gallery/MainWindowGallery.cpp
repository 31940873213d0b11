// Renders the test program's main window at its real size in each state, on
// the simulated tester, and the demo's "Simulated tester" window.
//
//     QT_QPA_PLATFORM=offscreen mainwindow_gallery <folder>
#include "DemoTester.h"
#include "Gallery.h"
#include "SimBus.h"
#include "SimHotPlugSource.h"
#include "SimTester.h"
#include "SimulatedTesterWindow.h"
#include "Tesvane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

namespace {

Gallery g_gallery;

void run(int ms)
{
    Gallery::run(ms);
}

// Enters a preset through the preset dialog, as the operator would.
void presetAt(Tesvane& window, const QString& text)
{
    QTimer::singleShot(300, [text] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || !widget->inherits("SetPreValue"))
                continue;
            widget->findChild<QLineEdit*>()->setText(text);
            QMetaObject::invokeMethod(widget, "OnOk");
        }
    });
    window.OnSetPreValue();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!g_gallery.begin(argc, argv, "mainwindow_gallery"))
        return 2;
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);

    auto* window = new Tesvane(nullptr, new SimHotPlugSource, 0);
    g_gallery.save(window, QStringLiteral("main_not_connected"), false);

    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    run(30);
    g_gallery.save(window, QStringLiteral("main_reading"), false);

    // First read: measuring, then the program switches the supply off.
    run(1500);
    g_gallery.save(window, QStringLiteral("main_sincos_supply_off"), false);
    window->OnEncoderPower();
    tester->setSpeed(4.0);
    run(5000);
    g_gallery.save(window, QStringLiteral("main_sincos_measuring"), false);

    // A preset of 10 mm at the current place.
    tester->setSpeed(0.0);
    presetAt(*window, QStringLiteral("10"));
    run(300);
    g_gallery.save(window, QStringLiteral("main_sincos_preset"), false);
    tester->setSpeed(4.0);

    tester->setAmplitude(20);
    run(500);
    g_gallery.save(window, QStringLiteral("main_sincos_alarm"), false);
    tester->setAmplitude(400);

    // Square-wave mode after a configuration read.
    tester->setEepromByte(0x10, 0);
    window->OnRead();
    run(1500);
    g_gallery.save(window, QStringLiteral("main_square_measuring"), false);
    tester->injectPhaseErrors(3);
    run(300);
    g_gallery.save(window, QStringLiteral("main_square_phase_error"), false);
    tester->setBrokenLines(0x2);
    run(300);
    g_gallery.save(window, QStringLiteral("main_square_line_offline"), false);

    SimulatedTesterWindow controls(tester);
    controls.adjustSize();
    g_gallery.save(&controls, QStringLiteral("simulated_tester"), false);

    SimBus::instance().unplug(tester);
    run(500);
    g_gallery.save(window, QStringLiteral("main_unplugged"), false);
    delete window;
    return 0;
}
