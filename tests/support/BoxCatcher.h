#pragma once

#include <QObject>
#include <QStringList>

class QTimer;

// Answers the kit's modal message boxes (YInfoBox, run with exec()) that the
// code under test opens: every few milliseconds it looks for a visible box,
// records "title|text" and closes it with OK (exec() returns 1) or, after
// answerCancel(), with Cancel (0). Works inside nested exec() loops.
class BoxCatcher : public QObject
{
    Q_OBJECT

public:
    explicit BoxCatcher(QObject* parent = nullptr);

    void answerCancel(bool cancel) { m_cancel = cancel; }
    // The boxes seen so far, oldest first, as "title|text".
    QStringList boxes;
    // Texts only.
    QStringList texts() const;

private:
    void poll();

    QTimer* m_timer;
    bool m_cancel = false;
};
