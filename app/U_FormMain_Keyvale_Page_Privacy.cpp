// TFormMain: the clipboard and locking choices of the Settings page, under the
// list of appearances.
#include "U_FormMain_Keyvale.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSpinBox>

#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Secret_Clipboard.h"
#include "U_Widget_Names.h"

QWidget* TFormMain::CreatePrivacySettings(QWidget* parent) {
    auto* panel =
        Named(new QFrame(parent), "o_Panel_Privacy", QStringLiteral("Clipboard and locking"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 8, 0, 0);

    L_Clipboard_Clear = Named(new QLabel(QStringLiteral("Clear the clipboard after"), panel),
                              "L_Clipboard_Clear", QStringLiteral("Clear the clipboard after"));
    F_Clipboard_Clear_Seconds =
        Named(new QSpinBox(panel), "F_Clipboard_Clear_Seconds",
              QStringLiteral("Seconds until a copied password is cleared from the clipboard"));
    F_Clipboard_Clear_Seconds->setRange(0, kMaximumClipboardClearSeconds);
    F_Clipboard_Clear_Seconds->setSuffix(QStringLiteral(" seconds"));
    F_Clipboard_Clear_Seconds->setSpecialValueText(QStringLiteral("never"));
    F_Clipboard_Clear_Seconds->setValue(kDefaultClipboardClearSeconds);
    F_Clipboard_Clear_Seconds->setToolTip(
        QStringLiteral(" What Keyvale copies is cleared from the clipboard after this time "
                       "(0: never) "));
    L_Clipboard_Clear->setBuddy(F_Clipboard_Clear_Seconds);
    // The spin box's own text field is what the keyboard reaches.
    if (auto* text = F_Clipboard_Clear_Seconds->findChild<QLineEdit*>()) {
        text->setAccessibleName(F_Clipboard_Clear_Seconds->accessibleName());
    }

    L_Lock_After_Idle = Named(new QLabel(QStringLiteral("Lock the database after"), panel),
                              "L_Lock_After_Idle", QStringLiteral("Lock the database after"));
    F_Lock_After_Idle = Named(new QComboBox(panel), "F_Lock_After_Idle",
                              QStringLiteral("Lock the database after minutes of desktop idle"));
    for (int minutes : kLockAfterIdleChoices) {
        const QString text = minutes == 0 ? QStringLiteral("never")
                             : minutes == 1
                                 ? QStringLiteral("1 minute of desktop idle")
                                 : QStringLiteral("%1 minutes of desktop idle").arg(minutes);
        F_Lock_After_Idle->addItem(text, minutes);
    }
    F_Lock_After_Idle->setToolTip(
        QStringLiteral(" The open database is saved and closed when the desktop has been idle "
                       "this long; only its main password is asked again "));
    L_Lock_After_Idle->setBuddy(F_Lock_After_Idle);
    F_Lock_After_Idle->view()->setAccessibleName(QStringLiteral("Lock choices"));

    grid->addWidget(L_Clipboard_Clear, 0, 0);
    grid->addWidget(F_Clipboard_Clear_Seconds, 0, 1);
    grid->addWidget(L_Lock_After_Idle, 1, 0);
    grid->addWidget(F_Lock_After_Idle, 1, 1);
    grid->setColumnStretch(1, 1);

    connect(F_Clipboard_Clear_Seconds, &QSpinBox::valueChanged, this,
            [this](int seconds) { o_Clipboard->SetClearDelaySeconds(seconds); });
    return panel;
}
