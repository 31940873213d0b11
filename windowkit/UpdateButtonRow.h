#pragma once

class BackgroundButton;
class QHBoxLayout;
class QString;
class QWidget;

// The button row of both update windows (the test program's update dialog
// and the updater): "update" and "cancel" as message-box buttons in the
// accent colour, right-aligned and vertically centred, 20 px apart.
class UpdateButtonRow
{
public:
    // `fixedHeight` 0 leaves the buttons their own height.
    UpdateButtonRow(QWidget* parent, const QString& updateText, const QString& cancelText,
                    int fixedHeight = 0);

    BackgroundButton* updateButton() const { return m_update; }
    BackgroundButton* cancelButton() const { return m_cancel; }
    // The row's layout, for the caller to add (it takes ownership).
    QHBoxLayout* layout() const { return m_layout; }

private:
    BackgroundButton* m_update;
    BackgroundButton* m_cancel;
    QHBoxLayout* m_layout;
};
