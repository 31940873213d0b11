#pragma once

#include <QGroupBox>

// A group box of a fixed width and a least height that grows when its texts
// need more (a wrapped line, larger fonts) and never shrinks back, so that a
// window built around it does not jump from state to state.
class GrowingGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    GrowingGroupBox(const QString& title, int width, int leastHeight, QWidget* parent = nullptr);

    // Grows to what the contents need at the box's width.
    void fit();

protected:
    bool event(QEvent* event) override;

private:
    int m_leastHeight;
};
