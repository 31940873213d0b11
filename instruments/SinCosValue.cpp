#include "SinCosValue.h"

#include "Backdrop.h"
#include "InstrumentGeometry.h"
#include "SinCosHistory.h"

#include <QPainter>
#include <QRadialGradient>
#include <QTimer>

namespace {

const QColor kAccent(30, 144, 255);

void drawAxes(QPainter& p, const InstrumentGeometry::PlotSquare& s)
{
    p.setPen(QPen(kAccent, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const int right = s.left + s.width;
    p.drawLine(s.left, s.cy, right, s.cy);
    p.drawLine(right - 5, s.cy - 5, right, s.cy);
    p.drawLine(right - 5, s.cy + 5, right, s.cy);
    const int bottom = s.top + s.height;
    p.drawLine(s.cx, s.top, s.cx, bottom);
    p.drawLine(s.cx - 5, s.top + 5, s.cx, s.top);
    p.drawLine(s.cx + 5, s.top + 5, s.cx, s.top);

    p.setPen(QPen(kAccent, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(s.cx, s.cy), s.radius, s.radius);
}

// One dot (radius 4, yellow to steel blue), drawn once and stamped for
// each sample pair: a gradient fill per dot and frame costs more than the
// whole picture.
const QImage& dotSprite()
{
    static const QImage sprite = [] {
        QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(5.0, 5.0);
        QRadialGradient glow(centre, 4.0);
        glow.setColorAt(0, Qt::yellow);
        glow.setColorAt(1, QColor(QStringLiteral("#4F94CD")));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, 4.0, 4.0);
        return image;
    }();
    return sprite;
}

void drawDots(QPainter& p, const InstrumentGeometry::PlotSquare& s,
              const QList<SinCosSample>& samples)
{
    const QImage& sprite = dotSprite();
    for (const SinCosSample& sample : samples) {
        const QPointF dot = InstrumentGeometry::sampleDot(s, sample.sin, sample.cos);
        p.drawImage(QPoint(qRound(dot.x()) - 5, qRound(dot.y()) - 5), sprite);
    }
}

// The last sample's values, small, in the top-left corner outside the circle.
void drawValues(QPainter& p, const QList<SinCosSample>& samples)
{
    const SinCosSample last = samples.isEmpty() ? SinCosSample() : samples.last();
    QFont font = p.font();
    font.setPointSize(9);
    p.setFont(font);
    p.setPen(QPen(kAccent, 1.0));
    const int line = p.fontMetrics().height();
    p.drawText(QPoint(6, 4 + line), SinCosValue::tr("SinValue:%1").arg(last.sin));
    p.drawText(QPoint(6, 4 + 2 * line), SinCosValue::tr("CosValue:%1").arg(last.cos));
}

} // namespace

SinCosValue::SinCosValue(QWidget* parent, SinCosHistory* history)
    : QWidget(parent), m_picture(size(), QImage::Format_ARGB32_Premultiplied),
      m_history(history ? history : &SinCosHistory::global()), m_frameTimer(new QTimer(this)),
      m_backdrop(new Backdrop(this))
{
    m_frameTimer->setSingleShot(true);
    m_frameTimer->setInterval(kFrameMs);
    connect(m_frameTimer, &QTimer::timeout, this, &SinCosValue::frameDue);
}

void SinCosValue::updateView()
{
    m_dirty = true;
    // The tester answers some 500 times a second; the eye needs no more than
    // a frame every kFrameMs. The first change repaints at once, later ones
    // within the frame are gathered into one repaint at its end.
    if (m_frameTimer->isActive()) {
        m_framePending = true;
        return;
    }
    m_frameTimer->start();
    update();
}

void SinCosValue::frameDue()
{
    if (!m_framePending)
        return;
    m_framePending = false;
    m_frameTimer->start();
    update();
}

void SinCosValue::resizeEvent(QResizeEvent*)
{
    m_dirty = true;
}

void SinCosValue::rebuild()
{
    // The translucent background and the axes, over the panel beneath where
    // there is a capture of it (then the picture is opaque and is copied to
    // the screen as it is), drawn once per size and capture.
    const QPixmap* beneath = m_backdrop->current();
    const qint64 beneathKey = beneath ? beneath->cacheKey() : 0;
    if (m_axes.size() != size() || m_axesBeneath != beneathKey) {
        QColor background(QStringLiteral("#FFFAF0"));
        background.setAlpha(200);
        if (beneath) {
            m_axes = beneath->toImage().convertToFormat(QImage::Format_RGB32);
        } else {
            m_axes = QImage(size(), QImage::Format_ARGB32_Premultiplied);
            m_axes.fill(Qt::transparent);
        }
        m_axesBeneath = beneathKey;
        QPainter axes(&m_axes);
        axes.fillRect(m_axes.rect(), background);
        axes.setRenderHint(QPainter::Antialiasing);
        drawAxes(axes, InstrumentGeometry::plotSquare(width(), height()));
    }
    m_picture = m_axes.copy();

    QPainter p(&m_picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QList<SinCosSample> samples = m_history->samples();
    drawDots(p, InstrumentGeometry::plotSquare(width(), height()), samples);
    drawValues(p, samples);
}

void SinCosValue::paintEvent(QPaintEvent*)
{
    if (m_backdrop->capturing())
        return;
    const QPixmap* beneath = m_backdrop->current();
    if (m_dirty || m_axesBeneath != (beneath ? beneath->cacheKey() : 0)) {
        rebuild();
        m_dirty = false;
    }
    QPainter painter(this);
    painter.drawImage(rect(), m_picture);
}
