// The test program's resource collection: every entry, its size and kind,
// the catalogue looked up by context, and the style sheet's rule order.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMovie>
#include <QPixmap>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

class TestAppResources : public QObject
{
    Q_OBJECT

private slots:
    void collectionHoldsEveryEntry();
    void imagesHaveTheirSizes_data();
    void imagesHaveTheirSizes();
    void iconFileHoldsFifteenImages();
    void waitAnimationIsASmoothRing();
    void catalogueLooksUpByContext();
    void styleSheetRulesInOrder();
    void missingResourcesGiveEmptyResults();
};

void TestAppResources::collectionHoldsEveryEntry()
{
    const QStringList entries = QDir(QStringLiteral(":/UI")).entryList(QDir::Files);
    QCOMPARE(entries.size(), 52);
    for (const QString& name : entries)
        QVERIFY2(!name.contains(QLatin1Char('.')), qPrintable(name)); // no extensions
    QVERIFY(entries.contains(QStringLiteral("tesvane_zh")));
    QVERIFY(entries.contains(QStringLiteral("bluenew")));
    QVERIFY(entries.contains(QStringLiteral("KORVALIS_ICO")));
}

void TestAppResources::imagesHaveTheirSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const struct
    {
        const char* name;
        int w, h;
    } table[] = {
        {"Laser_16", 16, 16}, {"Laser_32", 32, 32}, {"windowBkg", 127, 140},
        {"MsgBxBk_New", 420, 170}, {"sys_close", 114, 25}, {"sys_minimize", 108, 25},
        {"sys_setting", 96, 25}, {"msgbox_btn", 288, 25}, {"ico_information", 42, 42},
        {"ico_question", 42, 42}, {"ico_hand", 42, 42}, {"ico_warning", 42, 42},
        {"ico_success", 42, 42}, {"wait", 100, 100}, {"reset", 640, 510}, {"clear", 256, 256},
        {"power", 256, 256}, {"setting", 512, 512}, {"zero", 140, 140}, {"PN", 978, 979},
        {"PreValue", 512, 512}, {"SoftwareUpdate", 512, 512}, {"ContactUs", 512, 512},
        {"fsu", 800, 450}, {"add-line_horizontal", 20, 20}, {"add-line_vertical", 20, 20},
        {"sub-line_horizontal", 20, 20}, {"sub-line_vertical", 20, 20},
        {"normal_check_checkbox", 15, 15}, {"hover_check_checkbox", 15, 15},
        {"pressed_check_checkbox", 15, 15}, {"normal_Uncheck_checkbox", 15, 15},
        {"hover_Uncheck_checkbox", 15, 15}, {"pressed_Uncheck_checkbox", 15, 15},
        {"normal_check_radio", 15, 15}, {"hover_check_radio", 15, 15},
        {"normal_uncheck_radio", 15, 15}, {"hover_uncheck_radio", 15, 15},
        {"dropbtn_Normal", 18, 18}, {"dropbtn_hover", 18, 18}, {"dropbtn_disable", 18, 18},
        {"disable_check_checkbox", 15, 15}, {"disable_Uncheck_checkbox", 15, 15},
        {"pressed_check_radio", 15, 15}, {"pressed_uncheck_radio", 15, 15},
        {"disable_check_radio", 15, 15}, {"disable_uncheck_radio", 15, 15},
        {"dropbtn_pressed", 18, 18}, {"dropbtn", 48, 16},
    };
    for (const auto& row : table)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << QSize(row.w, row.h);
}

void TestAppResources::imagesHaveTheirSizes()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QImageReader reader(QStringLiteral(":/UI/") + name);
    const QByteArray format = reader.format();
    QVERIFY2(format == "png" || (name == QLatin1String("wait") && format == "gif"),
             format.constData());
    QCOMPARE(reader.size(), size);
    QVERIFY(!QPixmap(QStringLiteral(":/UI/") + name).isNull());
}

void TestAppResources::iconFileHoldsFifteenImages()
{
    QImageReader reader(QStringLiteral(":/%1/KORVALIS_ICO").arg(QStringLiteral("UI")));
    QCOMPARE(reader.format(), QByteArray("ico"));
    QCOMPARE(reader.imageCount(), 15);
    QList<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        sizes.append(image.width());
    }
    QCOMPARE(sizes, (QList<int>{16, 16, 16, 32, 32, 32, 48, 48, 48, 64, 72, 80, 96, 128, 256}));
}

void TestAppResources::waitAnimationIsASmoothRing()
{
    QMovie movie(QStringLiteral(":/UI/wait"), QByteArray());
    QVERIFY(movie.isValid());
    QVERIFY(movie.frameCount() >= 12);
    QVERIFY(movie.jumpToFrame(0));
    const QImage first = movie.currentImage();
    QCOMPARE(first.size(), QSize(100, 100));
    QCOMPARE(qAlpha(first.pixel(0, 0)), 0);   // transparent around the ring
    QCOMPARE(qAlpha(first.pixel(50, 50)), 0); // and inside it
    for (int i = 0; i < movie.frameCount() / 2; ++i)
        QVERIFY(movie.jumpToNextFrame());
    QVERIFY(movie.currentImage() != first); // it turns
}

void TestAppResources::catalogueLooksUpByContext()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/UI/tesvane_zh")));
    auto zh = [&](const char* context, const char* source) {
        return translator.translate(context, source);
    };
    QCOMPARE(zh("LatchWidget", "Latch"), QStringLiteral("锁存值"));
    QCOMPARE(zh("Tesvane", "Latch"), QStringLiteral("参考锁存值"));
    QCOMPARE(zh("Tesvane", "Tesvane"), QStringLiteral("Rotaprobe"));
    QCOMPARE(zh("Tesvane", "Normal"), QStringLiteral("正常"));
    QCOMPARE(zh("YDialog", "System hint"), QStringLiteral("标题"));
    QCOMPARE(zh("QObject", "Error"), QStringLiteral("提示:有错误发生!"));
    QCOMPARE(zh("myGauge2", "SignalStrength:%1%"), QStringLiteral("信号强度:%1%"));
    // Texts without a translation are not in the catalogue: shown unchanged.
    QVERIFY(zh("Tesvane", "0").isEmpty());
    QVERIFY(zh("myGauge2", "%1").isEmpty());
    QVERIFY(zh("SysSetting", "6").isEmpty());
    QVERIFY(zh("NoSuchClass", "Latch").isEmpty());

    QCoreApplication::installTranslator(&translator);
    QCOMPARE(QCoreApplication::translate("Tesvane", "0"), QStringLiteral("0"));
    QCOMPARE(QCoreApplication::translate("SysSetting", "None"), QStringLiteral("无"));
    QCoreApplication::removeTranslator(&translator);
}

void TestAppResources::styleSheetRulesInOrder()
{
    QFile file(QStringLiteral(":/UI/bluenew"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromLatin1(file.readAll());
    const QStringList order = {"QWidget#WorkSpace",   "QToolButton#transparentToolButton",
                               "QToolTip",            "QLabel#statusBar",
                               "QLabel#SeashellText", "QLabel#GreenText",
                               "QLabel#backButtonText", "\nQLabel {",
                               "QLabel#MaxFont",      "\nQGroupBox {",
                               "QGroupBox#GroupBoxTransparent", "QTableWidget",
                               "QHeaderView",         "QScrollBar",
                               "QTextEdit",           "QCheckBox",
                               "QComboBox",           "QLineEdit",
                               "QRadioButton",        "QToolBar",
                               "QMenu"};
    int at = 0;
    for (const QString& selector : order) {
        const int found = sheet.indexOf(selector, at);
        QVERIFY2(found >= 0, qPrintable(selector));
        at = found;
    }
    QVERIFY(sheet.contains(QStringLiteral("background: #FFFAF0")));
    QVERIFY(sheet.contains(QStringLiteral("url(:/UI/add-line_vertical)")));
    // Every image the sheet names is in the collection.
    QRegularExpression url(QStringLiteral("url\\((:/UI/[^)]+)\\)"));
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString path = it.next().captured(1);
        QVERIFY2(QFile::exists(path), qPrintable(path));
    }
}

void TestAppResources::missingResourcesGiveEmptyResults()
{
    QVERIFY(QPixmap(QStringLiteral(":/UI/no_such_image")).isNull());
    QFile sheet(QStringLiteral(":/UI/no_such_sheet"));
    QVERIFY(!sheet.open(QIODevice::ReadOnly));
    QTranslator translator;
    QVERIFY(!translator.load(QStringLiteral(":/UI/no_such_catalogue")));
    QVERIFY(translator.isEmpty());
}

QTEST_MAIN(TestAppResources)
#include "tst_AppResources.moc"
