// Where the demo's control window opens beside the main window.
#include "DemoPlacement.h"

#include <QtTest>

class tst_DemoPlacement : public QObject
{
    Q_OBJECT

private slots:
    void besideTheMainWindow_data();
    void besideTheMainWindow();
};

void tst_DemoPlacement::besideTheMainWindow_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("mainFrame");
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<QPoint>("expectedMain");
    // The control window is 380 x 600. A wide screen: right of the main window, tops aligned.
    QTest::newRow("right") << QRect(0, 0, 1920, 1040) << QRect(100, 100, 1300, 750)
                           << QPoint(1408, 100) << QPoint(100, 100);
    // Centred on 1920: no room on the right, room on the left.
    QTest::newRow("left") << QRect(0, 0, 1920, 1040) << QRect(500, 145, 1300, 750)
                          << QPoint(112, 145) << QPoint(500, 145);
    // 1366 wide: the right edge, over the main window's lower right.
    QTest::newRow("narrow") << QRect(0, 0, 1366, 728) << QRect(33, 0, 1300, 728)
                            << QPoint(986, 128) << QPoint(33, 0);
    // A second screen to the left, and a main window partly off the bottom.
    QTest::newRow("second screen") << QRect(-1280, 0, 1280, 1024) << QRect(-1270, 300, 1300, 750)
                                   << QPoint(-380, 424) << QPoint(-1270, 300);
    // Centred on 1920, as the program opens: neither side has room where it
    // stands, but both fit side by side, so the pair is centred.
    QTest::newRow("centred") << QRect(0, 0, 1920, 1040) << QRect(310, 145, 1300, 750)
                             << QPoint(1424, 145) << QPoint(116, 145);
    // A wider window centred on 1920: the same.
    QTest::newRow("wide centred") << QRect(0, 0, 1920, 1040) << QRect(210, 100, 1500, 800)
                                  << QPoint(1524, 100) << QPoint(16, 100);
}

void tst_DemoPlacement::besideTheMainWindow()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, mainFrame);
    QFETCH(QPoint, expected);
    QFETCH(QPoint, expectedMain);
    const QSize controls(380, 600);
    const DemoPlacement::Placement both = DemoPlacement::sideBySide(screen, mainFrame, controls);
    QCOMPARE(both.main, expectedMain);
    QCOMPARE(both.controls, expected);
    mainFrame.moveTopLeft(both.main);
    QVERIFY(screen.contains(mainFrame) || expectedMain == mainFrame.topLeft());
    const QPoint at = both.controls;
    const QRect placed(at, controls);
    QVERIFY(screen.contains(placed));
    // Beside means no overlap; where the screen allows no side, only the
    // main window's right third is covered (its status bar and the right of
    // its speed curve), never the position or the latch tables.
    const QRect covered = placed.intersected(mainFrame);
    if (!covered.isEmpty())
        QVERIFY(covered.left() >= mainFrame.left() + mainFrame.width() * 2 / 3);
}

QTEST_GUILESS_MAIN(tst_DemoPlacement)
#include "tst_DemoPlacement.moc"
