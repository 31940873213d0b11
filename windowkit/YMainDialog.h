#pragma once

#include "TitleBar.h"

#include <QDialog>
#include <QList>
#include <QPixmap>

class QLabel;

// A frameless, translucent dialog that draws its own frame from the 15
// slices of a background image: five bands (top border, title band,
// separator, body, bottom band), each a left piece, a centre and a right
// piece. The centres of the title, body and bottom bands are the areas that
// subclasses fill; a subclass that builds the title bar gets dragging by it.
class YMainDialog : public QDialog
{
    Q_OBJECT

public:
    explicit YMainDialog(QWidget* parent = nullptr);

    // Cuts ":/UI/MsgBxBk_New" (messageStyle) or ":/UI/windowBkg" into slices.
    void loadBackground(bool messageStyle);
    // Resizes the dialog and lays out the frame grid; the title band is
    // max(titleHeight, 25) pixels high.
    void buildFrame(int titleHeight, int width, int height);

    QWidget* titleAreaWidget() const { return m_titleArea; }
    QWidget* bodyWidget() const { return m_body; }
    QWidget* bottomWidget() const { return m_bottom; }
    const QList<QPixmap>& backgroundSlices() const { return m_backgroundSlices; }

protected:
    // The title bar contents; built by the subclass inside titleAreaWidget().
    TitleBar& titleBar() { return m_titleBar; }
    const TitleBar& titleBar() const { return m_titleBar; }

    void paintEvent(QPaintEvent* event) override;
    // Dragging the window by its title bar (left button only).
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap slice(int index) const;
    QLabel* piece(int index, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical);
    QWidget* area(int index, bool scaled);

    QList<QPixmap> m_backgroundSlices;
    TitleBar m_titleBar;
    QWidget* m_titleArea = nullptr;
    QWidget* m_body = nullptr;
    QWidget* m_bottom = nullptr;
};
