// The settings and preset dialogs' field checks and conversions, without
// widgets: decimal texts to stored integers and back, the order of the
// field checks, and the preset entry.
#include "ConfigForm.h"
#include "DecimalText.h"
#include "PresetEntry.h"

#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(ConfigRecord)
Q_DECLARE_METATYPE(ConfigForm)
Q_DECLARE_METATYPE(ConfigForm::Error)
Q_DECLARE_METATYPE(PresetEntry::Error)

namespace {

constexpr qint64 kRefused = -1;

ConfigForm validForm()
{
    ConfigForm form;
    form.sinCosMode = true;
    form.sinCosEquivalent = QStringLiteral("20.000");
    form.zComparisonValue = QStringLiteral("2.500");
    form.adcGain = QStringLiteral("128");
    form.squareWaveFilterIndex = 3;
    form.squareWaveEquivalent = QStringLiteral("5.000");
    form.accuracyIndex = 3;
    form.filterLevelIndex = 1;
    return form;
}

} // namespace

class TestDialogLogic : public QObject
{
    Q_OBJECT

private slots:
    void thousandths_data();
    void thousandths();
    void shownValuesComeBackUnchanged();
    void wholeNumbers_data();
    void wholeNumbers();

    void recordShownAndWrittenBack_data();
    void recordShownAndWrittenBack();
    void firstFaultReported_data();
    void firstFaultReported();
    void comboWithoutItemKeepsField();

    void preset_data();
    void preset();
};

void TestDialogLogic::thousandths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("whole") << "2" << qint64(2000);
    QTest::newRow("three decimals") << "2.500" << qint64(2500);
    QTest::newRow("truncated, not rounded") << "20.0005" << qint64(20000);
    QTest::newRow("3.0004 truncates to 3000") << "3.0004" << qint64(3000);
    QTest::newRow("1.005 exactly") << "1.005" << qint64(1005);
    QTest::newRow("4.35 exactly") << "4.35" << qint64(4350);
    QTest::newRow("largest") << "4294967.295" << qint64(4294967295);
    QTest::newRow("largest, more decimals") << "4294967.2959" << qint64(4294967295);
    QTest::newRow("one above 32 bits") << "4294967.296" << kRefused;
    QTest::newRow("far beyond 64 bits") << "99999999999999999999999" << kRefused;
    QTest::newRow("leading zeros") << "0000000000000000000000012" << qint64(12000);
    QTest::newRow("blanks around") << "  20  " << qint64(20000);
    QTest::newRow("plus sign") << "+7" << qint64(7000);
    QTest::newRow("point first") << ".5" << qint64(500);
    QTest::newRow("point last") << "5." << qint64(5000);
    QTest::newRow("exponent") << "2e1" << qint64(20000);
    QTest::newRow("negative exponent") << "25E-1" << qint64(2500);
    QTest::newRow("below a thousandth") << "1e-4" << qint64(0);
    QTest::newRow("huge exponent") << "1e999999999999" << kRefused;
    QTest::newRow("huge negative exponent") << "1e-999999999999" << qint64(0);
    QTest::newRow("zero, huge exponent") << "0e999999999999" << qint64(0);
    QTest::newRow("tiny mantissa, big exponent") << "0.000000000000000000001e21" << qint64(1000);
    QTest::newRow("minus zero") << "-0.000" << qint64(0);
    QTest::newRow("negative") << "-1" << kRefused;
    QTest::newRow("negative, truncates to zero") << "-0.0001" << kRefused;
    QTest::newRow("nan") << "nan" << kRefused;
    QTest::newRow("inf") << "inf" << kRefused;
    QTest::newRow("-inf") << "-inf" << kRefused;
    QTest::newRow("text") << "abc" << kRefused;
    QTest::newRow("unit typed") << "20um" << kRefused;
    QTest::newRow("decimal comma") << "2,5" << kRefused;
    QTest::newRow("hex") << "0x10" << kRefused;
    QTest::newRow("blanks only") << "   " << kRefused;
    QTest::newRow("sign only") << "-" << kRefused;
    QTest::newRow("point only") << "." << kRefused;
    QTest::newRow("exponent without digits") << "1e" << kRefused;
    QTest::newRow("exponent only") << "e5" << kRefused;
    QTest::newRow("two points") << "1.2.3" << kRefused;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("\u0661\u0662") << kRefused;
    QTest::newRow("full-width digits") << QString::fromUtf8("\uff12\uff10") << kRefused;
}

void TestDialogLogic::thousandths()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    const std::optional<quint32> value = DecimalText::toThousandths(text);
    if (expected == kRefused) {
        QVERIFY2(!value, qPrintable(QString::number(value.value_or(0))));
    } else {
        QVERIFY(value);
        QCOMPARE(qint64(*value), expected);
    }
}

// Every value the dialog shows must be read back as the same value, or a
// Read followed by a Write would change the tester's configuration.
void TestDialogLogic::shownValuesComeBackUnchanged()
{
    auto roundTrip = [](quint32 value) {
        const std::optional<quint32> back =
            DecimalText::toThousandths(DecimalText::fromThousandths(value));
        return back && *back == value;
    };
    QCOMPARE(DecimalText::fromThousandths(20000), QStringLiteral("20.000"));
    QCOMPARE(DecimalText::fromThousandths(4294967295u), QStringLiteral("4294967.295"));
    for (quint32 value = 0; value < 200000; ++value)
        QVERIFY2(roundTrip(value), qPrintable(QString::number(value)));
    for (quint32 value = 4294967295u; value > 4294967295u - 200000; --value)
        QVERIFY2(roundTrip(value), qPrintable(QString::number(value)));
    quint32 value = 1;
    for (int i = 0; i < 200000; ++i, value = value * 1664525u + 1013904223u)
        QVERIFY2(roundTrip(value), qPrintable(QString::number(value)));
}

void TestDialogLogic::wholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("300") << "300" << qint64(300);
    QTest::newRow("plus, blanks") << " +7 " << qint64(7);
    QTest::newRow("largest") << "4294967295" << qint64(4294967295);
    QTest::newRow("above 32 bits") << "4294967296" << kRefused;
    QTest::newRow("far above") << "123456789012345678901234567890" << kRefused;
    QTest::newRow("negative") << "-1" << kRefused;
    QTest::newRow("decimals") << "1.5" << kRefused;
    QTest::newRow("exponent") << "1e3" << kRefused;
    QTest::newRow("text") << "abc" << kRefused;
    QTest::newRow("plus only") << "+" << kRefused;
}

void TestDialogLogic::wholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    const std::optional<quint32> value = DecimalText::toUnsigned(text);
    QCOMPARE(value ? qint64(*value) : kRefused, expected);
}

void TestDialogLogic::recordShownAndWrittenBack_data()
{
    QTest::addColumn<ConfigRecord>("record");
    ConfigRecord typical;
    typical.sinCosMode = 1;
    typical.encoderPower = 1;
    typical.sinCosEquivalent = 20000;
    typical.zComparisonValue = 2500;
    typical.adcGain = 128;
    typical.squareWaveFilter = 5;
    typical.squareWaveEquivalent = 1005;
    typical.accuracy = 1;
    typical.filterLevel = 2;
    QTest::newRow("typical") << typical;
    ConfigRecord extremes;
    extremes.sinCosMode = 0;
    extremes.sinCosEquivalent = 4294967295u;
    extremes.zComparisonValue = 3000;
    extremes.adcGain = 255;
    extremes.squareWaveEquivalent = 1;
    extremes.accuracy = 6;
    QTest::newRow("extremes") << extremes;
}

void TestDialogLogic::recordShownAndWrittenBack()
{
    QFETCH(ConfigRecord, record);
    const ConfigForm form = ConfigForm::fromRecord(record);
    ConfigEdit edit;
    QCOMPARE(form.check(&edit), ConfigForm::NoError);
    ConfigRecord written;
    written.encoderPower = record.encoderPower;
    edit.applyTo(written);
    QCOMPARE(written, record);
}

void TestDialogLogic::firstFaultReported_data()
{
    QTest::addColumn<ConfigForm>("form");
    QTest::addColumn<ConfigForm::Error>("error");

    auto with = [](void (*change)(ConfigForm&)) {
        ConfigForm form = validForm();
        change(form);
        return form;
    };
    ConfigForm allEmpty = validForm();
    allEmpty.sinCosEquivalent.clear();
    allEmpty.zComparisonValue.clear();
    allEmpty.adcGain.clear();
    allEmpty.squareWaveEquivalent.clear();
    QTest::newRow("all empty: sin/cos first") << allEmpty << ConfigForm::SinCosEquivalentEmpty;
    QTest::newRow("empty before invalid")
        << with([](ConfigForm& f) {
               f.sinCosEquivalent = "abc";
               f.squareWaveEquivalent.clear();
           })
        << ConfigForm::SquareWaveEquivalentEmpty;
    QTest::newRow("comparison empty")
        << with([](ConfigForm& f) { f.zComparisonValue.clear(); })
        << ConfigForm::ZComparisonValueEmpty;
    QTest::newRow("gain empty") << with([](ConfigForm& f) { f.adcGain.clear(); })
                                << ConfigForm::AdcGainEmpty;
    QTest::newRow("sin/cos text") << with([](ConfigForm& f) { f.sinCosEquivalent = "abc"; })
                                  << ConfigForm::SinCosEquivalentInvalid;
    QTest::newRow("sin/cos negative") << with([](ConfigForm& f) { f.sinCosEquivalent = "-5"; })
                                      << ConfigForm::SinCosEquivalentInvalid;
    QTest::newRow("sin/cos before comparison")
        << with([](ConfigForm& f) {
               f.sinCosEquivalent = "nan";
               f.zComparisonValue = "9";
           })
        << ConfigForm::SinCosEquivalentInvalid;
    QTest::newRow("comparison 1.999") << with([](ConfigForm& f) { f.zComparisonValue = "1.999"; })
                                      << ConfigForm::ZComparisonValueOutOfRange;
    QTest::newRow("comparison 3.001") << with([](ConfigForm& f) { f.zComparisonValue = "3.001"; })
                                      << ConfigForm::ZComparisonValueOutOfRange;
    QTest::newRow("comparison text") << with([](ConfigForm& f) { f.zComparisonValue = "two"; })
                                     << ConfigForm::ZComparisonValueOutOfRange;
    QTest::newRow("comparison beyond 32 bits")
        << with([](ConfigForm& f) { f.zComparisonValue = "4294969.5"; })
        << ConfigForm::ZComparisonValueOutOfRange;
    QTest::newRow("comparison before gain")
        << with([](ConfigForm& f) {
               f.zComparisonValue = "1";
               f.adcGain = "x";
           })
        << ConfigForm::ZComparisonValueOutOfRange;
    QTest::newRow("gain text") << with([](ConfigForm& f) { f.adcGain = "high"; })
                               << ConfigForm::AdcGainInvalid;
    QTest::newRow("gain negative") << with([](ConfigForm& f) { f.adcGain = "-1"; })
                                   << ConfigForm::AdcGainInvalid;
    QTest::newRow("gain beyond 32 bits") << with([](ConfigForm& f) { f.adcGain = "4294967296"; })
                                         << ConfigForm::AdcGainInvalid;
    QTest::newRow("square text") << with([](ConfigForm& f) { f.squareWaveEquivalent = "?"; })
                                 << ConfigForm::SquareWaveEquivalentInvalid;
    QTest::newRow("square inf") << with([](ConfigForm& f) { f.squareWaveEquivalent = "inf"; })
                                << ConfigForm::SquareWaveEquivalentInvalid;
    QTest::newRow("valid") << validForm() << ConfigForm::NoError;
}

void TestDialogLogic::firstFaultReported()
{
    QFETCH(ConfigForm, form);
    QFETCH(ConfigForm::Error, error);
    ConfigEdit edit;
    edit.sinCosEquivalent = 12345;
    QCOMPARE(form.check(&edit), error);
    if (error != ConfigForm::NoError)
        QCOMPARE(edit.sinCosEquivalent, quint32(12345)); // untouched on a fault
    else
        QCOMPARE(edit.sinCosEquivalent, quint32(20000));
}

// A stored value outside a combo box's items shows no item; writing must
// not turn that into a value of its own.
void TestDialogLogic::comboWithoutItemKeepsField()
{
    ConfigRecord record;
    record.squareWaveFilter = 0xFF; // shown as 15: no such item
    record.accuracy = 0;
    record.filterLevel = 7;
    ConfigForm form = ConfigForm::fromRecord(record);
    QCOMPARE(form.squareWaveFilterIndex, 15);
    QCOMPARE(form.accuracyIndex, -1);
    QCOMPARE(form.filterLevelIndex, 7);
    form.squareWaveFilterIndex = -1; // what a QComboBox reports then
    form.filterLevelIndex = -1;
    form.zComparisonValue = QStringLiteral("2");
    ConfigEdit edit;
    QCOMPARE(form.check(&edit), ConfigForm::NoError);
    edit.applyTo(record);
    QCOMPARE(record.squareWaveFilter, quint8(0xFF));
    QCOMPARE(record.accuracy, quint8(0));
    QCOMPARE(record.filterLevel, quint8(7));
}

void TestDialogLogic::preset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PresetEntry::Error>("error");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << "" << PresetEntry::Empty << 0.0;
    QTest::newRow("0") << "0" << PresetEntry::NotValid << 0.0;
    QTest::newRow("0.000") << "0.000" << PresetEntry::NotValid << 0.0;
    QTest::newRow("-0") << "-0" << PresetEntry::NotValid << 0.0;
    QTest::newRow("text") << "abc" << PresetEntry::NotValid << 0.0;
    QTest::newRow("blanks") << "   " << PresetEntry::NotValid << 0.0;
    QTest::newRow("nan") << "nan" << PresetEntry::NotValid << 0.0;
    QTest::newRow("inf") << "inf" << PresetEntry::NotValid << 0.0;
    QTest::newRow("-inf") << "-inf" << PresetEntry::NotValid << 0.0;
    QTest::newRow("overflowing exponent") << "1e400" << PresetEntry::NotValid << 0.0;
    QTest::newRow("at the limit") << "1e9" << PresetEntry::NotValid << 0.0;
    QTest::newRow("negative at the limit") << "-1000000000" << PresetEntry::NotValid << 0.0;
    QTest::newRow("-12.5") << "-12.5" << PresetEntry::NoError << -12.5;
    QTest::newRow("10.000") << "10.000" << PresetEntry::NoError << 10.0;
    QTest::newRow("exponent") << "1.5e2" << PresetEntry::NoError << 150.0;
    QTest::newRow("below the limit") << "999999999.999999" << PresetEntry::NoError
                                     << 999999999.999999;
}

void TestDialogLogic::preset()
{
    QFETCH(QString, text);
    QFETCH(PresetEntry::Error, error);
    QFETCH(double, value);
    double stored = 77.0;
    QCOMPARE(PresetEntry::parse(text, &stored), error);
    QCOMPARE(stored, error == PresetEntry::NoError ? value : 77.0);
}

QTEST_APPLESS_MAIN(TestDialogLogic)
#include "tst_DialogLogic.moc"
