#include "LiveView.h"

#include "DisplayTexts.h"
#include "PositionMath.h"

#include <cmath>

LiveView::LiveView(DisplayState& state) : m_state(state) {}

LiveView::Refresh LiveView::refresh(const LiveSnapshot& snapshot, const ConfigRecord& config)
{
    m_last = snapshot;
    m_frame.sequence = snapshot.sequence;
    Refresh result;
    result.modeChanged = updatePosition(config, false);
    updateLatches(config);
    updateStates();
    m_frameDue = true;
    return result;
}

LiveFrame LiveView::takeFrame()
{
    LiveFrame taken = m_frame;
    m_frame.sinCosRows.clear();
    m_frame.squareRows.clear();
    m_frameDue = false;
    return taken;
}

bool LiveView::updatePosition(const ConfigRecord& config, bool force)
{
    if (m_awaitingConfig)
        return false;
    bool modeChanged = false;
    if (m_state.lastSinCosMode != config.sinCosMode) {
        m_state.lastSinCosMode = config.sinCosMode;
        clearFilters();
        zero(config);
        modeChanged = true;
    }

    const LiveValues& live = m_last.values;
    const bool sinCos = (m_state.lastSinCosMode & 1) != 0;
    double position = 0.0;
    if (sinCos) {
        if (!checkSignal() && !force) {
            m_sinCosFilter.clear();
            return modeChanged;
        }
        position = PositionMath::millimetres(PositionMath::sinCosRaw(live.sinCosPosition),
                                             m_state.zeroOffset, config.sinCosEquivalent);
    } else {
        position = PositionMath::millimetres(PositionMath::squareRaw(live.squarePosition),
                                             m_state.zeroOffset, config.squareWaveEquivalent);
        m_frame.positionAlarm = false;
    }
    m_state.currentPosition = position;
    MovingAverage& filter = sinCos ? m_sinCosFilter : m_squareFilter;
    const double shown = filter.add(position, config.filterLevel);
    m_frame.sign = DisplayTexts::positionSign(shown, m_state.direction);
    m_frame.value = DisplayTexts::positionValue(shown, config.accuracy);
    return modeChanged;
}

bool LiveView::checkSignal()
{
    const LiveValues& live = m_last.values;
    const double amplitude = PositionMath::signalAmplitude(live.sinSample, live.cosSample);
    // The gauge follows moves it can show (a fraction of a degree of its
    // needle is not one): a noisy signal then does not repaint it each frame.
    const double percent = amplitude * 100.0;
    if (!m_frame.gaugeSet || std::abs(percent - m_frame.gaugePercent) >= kGaugeStepPercent) {
        m_frame.gaugeSet = true;
        m_frame.gaugePercent = percent;
    }
    if (!m_signalLost && amplitude < PositionMath::kSignalLostBelow)
        m_signalLost = true;
    m_frame.positionAlarm = m_signalLost;
    return !m_signalLost;
}

void LiveView::updateLatches(const ConfigRecord& config)
{
    const LiveValues& live = m_last.values;
    struct Channel
    {
        LatchFeed& feed;
        qint64 count;
        qint64 position;
        bool sinCos;
        quint32 equivalent;
        QVector<LiveFrame::LatchRow>& rows;
    };
    const Channel channels[] = {
        {m_state.sinCosLatch, live.sinCosLatchCount, live.sinCosLatchPosition, true,
         config.sinCosEquivalent, m_frame.sinCosRows},
        {m_state.squareLatch, live.squareLatchCount, live.squareLatchPosition, false,
         config.squareWaveEquivalent, m_frame.squareRows},
    };
    for (const Channel& channel : channels) {
        const LatchFeed::Outcome outcome =
            channel.feed.feed(channel.count, channel.position, channel.sinCos, channel.equivalent,
                              m_state.zeroOffset, m_supplyOn);
        if (outcome == LatchFeed::Outcome::Unchanged)
            continue;
        // A baseline ends the latch feed of this reply; the other channel's
        // change is seen with the next one.
        if (outcome == LatchFeed::Outcome::Baseline)
            return;
        const LatchFeed::Row& row = channel.feed.row();
        channel.rows.append({row.millimetres, qint64(row.pulses), qint64(row.triggers)});
    }
}

void LiveView::updateStates()
{
    const LiveValues& live = m_last.values;
    m_frame.sinSample = qint16(live.sinSample);
    m_frame.cosSample = qint16(live.cosSample);
    m_frame.phaseError = live.phaseCheckCount != m_phaseBaseline;
    if (m_frame.phaseError)
        m_frame.phaseErrorCount = DisplayTexts::phaseErrorsSince(live.phaseCheckCount,
                                                                 m_phaseBaseline);
    m_frame.levelText =
        DisplayTexts::abzText(live.levelStates, QStringLiteral("H"), QStringLiteral("L"));
    m_frame.lineText =
        DisplayTexts::abzText(live.lineStates, m_lineWords.present, m_lineWords.missing);
    m_frame.currentText = DisplayTexts::currentText(live.encoderCurrent);
}

LiveView::Refresh LiveView::zero(const ConfigRecord& config)
{
    Refresh result;
    const LiveValues& live = m_last.values;
    const bool sinCos = config.isSinCosMode();
    m_state.zeroOffset =
        PositionMath::captureRaw(sinCos ? live.sinCosPosition : live.squarePosition, sinCos);
    if (sinCos) {
        m_sinCosFilter.clear();
        result.modeChanged |= updatePosition(config, true);
        result.modeChanged |= updatePosition(config, true);
    } else {
        m_squareFilter.clear();
    }
    m_state.presetValue = 0;
    result.modeChanged |= updatePosition(config, false);
    m_state.previousPosition = m_state.currentPosition;
    m_frameDue = true;
    return result;
}

void LiveView::preset(const ConfigRecord& config)
{
    const LiveValues& live = m_last.values;
    const bool sinCos = config.isSinCosMode();
    const double raw =
        PositionMath::captureRaw(sinCos ? live.sinCosPosition : live.squarePosition, sinCos);
    const quint32 equivalent = sinCos ? config.sinCosEquivalent : config.squareWaveEquivalent;
    m_state.zeroOffset =
        PositionMath::presetZeroOffset(raw, m_state.presetValue, equivalent, m_state.direction);
}

void LiveView::reverseDirection()
{
    m_state.direction = -m_state.direction;
}

void LiveView::resetPhaseBaseline()
{
    m_phaseBaseline = m_last.values.phaseCheckCount;
    m_frame.phaseErrorCount = 0;
    m_frameDue = true;
}

void LiveView::dropLatchRows()
{
    m_frame.sinCosRows.clear();
    m_frame.squareRows.clear();
}

void LiveView::clearFilters()
{
    m_sinCosFilter.clear();
    m_squareFilter.clear();
}

void LiveView::connectionOpened()
{
    connectionClosed();
    m_frame.value.clear();
    m_frameDue = true;
}

void LiveView::connectionClosed()
{
    clearFilters();
    m_state.zeroOffset = 0;
}

double LiveView::takeSpeedSample()
{
    const double distance = m_state.currentPosition - m_state.previousPosition;
    m_state.previousPosition = m_state.currentPosition;
    return m_supplyOn ? std::abs(distance) : -1.0;
}
