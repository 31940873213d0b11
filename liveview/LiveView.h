#pragma once

#include "ConfigRecord.h"
#include "DisplayState.h"
#include "LiveFrame.h"
#include "LiveSnapshot.h"
#include "MovingAverage.h"

#include <QString>

// The live view without widgets: turns each decoded reply (one snapshot)
// with the configuration into what the main window shows (a LiveFrame), and
// holds the display arithmetic of the commands: zero, preset, direction, the
// signal-lost latch, the phase error baseline, the speed sample.
//
// Every reply is computed (position, averages, latch triggers, phase errors);
// the window takes the frame when it paints, at most once per screen frame.
// Commands work on the snapshot of the last refresh, so what they capture is
// what the display was computed from.
//
// Threads: GUI thread only (a plain object owned by the main window).
class LiveView
{
public:
    // The translated texts of a line state (set bit, clear bit).
    struct LineWords
    {
        QString present = QStringLiteral("Normal");
        QString missing = QStringLiteral("OffLine");
    };

    // The smallest change of the signal strength passed to the gauge: a
    // third of a degree of its needle.
    static constexpr double kGaugeStepPercent = 0.125;

    explicit LiveView(DisplayState& state = DisplayState::global());

    void setLineWords(const LineWords& words) { m_lineWords = words; }

    // What a refresh asks of the window besides its frame.
    struct Refresh
    {
        // The work mode changed: the position was zeroed here; the window
        // clears the latch tables, renews the speed curve and takes a new
        // phase error baseline.
        bool modeChanged = false;
    };

    // One reply: position (unless awaiting the configuration), latch
    // triggers, phase state, levels, lines, current.
    Refresh refresh(const LiveSnapshot& snapshot, const ConfigRecord& config);

    // The frame as computed so far; takeFrame() hands it over and starts
    // the next one with no latch rows. frameDue(): something changed since.
    const LiveFrame& frame() const { return m_frame; }
    LiveFrame takeFrame();
    bool frameDue() const { return m_frameDue; }
    const LiveSnapshot& lastSnapshot() const { return m_last; }

    // Commands' display arithmetic, on the last snapshot.
    // Zero: the current raw position shows as 0, the preset is cleared, the
    // speed reference renewed.
    Refresh zero(const ConfigRecord& config);
    // Preset: the current raw position shows the stored preset value.
    void preset(const ConfigRecord& config);
    // Direction: the sign of the shown position turns at the next refresh.
    void reverseDirection();
    // The latched lost-signal alarm ends (reset, Ctrl+D).
    void clearSignalLost() { m_signalLost = false; }
    bool signalLost() const { return m_signalLost; }
    // The phase check count of the last snapshot becomes the baseline; the
    // error count shows 0.
    void resetPhaseBaseline();
    // The latch tables were cleared: rows not yet shown are dropped too.
    void dropLatchRows();
    // Both display filters start empty (connection, disconnection).
    void clearFilters();
    // A new connection: zero offset 0, no position text, filters empty.
    void connectionOpened();
    // The tester is gone: zero offset 0, filters empty.
    void connectionClosed();
    // Speed sample: the distance since the previous sample in mm (absolute),
    // or a negative number when the supply is off (the reference still moves).
    double takeSpeedSample();
    // The next speed sample measures from here (a reset).
    void renewSpeedReference() { m_state.previousPosition = m_state.currentPosition; }

    // Before the first configuration read after a connection no position is
    // computed.
    void setAwaitingConfig(bool awaiting) { m_awaitingConfig = awaiting; }
    bool awaitingConfig() const { return m_awaitingConfig; }
    // The encoder supply as the operator sees it: latch triggers and speed
    // samples count only while it is on.
    void setSupplyOn(bool on) { m_supplyOn = on; }
    bool supplyOn() const { return m_supplyOn; }

    quint16 phaseErrorBaseline() const { return m_phaseBaseline; }
    const DisplayState& state() const { return m_state; }

private:
    // Returns whether the work mode changed.
    bool updatePosition(const ConfigRecord& config, bool force);
    bool checkSignal();
    void updateLatches(const ConfigRecord& config);
    void updateStates();

    DisplayState& m_state;
    LineWords m_lineWords;
    LiveSnapshot m_last;
    LiveFrame m_frame;
    bool m_frameDue = false;
    MovingAverage m_sinCosFilter;
    MovingAverage m_squareFilter;
    quint16 m_phaseBaseline = 0;
    bool m_signalLost = false;
    bool m_awaitingConfig = true;
    bool m_supplyOn = false;
};
