// TFormMain: everything the window puts on the clipboard goes through one
// TSecretClipboard, so it carries the "do not store" hint and is cleared
// again. The pages ask for it: the record panel's Login, Password and URL,
// and the calculator's hashes; when it will be cleared shows on the page
// that asked.
#include "U_FormMain_Keyvale.h"

#include <QApplication>
#include <QClipboard>

#include "U_FormMain_Keyvale_Page_Settings.h"
#include "U_Secret_Clipboard.h"

void TFormMain::P_Clipboard_Setup() {
    o_Clipboard = new TSecretClipboard(QApplication::clipboard(), this);
    o_Clipboard->setObjectName(QStringLiteral("o_Clipboard"));
    connect(o_Page_Settings, &TPageSettings::clipboardClearSecondsChanged, o_Clipboard,
            &TSecretClipboard::SetClearDelaySeconds);
    connect(o_Page_Settings, &TPageSettings::hashCopyRequested, this,
            [this](const QString& hash) { P_Copy_Secret_From(o_Page_Settings, hash); });
    connect(o_Page_Settings, &TPageSettings::pasteCut, this, &TFormMain::P_Report_Cut_Paste);
}

void TFormMain::P_Copy_Secret(const QString& text) {
    P_Copy_Secret_From(page_Database, text);
}

void TFormMain::P_Copy_Secret_From(const QWidget* source, const QString& text) {
    const QString when = o_Clipboard->Copy(text, services_.clock());
    if (!when.isEmpty()) {
        P_Print_Message_For(source, when, false);
    }
}

void TFormMain::P_Report_Cut_Paste(const QWidget* field, int kept, int pasted) {
    const QString message = QStringLiteral("The pasted text is longer than the field allows: %1 "
                                           "of its %2 characters were kept.")
                                .arg(kept)
                                .arg(pasted);
    P_Print_Message_For(field, message, false);
}
