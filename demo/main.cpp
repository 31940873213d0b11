// RotaprobeDemo: the test program on a simulated tester, with a control
// window for the tester beside the main window.
#include "DemoTester.h"
#include "SimHotPlugSource.h"
#include "SimulatedTesterWindow.h"
#include "StartUp.h"
#include "Tesvane.h"


int main(int argc, char** argv)
{
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    StartUpHooks hooks;
    hooks.hotPlugSource = [](QObject* parent) { return new SimHotPlugSource(parent); };
    hooks.afterShow = [tester](Tesvane& window) {
        (new SimulatedTesterWindow(tester, &window))->showBeside(window);
    };
    return runTestProgram(argc, argv, hooks);
}
