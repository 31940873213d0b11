// The live view's arithmetic and texts, and the hot-plug identity rules,
// without widgets.
#include "DeviceIdentity.h"
#include "DisplayTexts.h"
#include "LatchFeed.h"
#include "MovingAverage.h"
#include "PositionMath.h"
#include "UdevHotPlugSource.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

class tst_LiveDisplay : public QObject
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
    void deviceIdentity();
    void udevEvents();
};

void tst_LiveDisplay::rawPositions()
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

void tst_LiveDisplay::millimetresZeroAndPreset()
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

void tst_LiveDisplay::positionTexts()
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

void tst_LiveDisplay::movingAverage()
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

void tst_LiveDisplay::stateTexts()
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

void tst_LiveDisplay::signalAmplitude()
{
    using PositionMath::signalAmplitude;
    QCOMPARE(signalAmplitude(512, 512), 0.0);
    QCOMPARE(signalAmplitude(768, 512), 0.5);
    QCOMPARE(signalAmplitude(512, 256), 0.5);
    QCOMPARE(signalAmplitude(1024, 1024), std::sqrt(2.0));
    QVERIFY(signalAmplitude(512 + 51, 512) < PositionMath::kSignalLostBelow);
    QVERIFY(signalAmplitude(512 + 52, 512) >= PositionMath::kSignalLostBelow);
}

void tst_LiveDisplay::latchFeed()
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

void tst_LiveDisplay::deviceIdentity()
{
    using namespace DeviceIdentity;
    QCOMPARE(identityText(0x0388, 0x0004), QStringLiteral("VID_0388&PID_0004"));
    QCOMPARE(identityText(0xABCD, 0x00EF), QStringLiteral("VID_ABCD&PID_00EF"));
    QVERIFY(pathNamesDevice(QStringLiteral("\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{guid}"),
                            0x0388, 0x0004));
    QVERIFY(pathNamesDevice(QStringLiteral("usb\\VID_0388&PID_0004\\1-2"), 0x0388, 0x0004));
    QVERIFY(!pathNamesDevice(QStringLiteral("usb\\VID_0388&PID_0005\\1-2"), 0x0388, 0x0004));
    QVERIFY(!pathNamesDevice(QStringLiteral("usb\\VID_1388&PID_0004"), 0x0388, 0x0004));
    QVERIFY(!pathNamesDevice(QString(), 0x0388, 0x0004));
    QCOMPARE(interfacePath(0x0388, 0x0004, QStringLiteral("1-2")),
             QStringLiteral("usb\\VID_0388&PID_0004\\1-2"));

    quint16 vendor = 0;
    quint16 product = 0;
    QVERIFY(parseUdevProduct(QStringLiteral("388/4/100"), &vendor, &product));
    QCOMPARE(vendor, quint16(0x0388));
    QCOMPARE(product, quint16(0x0004));
    QVERIFY(parseUdevProduct(QStringLiteral("1d6b/2/601"), &vendor, &product));
    QCOMPARE(vendor, quint16(0x1d6b));
    for (const char* bad : {"388/4", "388/4/1/2", "zz/4/1", "10000/4/1", "", "//"})
        QVERIFY2(!parseUdevProduct(QLatin1String(bad), &vendor, &product), bad);
}

void tst_LiveDisplay::udevEvents()
{
    UdevHotPlugSource source;
    QSignalSpy arrived(&source, &HotPlugSource::deviceArrived);
    QSignalSpy removed(&source, &HotPlugSource::deviceRemoved);
    source.handleEvent(QStringLiteral("add"), QStringLiteral("1234/5678/1"),
                       QStringLiteral("1-1"));
    source.handleEvent(QStringLiteral("bind"), QStringLiteral("388/4/100"),
                       QStringLiteral("1-2"));
    source.handleEvent(QStringLiteral("remove"), QStringLiteral("388/4/100"),
                       QStringLiteral("1-2"));
    source.handleEvent(QStringLiteral("remove"), QStringLiteral("garbage"),
                       QStringLiteral("1-3"));
    QCOMPARE(arrived.count(), 1);
    QCOMPARE(removed.count(), 1);
    const QString path = removed.at(0).at(0).toString();
    QCOMPARE(path, QStringLiteral("usb\\VID_0388&PID_0004\\1-2"));
    QVERIFY(DeviceIdentity::pathNamesDevice(path, 0x0388, 0x0004));
}

QTEST_GUILESS_MAIN(tst_LiveDisplay)
#include "tst_LiveDisplay.moc"
