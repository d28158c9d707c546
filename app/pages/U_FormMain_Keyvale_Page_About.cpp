#include "U_FormMain_Keyvale_Page_About.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "U_Page_Layout.h"
#include "U_Widget_Names.h"

using namespace keyvale_layout;

namespace {

constexpr int kManualWidth = 1230;
constexpr int kWheelNotch = 120; // angle units of one notch; touchpads send parts of it

QString ManualText() {
    QFile manual(QStringLiteral(":/manual/manual.html"));
    if (!manual.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(manual.readAll());
}

} // namespace

TPageAbout::TPageAbout(QWidget* parent) : QWidget(parent) {
    Named(this, "page_About_Program_Content", QStringLiteral("About program"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);

    sScrollBox_Manual =
        Named(new QScrollArea(this), "sScrollBox_Manual", QStringLiteral("User manual"));
    sScrollBox_Manual->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sScrollBox_Manual->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sScrollBox_Manual->setWidgetResizable(true);
    sScrollBox_Manual->setFocusPolicy(Qt::StrongFocus);
    sScrollBox_Manual->verticalScrollBar()->setSingleStep(ManualScrollStep);
    sScrollBox_Manual->viewport()->installEventFilter(this);

    image_Manual = Named(new QLabel, "image_Manual", QStringLiteral("Keyvale user manual"));
    image_Manual->setTextFormat(Qt::RichText);
    image_Manual->setWordWrap(true);
    image_Manual->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    image_Manual->setMaximumWidth(kManualWidth);
    image_Manual->setContentsMargins(28, 18, 28, 28);
    image_Manual->setTextInteractionFlags(Qt::TextSelectableByMouse);
    image_Manual->setText(ManualText());
    sScrollBox_Manual->setWidget(image_Manual);
    layout->addWidget(sScrollBox_Manual);
}

bool TPageAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sScrollBox_Manual->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QScrollBar* bar = sScrollBox_Manual->verticalScrollBar();
        bar->setValue(bar->value() - wheel->angleDelta().y() * ManualScrollStep / kWheelNotch);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
