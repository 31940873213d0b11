#pragma once

#include <QSharedPointer>
#include <QWidget>

class QCPAxisTickerFixed;
class QCustomPlot;
class QLabel;

// The encoder's speed over the last 30 seconds against wall-clock time,
// with the latest value as a large readout. The speed axis runs from 0 to
// the largest speed seen (at least 5 mm/s) until resetCurve(). Its ticks
// and label follow the plot's height, so that a low plot stays readable.
class SpeedCurve : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kMinimumAxis = 5.0;
    static constexpr double kWindowSeconds = 30.0;
    static constexpr double kKeepSeconds = 31.0;
    // Least free space between two speed labels, and right of the readout.
    static constexpr int kTickLabelGap = 2;
    static constexpr int kReadoutRightMargin = 10;

    explicit SpeedCurve(QWidget* parent = nullptr);

    // One new sample in mm/s, taken now.
    void addSpeed(double speed);
    // The same at a given time (seconds since the epoch).
    void addSpeedAt(double speed, double nowSeconds);
    void resetCurve();

    QCustomPlot* plot() const { return m_plot; }
    QLabel* speedLabel() const { return m_speedLabel; }
    QLabel* unitLabel() const { return m_unitLabel; }
    double maxSpeed() const { return m_maxSpeed; }

private:
    void setupPlot();
    // Speed labels as far apart as an axis of axisPixels allows, and the
    // axis label that fits; true when either changed.
    bool fitSpeedAxis(int axisPixels, int top);

    QCustomPlot* m_plot;
    QLabel* m_speedLabel;
    double m_maxSpeed = kMinimumAxis;
    QLabel* m_unitLabel;
    QSharedPointer<QCPAxisTickerFixed> m_speedTicker;
};
