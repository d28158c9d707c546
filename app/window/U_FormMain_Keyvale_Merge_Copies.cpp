// TFormMain: the conflict copies beside the open database (Keyvale's own and
// the sync tools'), named when the database opens and merged into it on the
// user's word: each copy previewed, then merged or left, and a merged copy
// deleted only when the user says so.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Conflict_Copies.h"
#include "U_Merge_Preview_Dialog.h"
#include "U_Tree_Places.h"

namespace {

QString FileName(const QString& path) {
    return QFileInfo(path).fileName();
}

QStringList CopiesBeside(const QString& database) {
    QStringList copies;
    for (const std::string& copy : ListConflictCopies(database.toStdString())) {
        copies << QString::fromStdString(copy);
    }
    return copies;
}

QString Records(std::size_t count) {
    return count == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(count);
}

QString PathText(const std::vector<std::string>& path) {
    QStringList names;
    for (const std::string& name : path) {
        names << QString::fromStdString(name);
    }
    return names.join(QStringLiteral(" > "));
}

// One line per conflict, in the copy's words: "theirs" is the copy.
QString ConflictLine(const TMergeConflict& conflict) {
    const QString path = PathText(conflict.path);
    const QString theirs = QString::fromStdString(conflict.theirVersionName);
    switch (conflict.kind) {
    case TMergeConflictKind::Fields: {
        QStringList fields;
        for (const std::string& field : conflict.fields) {
            fields << QString::fromStdString(field);
        }
        const QString verb =
            fields.size() == 1 ? QStringLiteral("differs") : QStringLiteral("differ");
        return QStringLiteral("%1: %2 %3; the copy's record is kept beside it as \"%4\"")
            .arg(path, fields.join(QStringLiteral(", ")), verb, theirs);
    }
    case TMergeConflictKind::BothAdded:
        return QStringLiteral("%1: not the same in both; the copy's is kept beside it as \"%2\"")
            .arg(path, theirs);
    case TMergeConflictKind::KindDiffers:
        return QStringLiteral("%1: a record in one, a folder in the other; the copy's is kept "
                              "beside it as \"%2\"")
            .arg(path, theirs);
    case TMergeConflictKind::RemovedHereChanged:
        return QStringLiteral("%1: removed here, changed in the copy; kept with the copy's change")
            .arg(path);
    case TMergeConflictKind::RemovedThereChanged:
        return QStringLiteral("%1: removed in the copy, changed here; kept with this change")
            .arg(path);
    }
    return path;
}

QString Summary(const QString& copy, const TMergeReport& report, bool changesTree) {
    if (!changesTree) {
        return QStringLiteral("%1 brings nothing that this database does not hold already.")
            .arg(FileName(copy));
    }
    if (report.NothingTaken()) {
        // The report counts records; folders the copy adds count nowhere.
        return QStringLiteral("From %1: folders only, no records.").arg(FileName(copy));
    }
    QString summary = QStringLiteral("From %1: %2 added, %3 changed, %4 removed.")
                          .arg(FileName(copy), Records(report.recordsAdded),
                               Records(report.recordsChanged), Records(report.recordsRemoved));
    if (report.HasConflicts()) {
        summary += QStringLiteral("\n%1 kept side by side:")
                       .arg(report.conflicts.size() == 1
                                ? QStringLiteral("1 conflict")
                                : QStringLiteral("%1 conflicts").arg(report.conflicts.size()));
    }
    return summary;
}

// A plan not taken: its merged tree holds the database's names and records.
void DropPlan(std::shared_ptr<TMergePlan>& plan) {
    if (plan) {
        WipeTree(plan->tree);
        plan.reset();
    }
}

QString SessionText(const TSessionResult& result) {
    QStringList lines;
    for (const TSessionMessage& message : result.messages) {
        lines << QString::fromStdString(message.text);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void TFormMain::P_Find_Conflict_Copies(bool log) {
    const QStringList copies = o_Session.IsOpen() ? CopiesBeside(DatabaseFile()) : QStringList();
    o_Page_Database->SetConflictCopies(int(copies.size()));
    if (!log || copies.isEmpty()) {
        return;
    }
    QStringList names;
    for (const QString& copy : copies) {
        names << FileName(copy);
    }
    P_Print_Message(QStringLiteral("Conflict copies of this database lie beside it: %1. \"Merge "
                                   "copies...\" brings their changes in.")
                        .arg(names.join(QStringLiteral(", "))),
                    false);
}

void TFormMain::P_Merge_Copies() {
    if (!o_Session.IsOpen() || o_Merge_Preview || o_Merge_Delete_Question) {
        return;
    }
    mergeQueue_ = CopiesBeside(DatabaseFile());
    if (mergeQueue_.isEmpty()) {
        P_Print_Message(QStringLiteral("No conflict copies lie beside this database."), false);
    }
    P_Merge_Next_Copy();
}

void TFormMain::P_Merge_Next_Copy() {
    if (!o_Session.IsOpen() || mergeQueue_.isEmpty()) {
        mergeQueue_.clear();
        P_Find_Conflict_Copies(false);
        return;
    }
    P_Merge_Plan(mergeQueue_.takeFirst(), {}, false);
}

void TFormMain::P_Merge_Plan(const QString& copy, const std::string& password, bool retry) {
    DropPlan(mergePlanned_);
    mergePlanned_ = std::make_shared<TMergePlan>();
    const TSessionResult planned =
        o_Session.PlanMerge(copy.toStdString(), password, {}, *mergePlanned_);
    auto* dialog = new TMergePreviewDialog(copy, DatabaseFile(), this);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    connect(dialog, &QDialog::finished, this,
            [this, copy](int answer) { P_Merge_Answered(copy, answer); });
    o_Merge_Preview = dialog;
    if (planned.outcome == TSessionOutcome::WrongPassword) {
        DropPlan(mergePlanned_);
        dialog->AskPassword(
            retry ? QStringLiteral("That password does not open %1 either. Type its password "
                                   "again, or skip this copy.")
                        .arg(FileName(copy))
                  : QStringLiteral("%1 does not open with this database's main password. Type "
                                   "the copy's own password, or skip this copy.")
                        .arg(FileName(copy)));
    } else if (planned.outcome != TSessionOutcome::Done || !mergePlanned_->merge.merged) {
        DropPlan(mergePlanned_);
        dialog->ShowPlan(
            QStringLiteral("Cannot merge %1:\n%2").arg(FileName(copy), SessionText(planned)), {},
            false);
    } else {
        const TMergeReport& report = mergePlanned_->merge.report;
        QStringList conflicts;
        for (const TMergeConflict& conflict : report.conflicts) {
            conflicts << ConflictLine(conflict);
        }
        const bool changesTree = !SameTree(mergePlanned_->tree, o_Session.Tree());
        dialog->ShowPlan(Summary(copy, report, changesTree), conflicts.join(QLatin1Char('\n')),
                         changesTree);
    }
    dialog->open();
}

void TFormMain::P_Merge_Answered(const QString& copy, int answer) {
    TMergePreviewDialog* dialog = o_Merge_Preview;
    o_Merge_Preview = nullptr;
    if (dialog != nullptr && dialog->AsksPassword()) {
        if (answer != QDialog::Accepted) {
            P_Print_Message(
                QStringLiteral("%1 was skipped: nothing of it was merged.").arg(FileName(copy)),
                false);
            P_Merge_Next_Copy();
            return;
        }
        std::string password = dialog->TakePassword();
        P_Merge_Plan(copy, password, true);
        KvSecureWipe(password);
        return;
    }
    if (answer != QDialog::Accepted || !mergePlanned_) {
        DropPlan(mergePlanned_);
        P_Print_Message(QStringLiteral("Nothing of %1 was merged.").arg(FileName(copy)), false);
        P_Merge_Next_Copy();
        return;
    }
    P_Merge_Apply(copy);
}

void TFormMain::P_Merge_Apply(const QString& copy) {
    const std::shared_ptr<TMergePlan> plan = std::move(mergePlanned_);
    const TViewPlaces places = o_Page_Database->RememberPlaces();
    const TSessionResult applied = o_Session.ApplyMerge(*plan);
    P_Follow_Replaced_Tree(applied, places);
    P_Print_Session_Messages(applied);
    if (!applied.Succeeded()) {
        P_Merge_Next_Copy();
        return;
    }
    // The merge is saved at once: only what is on disk lets the copy go.
    if (!P_Save_Database(TSaveOccasion::Asked).saved.Succeeded()) {
        P_Print_Message(QStringLiteral("%1 is kept beside the database until the merge is saved.")
                            .arg(FileName(copy)),
                        false);
        mergeQueue_.clear();
        P_Find_Conflict_Copies(false);
        return;
    }
    P_Ask_Delete_Copy(copy);
}

void TFormMain::P_Ask_Delete_Copy(const QString& copy) {
    auto* question = new QMessageBox(
        QMessageBox::Question, QStringLiteral("Delete the merged copy?"),
        QStringLiteral("The changes of %1 are in %2 now. Delete the merged copy %1?")
            .arg(FileName(copy), FileName(DatabaseFile())),
        QMessageBox::Yes | QMessageBox::No, this);
    question->setObjectName(QStringLiteral("o_Merge_Delete_Question"));
    // Deleting is never the answer a stray Enter gives.
    question->setDefaultButton(QMessageBox::No);
    connect(question, &QDialog::finished, question, &QObject::deleteLater);
    connect(question, &QMessageBox::finished, this, [this, question, copy] {
        o_Merge_Delete_Question = nullptr;
        if (question->clickedButton() == question->button(QMessageBox::Yes)) {
            if (QFile::remove(copy)) {
                P_Print_Message(
                    QStringLiteral("The merged copy %1 was deleted.").arg(FileName(copy)), false);
            } else {
                P_Print_Message(QStringLiteral("Error! The merged copy %1 could not be deleted.")
                                    .arg(FileName(copy)),
                                true);
            }
        } else {
            P_Print_Message(QStringLiteral("The merged copy %1 is kept.").arg(FileName(copy)),
                            false);
        }
        P_Merge_Next_Copy();
    });
    o_Merge_Delete_Question = question;
    question->open();
}

QString TFormMain::P_Merge_Copies_Close() {
    mergeQueue_.clear();
    DropPlan(mergePlanned_);
    QString dropped;
    if (o_Merge_Preview) {
        dropped = QStringLiteral("The merge of conflict copies was cancelled: nothing more of them "
                                 "was merged.");
        o_Merge_Preview->disconnect(this);
        o_Merge_Preview->reject();
        o_Merge_Preview = nullptr;
    }
    if (o_Merge_Delete_Question) {
        // Unanswered is No: the copy stays.
        o_Merge_Delete_Question->disconnect(this);
        o_Merge_Delete_Question->reject();
        o_Merge_Delete_Question = nullptr;
    }
    return dropped;
}
