#include "GlyphCacheLabel.h"

#include "Backdrop.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

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

GlyphCacheLabel::Run GlyphCacheLabel::layout(const QString& text) const
{
    const QFontMetricsF metrics(font());
    Run run;
    for (const QChar c : text) {
        run.advance.append(metrics.horizontalAdvance(c));
        run.width += run.advance.last();
    }
    const QRectF area = contentsRect();
    qreal x = area.left();
    if (alignment() & Qt::AlignHCenter)
        x += (area.width() - run.width) / 2.0;
    else if (alignment() & Qt::AlignRight)
        x += area.width() - run.width;
    for (const qreal advance : qAsConst(run.advance)) {
        run.left.append(x);
        x += advance;
    }
    run.top = area.top() + (area.height() - metrics.height()) / 2.0;
    return run;
}

// Characters `from` to `to` (exclusive), with their pictures' extra pixels
// and a pixel of margin around.
QRect GlyphCacheLabel::glyphArea(const Run& run, int from, int to) const
{
    if (from >= to)
        return QRect();
    const int left = qRound(run.left.at(from)) - 1;
    const int right = qRound(run.left.at(to - 1) + run.advance.at(to - 1)) + 4;
    const int top = qRound(run.top) - 1;
    return QRect(left, top, right - left, qCeil(QFontMetricsF(font()).height()) + 3);
}

QRegion GlyphCacheLabel::changedArea(const QString& before, const QString& after) const
{
    const Run old = layout(before);
    const Run now = layout(after);
    if (before.size() != after.size() || !qFuzzyCompare(old.width + 1.0, now.width + 1.0))
        return QRegion(glyphArea(old, 0, before.size())) + glyphArea(now, 0, after.size());
    QRegion changed;
    for (int i = 0; i < after.size(); ++i) {
        if (before.at(i) != after.at(i))
            changed += glyphArea(old, i, i + 1) | glyphArea(now, i, i + 1);
    }
    return changed;
}

void GlyphCacheLabel::showText(const QString& text)
{
    if (text == this->text())
        return;
    const QRegion changed = changedArea(this->text(), text);
    // QLabel repaints all of itself for a new text; only `changed` differs.
    const bool updatesOff = testAttribute(Qt::WA_UpdatesDisabled);
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, updatesOff);
    update(changed);
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
    const Run run = layout(shown);
    for (int i = 0; i < shown.size(); ++i)
        p.drawPixmap(QPointF(qRound(run.left.at(i)), qRound(run.top)), glyph(shown.at(i)));
}
