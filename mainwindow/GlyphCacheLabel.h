#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QRegion>
#include <QVector>

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

    // As setText, but repaints only the characters that differ where the
    // text keeps its length and width (a new position: most digits stay).
    void showText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where each character of `text` is painted: left edges, advances, top.
    struct Run
    {
        QVector<qreal> left;
        QVector<qreal> advance;
        qreal top = 0.0;
        qreal width = 0.0;
    };
    Run layout(const QString& text) const;
    QRect glyphArea(const Run& run, int from, int to) const;
    QRegion changedArea(const QString& before, const QString& after) const;
    const QPixmap& glyph(QChar c);

    QHash<QChar, QPixmap> m_glyphs;
    QFont m_glyphFont;
    QColor m_glyphColor;
    qreal m_glyphRatio = 0.0;
    Backdrop* m_backdrop; // the panel beneath, so that a new text repaints only this
};
