// Cost of one refresh of each instrument at the size the main window gives
// it. Run plainly for wall time, or with -callgrind for instruction counts
// (tools/bench.sh does both). Prints figures; asserts nothing.
#include "LatchWidget.h"
#include "SinCosHistory.h"
#include "SinCosValue.h"
#include "SpeedCurve.h"
#include "myGauge2.h"

#include <QApplication>
#include <QTest>

#include <cmath>

namespace {

void fillHistory()
{
    for (int i = 0; i < SinCosHistory::kCapacity; ++i)
        SinCosHistory::global().append(
            {qint16(512 + 380 * std::sin(i * 0.4)), qint16(512 + 380 * std::cos(i * 0.4))});
}

} // namespace

class BenchInstruments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        fillHistory();
        m_sinCos.resize(600, 400);
        m_gauge.resize(300, 300);
        m_gauge.setValue(40);
        m_speed.resize(760, 300);
        m_latch.resize(420, 420);
        for (QWidget* w : {static_cast<QWidget*>(&m_sinCos), static_cast<QWidget*>(&m_gauge),
                           static_cast<QWidget*>(&m_speed), static_cast<QWidget*>(&m_latch)})
            w->show();
        m_now = 1.7e9;
        for (int i = 0; i < 31; ++i)
            m_speed.addSpeedAt(10 + i % 7, m_now++);
        for (int i = 0; i < LatchWidget::kMaxRows; ++i)
            m_latch.addLatch(i, i);
        m_canvas = QImage(600, 400, QImage::Format_ARGB32_Premultiplied);
    }

    void sinCosRebuild600x400()
    {
        QBENCHMARK {
            m_sinCos.updateView();
            m_sinCos.render(&m_canvas);
        }
    }

    void gauge300x300()
    {
        QBENCHMARK {
            m_gauge.render(&m_canvas);
        }
    }

    // The sizes the main window gives them: the dial shrinks to keep its
    // labels inside, the speed axis refits to the low plot.
    void gauge200x165()
    {
        myGauge2 gauge;
        gauge.resize(200, 165);
        gauge.setValue(40);
        gauge.show();
        QBENCHMARK {
            gauge.render(&m_canvas);
        }
    }

    void speedAddSpeed1000x80()
    {
        SpeedCurve speed;
        speed.resize(1000, 80);
        speed.show();
        double now = 1.7e9;
        for (int i = 0; i < 31; ++i)
            speed.addSpeedAt(10 + i % 7, now++);
        QBENCHMARK {
            speed.addSpeedAt(10 + std::fmod(now, 7.0), now);
            now += 1;
        }
    }

    void speedAddSpeed31Points()
    {
        QBENCHMARK {
            m_speed.addSpeedAt(10 + std::fmod(m_now, 7.0), m_now);
            m_now += 1;
        }
    }

    void latchAddLatchAt200Rows()
    {
        int i = 0;
        QBENCHMARK {
            ++i;
            m_latch.addLatch(i, i);
        }
    }

    void allFourTogether()
    {
        int i = 0;
        QBENCHMARK {
            m_sinCos.updateView();
            m_sinCos.render(&m_canvas);
            m_gauge.render(&m_canvas);
            m_speed.addSpeedAt(10 + std::fmod(m_now, 7.0), m_now);
            m_now += 1;
            ++i;
            m_latch.addLatch(i, i);
        }
    }

private:
    SinCosValue m_sinCos;
    myGauge2 m_gauge;
    SpeedCurve m_speed;
    LatchWidget m_latch;
    QImage m_canvas;
    double m_now = 0;
};

QTEST_MAIN(BenchInstruments)
#include "bench_instruments.moc"
