// rotaprobe-record on the simulated tester: the demo's tester with an
// encoder a little off ideal, so the report has something to show.
#include "DemoTester.h"
#include "RecorderProgram.h"
#include "SimTester.h"
#include "SimTravelScenario.h"

int main(int argc, char* argv[])
{
    const std::unique_ptr<QCoreApplication> app = RecorderProgram::application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rotaprobe-record"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    RecorderProgram::Setup setup;
    setup.simulated = true;
    setup.startupPauseMs = 100;
    setup.plugIn = [] {
        const auto tester = DemoTester::plugIn();
        tester->setSpeed(5.0);
        tester->setOffsets(6.0, -4.0);      // +1.2 % and -0.8 % of mid-scale
        tester->setImbalance(0.97, 1.5);    // cosine 3 % weaker, 1.5° past quadrature
        tester->setReferenceInterval(1);    // a reference mark every period
        tester->setSupplyCurrent(118);
        SimTravelScenario::applyFromEnvironment(*tester);
    };
    return RecorderProgram::run(*app, setup);
}
