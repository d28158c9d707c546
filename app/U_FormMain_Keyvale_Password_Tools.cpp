// TFormMain: the password generator beside the Password field and the
// password health report, both classes of their own; this file only places
// them on the Database page and connects them to the tree and the log.
#include "U_FormMain_Keyvale.h"
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "U_Password_Generator_Button.h"
#include "U_Password_Health_View.h"
#include "U_Tree_Model.h"
#include "U_Widget_Names.h"

void TFormMain::P_Password_Tools_Setup() {
    // The generator shares the Password field's row: the field, then its
    // two buttons, so that Tab goes from the field to them.
    auto* grid = qobject_cast<QGridLayout*>(o_Page_Database->o_Panel_Right->layout());
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    grid->getItemPosition(grid->indexOf(o_Page_Database->F_Password), &row, &column, &rowSpan,
                          &columnSpan);
    grid->removeWidget(o_Page_Database->F_Password);
    auto* line = Named(new QWidget(o_Page_Database->o_Panel_Right), "o_Password_Line",
                       QStringLiteral("Password and generator"));
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    o_Page_Database->F_Password->setParent(line);
    o_Page_Database->o_Password_Generator =
        new TPasswordGeneratorButton(o_Page_Database->F_Password, services_.iniPath, line);
    layout->addWidget(o_Page_Database->F_Password, 1);
    layout->addWidget(o_Page_Database->o_Password_Generator);
    grid->addWidget(line, row, column, rowSpan, columnSpan);
    setTabOrder(o_Page_Database->F_Password,
                o_Page_Database->o_Password_Generator->GenerateButton());
    setTabOrder(o_Page_Database->o_Password_Generator->GenerateButton(),
                o_Page_Database->o_Password_Generator->OptionsButton());
    connect(o_Page_Database->o_Password_Generator, &TPasswordGeneratorButton::message, this,
            [this](const QString& text) { P_Print_Message(text, false); });

    // The report's button closes the row of the tree's Up and Down buttons.
    o_Page_Database->b_Password_Health = Hinted(
        Named(new QPushButton(QStringLiteral("Password &health"), o_Page_Database->o_Panel_TV),
              "b_Password_Health", QStringLiteral("Password health")),
        QStringLiteral(" Weak, reused and guessable passwords of this "
                       "database "));
    for (QHBoxLayout* moves : o_Page_Database->o_Panel_TV->findChildren<QHBoxLayout*>()) {
        if (moves->indexOf(o_Page_Database->b_Node_Down) >= 0) {
            moves->addWidget(o_Page_Database->b_Password_Health);
        }
    }
    setTabOrder(o_Page_Database->b_Node_Down, o_Page_Database->b_Password_Health);
    o_Page_Database->o_Password_Health =
        new TPasswordHealthView(o_Tree_Data, o_Page_Database->o_TV_Main_Model, this);
    connect(o_Page_Database->b_Password_Health, &QPushButton::clicked, this,
            &TFormMain::b_Password_HealthClick);
    connect(o_Page_Database->o_Password_Health, &TPasswordHealthView::recordActivated, this,
            &TFormMain::P_Health_Record_Activated);
}

void TFormMain::b_Password_HealthClick() {
    // What is typed into the record panel counts: it is written into the
    // tree first, as before a save.
    P_Save_Folder_Data_to_Data_Folder(i_GLOBAL_Node_ID);
    o_Page_Database->o_Password_Health->Open();
}

void TFormMain::P_Health_Record_Activated(TNodeHandle node) {
    o_Page_Control->setCurrentWidget(page_Database);
    activateWindow();
    // The tree's selection is the one way into the record panel.
    o_Page_Database->o_TV_Main->SelectNode(node);
    o_Page_Database->o_TV_Main->setFocus();
}
