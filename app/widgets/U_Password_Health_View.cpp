#include "U_Password_Health_View.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

#include "U_Widget_Names.h"

namespace {

enum TColumn { Record, Findings, Guesses };

QTreeWidget* MakeTable(QWidget* parent, const QStringList& headers) {
    auto* table = new QTreeWidget(parent);
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setHeaderLabels(headers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->header()->setStretchLastSection(false);
    // Paths of one long import folder differ only at their end: shortened in
    // the middle they keep both the top folder and the record's own name.
    table->setTextElideMode(Qt::ElideMiddle);
    return table;
}

} // namespace

TPasswordHealthView::TPasswordHealthView(const TKeyvaleTree& tree, QAbstractItemModel* treeModel,
                                         QWidget* parent)
    : QDialog(parent), tree_(tree) {
    Named(this, "o_Password_Health", QStringLiteral("Password health"));
    setWindowTitle(QStringLiteral("Password health"));
    resize(900, 560);
    auto* layout = new QVBoxLayout(this);
    summary_ = Named(new QLabel(this), "L_Health_Summary", QStringLiteral("Summary"));
    summary_->setWordWrap(true);
    rows_ = Named(MakeTable(this, {QStringLiteral("Record"), QStringLiteral("Findings"),
                                   QStringLiteral("Guesses")}),
                  "o_Health_Rows", QStringLiteral("Records with findings"));
    rows_->header()->setSectionResizeMode(Findings, QHeaderView::Stretch);
    rows_->setColumnWidth(Record, 300);
    folders_ = Named(MakeTable(this, {QStringLiteral("Folder"), QStringLiteral("Records listed")}),
                     "o_Health_Folders", QStringLiteral("Folders"));
    folders_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    folders_->setMaximumHeight(150);
    auto* close = Named(new QPushButton(QStringLiteral("Close"), this), "b_Health_Close",
                        QStringLiteral("Close"));
    close->setAutoDefault(false);
    layout->addWidget(summary_);
    layout->addWidget(rows_, 1);
    layout->addWidget(Named(new QLabel(QStringLiteral("Folders"), this), "L_Health_Folders",
                            QStringLiteral("Folders")));
    layout->addWidget(folders_);
    layout->addWidget(close, 0, Qt::AlignRight);

    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // Double-click, and Enter, activate a row.
    connect(rows_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const auto node = static_cast<TNodeHandle>(item->data(Record, Qt::UserRole).toInt());
        if (tree_.Contains(node)) {
            emit recordActivated(node);
        }
    });

    changes_.setSingleShot(true);
    changes_.setInterval(300);
    connect(&changes_, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            Refresh();
        }
    });
    const auto changed = [this] { changes_.start(); };
    connect(treeModel, &QAbstractItemModel::dataChanged, this, changed);
    connect(treeModel, &QAbstractItemModel::rowsInserted, this, changed);
    connect(treeModel, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(treeModel, &QAbstractItemModel::rowsMoved, this, changed);
    connect(treeModel, &QAbstractItemModel::layoutChanged, this, changed);
    // Another database, or none: nothing of the old report may stay.
    connect(treeModel, &QAbstractItemModel::modelReset, this, [this, changed] {
        Invalidate();
        changed();
    });
}

TPasswordHealthView::~TPasswordHealthView() {
    stop_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
}

void TPasswordHealthView::Open() {
    show();
    raise();
    activateWindow();
    Refresh();
    rows_->setFocus();
}

void TPasswordHealthView::Refresh() {
    if (building_) {
        stale_ = true;
        return;
    }
    if (worker_.joinable()) {
        worker_.join(); // finished: its report has been delivered
    }
    stop_ = false;
    building_ = true;
    stale_ = false;
    summary_->setText(QStringLiteral("Checking the passwords…"));
    const unsigned generation = generation_;
    // Only copies of names and enciphered texts cross to the worker; the
    // tree stays with this thread.
    auto inputs = std::make_shared<std::vector<THealthInput>>(CollectHealthInputs(tree_));
    worker_ = std::thread([this, inputs, generation] {
        auto report = std::make_shared<THealthReport>(BuildHealthReport(*inputs, 0, &stop_));
        QMetaObject::invokeMethod(
            this, [this, report, generation] { Show(*report, generation); }, Qt::QueuedConnection);
    });
}

void TPasswordHealthView::Invalidate() {
    // A report still being built is of the tree that was shown; it will be
    // dropped, and the records it would decipher may be of a closed database.
    stop_ = true;
    ++generation_;
    rows_->clear();
    folders_->clear();
    summary_->clear();
}

void TPasswordHealthView::Show(const THealthReport& report, unsigned generation) {
    building_ = false;
    if (generation != generation_ || stale_) {
        // A closed view builds afresh when it is opened again; a report of
        // the tree left behind by a lock would count none of its records.
        if (isVisible()) {
            Refresh();
        }
        return;
    }
    const QString current = rows_->currentItem() ? rows_->currentItem()->text(Record) : QString();
    rows_->clear();
    for (const THealthRow& row : report.rows) {
        if (!tree_.Contains(row.node)) {
            continue;
        }
        auto* item = new QTreeWidgetItem(rows_);
        item->setText(Record, PathOf(row.node));
        item->setToolTip(Record, item->text(Record)); // the whole path
        item->setData(Record, Qt::UserRole, row.node);
        item->setText(Findings, FindingsText(row));
        item->setToolTip(Findings, item->text(Findings));
        item->setText(Guesses, row.Severity() == THealthFinding::Empty
                                   ? QStringLiteral("—")
                                   : QStringLiteral("10^%1").arg(
                                         static_cast<int>(std::floor(row.guessesLog10))));
        if (item->text(Record) == current) {
            rows_->setCurrentItem(item);
        }
    }
    folders_->clear();
    for (TNodeHandle node = tree_.First(); node != kNoNode; node = tree_.NextInPreOrder(node)) {
        if (const auto count = report.folderCounts.find(node); count != report.folderCounts.end()) {
            auto* item = new QTreeWidgetItem(folders_);
            item->setText(0, PathOf(node));
            item->setToolTip(0, item->text(0));
            item->setText(1, QString::number(count->second));
        }
    }
    summary_->setText(report.rows.empty()
                          ? QStringLiteral("No findings: all %1 records have passwords that are "
                                           "long, not reused and not easily guessed.")
                                .arg(report.recordsChecked)
                          : QStringLiteral("%1 of %2 records have findings. Double-click a row, or "
                                           "press Enter, to choose that record.")
                                .arg(report.rows.size())
                                .arg(report.recordsChecked));
    if (!rows_->currentItem() && rows_->topLevelItemCount() > 0) {
        rows_->setCurrentItem(rows_->topLevelItem(0));
    }
    emit reportShown();
}

QString TPasswordHealthView::PathOf(TNodeHandle node) const {
    QStringList names;
    for (TNodeHandle up = node; up != kNoNode; up = tree_.Parent(up)) {
        names.prepend(QString::fromStdString(tree_.Text(up)));
    }
    return names.join(QStringLiteral(" / "));
}

QString TPasswordHealthView::FindingsText(const THealthRow& row) const {
    QStringList parts;
    for (THealthFinding finding : row.findings) {
        if (finding != THealthFinding::Reused) {
            parts << QString::fromLatin1(HealthFindingText(finding));
            continue;
        }
        QStringList others;
        for (TNodeHandle other : row.reusedWith) {
            others << PathOf(other);
        }
        parts << QStringLiteral("reused in ") + others.join(QStringLiteral(", "));
    }
    return parts.join(QStringLiteral("; "));
}
