#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QLabel>
#include <QPixmap>

class Backdrop;

// A one-line label for large text that changes many times a second (the
// position, 100 px): Qt's raster engine draws glyphs of that size as paths
// every time, so this label keeps a picture of each character for its font
// and colour and stamps them. Text, font, colour and style sheet are the
// QLabel's own; only horizontal centring and vertical centring are drawn.
//
// Threads: GUI thread only.
class GlyphCacheLabel : public QLabel
{
    Q_OBJECT

public:
    explicit GlyphCacheLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QPixmap& glyph(QChar c);

    QHash<QChar, QPixmap> m_glyphs;
    QFont m_glyphFont;
    QColor m_glyphColor;
    qreal m_glyphRatio = 0.0;
    Backdrop* m_backdrop; // the panel beneath, so that a new text repaints only this
};
