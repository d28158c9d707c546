#include "U_Picture.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library must be registered by name; this lives
// outside any namespace as Q_INIT_RESOURCE requires.
static void InitResourcesOnce() {
    Q_INIT_RESOURCE(keyvale);
}

void InitKeyvaleResources() {
    static const bool done = (InitResourcesOnce(), true);
    (void)done;
}

QPixmap KeyvalePicture(const QString& name, const QSize& size) {
    InitKeyvaleResources();
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon KeyvaleIcon(const QString& name) {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(KeyvalePicture(name, QSize(side, side)));
    }
    return icon;
}

QList<QIcon> KeyvaleTreeImageList() {
    return {KeyvaleIcon(QStringLiteral("tree_folder")), KeyvaleIcon(QStringLiteral("tree_empty")),
            KeyvaleIcon(QStringLiteral("tree_record"))};
}

namespace {

// Screen readers see a clickable picture as a button they can press, and a
// decorative one as a graphic.
class TPictureAccessible : public QAccessibleWidget {
  public:
    explicit TPictureAccessible(TPicture* picture) : QAccessibleWidget(picture) {}

    QAccessible::Role role() const override {
        return Picture()->IsClickable() ? QAccessible::Button : QAccessible::Graphic;
    }
    QStringList actionNames() const override {
        return Picture()->IsClickable() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            Picture()->Click();
        }
    }

  private:
    TPicture* Picture() const { return static_cast<TPicture*>(widget()); }
};

QAccessibleInterface* PictureAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TPicture") && object && object->isWidgetType()) {
        return new TPictureAccessible(static_cast<TPicture*>(object));
    }
    return nullptr;
}

} // namespace

TPicture::TPicture(QWidget* parent) : QLabel(parent) {
    static const bool factoryInstalled =
        (QAccessible::installFactory(PictureAccessibleFactory), true);
    (void)factoryInstalled;
    setAlignment(Qt::AlignCenter);
    setProperty("picture", true);
}

void TPicture::SetPicture(const QString& name, const QSize& size) {
    pictureName_ = name;
    setPixmap(KeyvalePicture(name, size));
}

void TPicture::SetClickable(bool clickable) {
    clickable_ = clickable;
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Reached with Tab, but a click leaves the focus where it was: clicking
    // the eye beside a password field must not take the typing away from it.
    setFocusPolicy(clickable ? Qt::TabFocus : Qt::NoFocus);
}

void TPicture::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // The focus mark: a frame in the theme's highlight colour, which every
    // theme sets off from its window colour.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight), FocusFrameWidth);
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

void TPicture::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void TPicture::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}

void TPicture::Click() {
    if (clickable_ && isEnabled()) {
        emit clicked();
    }
}

void TPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (clickable_ && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        Click();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void TPicture::keyPressEvent(QKeyEvent* event) {
    if (clickable_ && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                       event->key() == Qt::Key_Enter)) {
        Click();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TPicture::enterEvent(QEnterEvent* event) {
    emit entered();
    QLabel::enterEvent(event);
}

void TPicture::leaveEvent(QEvent* event) {
    emit left();
    QLabel::leaveEvent(event);
}
