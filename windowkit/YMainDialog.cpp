#include "YMainDialog.h"

#include "FrameGeometry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

YMainDialog::YMainDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground);
}

void YMainDialog::loadBackground(bool messageStyle)
{
    const QPixmap image(messageStyle ? QStringLiteral(":/UI/MsgBxBk_New")
                                     : QStringLiteral(":/UI/windowBkg"));
    for (const QRect& rect : FrameGeometry::backgroundSliceRects(image.size(), messageStyle))
        m_backgroundSlices.append(image.isNull() ? QPixmap() : image.copy(rect));
}

QPixmap YMainDialog::slice(int index) const
{
    return index < m_backgroundSlices.size() ? m_backgroundSlices.at(index) : QPixmap();
}

QLabel* YMainDialog::piece(int index, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
    auto* label = new QLabel(this);
    label->setPixmap(slice(index));
    label->setSizePolicy(horizontal, vertical);
    return label;
}

QWidget* YMainDialog::area(int index, bool scaled)
{
    // Parentless at first, so it has Qt's default size for a new widget;
    // a scaled texture is fitted to that size.
    auto* widget = new QWidget;
    widget->setAutoFillBackground(true);
    QPixmap texture = slice(index);
    if (scaled && !texture.isNull())
        texture = texture.scaled(widget->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(texture));
    widget->setPalette(palette);
    return widget;
}

void YMainDialog::buildFrame(int titleHeight, int width, int height)
{
    resize(width, height);
    const int h = FrameGeometry::titleBandHeight(titleHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignTop);
    QHBoxLayout* bands[5];
    for (int i = 0; i < 5; ++i) {
        bands[i] = new QHBoxLayout;
        bands[i]->setContentsMargins(0, 0, 0, 0);
        bands[i]->setSpacing(0);
        if (i < 4)
            bands[i]->setAlignment(Qt::AlignTop);
        layout->addLayout(bands[i], 0);
    }

    // A piece never asks for the size of its image in the direction it is
    // stretched (Ignored): the window's size comes from the caller and from
    // the contents of its areas, not from the background's slices.
    auto stretched = [this](int index) {
        QLabel* label = piece(index, QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setScaledContents(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    };
    auto titleSide = [this, h](int index) {
        QLabel* label = piece(index, QSizePolicy::Fixed, QSizePolicy::Fixed);
        label->setPixmap(slice(index).isNull() ? QPixmap()
                                               : slice(index).scaled(2, h, Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation));
        label->setFixedHeight(h);
        return label;
    };
    auto bodySide = [this](int index) {
        QLabel* label = piece(index, QSizePolicy::Fixed, QSizePolicy::Ignored);
        label->setScaledContents(true);
        return label;
    };

    bands[0]->addWidget(piece(0, QSizePolicy::Fixed, QSizePolicy::Fixed), 0);
    bands[0]->addWidget(stretched(1), 0);
    bands[0]->addWidget(piece(2, QSizePolicy::Fixed, QSizePolicy::Fixed), 0);

    m_titleArea = area(4, true);
    m_titleArea->setFixedHeight(h);
    bands[1]->addWidget(titleSide(3), 0);
    bands[1]->addWidget(m_titleArea, 0);
    bands[1]->addWidget(titleSide(5), 0);

    bands[2]->addWidget(piece(6, QSizePolicy::Fixed, QSizePolicy::Fixed), 0);
    bands[2]->addWidget(stretched(7), 0);
    bands[2]->addWidget(piece(8, QSizePolicy::Fixed, QSizePolicy::Fixed), 0);

    m_body = area(10, true);
    m_body->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    bands[3]->addWidget(bodySide(9), 0);
    bands[3]->addWidget(m_body, 0);
    bands[3]->addWidget(bodySide(11), 0);

    m_bottom = area(13, false);
    if (!slice(13).isNull())
        m_bottom->setFixedHeight(slice(13).height());
    bands[4]->addWidget(piece(12, QSizePolicy::Fixed, QSizePolicy::Fixed), 0);
    bands[4]->addWidget(m_bottom, 0);
    bands[4]->addWidget(piece(14, QSizePolicy::Fixed, QSizePolicy::Fixed), 0);

    setMask(FrameGeometry::roundedTopRegion(size(), FrameGeometry::kCornerRadius));
}

void YMainDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawRoundedRect(QRectF(0, 0, width() - 1, height() - 1), 20.0, 20.0, Qt::AbsoluteSize);
}

void YMainDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_titleArea)
        setMask(FrameGeometry::roundedTopRegion(size(), FrameGeometry::kCornerRadius));
}

void YMainDialog::mousePressEvent(QMouseEvent* event)
{
    m_titleBar.press(event, this);
}

void YMainDialog::mouseReleaseEvent(QMouseEvent*)
{
    m_titleBar.release();
}

void YMainDialog::mouseMoveEvent(QMouseEvent* event)
{
    m_titleBar.move(event, this);
}
