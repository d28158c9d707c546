// TPageDatabase: importing the passwords of another program into the tree
// (the preview of what storage's import plan would do, and the plan carried
// out only when the user confirms it), and the password health report.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QAction>
#include <QDate>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <malloc.h>

#include "U_Import_Job.h"
#include "U_Import_Preview_Dialog.h"
#include "U_KV_Stack_Wipe_01.h"
#include "U_Keyvale_Import_Report.h"
#include "U_Password_Health_View.h"
#include "U_Record_Panel.h"
#include "U_Tree_Model.h"

void TPageDatabase::P_Import_Setup() {
    // In the tree's menu (a right click, or the Menu key), and Ctrl+I
    // anywhere on the page.
    menu_Import = new QAction(QStringLiteral("Import passwords..."), o_Popup_Menu_TV_Main);
    menu_Import->setObjectName(QStringLiteral("menu_Import"));
    menu_Import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    menu_Import->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    o_Popup_Menu_TV_Main->insertAction(menu_Cancel, menu_Import);
    addAction(menu_Import);
    connect(menu_Import, &QAction::triggered, this, &TPageDatabase::importRequested);
    // Every change of the tree makes a plan made before it stale.
    connect(this, &TPageDatabase::databaseEdited, this, [this] { ++treeGeneration_; });

    connect(b_Password_Health, &QPushButton::clicked, this, &TPageDatabase::b_Password_HealthClick);
    connect(o_Password_Health, &TPasswordHealthView::recordActivated, this,
            [this](TNodeHandle node) {
                emit pageWanted();
                ShowRecordOf(node);
            });
}

void TPageDatabase::ImportFrom(const QString& file) {
    P_Import_Close(); // one import at a time
    // What is still being typed goes into the tree first: the plan is made
    // for the tree as it will be changed.
    CommitOpenName();
    StorePendingEdit();

    importFile_ = file;
    importGeneration_ = treeGeneration_;
    const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    o_Import_Job = new TImportJob(o_Tree_Data, file, date, this);
    connect(o_Import_Job, &TImportJob::finished, this, &TPageDatabase::P_Import_Planned);
    // Modal to the window, so that nothing changes the tree while the job
    // reads it; the answer comes through a signal, so that a timer (the
    // idle lock) never closes the database under a waiting dialog.
    o_Import_Preview = new TImportPreviewDialog(file, this);
    connect(o_Import_Preview, &QDialog::finished, this, &TPageDatabase::P_Import_Answered);
    o_Import_Preview->open();
    o_Import_Job->Start();
}

void TPageDatabase::P_Import_Planned(std::shared_ptr<TImportPreview> preview) {
    if (!o_Import_Preview) {
        return;
    }
    if (!preview->problem.isEmpty()) {
        P_Import_Close();
        emit messageRaised(
            QStringLiteral("Cannot import %1: %2").arg(importFile_, preview->problem), true);
        return;
    }
    importPlanned_ = std::move(preview);
    o_Import_Preview->ShowPlan(importPlanned_->summary, importPlanned_->refused,
                               importPlanned_->plan.HasChanges());
}

void TPageDatabase::P_Import_Answered(int result) {
    const std::shared_ptr<TImportPreview> preview = importPlanned_;
    P_Import_Close();
    if (result != QDialog::Accepted || !preview || !preview->plan.HasChanges()) {
        return;
    }
    if (treeGeneration_ != importGeneration_) {
        // The plan names nodes of the tree as it was; applied to another
        // tree it would add records where nobody saw them go.
        emit messageRaised(QStringLiteral("Nothing was imported from %1: the database changed "
                                          "while its preview was open. Import the file again to "
                                          "see what it adds now.")
                               .arg(importFile_),
                           true);
        return;
    }
    P_Import_Apply(*preview);
}

void TPageDatabase::P_Import_Apply(TImportPreview& preview) {
    const TNodeHandle destination = ApplyImportPlan(o_Tree_Data, preview.plan);
    // Enciphering hundreds of records leaves pieces of their fields in the
    // frames the cipher used; the frames below this one are wiped at once
    // (and again when the preview is gone, see P_Import_Close).
    KvWipeStack();
    ResetTree();
    for (const std::string& line : ImportSummary(preview.plan, preview.source, true)) {
        emit messageRaised(QString::fromStdString(line), false);
    }
    for (const QString& line : preview.refused.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        emit messageRaised(QStringLiteral("    ") + line, false);
    }
    emit databaseEdited();
    o_TV_Main->SelectNode(destination);
    o_TV_Main->expand(o_TV_Main_Model->IndexOf(destination));
    o_TV_Main->setFocus();
    P_Process_User_Select_Node_EVENT();
}

void TPageDatabase::P_Import_Close() {
    if (o_Import_Job) {
        o_Import_Job->Cancel(); // it goes by itself once its thread has ended
        o_Import_Job = nullptr;
    }
    importPlanned_.reset(); // the plan's secrets are wiped as it goes
    if (o_Import_Preview) {
        // A large file's plan and refusals leave much freed memory behind;
        // it goes back to the system once the dialog and its texts are gone.
        // Handing the plan over, showing and dropping it also left short
        // fields in stack frames of the main thread, above the frame that
        // applied it: the event loop wipes them from its own frame.
        connect(o_Import_Preview, &QObject::destroyed, [] {
            QTimer::singleShot(0, [] {
                KvWipeStack(128 * 1024);
                malloc_trim(0);
            });
        });
        o_Import_Preview->disconnect(this);
        o_Import_Preview->close();
        o_Import_Preview->deleteLater();
        o_Import_Preview = nullptr;
    }
}

QStringList TPageDatabase::CloseDatabaseDialogs() {
    QStringList dropped;
    if (o_Import_Preview) {
        dropped << QStringLiteral("The import from %1 was cancelled: nothing of it was imported.")
                       .arg(importFile_);
    }
    P_Import_Close();
    o_Password_Health->close();
    o_Record_Panel->CloseGeneratorOptions();
    return dropped;
}

void TPageDatabase::b_Password_HealthClick() {
    // What is typed into the record panel counts: it is written into the
    // tree first, as before a save.
    StorePendingEdit();
    o_Password_Health->Open();
}
