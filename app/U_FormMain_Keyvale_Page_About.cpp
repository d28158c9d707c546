// TFormMain: the About program page: the built-in user manual.
#include "U_FormMain_Keyvale.h"

#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "U_FormMain_Keyvale_Layout.h"
#include "U_Widget_Names.h"

using namespace keyvale_layout;

namespace {

constexpr int kManualWidth = 1230;

QString ManualText() {
    QFile manual(QStringLiteral(":/manual/manual.html"));
    if (!manual.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(manual.readAll());
}

} // namespace

QWidget* TFormMain::CreatePageAbout() {
    auto* page = Named(new QWidget, "page_About_Program_Content", QStringLiteral("About program"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);

    sScrollBox_Manual =
        Named(new QScrollArea(page), "sScrollBox_Manual", QStringLiteral("User manual"));
    sScrollBox_Manual->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sScrollBox_Manual->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sScrollBox_Manual->setWidgetResizable(true);
    sScrollBox_Manual->setFocusPolicy(Qt::StrongFocus);
    sScrollBox_Manual->verticalScrollBar()->setSingleStep(ManualScrollStep);
    // One wheel notch moves one step, whatever the desktop's lines per notch.
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
    return page;
}
