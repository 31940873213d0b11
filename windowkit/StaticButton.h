#pragma once

#include "SpriteButton.h"

// A picture-only button painted from a sprite strip: frame 0 normal,
// 1 hover, 2 pressed and, when the strip has four frames, 3 disabled.
class StaticButton : public SpriteButton
{
    Q_OBJECT

public:
    StaticButton(const QString& image, int frameCount, QWidget* parent = nullptr);

    int frameCount() const { return m_frameCount; }

signals:
    void buttonClicked();
    void enterSignal();
    void leaveSignal();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    // A disabled button shows frame 3 if it has one, else keeps its frame.
    void showFrame(int frame) override;

private:
    int m_frameCount;
};
