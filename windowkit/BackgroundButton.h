#pragma once

#include "SpriteButton.h"

#include <QColor>

class QLabel;

// A picture button with a centred text, painted from a sprite strip.
// Mode 0: normal, hover and pressed are columns 0, 1, 0; mode 1: a
// transparent frame at rest, then columns 0 and 1.
class BackgroundButton : public SpriteButton
{
    Q_OBJECT

public:
    explicit BackgroundButton(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    void setTextColor(const QColor& color);
    void setImage(const QString& image, int mode, int columnCount);

    QLabel* textLabel() const { return m_textLabel; }

signals:
    void clicked();
    void enterSignal();
    void leaveSignal();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QLabel* m_spareLabel;
    QLabel* m_textLabel;
};
