// The password health report in the window: one row per record with
// findings, most severe first; the folders with how many of their records
// are listed. Built on a worker thread, so a large database never freezes the
// window; rebuilt when the tree changes while it is shown. It shows names,
// findings and estimates, never a password.
#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

#include "U_Keyvale_Password_Health.h"

class QAbstractItemModel;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class TPasswordHealthView : public QDialog {
    Q_OBJECT

  public:
    // `tree` is the open database's tree; `treeModel` the model over it,
    // whose changes start a rebuild.
    TPasswordHealthView(const TKeyvaleTree& tree, QAbstractItemModel* treeModel,
                        QWidget* parent = nullptr);
    ~TPasswordHealthView() override;

    // Shows the view and builds the report afresh.
    void Open();
    void Refresh();
    bool Building() const { return building_; }
    QTreeWidget* Rows() const { return rows_; }
    QTreeWidget* Folders() const { return folders_; }

  signals:
    // The user chose a row (double-click or Enter): select that record.
    void recordActivated(TNodeHandle node);
    // A report was put on screen.
    void reportShown();

  private:
    void Show(const THealthReport& report, unsigned generation);
    void Invalidate();
    QString PathOf(TNodeHandle node) const;
    QString FindingsText(const THealthRow& row) const;

    const TKeyvaleTree& tree_;
    QTreeWidget* rows_ = nullptr;
    QTreeWidget* folders_ = nullptr;
    QLabel* summary_ = nullptr;
    QTimer changes_; // gathers a burst of tree changes into one rebuild
    std::thread worker_;
    std::atomic<bool> stop_{false}; // the worker's report will not be shown
    unsigned generation_ = 0;       // a report of an older generation is dropped
    bool building_ = false;
    bool stale_ = false; // the tree changed while a report was being built
};
