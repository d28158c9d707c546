// TPageDatabase: the tree replaced by a merged or re-read one, shown with the
// user's place in it kept, and the button that merges the conflict copies
// lying beside the database.
#include "U_FormMain_Keyvale_Page_Database.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>

#include "U_Import_Preview_Dialog.h"
#include "U_Record_Panel.h"
#include "U_Tree_Model.h"
#include "U_Tree_Places.h"
#include "U_Widget_Names.h"

TViewPlaces TPageDatabase::RememberPlaces() const {
    return TViewPlaces::Remember(*o_TV_Main);
}

void TPageDatabase::ShowReplacedTree(const TViewPlaces& places) {
    // No handle of the old tree means anything in the new one: the fields,
    // the deletion warning and a planned import go with the old tree.
    ResetTree();
    places.Restore(*o_TV_Main);
    P_Process_User_Select_Node_EVENT();
}

bool TPageDatabase::HasUnsavedEdit() const {
    return o_Record_Panel->PendingEditNode() != kNoNode || o_TV_Main->NameEditorOpen();
}

bool TPageDatabase::ImportUnderWay() const {
    return o_Import_Preview != nullptr;
}

void TPageDatabase::CreateMergeCopies() {
    b_Merge_Copies =
        Hinted(Named(new QPushButton(QStringLiteral("&Merge copies..."), o_Panel_TV),
                     "b_Merge_Copies", QStringLiteral("Merge copies")),
               QStringLiteral(" Bring in the changes of the conflict copies beside this "
                              "database "));
    b_Merge_Copies->setEnabled(false);
    auto* row = new QHBoxLayout;
    row->addWidget(b_Merge_Copies);
    row->addStretch(1);
    if (auto* panel = qobject_cast<QBoxLayout*>(o_Panel_TV->layout())) {
        panel->addLayout(row);
    }
    setTabOrder(b_Password_Health, b_Merge_Copies);
    connect(b_Merge_Copies, &QPushButton::clicked, this, [this] {
        // What is still being typed is part of the tree the copies join.
        CommitOpenName();
        StorePendingEdit();
        emit mergeCopiesRequested();
    });
}

void TPageDatabase::SetConflictCopies(int count) {
    b_Merge_Copies->setEnabled(count > 0);
}
