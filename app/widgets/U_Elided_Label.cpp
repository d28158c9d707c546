#include "U_Elided_Label.h"

#include <QPainter>
#include <QStyle>

namespace {

// Enough to show the start, the ellipsis and the end of a name.
constexpr int kShortestShown = 12;

} // namespace

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {}

QSize TElidedLabel::minimumSizeHint() const {
    const QSize whole = QLabel::minimumSizeHint();
    const QMargins margins = contentsMargins();
    const int shortest = fontMetrics().averageCharWidth() * kShortestShown + margins.left() +
                         margins.right() + 2 * margin();
    return {std::min(whole.width(), shortest), whole.height()};
}

QString TElidedLabel::ShownText() const {
    const int room = contentsRect().width() - 2 * margin();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, std::max(room, 0));
}

void TElidedLabel::paintEvent(QPaintEvent* event) {
    if (ShownText() == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(),
                          ShownText(), foregroundRole());
}
