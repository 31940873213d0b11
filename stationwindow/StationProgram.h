#pragma once

#include <QCoreApplication>

#include <functional>
#include <memory>

class QWidget;
class SimTester;

// RotaprobeStation's start-up: the application with the project's look
// (resources, style sheet, icon, the Chinese catalogues), the command line,
// the hand-over to the simulated build for --simulate, the settings, the
// station and its window, and a clean end.
class StationProgram
{
    Q_DECLARE_TR_FUNCTIONS(StationProgram)

public:
    struct Setup
    {
        // True in the build on the simulated tester; false on libusb.
        bool simulated = false;
        // Puts the simulated tester on the bus (simulated build only).
        std::function<std::shared_ptr<SimTester>()> plugIn;
        // Opens the tester's control window beside the station's (simulated build only).
        std::function<void(std::shared_ptr<SimTester>, QWidget& station)> showControls;
    };

    static int run(int argc, char** argv, const Setup& setup);

private:
    static QString simulatedProgramName();
};
