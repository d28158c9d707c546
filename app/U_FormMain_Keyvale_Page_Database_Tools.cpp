// TPageDatabase: importing the passwords of another program into the tree
// (the preview of what storage's import plan would do, and the plan carried
// out only when the user confirms it), and the password tools: the
// generator's messages and the health report.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QAction>
#include <QDate>
#include <QMenu>
#include <QPushButton>

#include "U_Import_Preview_Dialog.h"
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Plan.h"
#include "U_Keyvale_Import_Report.h"
#include "U_Keyvale_Import_Source.h"
#include "U_Password_Generator_Button.h"
#include "U_Password_Health_View.h"
#include "U_Tree_Model.h"

namespace {

QStringList ToQt(const std::vector<std::string>& lines) {
    QStringList result;
    for (const std::string& line : lines) {
        result << QString::fromStdString(line);
    }
    return result;
}

} // namespace

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

    connect(o_Password_Generator, &TPasswordGeneratorButton::message, this,
            [this](const QString& text) { emit messageRaised(text, false); });
    connect(b_Password_Health, &QPushButton::clicked, this, &TPageDatabase::b_Password_HealthClick);
    connect(o_Password_Health, &TPasswordHealthView::recordActivated, this,
            [this](TNodeHandle node) {
                emit pageWanted();
                ShowRecordOf(node);
            });
}

void TPageDatabase::ImportFrom(const QString& file) {
    // A pending edit goes into the tree first: the plan is made for the tree
    // as it will be changed.
    StorePendingEdit();

    std::string text;
    TImportData data;
    std::string problem = ReadImportFile(file.toStdString(), text);
    if (problem.empty()) {
        problem = ReadImportData(text, TImportFormat::Detect, {}, data);
    }
    KvSecureWipe(text);
    if (!problem.empty()) {
        emit messageRaised(
            QStringLiteral("Cannot import %1: %2").arg(file, QString::fromStdString(problem)),
            true);
        return;
    }
    TImportOptions options;
    options.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    TImportPlan plan = PlanImport(o_Tree_Data, data, options);
    if (!plan.error.empty()) {
        emit messageRaised(
            QStringLiteral("Cannot import %1: %2").arg(file, QString::fromStdString(plan.error)),
            true);
        return;
    }
    const std::string source = ImportSourceName(data.format);
    TImportPreviewDialog preview(file, ToQt(ImportSummary(plan, source, false)),
                                 ToQt(ImportRefusalLines(plan.refused)), plan.HasChanges(), this);
    if (preview.exec() != QDialog::Accepted || !plan.HasChanges()) {
        return;
    }

    const TNodeHandle destination = ApplyImportPlan(o_Tree_Data, plan);
    ResetTree();
    for (const QString& line : ToQt(ImportSummary(plan, source, true))) {
        emit messageRaised(line, false);
    }
    for (const QString& line : ToQt(ImportRefusalLines(plan.refused))) {
        emit messageRaised(QStringLiteral("    ") + line, false);
    }
    emit databaseEdited();
    o_TV_Main->SelectNode(destination);
    o_TV_Main->expand(o_TV_Main_Model->IndexOf(destination));
    o_TV_Main->setFocus();
    P_Process_User_Select_Node_EVENT();
}

void TPageDatabase::b_Password_HealthClick() {
    // What is typed into the record panel counts: it is written into the
    // tree first, as before a save.
    StorePendingEdit();
    o_Password_Health->Open();
}
