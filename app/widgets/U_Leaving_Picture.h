// A panel that goes at once can still be seen leaving: a picture of it
// slides from where it stood and deletes itself at the end. The picture
// takes no mouse events and nothing waits for it, so the window goes on
// answering while it moves.
#pragma once

#include <QEasingCurve>
#include <QPoint>

class QWidget;

// Shows the picture of `widget` over it, in its parent, named `objectName`,
// and slides it by `distance` in `milliseconds`. The widget itself is left
// as it is: the caller hides it.
void SlideLeavingPicture(QWidget* widget, const char* objectName, QPoint distance, int milliseconds,
                         QEasingCurve curve = QEasingCurve::Linear);
