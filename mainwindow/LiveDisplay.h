#pragma once

#include "LiveView.h"

#include <QObject>

class DeviceLinkState;
class FramePacer;
class NestedWait;
class SnapshotMailbox;
class TesvaneWidgets;

// The live view on the main window's widgets: every reply is computed
// (LiveView) and its sample pair kept for the sine/cosine picture; the
// newest frame is put on the widgets at most once per screen frame
// (FramePacer). The worker's replies wait in a mailbox and are computed in
// a batch as each frame falls due, so the GUI thread does not wake for each. Also the display commands that touch both: zero, the latch
// tables, the phase error baseline (after two more refreshes), the display
// reset and the speed samples. The configuration is read from the link
// state at the moment it is needed.
//
// Threads: GUI thread only.
class LiveDisplay : public QObject
{
    Q_OBJECT

public:
    // `waits` counts the window's refreshes and ends with the link.
    LiveDisplay(TesvaneWidgets& widgets, const DeviceLinkState& state, NestedWait* waits,
                QObject* parent = nullptr);

    LiveView& view() { return m_view; }
    const LiveView& view() const { return m_view; }

    // Where the worker puts each reply's snapshot (see SnapshotMailbox):
    // they are computed, in order, when the next frame is due, then shown.
    SnapshotMailbox* replies() const { return m_replies; }

    // One reply: computed now, shown with the next frame; then refreshed().
    void refresh(const LiveSnapshot& snapshot);
    void showFrame();
    void zero();
    void clearLatchTables();
    // A new phase error baseline once two more refreshes have come.
    void resetPhaseErrorBaseline();
    // Baseline, latch tables, position zero, lost-signal alarm.
    void displayReset();
    void sampleSpeed();

signals:
    void refreshed();
    void frameShown(quint64 sequence);

private:
    // The frame is due: the replies waiting for it, then the frame.
    void showReplies();
    void afterZero(const LiveView::Refresh& zeroed);

    TesvaneWidgets& m_ui;
    const DeviceLinkState& m_state;
    NestedWait* m_waits;
    LiveView m_view;
    FramePacer* m_pacer;
    SnapshotMailbox* m_replies;
};
