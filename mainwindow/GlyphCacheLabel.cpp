#include "GlyphCacheLabel.h"

#include "Backdrop.h"

#include <QFontMetricsF>
#include <QPainter>

GlyphCacheLabel::GlyphCacheLabel(QWidget* parent)
    : QLabel(parent), m_backdrop(new Backdrop(this))
{
}

const QPixmap& GlyphCacheLabel::glyph(QChar c)
{
    auto found = m_glyphs.constFind(c);
    if (found != m_glyphs.constEnd())
        return *found;
    const QFontMetricsF metrics(font());
    const QSizeF size(metrics.horizontalAdvance(c) + 2.0, metrics.height());
    QPixmap picture((size * m_glyphRatio).toSize());
    picture.setDevicePixelRatio(m_glyphRatio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setFont(font());
    p.setPen(m_glyphColor);
    p.drawText(QPointF(0.0, metrics.ascent()), QString(c));
    return *m_glyphs.insert(c, picture);
}

void GlyphCacheLabel::paintEvent(QPaintEvent*)
{
    const QColor color = palette().color(foregroundRole());
    const qreal ratio = devicePixelRatioF();
    if (font() != m_glyphFont || color != m_glyphColor || ratio != m_glyphRatio) {
        m_glyphs.clear();
        m_glyphFont = font();
        m_glyphColor = color;
        m_glyphRatio = ratio;
    }
    QPainter p(this);
    if (!m_backdrop->paintBeneath(p))
        return;
    const QString shown = text();
    if (shown.isEmpty())
        return;
    const QFontMetricsF metrics(font());
    qreal width = 0.0;
    for (const QChar c : shown)
        width += metrics.horizontalAdvance(c);
    const QRectF area = contentsRect();
    qreal x = area.left();
    if (alignment() & Qt::AlignHCenter)
        x += (area.width() - width) / 2.0;
    else if (alignment() & Qt::AlignRight)
        x += area.width() - width;
    const qreal y = area.top() + (area.height() - metrics.height()) / 2.0;
    for (const QChar c : shown) {
        p.drawPixmap(QPointF(qRound(x), qRound(y)), glyph(c));
        x += metrics.horizontalAdvance(c);
    }
}
