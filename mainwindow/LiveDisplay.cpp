#include "LiveDisplay.h"

#include "DeviceLinkState.h"
#include "FramePacer.h"
#include "NestedWait.h"
#include "SinCosHistory.h"
#include "SnapshotMailbox.h"
#include "SpeedCurve.h"
#include "TesvaneWidgets.h"

#include <QLoggingCategory>
#include <QToolButton>

// Per-refresh traces (speeds): off unless enabled with
// QT_LOGGING_RULES="rotaprobe.refresh.debug=true".
Q_LOGGING_CATEGORY(lcRefresh, "rotaprobe.refresh", QtWarningMsg)

LiveDisplay::LiveDisplay(TesvaneWidgets& widgets, const DeviceLinkState& state, NestedWait* waits,
                         QObject* parent)
    : QObject(parent), m_ui(widgets), m_state(state), m_waits(waits),
      m_pacer(new FramePacer(this)), m_replies(new SnapshotMailbox(this))
{
    connect(m_pacer, &FramePacer::frameDue, this, &LiveDisplay::showReplies);
    connect(m_replies, &SnapshotMailbox::arrived, m_pacer, &FramePacer::request);
}

void LiveDisplay::showReplies()
{
    LiveSnapshot snapshot;
    while (m_replies->take(&snapshot))
        refresh(snapshot);
    showFrame();
}

void LiveDisplay::refresh(const LiveSnapshot& snapshot)
{
    const LiveView::Refresh result = m_view.refresh(snapshot, m_state.config());
    const LiveFrame& frame = m_view.frame();
    // The sample history is every reply's; the picture is drawn per frame.
    SinCosHistory::global().append({frame.sinSample, frame.cosSample});
    m_pacer->request();
    m_ui.powerButton->setEnabled(true);
    if (result.modeChanged)
        afterZero(result);
    emit refreshed();
}

void LiveDisplay::showFrame()
{
    const LiveFrame frame = m_view.takeFrame();
    m_ui.showFrame(frame);
    emit frameShown(frame.sequence);
}

void LiveDisplay::zero()
{
    const LiveView::Refresh zeroed = m_view.zero(m_state.config());
    showFrame();
    afterZero(zeroed);
}

void LiveDisplay::afterZero(const LiveView::Refresh& zeroed)
{
    m_ui.speedCurve->resetCurve();
    if (!zeroed.modeChanged)
        return;
    // A new work mode: its tables and phase count start afresh.
    clearLatchTables();
    resetPhaseErrorBaseline();
}

void LiveDisplay::resetPhaseErrorBaseline()
{
    if (!m_waits->forNotifications(2))
        return;
    m_view.resetPhaseBaseline();
    showFrame();
}

void LiveDisplay::clearLatchTables()
{
    m_view.dropLatchRows();
    m_ui.clearLatchTables();
}

void LiveDisplay::displayReset()
{
    resetPhaseErrorBaseline();
    clearLatchTables();
    zero();
    m_view.clearSignalLost();
}

void LiveDisplay::sampleSpeed()
{
    const double speed = m_view.takeSpeedSample();
    if (speed < 0.0)
        return;
    m_ui.speedCurve->addSpeed(speed);
    qCDebug(lcRefresh) << speed << "mm/s";
}
