// The preview of an import: what would be added, skipped and refused, before
// anything changes. While the file is read it says so, and Cancel stops the
// reading; then Import adds, Cancel leaves the database as it was. It is
// opened with open() and answers through QDialog's signals.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TImportPreviewDialog : public QDialog {
    Q_OBJECT

  public:
    // Opens in its first state: the file is being read, only Cancel works.
    explicit TImportPreviewDialog(const QString& sourceFile, QWidget* parent = nullptr);

    // `summary`: the sentences of the plan, one a line; `refused`: one line
    // per refused entry. With nothing to add, Import stays disabled and
    // Cancel closes.
    void ShowPlan(const QString& summary, const QString& refused, bool canImport);

  private:
    QLabel* summary_ = nullptr;
    QPlainTextEdit* refused_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
