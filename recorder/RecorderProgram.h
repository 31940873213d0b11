#pragma once

#include <QCoreApplication>

#include <functional>
#include <memory>

// The command line of rotaprobe-record around a Recorder: arguments, help,
// the hand-over to the simulated tester's build for --simulate (these
// through testrun/'s ProgramStart, as the station does), Ctrl+C, the device
// link's log, and the exit code.
class RecorderProgram
{
public:
    struct Setup
    {
        // True in the build on the simulated tester; false on libusb.
        bool simulated = false;
        // Puts the simulated tester on the bus (simulated build only).
        std::function<void()> plugIn;
        // Pause before the worker's first poll.
        int startupPauseMs = 1000;
    };

    static int run(QCoreApplication& app, const Setup& setup);

    // The application object: a GUI one (with fonts, on the offscreen
    // platform unless another is set) when a test protocol is to be drawn
    // (--pdf), a console one otherwise.
    static std::unique_ptr<QCoreApplication> application(int& argc, char** argv);
};
