// The preview of an import: what would be added, skipped and refused, before
// anything changes. Import adds, Cancel leaves the database as it was.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TImportPreviewDialog : public QDialog {
    Q_OBJECT

  public:
    // `summary`: the sentences of the plan; `refused`: one line per refused
    // entry. With nothing to add, Import is disabled and Cancel closes.
    TImportPreviewDialog(const QString& sourceFile, const QStringList& summary,
                         const QStringList& refused, bool canImport, QWidget* parent = nullptr);

  private:
    QLabel* summary_ = nullptr;
    QPlainTextEdit* refused_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
