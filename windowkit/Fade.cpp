#include "Fade.h"

#include "FrameGeometry.h"

#include <QPropertyAnimation>
#include <QWidget>

namespace Fade {

namespace {

QPropertyAnimation* start(QWidget* window, int from, int to,
                          QAbstractAnimation::DeletionPolicy policy)
{
    auto* animation = new QPropertyAnimation(window, QByteArrayLiteral("windowOpacity"), window);
    animation->setDuration(FrameGeometry::kFadeMs);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start(policy);
    return animation;
}

} // namespace

QPropertyAnimation* fadeIn(QWidget* window)
{
    return start(window, 0, 1, QAbstractAnimation::KeepWhenStopped);
}

QPropertyAnimation* fadeOut(QWidget* window)
{
    return start(window, 1, 0, QAbstractAnimation::DeleteWhenStopped);
}

} // namespace Fade
