#include "BoxCatcher.h"

#include "YInfoBox.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

BoxCatcher::BoxCatcher(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(5);
    connect(m_timer, &QTimer::timeout, this, &BoxCatcher::poll);
    m_timer->start();
}

QStringList BoxCatcher::texts() const
{
    QStringList out;
    for (const QString& box : boxes)
        out << box.section(QLatin1Char('|'), 1);
    return out;
}

void BoxCatcher::poll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<YInfoBox*>(widget);
        if (!box || !box->isVisible() || box->property("caught").toBool())
            continue;
        box->setProperty("caught", true);
        boxes << box->titleLabel()->text() + QLatin1Char('|') + box->messageLabel()->text();
        // What OK and Cancel do after their fade, without waiting for it.
        box->done(m_cancel ? 0 : 1);
        box->close();
    }
}
