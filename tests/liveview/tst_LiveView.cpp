// The live view without widgets: its arithmetic and texts, and LiveView
// turning replies into frames and carrying out the commands' arithmetic.
#include "DisplayTexts.h"
#include "FramePacer.h"
#include "LatchFeed.h"
#include "LiveView.h"
#include "MovingAverage.h"
#include "PositionMath.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

class tst_LiveView : public QObject
{
    Q_OBJECT

private slots:
    void rawPositions();
    void millimetresZeroAndPreset();
    void positionTexts();
    void movingAverage();
    void stateTexts();
    void signalAmplitude();
    void latchFeed();
    void positionZeroPresetAndDirection();
    void lostSignalLatchesTheAlarm();
    void statesAndPhaseErrors();
    void everyReplysLatchTriggerReachesTheFrame();
    void frameIsTheNewestSnapshot();
    void workModeChangeAndWaitingForTheConfiguration();
    void framePacerGathersRequests();
};

namespace {

constexpr int kPeriod = 512; // sine/cosine units per signal period

ConfigRecord sinCosConfig(quint8 accuracy = 3)
{
    ConfigRecord config;
    config.sinCosMode = 1;
    config.sinCosEquivalent = 20000; // 20 um per period
    config.squareWaveEquivalent = 5000;
    config.accuracy = accuracy;
    config.filterLevel = 0;
    return config;
}

// A reply at `periods` with a healthy signal (amplitude 0.6).
LiveSnapshot at(double periods, quint64 sequence = 0)
{
    LiveSnapshot snapshot;
    snapshot.values.sinCosPosition = qint64(periods * kPeriod);
    snapshot.values.sinSample = 512 + 307;
    snapshot.values.cosSample = 512;
    snapshot.sequence = sequence;
    snapshot.group = int(sequence % 2);
    return snapshot;
}

// A view measuring (configuration read), supply on.
struct Measuring
{
    DisplayState state;
    LiveView view{state};
    Measuring()
    {
        view.setAwaitingConfig(false);
        view.setSupplyOn(true);
    }
};

} // namespace

void tst_LiveView::rawPositions()
{
    using namespace PositionMath;
    // Sine/cosine: only the low 32 bits, signed, 512 units per period.
    QCOMPARE(sinCosRaw(512), 1.0);
    QCOMPARE(sinCosRaw(-512), -1.0);
    QCOMPARE(sinCosRaw((qint64(1) << 32) + 1024), 2.0);
    QCOMPARE(sinCosRaw(qint64(0xFFFFFE00)), -1.0);
    QCOMPARE(sinCosRaw(256), 0.5);
    // Square wave: all 64 bits, through single precision.
    QCOMPARE(squareRaw(qint64(1) << 32), 4294967296.0);
    QCOMPARE(squareRaw((qint64(1) << 24) + 1), 16777216.0);
    QCOMPARE(squareRaw(-5), -5.0);
    // Zero and preset capture take the low 32 bits in either mode.
    QCOMPARE(captureRaw((qint64(1) << 32) + 5, false), 5.0);
    QCOMPARE(captureRaw((qint64(1) << 32) + 1536, true), 3.0);
    QCOMPARE(captureRaw(qint64(0xFFFFFFFF), false), -1.0);
    // Beyond 2^24 units the lowest digits go.
    QCOMPARE(captureRaw((1 << 24) + 1, false), 16777216.0);
}

void tst_LiveView::millimetresZeroAndPreset()
{
    using namespace PositionMath;
    // 20 um per period: 150 periods from the zero are 3 mm.
    QCOMPARE(millimetres(250.0, 100.0, 20000), 3.0);
    QCOMPARE(millimetres(100.0, 250.0, 20000), -3.0);
    QCOMPARE(millimetres(4e9, 0.0, 0xFFFFFFFFu), 4e9 * 4294.967295);

    // Preset 10 mm at raw 1000 with 20 um: 500 periods of offset.
    QCOMPARE(presetZeroOffset(1000.0, 10.0, 20000, 1), 500.0);
    QCOMPARE(presetZeroOffset(1000.0, 10.0, 20000, -1), 1500.0);
    // Direction -1 shows the preset without a sign; after PosNeg it shows "-".
    const double zero = presetZeroOffset(1000.0, 10.0, 20000, -1);
    const double value = millimetres(1000.0, zero, 20000);
    QCOMPARE(DisplayTexts::positionSign(value, -1), QString());
    QCOMPARE(DisplayTexts::positionValue(value, 3), QStringLiteral("10.000mm"));
    QCOMPARE(DisplayTexts::positionSign(value, 1), QStringLiteral("-"));
    // A negative preset.
    const double negative = presetZeroOffset(1000.0, -12.5, 20000, 1);
    QCOMPARE(millimetres(1000.0, negative, 20000), -12.5);
    // No equivalent: no offset can show the preset; the display stays at 0.
    QCOMPARE(presetZeroOffset(1000.0, 10.0, 0, 1), 1000.0);
    QVERIFY(std::isfinite(millimetres(1000.0, presetZeroOffset(1000.0, 10.0, 0, -1), 0)));
}

void tst_LiveView::positionTexts()
{
    using namespace DisplayTexts;
    QCOMPARE(positionSign(0.0, 1), QString());
    QCOMPARE(positionValue(0.0, 6), QStringLiteral("0.000000mm"));
    QCOMPARE(positionSign(2.5, -1), QStringLiteral("-"));
    QCOMPARE(positionValue(2.5, 6), QStringLiteral("2.500000mm"));
    QCOMPARE(positionSign(-2.5, -1), QString());
    QCOMPARE(positionValue(-2.5, 6), QStringLiteral("2.500000mm"));
    QCOMPARE(positionSign(-2.5, 1), QStringLiteral("-"));
    QCOMPARE(positionValue(12.5, 3), QStringLiteral("12.500mm"));
    QCOMPARE(positionValue(0.0004, 3), QStringLiteral("0.000mm"));
    QCOMPARE(positionValue(-0.0, 1), QStringLiteral("0.0mm"));
    QCOMPARE(positionSign(-0.0, 1), QString());
}

void tst_LiveView::movingAverage()
{
    MovingAverage filter;
    // Level 0 passes through and empties the window.
    QCOMPARE(filter.add(4.0, 0), 4.0);
    QCOMPARE(filter.size(), 0);

    // Level 2: a jump from 0 to 20 shows in full after 20 refreshes.
    for (int i = 0; i < 20; ++i)
        filter.add(0.0, 2);
    for (int i = 1; i < 20; ++i) {
        const double shown = filter.add(20.0, 2);
        QCOMPARE(shown, 20.0 * i / 20.0);
    }
    QCOMPARE(filter.add(20.0, 2), 20.0);
    QCOMPARE(filter.size(), 20);

    // Level 1 (any non-zero level other than 1 is 20): 10 entries.
    filter.clear();
    for (int i = 0; i < 10; ++i)
        filter.add(10.0, 1);
    QCOMPARE(filter.add(0.0, 1), 9.0);
    QCOMPARE(filter.size(), 10);
    QCOMPARE(MovingAverage::windowFor(7), 20);

    // A window that shrinks (level 2 -> 1) averages over the new width at once.
    filter.clear();
    for (int i = 0; i < 20; ++i)
        filter.add(i < 10 ? 100.0 : 0.0, 2);
    QCOMPARE(filter.add(0.0, 1), 0.0);
    QCOMPARE(filter.size(), 10);

    // Level 0 clears the window at once.
    QCOMPARE(filter.add(7.0, 0), 7.0);
    QCOMPARE(filter.size(), 0);
    QCOMPARE(filter.add(1.0, 1), 1.0);
}

void tst_LiveView::stateTexts()
{
    using namespace DisplayTexts;
    QCOMPARE(abzText(0b101, QStringLiteral("H"), QStringLiteral("L")),
             QStringLiteral("A:H  B:L  Z:H"));
    QCOMPARE(abzText(0b010, QStringLiteral("Normal"), QStringLiteral("OffLine")),
             QStringLiteral("A:OffLine  B:Normal  Z:OffLine"));
    QCOMPARE(abzText(0xFFF8, QStringLiteral("H"), QStringLiteral("L")),
             QStringLiteral("A:L  B:L  Z:L"));
    QCOMPARE(currentText(0), QStringLiteral("0.00A"));
    QCOMPARE(currentText(1234), QStringLiteral("1.23A"));
    QCOMPARE(currentText(65535), QStringLiteral("65.53A"));
    QCOMPARE(phaseErrorsSince(3, 1), quint16(2));
    QCOMPARE(phaseErrorsSince(1, 65535), quint16(2));
    QCOMPARE(phaseErrorsSince(7, 7), quint16(0));
}

void tst_LiveView::signalAmplitude()
{
    using PositionMath::signalAmplitude;
    QCOMPARE(signalAmplitude(512, 512), 0.0);
    QCOMPARE(signalAmplitude(768, 512), 0.5);
    QCOMPARE(signalAmplitude(512, 256), 0.5);
    QCOMPARE(signalAmplitude(1024, 1024), std::sqrt(2.0));
    QVERIFY(signalAmplitude(512 + 51, 512) < PositionMath::kSignalLostBelow);
    QVERIFY(signalAmplitude(512 + 52, 512) >= PositionMath::kSignalLostBelow);
}

void tst_LiveView::latchFeed()
{
    using Outcome = LatchFeed::Outcome;
    LatchFeed feed;
    // Nothing seen yet: the tester's start value -1 is no change.
    QCOMPARE(feed.feed(-1, 0, true, 20000, 0.0, true), Outcome::Unchanged);
    // The first count only sets the baseline.
    QCOMPARE(feed.feed(4, 512 * 100, true, 20000, 0.0, true), Outcome::Baseline);
    QCOMPARE(feed.feed(4, 512 * 100, true, 20000, 0.0, true), Outcome::Unchanged);
    // One trigger 10 periods further: a row.
    QCOMPARE(feed.feed(5, 512 * 110, true, 20000, 0.0, true), Outcome::Row);
    QCOMPARE(feed.row().triggers, quint16(1));
    QCOMPARE(feed.row().pulses, quint64(110)); // from the start value 0
    QCOMPARE(feed.row().millimetres, 2.2);
    // Two triggers 20 periods back: 10 periods per trigger, position from zero.
    QCOMPARE(feed.feed(7, 512 * 90, true, 20000, 40.0, true), Outcome::Row);
    QCOMPARE(feed.row().triggers, quint16(2));
    QCOMPARE(feed.row().pulses, quint64(10));
    QCOMPARE(feed.row().millimetres, 1.0);
    // Supply off: the count moves the baseline, no row.
    QCOMPARE(feed.feed(8, 512 * 100, true, 20000, 0.0, false), Outcome::Baseline);
    QCOMPARE(feed.feed(9, 512 * 110, true, 20000, 0.0, true), Outcome::Row);
    QCOMPARE(feed.row().pulses, quint64(20)); // the position was not taken at 8

    // Square wave: counts, not periods; the count wraps in 16 bits.
    LatchFeed square;
    square.feed(65535, 4000, false, 5000, 0.0, true);
    QCOMPARE(square.feed(1, 4080, false, 5000, 0.0, true), Outcome::Row);
    QCOMPARE(square.row().triggers, quint16(2));
    QCOMPARE(square.row().pulses, quint64(2040)); // 4080 from the start value 0, over 2
    QCOMPARE(square.row().millimetres, 4080 * 0.005);

    // After reset the next count is a baseline again.
    square.reset();
    QCOMPARE(square.feed(1, 4080, false, 5000, 0.0, true), Outcome::Baseline);
}

void tst_LiveView::positionZeroPresetAndDirection()
{
    Measuring m;
    const ConfigRecord config = sinCosConfig();
    // The first reply in sine/cosine mode is a new work mode: zeroed there.
    QVERIFY(m.view.refresh(at(1000), config).modeChanged);
    QCOMPARE(m.view.frame().value, QStringLiteral("0.000mm"));
    QCOMPARE(m.state.zeroOffset, 1000.0);
    // 125 periods of 20 um on: 2.500 mm, no sign; half a period behind the
    // zero: 0.010 mm with "-".
    QVERIFY(!m.view.refresh(at(1125), config).modeChanged);
    QCOMPARE(m.view.frame().value, QStringLiteral("2.500mm"));
    QCOMPARE(m.view.frame().sign, QString());
    QCOMPARE(m.state.currentPosition, 2.5);
    m.view.refresh(at(999.5), config);
    QCOMPARE(m.view.frame().value, QStringLiteral("0.010mm"));
    QCOMPARE(m.view.frame().sign, QStringLiteral("-"));

    // Direction turns the sign with the next reply; the zero stays.
    m.view.refresh(at(1125), config);
    m.view.reverseDirection();
    m.view.refresh(at(1125), config);
    QCOMPARE(m.view.frame().sign, QStringLiteral("-"));
    QCOMPARE(m.view.frame().value, QStringLiteral("2.500mm"));
    // Zero keeps the direction and clears the preset.
    m.state.presetValue = 4.0;
    QVERIFY(!m.view.zero(config).modeChanged);
    QCOMPARE(m.view.frame().value, QStringLiteral("0.000mm"));
    QCOMPARE(m.state.direction, -1);
    QCOMPARE(m.state.presetValue, 0.0);
    QCOMPARE(m.state.previousPosition, m.state.currentPosition);

    // Preset 10 mm with direction -1: 10.000mm without a sign, "-" after a
    // second turn. Six decimals where the configuration says so.
    m.state.presetValue = 10.0;
    m.view.preset(config);
    m.view.refresh(at(1125), config);
    QCOMPARE(m.view.frame().value, QStringLiteral("10.000mm"));
    QCOMPARE(m.view.frame().sign, QString());
    m.view.reverseDirection();
    m.view.refresh(at(1125), sinCosConfig(6));
    QCOMPARE(m.view.frame().sign, QStringLiteral("-"));
    QCOMPARE(m.view.frame().value, QStringLiteral("10.000000mm"));

    // The speed sample: the distance since the last one, only with supply.
    m.view.zero(config);
    m.view.takeSpeedSample();
    m.view.refresh(at(1175), config);
    QCOMPARE(m.view.takeSpeedSample(), 1.0);
    m.view.setSupplyOn(false);
    m.view.refresh(at(1125), config);
    QVERIFY(m.view.takeSpeedSample() < 0.0);
    m.view.setSupplyOn(true);
    QCOMPARE(m.view.takeSpeedSample(), 0.0); // the reference moved meanwhile
}

void tst_LiveView::lostSignalLatchesTheAlarm()
{
    Measuring m;
    const ConfigRecord config = sinCosConfig();
    m.view.refresh(at(1000), config);
    m.view.refresh(at(1050), config);
    QVERIFY(!m.view.frame().positionAlarm);
    QVERIFY(m.view.frame().gaugeSet);
    QCOMPARE(m.view.frame().gaugePercent, 100.0 * PositionMath::signalAmplitude(512 + 307, 512));
    const QString frozen = m.view.frame().value;

    // Mid-scale samples: amplitude 0, the alarm latches and the position
    // freezes, also when the signal returns.
    LiveSnapshot lost = at(1100);
    lost.values.sinSample = 512;
    lost.values.cosSample = 512;
    m.view.refresh(lost, config);
    QVERIFY(m.view.signalLost());
    QVERIFY(m.view.frame().positionAlarm);
    QCOMPARE(m.view.frame().gaugePercent, 0.0);
    m.view.refresh(at(1200), config);
    QVERIFY(m.view.frame().positionAlarm);
    QCOMPARE(m.view.frame().value, frozen);
    QCOMPARE(m.state.currentPosition, 1.0);

    // Cleared (reset, Ctrl+D): the next reply shows again, in blue.
    m.view.clearSignalLost();
    m.view.refresh(at(1200), config);
    QVERIFY(!m.view.frame().positionAlarm);
    QCOMPARE(m.view.frame().value, QStringLiteral("4.000mm"));
}

void tst_LiveView::statesAndPhaseErrors()
{
    Measuring m;
    ConfigRecord config = sinCosConfig();
    config.sinCosMode = 0; // square wave: the mode seen at start
    m.view.setLineWords({QStringLiteral("ok"), QStringLiteral("off")});
    LiveSnapshot snapshot;
    snapshot.values.phaseCheckCount = 1;
    snapshot.values.levelStates = 0b101;
    snapshot.values.lineStates = 0b011;
    snapshot.values.encoderCurrent = 1234;
    m.view.refresh(snapshot, config);
    m.view.resetPhaseBaseline();
    QCOMPARE(m.view.phaseErrorBaseline(), quint16(1));
    m.view.refresh(snapshot, config);
    QVERIFY(!m.view.frame().phaseError);
    QCOMPARE(m.view.frame().phaseErrorCount, quint16(0));
    QCOMPARE(m.view.frame().levelText, QStringLiteral("A:H  B:L  Z:H"));
    QCOMPARE(m.view.frame().lineText, QStringLiteral("A:ok  B:ok  Z:off"));
    QCOMPARE(m.view.frame().currentText, QStringLiteral("1.23A"));
    QVERIFY(!m.view.frame().positionAlarm);

    // Count 3 over baseline 1: an error and 2; back at 1: no error, the
    // count keeps 2; a new baseline shows 0 again.
    snapshot.values.phaseCheckCount = 3;
    m.view.refresh(snapshot, config);
    QVERIFY(m.view.frame().phaseError);
    QCOMPARE(m.view.frame().phaseErrorCount, quint16(2));
    snapshot.values.phaseCheckCount = 1;
    m.view.refresh(snapshot, config);
    QVERIFY(!m.view.frame().phaseError);
    QCOMPARE(m.view.frame().phaseErrorCount, quint16(2));
    snapshot.values.phaseCheckCount = 0; // 16 bits: 65535 errors
    m.view.refresh(snapshot, config);
    QCOMPARE(m.view.frame().phaseErrorCount, quint16(65535));
    m.view.resetPhaseBaseline();
    QCOMPARE(m.view.frame().phaseErrorCount, quint16(0));
    m.view.refresh(snapshot, config);
    QVERIFY(!m.view.frame().phaseError);
}

void tst_LiveView::everyReplysLatchTriggerReachesTheFrame()
{
    Measuring m;
    const ConfigRecord config = sinCosConfig();
    LiveSnapshot snapshot = at(0, 1);
    snapshot.values.sinCosLatchCount = 4; // the first count: baseline only
    m.view.refresh(snapshot, config);
    QVERIFY(m.view.takeFrame().sinCosRows.isEmpty());

    // Five replies, one trigger each, 10 periods apart, taken as one frame:
    // five rows, none lost to the frames not shown.
    for (int i = 1; i <= 5; ++i) {
        snapshot.sequence = quint64(1 + i);
        snapshot.values.sinCosLatchCount = 4 + i;
        snapshot.values.sinCosLatchPosition = qint64(10 * i) * kPeriod;
        m.view.refresh(snapshot, config);
    }
    const LiveFrame frame = m.view.takeFrame();
    QCOMPARE(frame.sinCosRows.size(), 5);
    QCOMPARE(frame.sinCosRows.first().pulses, qint64(10));
    QCOMPARE(frame.sinCosRows.last().pulses, qint64(10));
    QCOMPARE(frame.sinCosRows.last().millimetres, 50 * 0.02);
    QCOMPARE(frame.sinCosRows.last().triggers, qint64(1));
    QVERIFY(frame.squareRows.isEmpty());
    QVERIFY(m.view.takeFrame().sinCosRows.isEmpty());

    // Two at once on the square wave (count wraps in 16 bits).
    snapshot.values.squareLatchCount = 65535;
    m.view.refresh(snapshot, config);
    snapshot.values.squareLatchCount = 1;
    snapshot.values.squareLatchPosition = 4080;
    m.view.refresh(snapshot, config);
    QCOMPARE(m.view.frame().squareRows.size(), 1);
    QCOMPARE(m.view.frame().squareRows.first().triggers, qint64(2));
    QCOMPARE(m.view.frame().squareRows.first().pulses, qint64(2040));

    // Rows not yet shown go with a clearing of the tables; without supply
    // triggers only move the baseline.
    m.view.dropLatchRows();
    QVERIFY(m.view.frame().squareRows.isEmpty());
    m.view.setSupplyOn(false);
    snapshot.values.sinCosLatchCount = 11;
    m.view.refresh(snapshot, config);
    QVERIFY(m.view.frame().sinCosRows.isEmpty());
}

void tst_LiveView::frameIsTheNewestSnapshot()
{
    Measuring m;
    const ConfigRecord config = sinCosConfig();
    for (quint64 sequence = 1; sequence <= 3; ++sequence) {
        LiveSnapshot snapshot = at(1000 + 25.0 * sequence, sequence);
        snapshot.values.encoderCurrent = quint16(100 * sequence);
        m.view.refresh(snapshot, config);
    }
    QVERIFY(m.view.frameDue());
    const LiveFrame frame = m.view.takeFrame();
    QVERIFY(!m.view.frameDue());
    QCOMPARE(frame.sequence, quint64(3));
    QCOMPARE(m.view.lastSnapshot().sequence, quint64(3));
    QCOMPARE(frame.currentText, QStringLiteral("0.30A"));
    QCOMPARE(frame.value, QStringLiteral("1.000mm")); // zeroed at the first
    QCOMPARE(frame.sinSample, qint16(512 + 307));
    // Commands work on the snapshot shown: zero where the third reply was.
    m.view.zero(config);
    QCOMPARE(m.state.zeroOffset, 1075.0);
}

void tst_LiveView::workModeChangeAndWaitingForTheConfiguration()
{
    DisplayState state;
    LiveView view(state);
    view.setSupplyOn(true);
    ConfigRecord config = sinCosConfig();
    // Before the configuration is known: no position, no gauge, but states.
    LiveSnapshot snapshot = at(1000, 1);
    snapshot.values.encoderCurrent = 50;
    QVERIFY(!view.refresh(snapshot, config).modeChanged);
    QCOMPARE(view.frame().value, QString());
    QVERIFY(!view.frame().gaugeSet);
    QCOMPARE(view.frame().currentText, QStringLiteral("0.05A"));
    QCOMPARE(state.lastSinCosMode, quint8(0));

    view.setAwaitingConfig(false);
    QVERIFY(view.refresh(snapshot, config).modeChanged);
    QCOMPARE(state.lastSinCosMode, quint8(1));
    // Square wave now: zeroed on the counter, the whole byte compared.
    config.sinCosMode = 0;
    snapshot.values.squarePosition = 400;
    QVERIFY(view.refresh(snapshot, config).modeChanged);
    QCOMPARE(state.zeroOffset, 400.0);
    snapshot.values.squarePosition = 600;
    QVERIFY(!view.refresh(snapshot, config).modeChanged);
    QCOMPARE(view.frame().value, QStringLiteral("1.000mm"));
    config.sinCosMode = 2; // bit 0 still clear, but another byte
    QVERIFY(view.refresh(snapshot, config).modeChanged);

    // A new connection: no position text, zero offset 0.
    view.connectionOpened();
    QCOMPARE(view.frame().value, QString());
    QCOMPARE(state.zeroOffset, 0.0);
}

void tst_LiveView::framePacerGathersRequests()
{
    FramePacer pacer(nullptr, 30);
    QSignalSpy frames(&pacer, &FramePacer::frameDue);
    // Many requests within a frame: one frame, at the latest a frame later.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 100; ++i)
        pacer.request();
    QVERIFY(frames.wait(1000));
#ifndef Q_OS_WIN // under Wine a loaded start can hold a first timer half a second
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
#endif
    const int first = frames.count();
    QElapsedTimer span;
    span.start();
    for (int i = 0; i < 100; ++i) {
        pacer.request();
        QTest::qWait(1);
    }
    const qint64 ms = span.elapsed(); // 100 ms or more (a loaded machine, Wine)
    QTRY_VERIFY(!pacer.pending());
    // A request a millisecond at 30 ms a frame: about a frame per 30 ms
    // (room for the ends and a late timer), never one per request.
    const int paced = frames.count() - first;
    QVERIFY2(paced <= int(ms / 30) + 3, qPrintable(QStringLiteral("%1 frames in %2 ms").arg(paced).arg(ms)));
    QVERIFY(paced >= 2);
}

QTEST_GUILESS_MAIN(tst_LiveView)
#include "tst_LiveView.moc"
