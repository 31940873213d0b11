#pragma once

#include <QWidget>

class QCustomPlot;
class QLabel;

// The encoder's speed over the last 30 seconds against wall-clock time,
// with the latest value as a large readout. The speed axis runs from 0 to
// the largest speed seen (at least 5 mm/s) until resetCurve().
class SpeedCurve : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kMinimumAxis = 5.0;
    static constexpr double kWindowSeconds = 30.0;
    static constexpr double kKeepSeconds = 31.0;

    explicit SpeedCurve(QWidget* parent = nullptr);

    // One new sample in mm/s, taken now.
    void addSpeed(double speed);
    // The same at a given time (seconds since the epoch).
    void addSpeedAt(double speed, double nowSeconds);
    void resetCurve();

    QCustomPlot* plot() const { return m_plot; }
    QLabel* speedLabel() const { return m_speedLabel; }
    double maxSpeed() const { return m_maxSpeed; }

private:
    void setupPlot();

    QCustomPlot* m_plot;
    QLabel* m_speedLabel;
    double m_maxSpeed = kMinimumAxis;
};
