// The test program's resource collection: every entry, its size and kind,
// what the window kit's images must look like, the catalogue looked up by
// context, and the style sheet's rule order, encoding and fonts.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMovie>
#include <QPixmap>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

#include <cmath>

class TestAppResources : public QObject
{
    Q_OBJECT

private slots:
    void collectionHoldsEveryEntry();
    void imagesHaveTheirSizes_data();
    void imagesHaveTheirSizes();
    void iconFileHoldsFifteenImages();
    void waitAnimationIsASmoothRing();
    void titleButtonsKeepTheirColourOverTheBand();
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
    // Every frame: an unbroken opaque ring between radii 26 and 36 around the
    // centre, transparent inside and outside; the ring's darkest (accent)
    // part moves on by the same step from frame to frame, all the way round.
    QMovie movie(QStringLiteral(":/UI/wait"), QByteArray());
    QVERIFY(movie.isValid());
    const int frames = movie.frameCount();
    QVERIFY(frames >= 12);
    const double centre = 50.0;
    const int samples = 720;
    QList<double> heads;
    for (int frame = 0; frame < frames; ++frame) {
        QVERIFY(movie.jumpToFrame(frame));
        const QImage image = movie.currentImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(100, 100));
        auto at = [&](double radius, double angle) {
            return image.pixel(int(centre + radius * std::cos(angle)),
                               int(centre + radius * std::sin(angle)));
        };
        QVector<int> lightness(samples);
        for (int i = 0; i < samples; ++i) {
            const double angle = 2 * M_PI * i / samples;
            for (double radius : {28.0, 31.0, 34.0}) {
                QVERIFY2(qAlpha(at(radius, angle)) == 255,
                         qPrintable(QStringLiteral("frame %1: gap at %2 degrees, radius %3")
                                        .arg(frame)
                                        .arg(i * 360.0 / samples)
                                        .arg(radius)));
            }
            for (double radius : {0.0, 12.0, 20.0, 42.0, 48.0})
                QCOMPARE(qAlpha(at(radius, angle)), 0);
            const QRgb middle = at(31.0, angle);
            lightness[i] = qRed(middle) + qGreen(middle) + qBlue(middle);
        }
        // The comet's head: where the ring turns sharply from the accent
        // back to the light track.
        int head = 0, sharpest = 0;
        for (int i = 0; i < samples; ++i) {
            const int rise = lightness[(i + 4) % samples] - lightness[i];
            if (rise > sharpest) {
                sharpest = rise;
                head = i;
            }
        }
        QVERIFY(sharpest > 150);
        heads.append(head * 360.0 / samples);
    }
    const double step = 360.0 / frames;
    for (int frame = 1; frame < frames; ++frame) {
        double moved = heads[frame] - heads[frame - 1];
        if (moved < 0)
            moved += 360;
        QVERIFY2(std::abs(moved - step) <= 4,
                 qPrintable(QStringLiteral("frame %1 moved %2").arg(frame).arg(moved)));
    }
}

void TestAppResources::titleButtonsKeepTheirColourOverTheBand()
{
    // The close button's hover and pressed frames are opaque red, so the
    // blue title band under them cannot tint them (translucent red over blue
    // comes out magenta); the other buttons' states stay in the band's blue.
    const QImage close =
        QImage(QStringLiteral(":/UI/sys_close")).convertToFormat(QImage::Format_ARGB32);
    for (int frame : {1, 2}) {
        for (const QPoint& p : {QPoint(2, 2), QPoint(35, 22), QPoint(5, 12)}) {
            const QRgb pixel = close.pixel(frame * 38 + p.x(), p.y());
            QCOMPARE(qAlpha(pixel), 255);
            QVERIFY2(qRed(pixel) >= 150 && qGreen(pixel) < 60 && qBlue(pixel) < 60,
                     qPrintable(QString::number(pixel, 16)));
        }
    }
    QCOMPARE(qAlpha(close.pixel(2, 2)), 0); // at rest: only the cross
    for (const char* name : {":/UI/sys_minimize", ":/UI/sys_setting"}) {
        const QImage sprite =
            QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
        const int width = sprite.width() / 3;
        for (int frame : {1, 2}) {
            const QRgb pixel = sprite.pixel(frame * width + 2, 2);
            QVERIFY(qAlpha(pixel) > 0);
            QVERIFY(qBlue(pixel) >= qRed(pixel));
        }
    }
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
    // Read as Latin-1, the sheet must be plain ASCII; each font family is
    // followed by a CJK face Debian ships, which Qt finds and which has
    // Chinese glyphs.
    const QByteArray bytes = sheet.toLatin1();
    for (int i = 0; i < bytes.size(); ++i)
        QVERIFY2(uchar(bytes[i]) < 0x80, qPrintable(QStringLiteral("byte %1").arg(i)));
    QRegularExpression family(QStringLiteral("font(-family)?:[^;]*\"([^;]*);"));
    int families = 0;
    for (auto it = family.globalMatch(sheet); it.hasNext(); ++families)
        QVERIFY(it.next().captured(0).endsWith(QStringLiteral("\"WenQuanYi Zen Hei\";")));
    QCOMPARE(families, 2);
    QRadioButton radio(QStringLiteral("打开"));
    radio.setStyleSheet(sheet);
    radio.ensurePolished();
    QVERIFY2(radio.font().families().contains(QStringLiteral("WenQuanYi Zen Hei")),
             qPrintable(radio.font().families().join(QLatin1Char(','))));
    QFont zenHei(QStringLiteral("WenQuanYi Zen Hei"));
    QCOMPARE(QFontInfo(zenHei).family(), QStringLiteral("WenQuanYi Zen Hei"));
    QVERIFY(QFontMetrics(zenHei).inFontUcs4(0x6253)); // 打
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
