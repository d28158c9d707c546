#include "U_Merge_Preview_Dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "U_Secret_Text.h"

TMergePreviewDialog::TMergePreviewDialog(const QString& copyFile, const QString& database,
                                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("o_Merge_Preview"));
    setWindowTitle(QStringLiteral("Merge %1 into %2")
                       .arg(QFileInfo(copyFile).fileName(), QFileInfo(database).fileName()));

    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("L_Merge_Summary"));
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setMinimumWidth(560);
    layout->addWidget(summary_);

    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("F_Merge_Password"));
    password_->setAccessibleName(QStringLiteral("The copy's password"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setVisible(false);
    layout->addWidget(password_);

    // However many conflicts there are, each stays readable.
    conflicts_ = new QPlainTextEdit(this);
    conflicts_->setObjectName(QStringLiteral("F_Merge_Conflicts"));
    conflicts_->setReadOnly(true);
    conflicts_->setLineWrapMode(QPlainTextEdit::NoWrap);
    conflicts_->setVisible(false);
    conflicts_->setMinimumSize(560, 160);
    layout->addWidget(conflicts_);

    auto* buttons = new QDialogButtonBox(this);
    merge_ = buttons->addButton(QStringLiteral("&Merge"), QDialogButtonBox::AcceptRole);
    merge_->setObjectName(QStringLiteral("b_Merge"));
    merge_->setEnabled(false);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("b_Merge_Cancel"));
    cancel_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TMergePreviewDialog::~TMergePreviewDialog() {
    ClearSecretField(password_);
}

void TMergePreviewDialog::AskPassword(const QString& why) {
    asksPassword_ = true;
    summary_->setText(why);
    password_->setVisible(true);
    conflicts_->setVisible(false);
    merge_->setText(QStringLiteral("&Open"));
    merge_->setEnabled(true);
    merge_->setDefault(true);
    cancel_->setText(QStringLiteral("&Skip"));
    password_->setFocus();
    adjustSize();
}

std::string TMergePreviewDialog::TakePassword() {
    std::string password = SecretUtf8(password_->text());
    ClearSecretField(password_);
    return password;
}

void TMergePreviewDialog::ShowPlan(const QString& summary, const QString& conflicts,
                                   bool canMerge) {
    asksPassword_ = false;
    ClearSecretField(password_);
    password_->setVisible(false);
    summary_->setText(summary);
    conflicts_->setPlainText(conflicts);
    conflicts_->setVisible(!conflicts.isEmpty());
    merge_->setText(QStringLiteral("&Merge"));
    merge_->setEnabled(canMerge);
    cancel_->setText(QStringLiteral("Cancel"));
    (canMerge ? merge_ : cancel_)->setDefault(true);
    (canMerge ? merge_ : cancel_)->setFocus();
    adjustSize();
}
