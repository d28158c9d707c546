// Moving a record's five fields between the record panel and the tree.
//
// The window keeps the handle of the node whose fields were edited and not yet
// written (kNoNode when nothing is pending). Before another node is shown, and
// before every save, it calls SaveFolderDataToDataFolder with that handle and
// the five input texts; to show a node it calls ReadFolderDataFromDataFolder.
#pragma once

#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Tree.h"

#include <string>

enum class TRecordStoreOutcome {
    Nothing,     // nothing pending, the node is gone, or it is a folder with content
    DataChanged, // the node is now a record holding the fields; collapse it
    DataCleared, // no content: the node is empty; clear the five input fields
};

struct TRecordStoreResult {
    TRecordStoreOutcome outcome = TRecordStoreOutcome::Nothing;
    TNodeHandle node = kNoNode;
    std::string message; // for the log, without alert; empty with Nothing
};

// Which of the five fields the user changed since they were shown.
struct TRecordFieldsTouched {
    bool login = true;
    bool password = true;
    bool email = true;
    bool url = true;
    bool note = true;

    static constexpr TRecordFieldsTouched None() { return {false, false, false, false, false}; }
    bool All() const { return login && password && email && url && note; }
};

// Writes the five input fields into the pending node, consuming the pending
// handle first (it is kNoNode afterwards), so every edit is written at most
// once. Login, E-Mail, URL and Note lose their leading and trailing blanks and
// control characters; the password is stored exactly as typed. Fields without
// any content (only blanks and line breaks) remove the node's data node.
//
// A field the user did not touch keeps the value the node holds, byte for
// byte, and its input is not looked at: what a widget shows is not always
// what was stored (line breaks, long imported texts), and an edit of one
// field must not rewrite another.
TRecordStoreResult SaveFolderDataToDataFolder(TKeyvaleTree& tree, TNodeHandle& i_Selected_Node_ID,
                                              const TRecordFields& input,
                                              const TRecordFieldsTouched& touched = {});

// The fields to show for the selected node: true with the decoded fields when
// it is a record (the window collapses it), otherwise false with five empty
// fields. An undecodable data node gives five empty fields and true; the node
// keeps its data until the user edits it.
bool ReadFolderDataFromDataFolder(const TKeyvaleTree& tree, TNodeHandle selected,
                                  TRecordFields& fields);

// Whether the five values hold anything beyond blanks, control characters at
// the ends and spaces and line breaks anywhere.
bool RecordHasContent(const TRecordFields& fields);
