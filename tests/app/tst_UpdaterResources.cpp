// The updater's resource collection: its 13 entries, the images shared with
// the test program, its own catalogue and its reduced style sheet.
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTest>
#include <QTranslator>

class TestUpdaterResources : public QObject
{
    Q_OBJECT

private slots:
    void collectionHoldsThirteenEntries();
    void catalogueIsTheUpdaters();
    void styleSheetLeavesOutTheMainWindowRules();
};

void TestUpdaterResources::collectionHoldsThirteenEntries()
{
    QStringList entries = QDir(QStringLiteral(":/UI")).entryList(QDir::Files);
    entries.sort();
    QCOMPARE(entries,
             QStringList({"Laser_16", "Laser_32", "MsgBxBk_New", "bluenew", "ico_hand",
                          "ico_information", "ico_question", "ico_success", "ico_warning",
                          "msgbox_btn", "novrel_zh", "sys_close", "windowBkg"}));
    QCOMPARE(QImageReader(QStringLiteral(":/UI/windowBkg")).size(), QSize(127, 140));
    QCOMPARE(QImageReader(QStringLiteral(":/%1/Laser_32").arg("UI")).size(), QSize(32, 32));
}

void TestUpdaterResources::catalogueIsTheUpdaters()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/UI/novrel_zh")));
    QCOMPARE(translator.translate("YDialog", "System hint"), QStringLiteral("系统标题"));
    QCOMPARE(translator.translate("Novrel", "MainApp Ver:%1"), QStringLiteral("主程序版本;%1"));
    QCOMPARE(translator.translate("Novrel", "Novrel"), QStringLiteral("升级"));
    QVERIFY(translator.translate("Tesvane", "Normal").isEmpty());
}

void TestUpdaterResources::styleSheetLeavesOutTheMainWindowRules()
{
    QFile file(QStringLiteral(":/UI/bluenew"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromLatin1(file.readAll());
    for (const char* absent : {"QWidget#WorkSpace", "QLabel#backButtonText", "\nQLabel {",
                               "QLabel#MaxFont", "\nQGroupBox {", "QToolBar", "\nQMenu {"})
        QVERIFY2(!sheet.contains(QLatin1String(absent)), absent);
    QVERIFY(sheet.contains(QStringLiteral("QRadioButton")));
    QVERIFY(sheet.contains(QStringLiteral("#FFF5EE")));
}

QTEST_MAIN(TestUpdaterResources)
#include "tst_UpdaterResources.moc"
