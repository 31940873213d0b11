#include "SignalPlotView.h"

#include "SignalPlots.h"

#include <QPainter>

SignalPlotView::SignalPlotView(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SignalPlotView::setLissajous(const QVector<SinCosPair>& pairs,
                                  const LissajousFit::Result& fit)
{
    m_pairs = pairs;
    m_fit = fit;
    update();
}

void SignalPlotView::setErrorCurve(const QVector<InterpolationError::Point>& curve)
{
    m_curve = curve;
    update();
}

void SignalPlotView::clear()
{
    m_pairs.clear();
    m_fit = LissajousFit::Result();
    m_curve.clear();
    update();
}

void SignalPlotView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    if (m_kind == Kind::Lissajous)
        SignalPlots::paintLissajous(painter, area, m_pairs, m_fit);
    else
        SignalPlots::paintInterpolationError(painter, area, m_curve);
}
