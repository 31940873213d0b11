#include "TravelStripView.h"

#include "TravelPlots.h"

#include <QFontMetrics>
#include <QPainter>

TravelStripView::TravelStripView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("travelStrip"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TravelStripView::sizeHint() const
{
    return QSize(200, fontMetrics().height() * 3);
}

void TravelStripView::setTravel(const TravelBins::Result& travel, std::optional<double> variationLimitPct)
{
    m_travel = travel;
    m_limit = variationLimitPct;
    update();
}

void TravelStripView::clear()
{
    m_travel = TravelBins::Result();
    update();
}

void TravelStripView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int line = fontMetrics().height();
    const QRectF strip(0, 0, width(), height() - line - 2);
    TravelPlots::paintStrip(painter, strip, m_travel, m_limit);
    QString caption;
    if (m_travel.bins.isEmpty())
        caption = tr("Amplitude along the travel: no pairs yet");
    else if (!m_travel.valid)
        caption = tr("Amplitude along the travel: %1 mm, %2 of %3 bins measured")
                      .arg(m_travel.travelMm, 0, 'f', 2)
                      .arg(m_travel.binsMeasured)
                      .arg(m_travel.binsSpanned);
    else
        caption = tr("Amplitude along %1 mm: %2 of %3 bins, variation %4 %, lowest at %5 mm")
                      .arg(m_travel.travelMm, 0, 'f', 2)
                      .arg(m_travel.binsMeasured)
                      .arg(m_travel.binsSpanned)
                      .arg(m_travel.amplitudeVariationPct, 0, 'f', 1)
                      .arg(m_travel.amplitudeMin.atMm, 0, 'f', 2);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, height() - line, width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(caption, Qt::ElideRight, width()));
}
