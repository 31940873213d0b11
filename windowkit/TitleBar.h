#pragma once

#include <QPoint>

class QHBoxLayout;
class QLabel;
class QMouseEvent;
class QWidget;

// The title bar contents of the kit's windows (icon, title text and the
// holder of the title buttons) and dragging the window by them. Shared by
// YDialog and YInfoBox, which own one each.
class TitleBar
{
public:
    // Builds the contents inside `titleArea`; `title` is the initial text.
    void build(QWidget* titleArea, const QString& title);

    QLabel* iconLabel() const { return m_iconLabel; }
    QLabel* titleLabel() const { return m_titleLabel; }
    QWidget* buttonHolder() const { return m_buttonHolder; }
    QHBoxLayout* buttonLayout() const { return m_buttonLayout; }

    // A left press on the title band, its text, icon or the empty part of
    // the button holder starts a drag; true when it did.
    bool press(QMouseEvent* event, QWidget* window);
    // Moves the window while dragging with a button held; true when it did.
    bool move(QMouseEvent* event, QWidget* window);
    void release() { m_dragging = false; }
    bool dragging() const { return m_dragging; }
    QPoint dragOffset() const { return m_dragOffset; }

private:
    bool isHandle(const QWidget* widget) const;

    QWidget* m_titleArea = nullptr;
    QLabel* m_iconLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QWidget* m_buttonHolder = nullptr;
    QHBoxLayout* m_buttonLayout = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset;
};
