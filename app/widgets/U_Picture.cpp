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

#include <cmath>

// Resources of a static library must be registered by name; this lives
// outside any namespace as Q_INIT_RESOURCE requires.
static void InitResourcesOnce() {
    Q_INIT_RESOURCE(keyvale);
}

void InitKeyvaleResources() {
    static const bool done = (InitResourcesOnce(), true);
    (void)done;
}

double RelativeLuminance(const QColor& color) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

bool PictureNeedsPlate(const QColor& background) {
    // The pictures are outlined for light backgrounds; where that outline
    // does not stand out at 3:1 they get a light plate of their own.
    const double outline = RelativeLuminance(QColor(PictureOutlineColor));
    const double back = RelativeLuminance(background);
    return (std::max(outline, back) + 0.05) / (std::min(outline, back) + 0.05) < 3.0;
}

QPixmap KeyvalePicture(const QString& name, const QSize& size, qreal ratio,
                       const QColor& background) {
    InitKeyvaleResources();
    if (ratio <= 0) {
        ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    }
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor behind =
        background.isValid() ? background : QGuiApplication::palette().color(QPalette::Window);
    if (PictureNeedsPlate(behind)) {
        const QRectF plate = QRectF(QPointF(0, 0), QSizeF(pixmap.size())).adjusted(1, 1, -1, -1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(PicturePlateColor));
        painter.drawRoundedRect(plate, plate.width() / 5, plate.height() / 5);
    }
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
        // A selected row and the active tab are drawn in the highlight colour;
        // the theme of the moment decides whether the picture needs its plate.
        const QPalette palette = QGuiApplication::palette();
        const QColor background = mode == QIcon::Selected || state == QIcon::On
                                      ? palette.color(QPalette::Highlight)
                                      : palette.color(QPalette::Window);
        const bool plate = PictureNeedsPlate(background);
        const QString key = QStringLiteral("keyvale_icon_%1_%2x%3_%4_%5")
                                .arg(name_)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(static_cast<int>(mode))
                                .arg(plate ? 1 : 0);
        QPixmap drawn;
        if (QPixmapCache::find(key, &drawn)) {
            return drawn;
        }
        drawn = KeyvalePicture(name_, size, 1.0, background);
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
    if (!hasFocus()) {
        return;
    }
    // The focus mark: a dashed frame in the theme's text colour, which every
    // theme sets off from its window colour.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::WindowText), FocusFrameWidth);
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

void TPicture::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !pictureName_.isEmpty()) {
        setPixmap(KeyvalePicture(pictureName_, pictureSize_, devicePixelRatioF()));
    }
}

void TPicture::SetClickable(bool clickable) {
    clickable_ = clickable;
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Reached with Tab, but a click leaves the focus where it was: clicking
    // the eye beside a password field must not take the typing away from it.
    setFocusPolicy(clickable ? Qt::TabFocus : Qt::NoFocus);
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
