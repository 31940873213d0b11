#pragma once

#include <QCoreApplication>

#include <functional>
#include <memory>

class QWidget;
class SimTester;

// RotaprobeStation's start-up: the application with the project's look
// (resources, style sheet, icon, the Chinese catalogues), the command line
// and the hand-over to the simulated build for --simulate (through
// testrun/'s ProgramStart, as the recorder does), the settings, the station
// and its window, and a clean end.
class StationProgram
{
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
};
