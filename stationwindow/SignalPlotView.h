#pragma once

#include "InterpolationError.h"
#include "LissajousFit.h"

#include <QVector>
#include <QWidget>

// One of the test's two pictures (testreport/SignalPlots), repainted only
// when given new figures: the Lissajous figure with its fitted ellipse and
// ideal circle, or the interpolation error over one period.
class SignalPlotView : public QWidget
{
    Q_OBJECT

public:
    enum class Kind
    {
        Lissajous,
        InterpolationError,
    };

    explicit SignalPlotView(Kind kind, QWidget* parent = nullptr);

    void setLissajous(const QVector<SinCosPair>& pairs, const LissajousFit::Result& fit);
    void setErrorCurve(const QVector<InterpolationError::Point>& curve);
    void clear();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QVector<SinCosPair> m_pairs;
    LissajousFit::Result m_fit;
    QVector<InterpolationError::Point> m_curve;
};
