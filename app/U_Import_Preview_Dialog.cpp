#include "U_Import_Preview_Dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TImportPreviewDialog::TImportPreviewDialog(const QString& sourceFile, const QStringList& summary,
                                           const QStringList& refused, bool canImport,
                                           QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("o_Import_Preview"));
    setWindowTitle(QStringLiteral("Import from %1").arg(QFileInfo(sourceFile).fileName()));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(summary.join('\n'), this);
    summary_->setObjectName(QStringLiteral("L_Import_Summary"));
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    layout->addWidget(summary_);

    // The refused entries stay readable however many there are.
    refused_ = new QPlainTextEdit(refused.join('\n'), this);
    refused_->setObjectName(QStringLiteral("F_Import_Refused"));
    refused_->setReadOnly(true);
    refused_->setLineWrapMode(QPlainTextEdit::NoWrap);
    refused_->setVisible(!refused.isEmpty());
    refused_->setMinimumSize(560, 160);
    layout->addWidget(refused_);

    auto* buttons = new QDialogButtonBox(this);
    import_ = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    import_->setObjectName(QStringLiteral("b_Import"));
    import_->setEnabled(canImport);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("b_Import_Cancel"));
    (canImport ? import_ : cancel_)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
