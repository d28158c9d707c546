#include "U_Leaving_Picture.h"

#include <QLabel>
#include <QPropertyAnimation>
#include <QWidget>

void SlideLeavingPicture(QWidget* widget, const char* objectName, QPoint distance, int milliseconds,
                         QEasingCurve curve) {
    auto* picture = new QLabel(widget->parentWidget());
    picture->setObjectName(QString::fromLatin1(objectName));
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture->setPixmap(widget->grab());
    picture->setGeometry(widget->geometry());
    picture->show();
    picture->raise();
    auto* slide = new QPropertyAnimation(picture, "pos", picture);
    slide->setDuration(milliseconds);
    slide->setEasingCurve(curve);
    slide->setStartValue(picture->pos());
    slide->setEndValue(picture->pos() + distance);
    QObject::connect(slide, &QPropertyAnimation::finished, picture, &QObject::deleteLater);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}
