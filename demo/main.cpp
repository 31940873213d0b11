// RotaprobeDemo: the test program on a simulated tester, with a control
// window for the tester beside the main window.
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
        // Beside the main window where the desktop leaves room, else over
        // its right edge.
        const QRect desktop = QApplication::desktop()->availableGeometry(&window);
        const QRect frame = window.frameGeometry();
        int x = frame.right() + 8;
        if (x + controls->width() > desktop.right())
            x = desktop.right() - controls->width();
        controls->move(x, frame.top());
        controls->show();
    };
    return runTestProgram(argc, argv, hooks);
}
