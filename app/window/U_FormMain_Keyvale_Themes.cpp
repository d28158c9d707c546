// TFormMain: the appearance: the two theme lists and applying a theme.
#include "U_FormMain_Keyvale.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStyleFactory>

#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Keyvale_Themes.h"

namespace {

constexpr int kThemeFadeMs = 300;
constexpr int kThemeSettleMs = 1000;

} // namespace

void TFormMain::P_Skins_Setup() {
    // The new look settles before the next one is applied.
    o_Timer_Theme_Settle.setObjectName(QStringLiteral("o_Timer_Theme_Settle"));
    o_Timer_Theme_Settle.setSingleShot(true);
    o_Timer_Theme_Settle.setInterval(kThemeSettleMs);
    connect(&o_Timer_Theme_Settle, &QTimer::timeout, this, &TFormMain::o_List_Skin_2Click);
    // Only the built-in themes exist; each is drawn over the Fusion style.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    P_Apply_Skin(KeyvaleDefaultThemeIndex);

    QStringList names;
    QStringList shown;
    for (std::size_t i = 0; i < KeyvaleThemeCount(); ++i) {
        names.append(QString::fromUtf8(KeyvaleTheme(i).name));
        shown.append(KeyvaleThemeDisplayText(i, names.back()));
    }
    o_Page_Settings->ListThemes(names, shown);
    o_Page_Settings->ShowChosenTheme(KeyvaleDefaultThemeIndex); // already applied above
}

void TFormMain::P_Apply_Skin(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= KeyvaleThemeCount()) {
        return;
    }
    const TKeyvaleTheme& theme = KeyvaleTheme(static_cast<std::size_t>(index));
    QApplication::setPalette(KeyvaleThemePalette(theme));
    qApp->setStyleSheet(KeyvaleThemeStyleSheet(theme));
    activeSkin_ = index;
}

void TFormMain::o_List_Skin_2Click() {
    // A theme chosen while the last one settles waits for it; the timer
    // comes back here when it has.
    if (o_Timer_Theme_Settle.isActive()) {
        return;
    }
    const int row = o_Page_Settings->ChosenTheme();
    if (row >= 0 && row != activeSkin_ && static_cast<std::size_t>(row) < KeyvaleThemeCount()) {
        AnimateThemeChange();
        P_Apply_Skin(row);
        o_Timer_Theme_Settle.start();
    }
}

// The old look, frozen in a picture, fades out over the new one.
void TFormMain::AnimateThemeChange() {
    if (!isVisible()) {
        return;
    }
    auto* snapshot = new QLabel(this);
    snapshot->setPixmap(grab());
    snapshot->setGeometry(rect());
    snapshot->setAttribute(Qt::WA_TransparentForMouseEvents);
    snapshot->show();
    snapshot->raise();
    auto* effect = new QGraphicsOpacityEffect(snapshot);
    snapshot->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", snapshot);
    fade->setDuration(kThemeFadeMs);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, snapshot, &QObject::deleteLater);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}
