#include "BackgroundButton.h"

#include "FrameGeometry.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(colour));
    label->setPalette(palette);
}

} // namespace

BackgroundButton::BackgroundButton(QWidget* parent)
    : SpriteButton(parent), m_spareLabel(new QLabel(this)), m_textLabel(new QLabel(this))
{
    // The text is centred in the button's whole height: a line of the
    // sheet's 14 px font is taller than the 15 pixels that 5-pixel margins
    // would leave in a 25-pixel sprite, and would be cut at top and bottom.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_spareLabel, 0, Qt::AlignCenter);
    layout->addWidget(m_textLabel, 0, Qt::AlignCenter);
    m_textLabel->setObjectName(QStringLiteral("backButtonText"));
    m_textLabel->hide();
    setTextColour(m_textLabel, QColor(255, 255, 255, 255));
    m_textLabel->setFont(font());
}

void BackgroundButton::setText(const QString& text)
{
    m_textLabel->setText(text);
    m_textLabel->adjustSize();
    m_textLabel->show();
}

QString BackgroundButton::text() const
{
    return m_textLabel->text();
}

void BackgroundButton::setTextColor(const QColor& color)
{
    setTextColour(m_textLabel, color);
}

void BackgroundButton::setImage(const QString& image, int mode, int columnCount)
{
    const QPixmap sprite(image);
    const QList<QRect> columns = FrameGeometry::columnRects(sprite.size(), columnCount);
    if (columns.size() < 2)
        return;
    const QPixmap first = sprite.copy(columns.at(0));
    const QPixmap second = sprite.copy(columns.at(1));
    QPixmap transparent(first.size());
    transparent.fill(QColor(255, 255, 255, 0));
    if (mode == 0)
        setFrames({first, second, first});
    else
        setFrames({transparent, first, second});
    m_spareLabel->hide();
}

void BackgroundButton::mousePressEvent(QMouseEvent* event)
{
    handlePress(event);
}

void BackgroundButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (handleRelease(event))
        emit clicked();
}

void BackgroundButton::keyPressEvent(QKeyEvent* event)
{
    if (hasFocus() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit clicked();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void BackgroundButton::focusInEvent(QFocusEvent* event)
{
    showFrame(1);
    QWidget::focusInEvent(event);
}

void BackgroundButton::focusOutEvent(QFocusEvent* event)
{
    showFrame(0);
    QWidget::focusOutEvent(event);
}

void BackgroundButton::enterEvent(QEvent*)
{
    showFrame(1);
    emit enterSignal();
}

void BackgroundButton::leaveEvent(QEvent*)
{
    showFrame(0);
    emit leaveSignal();
}
