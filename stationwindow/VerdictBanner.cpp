#include "VerdictBanner.h"

#include <QPainter>
#include <QPainterPath>

VerdictBanner::VerdictBanner(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void VerdictBanner::setBanner(const QString& title, const QColor& colour, const QStringList& lines)
{
    if (title == m_title && colour == m_colour && lines == m_lines)
        return;
    m_title = title;
    m_colour = colour;
    m_lines = lines;
    update();
}

void VerdictBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double bandHeight = all.height() * 0.42;
    QPainterPath frame;
    frame.addRoundedRect(all, 8, 8);
    painter.fillPath(frame, QColor(0xFF, 0xFA, 0xF0));
    painter.save();
    painter.setClipPath(frame);
    painter.fillRect(QRectF(all.left(), all.top(), all.width(), bandHeight), m_colour);
    painter.restore();
    painter.setPen(QPen(m_colour, 2));
    painter.drawPath(frame);

    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(int(bandHeight * 0.62));
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRectF band(all.left() + 12, all.top(), all.width() - 24, bandHeight);
    painter.drawText(band, Qt::AlignCenter | Qt::TextSingleLine,
                     QFontMetrics(font).elidedText(m_title, Qt::ElideRight, int(band.width())));

    font.setBold(false);
    font.setPixelSize(18);
    painter.setFont(font);
    painter.setPen(QColor(0x33, 0x33, 0x33));
    const QRectF text(all.left() + 16, all.top() + bandHeight + 10, all.width() - 32,
                      all.height() - bandHeight - 18);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     m_lines.join(QLatin1Char('\n')));
}
