// RotaprobeDemo: the test program on a simulated tester, with a control
// window for the tester beside the main window.
#include "DemoPlacement.h"
#include "DemoTester.h"
#include "SimHotPlugSource.h"
#include "SimulatedTesterWindow.h"
#include "StartUp.h"
#include "Tesvane.h"

#include <QDesktopWidget>
#include <QApplication>

int main(int argc, char** argv)
{
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    StartUpHooks hooks;
    hooks.hotPlugSource = [](QObject* parent) { return new SimHotPlugSource(parent); };
    hooks.afterShow = [tester](Tesvane& window) {
        auto* controls = new SimulatedTesterWindow(tester, &window);
        controls->setWindowFlags(Qt::Window);
        controls->adjustSize();
        controls->move(DemoPlacement::controlsPosition(
            QApplication::desktop()->availableGeometry(&window), window.frameGeometry(),
            controls->frameGeometry().size()));
        controls->show();
    };
    return runTestProgram(argc, argv, hooks);
}
