#pragma once

class QPropertyAnimation;
class QWidget;

// The kit's 300 ms fades of a window's opacity. Each call makes a new
// animation, owned by the window and started at once.
namespace Fade {

QPropertyAnimation* fadeIn(QWidget* window);
// Deletes itself when finished; connect to finished() for what follows.
QPropertyAnimation* fadeOut(QWidget* window);

} // namespace Fade
