#pragma once

#include "HotPlugSource.h"

// Hot-plug events of the simulated bus: plugging and unplugging in the
// simulator arrive here as they would from the system, with an interface
// path carrying the device's identity.
//
// Threads: the simulator calls its listener on whichever thread plugs or
// unplugs; the signals are emitted on this object's (the GUI) thread. Plug
// and unplug must not race the destruction of the source.
class SimHotPlugSource : public HotPlugSource
{
    Q_OBJECT

public:
    explicit SimHotPlugSource(QObject* parent = nullptr);
    ~SimHotPlugSource() override;

private:
    int m_listener = 0;
};
