// Importing the passwords of another program into the open database: a file
// dialog, the preview of what storage's import plan would do, and the plan
// carried out only when the user confirms it.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"
#include "U_Import_Preview_Dialog.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Plan.h"
#include "U_Keyvale_Import_Report.h"
#include "U_Keyvale_Import_Source.h"
#include "U_Tree_Model.h"

#include <QAction>
#include <QDate>
#include <QFileDialog>
#include <QMenu>

namespace {

QStringList ToQt(const std::vector<std::string>& lines) {
    QStringList result;
    for (const std::string& line : lines) {
        result << QString::fromStdString(line);
    }
    return result;
}

} // namespace

void TFormMain::P_Import_Setup() {
    // In the tree's menu (a right click, or the Menu key), and Ctrl+I
    // anywhere on the Database page.
    o_Page_Database->menu_Import =
        new QAction(QStringLiteral("Import passwords..."), o_Page_Database->o_Popup_Menu_TV_Main);
    o_Page_Database->menu_Import->setObjectName(QStringLiteral("menu_Import"));
    o_Page_Database->menu_Import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    o_Page_Database->menu_Import->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    o_Page_Database->o_Popup_Menu_TV_Main->insertAction(o_Page_Database->menu_Cancel,
                                                        o_Page_Database->menu_Import);
    // The page's content, as it is being built (the page itself is made
    // around it afterwards).
    QWidget* content = o_Page_Database->o_TV_Main;
    while (content->parentWidget() != nullptr) {
        content = content->parentWidget();
    }
    content->addAction(o_Page_Database->menu_Import);
    connect(o_Page_Database->menu_Import, &QAction::triggered, this, &TFormMain::menu_ImportClick);
}

void TFormMain::menu_ImportClick() {
    if (!o_Session.IsOpen()) {
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Import passwords"), s_GLOBAL_Current_Directory);
    dialog.setObjectName(QStringLiteral("o_Import_File_Dialog"));
    dialog.setNameFilters(
        {QStringLiteral("Exports of browsers and password programs (*.csv *.json)"),
         QStringLiteral("All files (*)")});
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    P_Import_From_File(dialog.selectedFiles().constFirst());
}

void TFormMain::P_Import_From_File(const QString& s_File) {
    // A pending edit goes into the tree first: the plan is made for the tree
    // as it will be changed.
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);

    std::string text;
    TImportData data;
    std::string problem = ReadImportFile(s_File.toStdString(), text);
    if (problem.empty()) {
        problem = ReadImportData(text, TImportFormat::Detect, {}, data);
    }
    KvSecureWipe(text);
    if (!problem.empty()) {
        P_Print_Message(
            QStringLiteral("Cannot import %1: %2").arg(s_File, QString::fromStdString(problem)),
            true);
        return;
    }
    TImportOptions options;
    options.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    TImportPlan plan = PlanImport(o_Tree_Data, data, options);
    if (!plan.error.empty()) {
        P_Print_Message(
            QStringLiteral("Cannot import %1: %2").arg(s_File, QString::fromStdString(plan.error)),
            true);
        return;
    }
    const std::string source = ImportSourceName(data.format);
    TImportPreviewDialog preview(s_File, ToQt(ImportSummary(plan, source, false)),
                                 ToQt(ImportRefusalLines(plan.refused)), plan.HasChanges(), this);
    if (preview.exec() != QDialog::Accepted || !plan.HasChanges()) {
        return;
    }

    const TNodeHandle destination = ApplyImportPlan(o_Tree_Data, plan);
    P_Tree_View_Reset();
    for (const QString& line : ToQt(ImportSummary(plan, source, true))) {
        P_Print_Message(line, false);
    }
    for (const QString& line : ToQt(ImportRefusalLines(plan.refused))) {
        P_Print_Message(QStringLiteral("    ") + line, false);
    }
    P_Start_Auto_Save_Countdown();
    o_Page_Database->o_TV_Main->SelectNode(destination);
    o_Page_Database->o_TV_Main->expand(o_Page_Database->o_TV_Main_Model->IndexOf(destination));
    o_Page_Database->o_TV_Main->setFocus();
    P_Process_User_Select_Node_EVENT();
}
