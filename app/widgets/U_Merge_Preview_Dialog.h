// The preview of merging a copy of the database (a conflict copy, a sync
// tool's copy) into the open one: what the copy brings and the conflicts
// that will be kept side by side, before anything changes. Merge applies,
// Cancel leaves the database as it was. When the open database's password
// does not open the copy, the dialog first asks for the copy's own; Skip
// leaves that copy alone. It is opened with open() and answers through
// QDialog's signals.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TMergePreviewDialog : public QDialog {
    Q_OBJECT

  public:
    // `copyFile` names the dialog; `database` is the open database's file.
    TMergePreviewDialog(const QString& copyFile, const QString& database,
                        QWidget* parent = nullptr);
    ~TMergePreviewDialog() override;

    // The copy's own password is asked (`why` says why); accepted means a
    // password was given: take it with TakePassword.
    void AskPassword(const QString& why);
    bool AsksPassword() const { return asksPassword_; }
    // The typed password; the field is emptied with its undo history.
    std::string TakePassword();

    // `summary`: the counts, one sentence a line; `conflicts`: one line per
    // conflict. With nothing to merge, Merge stays disabled.
    void ShowPlan(const QString& summary, const QString& conflicts, bool canMerge);

  private:
    QLabel* summary_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPlainTextEdit* conflicts_ = nullptr;
    QPushButton* merge_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool asksPassword_ = false;
};
