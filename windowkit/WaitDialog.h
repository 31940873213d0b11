#pragma once

#include <QDialog>

class QLabel;
class QMovie;

// A small frameless, always-on-top, application-modal window that plays the
// waiting animation while a device operation runs. Its owner closes it.
class WaitDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WaitDialog(QWidget* parent = nullptr);
    ~WaitDialog() override;

    QMovie* movie() const { return m_movie; }
    QLabel* label() const { return m_label; }

public slots:
    void OnWaitClose();

private:
    QMovie* m_movie;
    QLabel* m_label;
};
