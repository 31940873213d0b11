#pragma once

#include <functional>

class HotPlugSource;
class QObject;
class Tesvane;

// The test program's start-up, shared by Rotaprobe and its demo: the
// application object with its single-instance guard, the look (resources,
// style sheet, icon, Chinese catalogue), then either the refusal box of a
// second copy or the main window and the event loop.
struct StartUpHooks
{
    // The hot-plug source for the main window; empty: the system's own.
    std::function<HotPlugSource*(QObject* parent)> hotPlugSource;
    // Runs after the main window is shown and centred, before the loop.
    std::function<void(Tesvane& window)> afterShow;
};

int runTestProgram(int argc, char** argv, const StartUpHooks& hooks = StartUpHooks());
