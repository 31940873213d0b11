// The settings dialog and the preset dialog as the operator uses them:
// refresh, Read and Write against the simulated tester, the refusals and
// their message boxes (in Chinese, as the program shows them), and the
// preset entry's accept and cancel paths.
#include "BackgroundButton.h"
#include "BoxCatcher.h"
#include "DialogHost.h"
#include "DisplayState.h"
#include "EepromImage.h"
#include "LogCapture.h"
#include "SetPreValue.h"
#include "SysSetting.h"
#include "TestRig.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

Q_DECLARE_METATYPE(ConfigRecord)

namespace {

constexpr int kWait = 5000;
const QString kErrorTitle = QStringLiteral("提示:有错误发生!");

class FakeHost : public DialogHost
{
public:
    void showAccessError() override { ++accessErrors; }
    void openWaitDialog() override { ++waits; }
    int accessErrors = 0;
    int waits = 0;
};

ConfigRecord typicalRecord()
{
    ConfigRecord r;
    r.sinCosMode = 1;
    r.encoderPower = 1;
    r.sinCosEquivalent = 20000;
    r.zComparisonValue = 2500;
    r.adcGain = 128;
    r.squareWaveFilter = 3;
    r.squareWaveEquivalent = 5000;
    r.accuracy = 4;
    r.filterLevel = 1;
    return r;
}

// What the widgets show, in field order, for one comparison.
QStringList shown(const SysSetting& d)
{
    auto radio = [](const QRadioButton* b) { return QString(b->isChecked() ? "x" : "-"); };
    return {radio(d.squareWaveRadio()) + radio(d.sinCosRadio()),
            radio(d.supplyOffRadio()) + radio(d.supplyOnRadio()),
            d.sinCosEquivalentEdit()->text(),
            d.zComparisonValueEdit()->text(),
            d.adcGainEdit()->text(),
            d.squareWaveFilterCombo()->currentText(),
            d.squareWaveEquivalentEdit()->text(),
            d.accuracyCombo()->currentText(),
            d.filterLevelCombo()->currentText()};
}

bool sameGroups(const RegisterGroupList& a, const RegisterGroupList& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].count != b[i].count || a[i].addresses != b[i].addresses ||
            a[i].values != b[i].values)
            return false;
    }
    return true;
}

void click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // SysSetting
    void refreshShowsEveryField_data();
    void refreshShowsEveryField();
    void readOfErasedEepromRefreshes();
    void failedReadLeavesFields();
    void noTesterNoRequest();
    void write_data();
    void write();
    void writtenConfigurationReachesEeprom();
    void deletedWhenClosed();

    // SetPreValue
    void presetRefused_data();
    void presetRefused();
    void presetAccepted();
    void cancelAfterRefusal();

private:
    QTranslator m_translator;
};

void TestDialogs::initTestCase()
{
    LogCapture::install();
    QVERIFY(m_translator.load(QStringLiteral(":/UI/tesvane_zh")));
    QApplication::installTranslator(&m_translator);
}

void TestDialogs::init()
{
    DisplayState::global().reset();
}

void TestDialogs::refreshShowsEveryField_data()
{
    QTest::addColumn<ConfigRecord>("record");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("typical") << typicalRecord()
                             << QStringList{"-x", "-x", "20.000", "2.500", "128", "3",
                                            "5.000", "4", "中"};
    ConfigRecord square = typicalRecord();
    square.sinCosMode = 0x02;   // bit 0 clear
    square.encoderPower = 0xFE; // bit 0 clear
    square.squareWaveFilter = 0x15;
    square.sinCosEquivalent = 1005;
    square.accuracy = 1;
    square.filterLevel = 2;
    QTest::newRow("bit 0 only, low 4 filter bits")
        << square << QStringList{"x-", "x-", "1.005", "2.500", "128", "5", "5.000", "1", "高"};
}

void TestDialogs::refreshShowsEveryField()
{
    QFETCH(ConfigRecord, record);
    QFETCH(QStringList, expected);
    TestRig rig;
    rig.state.setConfig(record);
    FakeHost host;
    SysSetting dialog(nullptr, &host, &rig.usb);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.refresh();
    QCOMPARE(shown(dialog), expected);
}

void TestDialogs::readOfErasedEepromRefreshes()
{
    TestRig rig; // erased EEPROM
    QVERIFY(rig.startPolling());
    FakeHost host;
    SysSetting dialog(nullptr, &host, &rig.usb);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    connect(&rig.usb, &QtUsb::EEpReadRet, &dialog, &SysSetting::EEpReadRet);
    dialog.refresh();
    // The start-up record: supply not read yet (0xFF) shows as on.
    QCOMPARE(shown(dialog), QStringList({"x-", "-x", "0.000", "0.000", "0", "0", "0.000", "6",
                                         "无"}));
    click(dialog.readButton());
    QCOMPARE(host.waits, 1);
    QVERIFY(QTest::qWaitFor([&] { return !rig.recorder.results.isEmpty(); }, kWait));
    QCOMPARE(rig.recorder.results.join(' '), QString("EEpReadRet(true)"));
    QCoreApplication::processEvents(); // the dialog's own queued EEpReadRet
    // 0xFF everywhere: sine/cosine, supply on, the largest values, filter 15
    // (no such item), accuracy 6, filter level None.
    QCOMPARE(shown(dialog), QStringList({"-x", "-x", "4294967.295", "4294967.295", "255", "",
                                         "4294967.295", "6", "无"}));
    QCOMPARE(dialog.squareWaveFilterCombo()->currentIndex(), -1);
}

void TestDialogs::failedReadLeavesFields()
{
    std::vector<uint8_t> image(SimTester::kEepromSize, 0);
    image[0x20] = 0x20; // 8.224 um, decoded from group 0 before group 1 fails
    TestRig rig(image);
    SimFaults faults;
    faults.eepromReadFailGroup = 1;
    rig.tester->setFaults(faults);
    rig.state.setConfig(typicalRecord());
    QVERIFY(rig.startPolling());
    FakeHost host;
    SysSetting dialog(nullptr, &host, &rig.usb);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    connect(&rig.usb, &QtUsb::EEpReadRet, &dialog, &SysSetting::EEpReadRet);
    dialog.refresh();
    dialog.sinCosEquivalentEdit()->setText(QStringLiteral("12.5")); // typed, not written
    const QStringList before = shown(dialog);
    click(dialog.readButton());
    QVERIFY(QTest::qWaitFor([&] { return !rig.recorder.results.isEmpty(); }, kWait));
    QCOMPARE(rig.recorder.results, QStringList({"EEpReadRet(false)"}));
    QCoreApplication::processEvents();
    QCOMPARE(rig.state.config().sinCosEquivalent, quint32(0x20)); // the record did change
    QCOMPARE(shown(dialog), before);
}

void TestDialogs::noTesterNoRequest()
{
    TestRig rig; // never opened
    rig.state.setConfig(typicalRecord());
    FakeHost host;
    BoxCatcher boxes;
    SysSetting dialog(nullptr, &host, &rig.usb);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.refresh();
    dialog.sinCosEquivalentEdit()->setText(QStringLiteral("30"));
    click(dialog.readButton());
    click(dialog.writeButton());
    QCOMPARE(host.accessErrors, 2);
    QCOMPARE(host.waits, 0);
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(rig.state.requestedOperation(), int(OpNone));
    QCOMPARE(rig.state.config(), typicalRecord());
}

void TestDialogs::write_data()
{
    QTest::addColumn<QString>("field"); // object of the edit: which accessor
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("box");   // expected box text, empty: accepted
    QTest::addColumn<qint64>("stored"); // the field's stored value when accepted

    QTest::newRow("comparison 2") << "comparison" << "2" << "" << qint64(2000);
    QTest::newRow("comparison 3") << "comparison" << "3" << "" << qint64(3000);
    QTest::newRow("comparison 3.0004") << "comparison" << "3.0004" << "" << qint64(3000);
    QTest::newRow("comparison 1.999")
        << "comparison" << "1.999" << "R比较直不能小于2或者大于3" << qint64(0);
    QTest::newRow("comparison 3.001")
        << "comparison" << "3.001" << "R比较直不能小于2或者大于3" << qint64(0);
    QTest::newRow("comparison text")
        << "comparison" << "abc" << "R比较直不能小于2或者大于3" << qint64(0);
    QTest::newRow("sin/cos 20.0005 truncated") << "sincos" << "20.0005" << "" << qint64(20000);
    QTest::newRow("sin/cos 1.005 exact") << "sincos" << "1.005" << "" << qint64(1005);
    QTest::newRow("square 4294967.295") << "square" << "4294967.295" << ""
                                        << qint64(4294967295);
    QTest::newRow("ADC 300 keeps low 8 bits") << "adc" << "300" << "" << qint64(44);
    QTest::newRow("sin/cos empty") << "sincos" << "" << "SINCOS当量为空!" << qint64(0);
    QTest::newRow("comparison empty") << "comparison" << "" << "Z比较值为空!" << qint64(0);
    QTest::newRow("ADC empty") << "adc" << "" << "ADC增益为空!" << qint64(0);
    QTest::newRow("square empty") << "square" << "" << "方波的当量值为空!" << qint64(0);
    QTest::newRow("sin/cos text") << "sincos" << "abc" << "SINCOS当量值不是有效数字!" << qint64(0);
    QTest::newRow("sin/cos beyond 32 bits")
        << "sincos" << "5000000" << "SINCOS当量值不是有效数字!" << qint64(0);
    QTest::newRow("sin/cos negative") << "sincos" << "-20" << "SINCOS当量值不是有效数字!"
                                      << qint64(0);
    QTest::newRow("square nan") << "square" << "nan" << "方波的当量值不是有效数字!" << qint64(0);
    QTest::newRow("ADC text") << "adc" << "abc" << "ADC增益不是有效数字!" << qint64(0);
    QTest::newRow("ADC negative") << "adc" << "-1" << "ADC增益不是有效数字!" << qint64(0);
}

// Each row changes one field of a dialog refreshed from typicalRecord() and
// also flips the mode and the combo boxes, so that a refused write shows
// whether anything was stored before the refusal.
void TestDialogs::write()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, box);
    QFETCH(qint64, stored);

    TestRig rig;
    QVERIFY(rig.open()); // open, no worker: the request stays pending
    rig.state.setConfig(typicalRecord());
    FakeHost host;
    BoxCatcher boxes;
    SysSetting dialog(nullptr, &host, &rig.usb);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.refresh();
    dialog.squareWaveRadio()->setChecked(true);
    dialog.squareWaveFilterCombo()->setCurrentIndex(5);
    dialog.accuracyCombo()->setCurrentIndex(0);
    dialog.filterLevelCombo()->setCurrentIndex(2);
    dialog.supplyOffRadio()->setChecked(true); // shown only, never written
    QLineEdit* edit = field == "sincos"       ? dialog.sinCosEquivalentEdit()
                      : field == "comparison" ? dialog.zComparisonValueEdit()
                      : field == "adc"        ? dialog.adcGainEdit()
                                              : dialog.squareWaveEquivalentEdit();
    edit->setText(text);

    click(dialog.writeButton());

    if (!box.isEmpty()) {
        QCOMPARE(boxes.boxes, QStringList(kErrorTitle + "|" + box));
        QCOMPARE(rig.state.config(), typicalRecord());
        QCOMPARE(rig.state.requestedOperation(), int(OpNone));
        QCOMPARE(host.waits, 0);
        return;
    }
    QVERIFY(boxes.boxes.isEmpty());
    ConfigRecord expected = typicalRecord();
    expected.sinCosMode = 0;
    expected.squareWaveFilter = 5;
    expected.accuracy = 1;
    expected.filterLevel = 2;
    if (field == "sincos")
        expected.sinCosEquivalent = quint32(stored);
    else if (field == "comparison")
        expected.zComparisonValue = quint32(stored);
    else if (field == "adc")
        expected.adcGain = quint8(stored);
    else
        expected.squareWaveEquivalent = quint32(stored);
    QCOMPARE(rig.state.config(), expected);
    QCOMPARE(rig.state.requestedOperation(), int(OpEepromWrite));
    QVERIFY(sameGroups(rig.state.eepromGroups(), EepromImage::writeGroups(expected)));
    QCOMPARE(host.waits, 1);
    QCOMPARE(host.accessErrors, 0);
}

// Through the real worker: what the dialog writes is in the tester's EEPROM
// byte for byte, and a Read shows it again.
void TestDialogs::writtenConfigurationReachesEeprom()
{
    TestRig rig; // erased
    QVERIFY(rig.startPolling());
    FakeHost host;
    BoxCatcher boxes;
    SysSetting dialog(nullptr, &host, &rig.usb);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    connect(&rig.usb, &QtUsb::EEpReadRet, &dialog, &SysSetting::EEpReadRet);
    dialog.refresh();
    dialog.squareWaveRadio()->setChecked(true);
    dialog.sinCosEquivalentEdit()->setText(QStringLiteral("20.0005"));
    dialog.zComparisonValueEdit()->setText(QStringLiteral("2.5"));
    dialog.adcGainEdit()->setText(QStringLiteral("300"));
    dialog.squareWaveFilterCombo()->setCurrentIndex(4);
    dialog.squareWaveEquivalentEdit()->setText(QStringLiteral("70000.001"));
    dialog.accuracyCombo()->setCurrentIndex(2);
    dialog.filterLevelCombo()->setCurrentIndex(2);
    click(dialog.writeButton());
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(host.waits, 1);
    QVERIFY(QTest::qWaitFor([&] { return !rig.recorder.results.isEmpty(); }, kWait));
    QCOMPARE(rig.recorder.results, QStringList({"EEpWriteRet(true)"}));

    const std::vector<std::pair<quint16, quint8>> bytes = {
        {0x10, 0x00},                                           // square-wave mode
        {0x20, 0x20}, {0x21, 0x4E}, {0x22, 0x00}, {0x23, 0x00}, // 20000
        {0x28, 0xC4}, {0x29, 0x09}, {0x2A, 0x00}, {0x2B, 0x00}, // 2500
        {0x30, 44},                                             // 300 & 0xFF
        {0x40, 4},
        {0x44, 0x81}, {0x45, 0x1D}, {0x46, 0x2C}, {0x47, 0x04}, // 70000001
        {0x50, 3},
        {0x51, 2},
        {0x14, 0xFF}, // the supply byte is not part of a write
    };
    for (const auto& [address, value] : bytes)
        QCOMPARE(int(rig.tester->eepromByte(address)), int(value));

    rig.state.setConfig(ConfigRecord());
    dialog.refresh();
    click(dialog.readButton());
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.results.size() >= 2; }, kWait));
    QCOMPARE(rig.recorder.results.join(' '), QString("EEpWriteRet(true) EEpReadRet(true)"));
    QCoreApplication::processEvents();
    QCOMPARE(shown(dialog), QStringList({"x-", "-x", "20.000", "2.500", "44", "4", "70000.001",
                                         "3", "高"}));
}

void TestDialogs::deletedWhenClosed()
{
    TestRig rig;
    FakeHost host;
    QPointer<SysSetting> dialog = new SysSetting(nullptr, &host, &rig.usb);
    dialog->show();
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog.isNull());
}

void TestDialogs::presetRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("box");
    const QString refused = QStringLiteral("请输入正确的预设值.");
    QTest::newRow("empty") << "" << "预设值不能为空";
    QTest::newRow("0") << "0" << refused;
    QTest::newRow("0.000") << "0.000" << refused;
    QTest::newRow("text") << "abc" << refused;
    QTest::newRow("nan") << "nan" << refused;
    QTest::newRow("inf") << "inf" << refused;
    QTest::newRow("1e400") << "1e400" << refused;
}

void TestDialogs::presetRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, box);
    DisplayState::global().presetValue = 5.0;
    BoxCatcher boxes;
    SetPreValue dialog(nullptr);
    dialog.show();
    dialog.valueEdit()->setText(text);
    click(dialog.okButton());
    QCOMPARE(boxes.boxes, QStringList(kErrorTitle + "|" + box));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(DisplayState::global().presetValue, 5.0);
}

void TestDialogs::presetAccepted()
{
    BoxCatcher boxes;
    SetPreValue dialog(nullptr);
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.valueEdit()->setText(QStringLiteral("-12.5"));
        click(dialog.okButton());
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(DisplayState::global().presetValue, -12.5);
    QVERIFY(!dialog.isVisible());
}

void TestDialogs::cancelAfterRefusal()
{
    DisplayState::global().presetValue = 10.0;
    BoxCatcher boxes;
    SetPreValue dialog(nullptr);
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.valueEdit()->setText(QStringLiteral("0.000"));
        click(dialog.okButton()); // refused; the box is answered meanwhile
        click(dialog.cancelButton());
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(boxes.texts(), QStringList(QStringLiteral("请输入正确的预设值.")));
    QCOMPARE(DisplayState::global().presetValue, 10.0);
}

QTEST_MAIN(TestDialogs)
#include "tst_Dialogs.moc"
