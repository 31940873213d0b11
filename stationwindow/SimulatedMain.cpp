// RotaprobeStation on the simulated tester, with its control window beside
// the station's, so that anyone can make a unit fail and see it.
#include "DemoTester.h"
#include "SimTester.h"
#include "SimTravelScenario.h"
#include "SimulatedTesterWindow.h"
#include "StationProgram.h"


int main(int argc, char** argv)
{
    StationProgram::Setup setup;
    setup.simulated = true;
    // The model's own reference marks (every 10 periods) and current, as its
    // control window shows them; fast enough for five marks in a 3 s test.
    setup.plugIn = [] {
        const std::shared_ptr<SimTester> tester = DemoTester::plugIn();
        tester->setSpeed(20.0);
        SimTravelScenario::applyFromEnvironment(*tester);
        return tester;
    };
    setup.showControls = [](std::shared_ptr<SimTester> tester, QWidget& station) {
        (new SimulatedTesterWindow(std::move(tester), &station))->showBeside(station);
    };
    return StationProgram::run(argc, argv, setup);
}
