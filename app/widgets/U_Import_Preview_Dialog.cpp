#include "U_Import_Preview_Dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TImportPreviewDialog::TImportPreviewDialog(const QString& sourceFile, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("o_Import_Preview"));
    const QString name = QFileInfo(sourceFile).fileName();
    setWindowTitle(QStringLiteral("Import from %1").arg(name));

    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(QStringLiteral("Reading %1...").arg(name), this);
    summary_->setObjectName(QStringLiteral("L_Import_Summary"));
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setMinimumWidth(560);
    layout->addWidget(summary_);

    // The refused entries stay readable however many there are.
    refused_ = new QPlainTextEdit(this);
    refused_->setObjectName(QStringLiteral("F_Import_Refused"));
    refused_->setReadOnly(true);
    refused_->setLineWrapMode(QPlainTextEdit::NoWrap);
    refused_->setVisible(false);
    refused_->setMinimumSize(560, 160);
    layout->addWidget(refused_);

    auto* buttons = new QDialogButtonBox(this);
    import_ = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    import_->setObjectName(QStringLiteral("b_Import"));
    import_->setEnabled(false);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("b_Import_Cancel"));
    cancel_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TImportPreviewDialog::ShowPlan(const QString& summary, const QString& refused,
                                    bool canImport) {
    summary_->setText(summary);
    refused_->setPlainText(refused);
    refused_->setVisible(!refused.isEmpty());
    import_->setEnabled(canImport);
    (canImport ? import_ : cancel_)->setDefault(true);
    (canImport ? import_ : cancel_)->setFocus();
    adjustSize();
}
