#include "U_Picture.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QIconEngine>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
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

QPixmap KeyvalePicture(const QString& name, const QSize& size, qreal ratio) {
    InitKeyvaleResources();
    if (ratio <= 0) {
        ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    }
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

namespace {

// Draws the icon from its SVG at the exact pixel size asked for, so that
// tabs, buttons and menus stay sharp at 125 %, 150 % or 200 %.
class TSvgIconEngine : public QIconEngine {
  public:
    explicit TSvgIconEngine(QString name) : name_(std::move(name)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        (void)state;
        const QString key = QStringLiteral("keyvale_icon_%1_%2x%3_%4")
                                .arg(name_)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(static_cast<int>(mode));
        QPixmap drawn;
        if (QPixmapCache::find(key, &drawn)) {
            return drawn;
        }
        drawn = KeyvalePicture(name_, size, 1.0);
        if (mode == QIcon::Disabled && qApp) {
            QStyleOption option;
            option.palette = QApplication::palette();
            drawn = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
        }
        QPixmapCache::insert(key, drawn);
        return drawn;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

    QIconEngine* clone() const override { return new TSvgIconEngine(name_); }
    QString key() const override { return QStringLiteral("TSvgIconEngine"); }

  private:
    QString name_;
};

} // namespace

QIcon KeyvaleIcon(const QString& name) {
    return QIcon(new TSvgIconEngine(name));
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
    pictureSize_ = size;
    setPixmap(KeyvalePicture(name, size, devicePixelRatioF()));
}

// On a screen of another scale (the window was moved, or the desktop's scale
// changed) the picture is drawn afresh for it.
void TPicture::paintEvent(QPaintEvent* event) {
    if (!pictureName_.isEmpty() && pixmap().devicePixelRatio() != devicePixelRatioF()) {
        setPixmap(KeyvalePicture(pictureName_, pictureSize_, devicePixelRatioF()));
    }
    QLabel::paintEvent(event);
}

void TPicture::SetClickable(bool clickable) {
    clickable_ = clickable;
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setFocusPolicy(clickable ? Qt::StrongFocus : Qt::NoFocus);
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
