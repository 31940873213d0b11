#pragma once

#include <QWidget>

class QLabel;

// A place in a layout for a one-line label whose text changes many times a
// second (the position): the slot is sized for one line of the label's font
// and the label fills it. A label asks its layout for a new size with every
// new text, and laying out the window again costs more than painting the
// label; in the slot that request stops here.
//
// Threads: GUI thread only.
class LabelSlot : public QWidget
{
    Q_OBJECT

public:
    // Takes `label` as its child, with its size policy.
    explicit LabelSlot(QLabel* label, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_label;
};
