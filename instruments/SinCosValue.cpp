#include "SinCosValue.h"

#include "Backdrop.h"
#include "InstrumentGeometry.h"
#include "SinCosHistory.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QTimer>

#include <algorithm>
#include <iterator>

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

constexpr int kDotSize = 10;
constexpr int kGlyphPad = 2; // pixels beside each value character's advance

void drawDots(QPainter& p, const QVector<QPoint>& corners)
{
    const QImage& sprite = dotSprite();
    for (const QPoint& corner : corners)
        p.drawImage(corner, sprite);
}

// The dot rectangles in `a` that `b` does not have (as many times as they
// are missing).
QRegion missingFrom(QVector<QPoint> a, QVector<QPoint> b)
{
    auto less = [](const QPoint& l, const QPoint& r) {
        return l.x() != r.x() ? l.x() < r.x() : l.y() < r.y();
    };
    std::sort(a.begin(), a.end(), less);
    std::sort(b.begin(), b.end(), less);
    QVector<QPoint> missing;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(missing), less);
    QRegion region;
    for (const QPoint& corner : missing)
        region += QRect(corner, QSize(kDotSize, kDotSize));
    return region;
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
    // The tester answers some 500 times a second; the eye needs no more than
    // a frame every kFrameMs. The first change repaints at once, later ones
    // within the frame are gathered into one repaint at its end.
    if (m_frameTimer->isActive()) {
        m_dirty = true;
        m_framePending = true;
        return;
    }
    m_frameTimer->start();
    takeFrame();
}

void SinCosValue::frameDue()
{
    if (!m_framePending)
        return;
    m_framePending = false;
    m_frameTimer->start();
    takeFrame();
}

void SinCosValue::takeFrame()
{
    m_dirty = true;
    m_samples = m_history->samples();
    if (!axesCurrent()) {
        update();
        return;
    }
    const QVector<QPoint> corners = dotCorners();
    update(changedDots(corners) + m_shownValues);
}

QVector<QPoint> SinCosValue::dotCorners() const
{
    const InstrumentGeometry::PlotSquare square = InstrumentGeometry::plotSquare(width(), height());
    QVector<QPoint> corners;
    corners.reserve(m_samples.size());
    for (const SinCosSample& sample : m_samples) {
        const QPointF dot = InstrumentGeometry::sampleDot(square, sample.sin, sample.cos);
        corners.append(QPoint(qRound(dot.x()) - kDotSize / 2, qRound(dot.y()) - kDotSize / 2));
    }
    return corners;
}

// The dots that went and the dots that came; those that stay are unchanged.
QRegion SinCosValue::changedDots(const QVector<QPoint>& corners) const
{
    return missingFrom(m_shownCorners, corners) + missingFrom(corners, m_shownCorners);
}

// The last sample's values, small, in the top-left corner outside the
// circle; returns the area they cover. Each character is drawn once and
// stamped: shaping the two lines anew every frame costs more than the dots.
QRect SinCosValue::drawValues(QPainter& p)
{
    QFont font;
    font.setPointSize(9);
    if (font != m_valueFont) {
        m_valueFont = font;
        m_valueGlyphs.clear();
        const QFontMetrics metrics(font);
        m_valueLine = metrics.height();
        m_valueAscent = metrics.ascent();
        m_valueDescent = metrics.descent();
    }
    const SinCosSample last = m_samples.isEmpty() ? SinCosSample() : m_samples.last();
    const QString rows[2] = {tr("SinValue:%1").arg(last.sin), tr("CosValue:%1").arg(last.cos)};
    int right = 0;
    for (int row = 0; row < 2; ++row) {
        int x = 6;
        const int top = 4 + (row + 1) * m_valueLine - m_valueAscent;
        for (const QChar c : rows[row]) {
            const ValueGlyph& glyph = valueGlyph(c);
            p.drawImage(QPoint(x - kGlyphPad, top), glyph.image);
            x += glyph.advance;
        }
        right = qMax(right, x);
    }
    // A margin for glyphs reaching past their advance and for antialiasing.
    return QRect(0, 0, right + 8, 4 + 2 * m_valueLine + m_valueDescent + 4);
}

const SinCosValue::ValueGlyph& SinCosValue::valueGlyph(QChar c)
{
    auto found = m_valueGlyphs.constFind(c);
    if (found != m_valueGlyphs.constEnd())
        return *found;
    const QFontMetrics metrics(m_valueFont);
    ValueGlyph glyph;
    glyph.advance = metrics.horizontalAdvance(c);
    glyph.image = QImage(glyph.advance + 2 * kGlyphPad, m_valueLine,
                         QImage::Format_ARGB32_Premultiplied);
    glyph.image.fill(Qt::transparent);
    QPainter p(&glyph.image);
    p.setFont(m_valueFont);
    p.setPen(QPen(kAccent, 1.0));
    p.drawText(QPoint(kGlyphPad, m_valueAscent), QString(c));
    return *m_valueGlyphs.insert(c, glyph);
}

bool SinCosValue::axesCurrent() const
{
    const QPixmap* beneath = m_backdrop->current();
    return m_axes.size() == size() && m_picture.size() == size() &&
           m_axesBeneath == (beneath ? beneath->cacheKey() : 0);
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
    m_samples = m_history->samples();
    m_shownCorners = dotCorners();
    drawDots(p, m_shownCorners);
    m_shownValues = drawValues(p);
}

QRegion SinCosValue::rebuildChanged()
{
    const QVector<QPoint> corners = dotCorners();
    const QRegion changed = changedDots(corners) + m_shownValues;
    QPainter p(&m_picture);
    // The background and axes back where something changes, then every dot
    // and the values drawn again there only: a dot that stays but overlaps
    // one that went is whole again, and nothing is drawn twice.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& area : changed)
        p.drawImage(area, m_axes, area);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setClipRegion(changed);
    p.setRenderHint(QPainter::Antialiasing);
    drawDots(p, corners);
    const QRect values = drawValues(p);
    m_shownCorners = corners;
    m_shownValues = values;
    return changed + values;
}

void SinCosValue::paintEvent(QPaintEvent* event)
{
    if (m_backdrop->capturing())
        return;
    QRegion area = event->region();
    if (!axesCurrent()) {
        rebuild();
        area = rect();
    } else if (m_dirty) {
        // What changed outside the area asked for (samples taken later, a
        // wider value) is repainted with the next pass.
        const QRegion changed = rebuildChanged();
        if (!(changed - area).isEmpty())
            update(changed - area);
    }
    m_dirty = false;
    QPainter painter(this);
    for (const QRect& part : area)
        painter.drawImage(part, m_picture, part);
}
