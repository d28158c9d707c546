#include "U_Keyvale_TreeView_Data_Fields.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Keyvale_TreeView_Data_Text.h"

bool RecordHasContent(const TRecordFields& fields) {
    std::string joined;
    joined.reserve(fields.login.size() + fields.password.size() + fields.email.size() +
                   fields.url.size() + fields.note.size());
    for (const std::string* field :
         {&fields.login, &fields.password, &fields.email, &fields.url, &fields.note}) {
        joined += *field;
    }
    std::string trimmed = TrimBlanksAndControls(joined);
    KvSecureWipe(joined);
    bool content = trimmed.find_first_not_of(" \r\n") != std::string::npos;
    KvSecureWipe(trimmed);
    return content;
}

TRecordStoreResult SaveFolderDataToDataFolder(TKeyvaleTree& tree, TNodeHandle& i_Selected_Node_ID,
                                              const TRecordFields& input,
                                              const TRecordFieldsTouched& touched) {
    TRecordStoreResult result;
    if (i_Selected_Node_ID == kNoNode) {
        return result;
    }
    TNodeHandle node = i_Selected_Node_ID;
    i_Selected_Node_ID = kNoNode;
    if (!tree.Contains(node) || tree.Icon(node) == kIconFolder) {
        return result;
    }
    TNodeHandle first = tree.FirstChild(node);
    if (first != kNoNode && tree.TextLength(first) < kDataNodeMinimumLength) {
        return result; // a folder holding user nodes never gets a data node
    }

    TRecordFields fields;
    if (!touched.All()) {
        ReadFolderDataFromDataFolder(tree, node, fields); // what the node holds now
    }
    const auto take = [](bool changed, std::string& field, const std::string& typed, bool trim) {
        if (changed) {
            KvSecureAssign(field, trim ? TrimBlanksAndControls(typed) : std::string(typed));
        }
    };
    take(touched.login, fields.login, input.login, true);
    take(touched.password, fields.password, input.password, false);
    take(touched.email, fields.email, input.email, true);
    take(touched.url, fields.url, input.url, true);
    take(touched.note, fields.note, input.note, true);
    tree.DeleteChildren(node);
    result.node = node;
    const std::string& name = tree.Text(node);
    if (RecordHasContent(fields)) {
        tree.SetIcon(node, kIconRecord);
        tree.AddChild(node, RecordDataEncode(fields), kIconEmpty);
        result.outcome = TRecordStoreOutcome::DataChanged;
        result.message = "<< " + name + " >>  data changed.";
    } else {
        tree.SetIcon(node, kIconEmpty);
        result.outcome = TRecordStoreOutcome::DataCleared;
        result.message = "<< " + name + " >>  data cleared.";
    }
    return result;
}

bool ReadFolderDataFromDataFolder(const TKeyvaleTree& tree, TNodeHandle selected,
                                  TRecordFields& fields) {
    fields.Wipe();
    TNodeHandle first = tree.FirstChild(selected);
    if (first == kNoNode || tree.TextLength(first) < kDataNodeMinimumLength ||
        tree.Icon(selected) != kIconRecord) {
        return false;
    }
    fields = RecordDataDecode(tree.Text(first)); // a copy; the decoded one wipes itself
    return true;
}
