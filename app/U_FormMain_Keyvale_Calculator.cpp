// TFormMain: the KV hash calculator on the Settings page. The window only
// forwards: the hash and the length rule belong to the lower layers.
#include "U_FormMain_Keyvale.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include <string>

#include "U_KV_Hash_Standard_01.h"
#include "U_Keyvale_Read_Write_Settings.h"
#include "U_Picture.h"

void TFormMain::P_Fill_Hash_Length_List() {
    const QSignalBlocker quiet(F_Hash_Length);
    F_Hash_Length->clear();
    QStringList lengths;
    lengths.reserve(kMaximumHashLength - kMinimumHashLength + 1);
    for (std::int64_t length = kMinimumHashLength; length <= kMaximumHashLength; ++length) {
        lengths.append(QString::number(length));
    }
    F_Hash_Length->addItems(lengths);
}

void TFormMain::P_Hash_Argument_Show(bool boolean_Show) {
    SetTag(i_Hash_Argument, boolean_Show ? 1 : 0);
    i_Hash_Argument->SetPicture(
        boolean_Show ? QStringLiteral("eye_open") : QStringLiteral("eye_closed"), QSize(34, 34));
    const QString hint = boolean_Show ? QStringLiteral("   Click here to hide your string   ")
                                      : QStringLiteral("   Click here to show your string   ");
    i_Hash_Argument->setToolTip(hint);
    i_Hash_Argument->setAccessibleName(hint.trimmed());
    F_Hash_Argument->setEchoMode(boolean_Show ? QLineEdit::Normal : QLineEdit::Password);
}

void TFormMain::i_Hash_ArgumentClick() {
    P_Hash_Argument_Show(Tag(i_Hash_Argument) == 0);
}

void TFormMain::F_Hash_ArgumentChange() {
    const std::string argument = F_Hash_Argument->text().toUtf8().toStdString();
    const std::string lengthText = F_Hash_Length->currentText().toUtf8().toStdString();
    if (lengthText.empty()) {
        F_KV_Hash_62->clear();
        F_KV_Hash_64->clear();
        F_KV_Hash_90->clear();
        return;
    }
    // While a length is being typed ("1" on the way to "100") the forms keep
    // the last length that was taken.
    const std::int64_t length =
        std::stoll(HashLengthInUse(lengthText, s_Hash_Length_Accepted.toUtf8().toStdString()));
    std::string hash62, hash64, hash90;
    KvHashText(argument, static_cast<std::uint16_t>(length), hash62, hash64, hash90);
    F_KV_Hash_62->setPlainText(QString::fromUtf8(hash62));
    F_KV_Hash_64->setPlainText(QString::fromUtf8(hash64));
    F_KV_Hash_90->setPlainText(QString::fromUtf8(hash90));
}

void TFormMain::F_Hash_LengthChange() {
    // Each keystroke is only a step towards the length; it is judged once the
    // entry is complete (F_Hash_LengthComplete).
    F_Hash_ArgumentChange();
}

void TFormMain::F_Hash_LengthComplete() {
    const QString text = F_Hash_Length->currentText();
    if (IsHashLength(text.toUtf8().toStdString())) {
        s_Hash_Length_Accepted = text;
        F_Hash_ArgumentChange();
        return;
    }
    P_Print_Message(QStringLiteral("Error! The hash length must be a whole number from %1 to "
                                   "%2. The length stays %3.")
                        .arg(kMinimumHashLength)
                        .arg(kMaximumHashLength)
                        .arg(s_Hash_Length_Accepted),
                    true);
    PlaySoundResource(QStringLiteral("S_W_2"));
    {
        const QSignalBlocker quiet(F_Hash_Length);
        F_Hash_Length->setEditText(s_Hash_Length_Accepted);
    }
    F_Hash_ArgumentChange();
}

void TFormMain::F_KV_Hash_Click(QPlainTextEdit* box) {
    if (box->toPlainText().isEmpty()) {
        return;
    }
    box->selectAll();
    P_Copy_Secret(box->toPlainText());
}
