// Request building, reply checking and decoding, and the EEPROM image groups.
#include "EepromImage.h"
#include "ReportFrame.h"

#include <QTest>

using ReportFrame::Report;
using ReportFrame::Verdict;

namespace {

Report reply(quint8 b0, quint8 b1, quint8 count, quint8 status,
             std::initializer_list<std::pair<quint16, quint16>> entries)
{
    Report r{};
    r[0] = b0;
    r[1] = b1;
    r[4] = count;
    r[8] = status;
    int i = 0;
    for (const auto& e : entries) {
        r[16 + 4 * i] = quint8(e.first);
        r[17 + 4 * i] = quint8(e.first >> 8);
        r[18 + 4 * i] = quint8(e.second);
        r[19 + 4 * i] = quint8(e.second >> 8);
        ++i;
    }
    return r;
}

Report liveReply(std::initializer_list<std::pair<quint16, quint16>> entries)
{
    return reply(0x11, 0x11, quint8(entries.size()), 1, entries);
}

QByteArray hex(const Report& r) { return QByteArray(reinterpret_cast<const char*>(r.data()), 64).toHex(); }

} // namespace

class TestReportFrame : public QObject
{
    Q_OBJECT

private slots:
    void requestsAreByteExact();
    void requestCountAboveTwelveIsNotBuilt();
    void pollGroupsAreTheTwelveRegisterGroups();

    void realTimeReplyChecksInOrder_data();
    void realTimeReplyChecksInOrder();
    void wideFieldsReplaceThenOr();
    void latchCountsAndSamplesDecode();
    void unknownRegistersAreSkipped();

    void eepromReplyChecks();
    void eepromValueUsesLowByteOnly();
    void erasedEepromReadsAsDefaults();
    void readGroupsAreTwelveAndSix();
    void writeGroupsAreTwelveAndFive();
    void writeThenReadRoundTripsTheRecord();
    void acknowledgementNeedsLength64AndStatus1();
};

void TestReportFrame::requestsAreByteExact()
{
    const quint16 addresses[] = {0x1000, 0x2014};
    const quint16 values[] = {0xABCD, 0x1234};

    Report r = *ReportFrame::realTimeRead(addresses, 2, 0x0102);
    QCOMPARE(hex(r), QByteArray("111100000200020100000000000000000010000014200000") + QByteArray(80, '0'));

    r = *ReportFrame::eepromWrite(addresses, values, 2, 1);
    // EEPROM writes carry the value's low byte only.
    QCOMPARE(hex(r), QByteArray("12120000020001000000000000000000" "0010cd00" "14203400") + QByteArray(80, '0'));
    QCOMPARE(r[18], quint8(0xCD));
    QCOMPARE(r[19], quint8(0));
    QCOMPARE(r[22], quint8(0x34));
    QCOMPARE(r[23], quint8(0));

    // Register writes keep both bytes of a value.
    r = *ReportFrame::registerWrite(addresses, values, 2, 0);
    QCOMPARE(hex(r), QByteArray("12110000020000000000000000000000" "0010cdab" "14203412") + QByteArray(80, '0'));

    // Reads carry no values, whatever the caller holds.
    r = *ReportFrame::eepromRead(addresses, 2, 7);
    QCOMPARE(hex(r), QByteArray("11120000020007000000000000000000" "00100000" "14200000") + QByteArray(80, '0'));

    r = ReportFrame::encoderPower(1);
    QCOMPARE(hex(r), QByteArray("12120000010000000000000000000000" "14000100") + QByteArray(88, '0'));
    r = ReportFrame::encoderPower(0);
    QCOMPARE(hex(r), QByteArray("12120000010000000000000000000000" "14000000") + QByteArray(88, '0'));
    // Its acknowledgement reports the state in bit 0 of the first value.
    r[18] = 0xFE;
    QCOMPARE(ReportFrame::encoderPowerState(r.data()), quint8(0));
    r[18] = 0x03;
    QCOMPARE(ReportFrame::encoderPowerState(r.data()), quint8(1));

    // Twelve entries fill the report to its last byte.
    quint16 twelve[12];
    for (int i = 0; i < 12; ++i)
        twelve[i] = quint16(0x0100 + i);
    r = *ReportFrame::eepromWrite(twelve, twelve, 12, 0);
    QCOMPARE(r[60], quint8(0x0B));
    QCOMPARE(r[61], quint8(0x01));
    QCOMPARE(r[62], quint8(0x0B));
    QCOMPARE(r[63], quint8(0));
}

void TestReportFrame::requestCountAboveTwelveIsNotBuilt()
{
    quint16 addresses[13] = {};
    QVERIFY(!ReportFrame::realTimeRead(addresses, 13, 0));
    QVERIFY(!ReportFrame::eepromWrite(addresses, addresses, 255, 0));
    QVERIFY(!ReportFrame::realTimeRead(nullptr, 1, 0));
    QVERIFY(ReportFrame::realTimeRead(nullptr, 0, 0)); // an empty request is harmless

    // Byte 4 is the low 8 bits of the group's count.
    RegisterGroup group;
    group.count = 256 + 12;
    QCOMPARE(group.requestCount(), quint8(12));
}

void TestReportFrame::pollGroupsAreTheTwelveRegisterGroups()
{
    const RegisterGroupList groups = ReportFrame::pollGroups();
    QCOMPARE(groups.size(), 2);
    const QVector<quint16> g0 = {0x1000, 0x1001, 0x1002, 0x1003, 0x1008, 0x1009,
                                 0x100A, 0x100B, 0x100C, 0x1100, 0x1101, 0x2010};
    const QVector<quint16> g1 = {0x2000, 0x2001, 0x2002, 0x2003, 0x2008, 0x2009,
                                 0x200A, 0x200B, 0x200C, 0x200D, 0x2014, 0x5010};
    QCOMPARE(groups[0].count, 12);
    QCOMPARE(groups[1].count, 12);
    for (int i = 0; i < 12; ++i) {
        QCOMPARE(groups[0].addresses[size_t(i)], g0[i]);
        QCOMPARE(groups[1].addresses[size_t(i)], g1[i]);
    }
}

void TestReportFrame::realTimeReplyChecksInOrder_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<bool>("changed");

    auto raw = [](const Report& r) { return QByteArray(reinterpret_cast<const char*>(r.data()), 64); };
    QTest::newRow("good") << raw(liveReply({{0x5010, 100}})) << 64 << int(Verdict::Decoded) << true;
    QTest::newRow("short") << raw(liveReply({{0x5010, 100}})) << 63 << int(Verdict::SizeError) << false;
    QTest::newRow("eeprom header") << raw(reply(0x11, 0x12, 1, 1, {{0x5010, 100}})) << 64
                                   << int(Verdict::WrongHeader) << false;
    // Both header bytes count, each on its own.
    QTest::newRow("write header") << raw(reply(0x12, 0x11, 1, 1, {{0x5010, 100}})) << 64
                                  << int(Verdict::WrongHeader) << false;
    QTest::newRow("header 0x00 0x11") << raw(reply(0x00, 0x11, 1, 1, {{0x5010, 100}})) << 64
                                      << int(Verdict::WrongHeader) << false;
    // The count is judged before the status.
    QTest::newRow("count 13 status 0") << raw(reply(0x11, 0x11, 13, 0, {{0x5010, 100}})) << 64
                                       << int(Verdict::CountError) << false;
    QTest::newRow("status 0") << raw(reply(0x11, 0x11, 1, 0, {{0x5010, 100}})) << 64
                              << int(Verdict::StatusError) << false;
    QTest::newRow("status 7 accepted") << raw(reply(0x11, 0x11, 1, 7, {{0x5010, 100}})) << 64
                                       << int(Verdict::Decoded) << true;
    QTest::newRow("count 0") << raw(reply(0x11, 0x11, 0, 1, {{0x5010, 100}})) << 64
                             << int(Verdict::NoEntries) << false;
    QTest::newRow("count 0x80 is negative") << raw(reply(0x11, 0x11, 0x80, 1, {{0x5010, 100}}))
                                            << 64 << int(Verdict::NoEntries) << false;
    QTest::newRow("count 0xFF is negative") << raw(reply(0x11, 0x11, 0xFF, 1, {{0x5010, 100}}))
                                            << 64 << int(Verdict::NoEntries) << false;
}

void TestReportFrame::realTimeReplyChecksInOrder()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    QFETCH(int, verdict);
    QFETCH(bool, changed);
    LiveValues values;
    QCOMPARE(int(ReportFrame::decodeRealTimeReply(
                 reinterpret_cast<const quint8*>(bytes.constData()), length, values)),
             verdict);
    QCOMPARE(values.encoderCurrent == 100, changed);
    QCOMPARE(int(ReportFrame::decodeRealTimeReply(nullptr, 64, values)), int(Verdict::SizeError));
}

void TestReportFrame::wideFieldsReplaceThenOr()
{
    LiveValues v;
    Report r = liveReply({{0x1000, 0x1111}, {0x1001, 0x2222}, {0x1002, 0x3333}, {0x1003, 0x4444}});
    ReportFrame::decodeRealTimeReply(r.data(), 64, v);
    QCOMPARE(v.sinCosPosition, qint64(0x4444333322221111LL));

    // The base word replaces the whole field.
    r = liveReply({{0x1000, 0x0005}});
    ReportFrame::decodeRealTimeReply(r.data(), 64, v);
    QCOMPARE(v.sinCosPosition, qint64(5));

    // Upper words without the base first OR into the previous value.
    r = liveReply({{0x1001, 0x0001}});
    ReportFrame::decodeRealTimeReply(r.data(), 64, v);
    QCOMPARE(v.sinCosPosition, qint64(0x10005));

    // 0xFFFF in the top word makes the position negative (two's complement).
    r = liveReply({{0x2000, 0xFFFE}, {0x2001, 0xFFFF}, {0x2002, 0xFFFF}, {0x2003, 0xFFFF}});
    ReportFrame::decodeRealTimeReply(r.data(), 64, v);
    QCOMPARE(v.squarePosition, qint64(-2));

    r = liveReply({{0x1008, 1}, {0x100B, 0x8000}, {0x2008, 0xFFFF}});
    ReportFrame::decodeRealTimeReply(r.data(), 64, v);
    QCOMPARE(v.sinCosLatchPosition, qint64(quint64(0x8000000000000001ULL)));
    QCOMPARE(v.squareLatchPosition, qint64(0xFFFF)); // no sign extension of a lone word
}

void TestReportFrame::latchCountsAndSamplesDecode()
{
    LiveValues v;
    QCOMPARE(v.sinCosLatchCount, qint64(-1));
    QCOMPARE(v.squareLatchCount, qint64(-1));
    const Report r = liveReply({{0x100C, 0xFFFF}, {0x200C, 3}, {0x1100, 900}, {0x1101, 124},
                                {0x200D, 7}, {0x2010, 5}, {0x2014, 6}, {0x5010, 101}});
    QCOMPARE(ReportFrame::decodeRealTimeReply(r.data(), 64, v), Verdict::Decoded);
    QCOMPARE(v.sinCosLatchCount, qint64(65535)); // not -1
    QCOMPARE(v.squareLatchCount, qint64(3));
    QCOMPARE(v.sinSample, quint16(900));
    QCOMPARE(v.cosSample, quint16(124));
    QCOMPARE(v.phaseCheckCount, quint16(7));
    QCOMPARE(v.levelStates, quint16(5));
    QCOMPARE(v.lineStates, quint16(6));
    QCOMPARE(v.encoderCurrent, quint16(101));
}

void TestReportFrame::unknownRegistersAreSkipped()
{
    LiveValues v;
    const Report r = liveReply({{0x1004, 1}, {0x1007, 1}, {0x2004, 1}, {0x200E, 1},
                                {0x200F, 1}, {0x2011, 1}, {0x2013, 1}, {0x9999, 1}});
    QCOMPARE(ReportFrame::decodeRealTimeReply(r.data(), 64, v), Verdict::Decoded);
    const LiveValues fresh;
    QCOMPARE(v.sinCosPosition, fresh.sinCosPosition);
    QCOMPARE(v.squarePosition, fresh.squarePosition);
    QCOMPARE(v.levelStates, fresh.levelStates);
    QCOMPARE(v.lineStates, fresh.lineStates);
    QCOMPARE(v.phaseCheckCount, fresh.phaseCheckCount);
}

void TestReportFrame::eepromReplyChecks()
{
    ConfigRecord c;
    Report r = reply(0x11, 0x12, 1, 1, {{0x30, 9}});
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 64, c), Verdict::Decoded);
    QCOMPARE(c.adcGain, quint8(9));

    r = reply(0x11, 0x11, 1, 1, {{0x30, 1}});
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 64, c), Verdict::WrongHeader);
    r = reply(0x12, 0x12, 1, 1, {{0x30, 1}}); // the acknowledgement of a write
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 64, c), Verdict::WrongHeader);
    r = reply(0x11, 0x12, 13, 0, {{0x30, 1}});
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 64, c), Verdict::CountError);
    r = reply(0x11, 0x12, 1, 0, {{0x30, 1}});
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 64, c), Verdict::StatusError);
    r = reply(0x11, 0x12, 0xF0, 1, {{0x30, 1}});
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 64, c), Verdict::NoEntries);
    QCOMPARE(ReportFrame::decodeEepromReply(r.data(), 12, c), Verdict::SizeError);
    QCOMPARE(c.adcGain, quint8(9));
}

void TestReportFrame::eepromValueUsesLowByteOnly()
{
    ConfigRecord c;
    const Report r = reply(0x11, 0x12, 5, 1,
                           {{0x20, 0xFF20}, {0x21, 0x124E}, {0x22, 0}, {0x23, 0}, {0x99, 1}});
    ReportFrame::decodeEepromReply(r.data(), 64, c);
    QCOMPARE(c.sinCosEquivalent, quint32(20000));
}

void TestReportFrame::erasedEepromReadsAsDefaults()
{
    ConfigRecord c;
    for (const RegisterGroup& group : EepromImage::readGroups())
        for (int i = 0; i < group.count; ++i)
            c.applyEepromByte(group.addresses[size_t(i)], 0xFF);
    QCOMPARE(c.sinCosMode, quint8(0xFF));
    QVERIFY(c.isSinCosMode());
    QCOMPARE(c.encoderPower, quint8(0xFF));
    QCOMPARE(c.sinCosEquivalent, quint32(4294967295u));
    QCOMPARE(c.zComparisonValue, quint32(4294967295u));
    QCOMPARE(c.squareWaveEquivalent, quint32(4294967295u));
    QCOMPARE(c.adcGain, quint8(255));
    QCOMPARE(c.squareWaveFilter, quint8(255));
    QCOMPARE(c.accuracy, quint8(6));
    QCOMPARE(c.filterLevel, quint8(0));
}

void TestReportFrame::readGroupsAreTwelveAndSix()
{
    const RegisterGroupList groups = EepromImage::readGroups();
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0].count, 12);
    QCOMPARE(groups[1].count, 6);
    const quint16 expected[] = {0x10, 0x14, 0x20, 0x21, 0x22, 0x23, 0x28, 0x29, 0x2A,
                                0x2B, 0x30, 0x40, 0x44, 0x45, 0x46, 0x47, 0x50, 0x51};
    for (int i = 0; i < 18; ++i)
        QCOMPARE(groups[i / 12].addresses[size_t(i % 12)], expected[i]);
}

void TestReportFrame::writeGroupsAreTwelveAndFive()
{
    ConfigRecord c;
    c.sinCosMode = 1;
    c.encoderPower = 1;
    c.sinCosEquivalent = 20000;
    c.zComparisonValue = 2500;
    c.adcGain = 3;
    c.squareWaveFilter = 5;
    c.squareWaveEquivalent = 0x01020304;
    c.accuracy = 4;
    c.filterLevel = 2;
    const RegisterGroupList groups = EepromImage::writeGroups(c);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0].count, 12);
    QCOMPARE(groups[1].count, 5);
    const std::pair<quint16, quint16> expected[] = {
        {0x10, 1},  {0x20, 0x20}, {0x21, 0x4E}, {0x22, 0},    {0x23, 0}, {0x28, 0xC4},
        {0x29, 9},  {0x2A, 0},    {0x2B, 0},    {0x30, 3},    {0x40, 5}, {0x44, 4},
        {0x45, 3},  {0x46, 2},    {0x47, 1},    {0x50, 4},    {0x51, 2}};
    for (int i = 0; i < 17; ++i) {
        QCOMPARE(groups[i / 12].addresses[size_t(i % 12)], expected[i].first);
        QCOMPARE(groups[i / 12].values[size_t(i % 12)], expected[i].second);
    }
}

void TestReportFrame::writeThenReadRoundTripsTheRecord()
{
    ConfigRecord written;
    written.sinCosMode = 0;
    written.sinCosEquivalent = 4000000000u;
    written.zComparisonValue = 3000;
    written.adcGain = 200;
    written.squareWaveFilter = 2;
    written.squareWaveEquivalent = 123456789;
    written.accuracy = 1;
    written.filterLevel = 1;
    QByteArray eeprom(256, char(0xFF));
    for (const RegisterGroup& group : EepromImage::writeGroups(written))
        for (int i = 0; i < group.count; ++i)
            eeprom[group.addresses[size_t(i)]] = char(group.values[size_t(i)]);
    eeprom[0x14] = 1;
    ConfigRecord read;
    for (const RegisterGroup& group : EepromImage::readGroups())
        for (int i = 0; i < group.count; ++i)
            read.applyEepromByte(group.addresses[size_t(i)], quint8(eeprom[group.addresses[size_t(i)]]));
    written.encoderPower = 1;
    QVERIFY(read == written);
}

void TestReportFrame::acknowledgementNeedsLength64AndStatus1()
{
    Report r{};
    r[8] = 1;
    QVERIFY(ReportFrame::isAcknowledged(r.data(), 64));
    QVERIFY(!ReportFrame::isAcknowledged(r.data(), 63));
    QVERIFY(!ReportFrame::isAcknowledged(r.data(), -1));
    QVERIFY(!ReportFrame::isAcknowledged(nullptr, 64));
    r[8] = 2;
    QVERIFY(!ReportFrame::isAcknowledged(r.data(), 64));
}

QTEST_APPLESS_MAIN(TestReportFrame)
#include "tst_ReportFrame.moc"
