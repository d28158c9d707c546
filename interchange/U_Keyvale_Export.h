// A database's tree as a file other programs read: the CSV column layout of
// KeePassXC, Bitwarden's unencrypted JSON, or Keyvale's own JSON. Each reads
// back through the import into the same tree.
#pragma once

#include "U_Keyvale_TreeView_Data_Tree.h"

#include <optional>
#include <string>

enum class TExportFormat {
    Csv,           // "Group","Title","Username","Password","URL","Notes","E-Mail"
    BitwardenJson, // {"encrypted": false, "folders": [...], "items": [...]}
    KeyvaleJson,   // {"format": "keyvale", "version": 1, "nodes": [...]}
};

// "csv", "bitwarden-json", "keyvale-json".
std::optional<TExportFormat> ExportFormatFromName(const std::string& name);

// The whole tree in the format. Every password is in it in plain text; the
// caller wipes the result when done.
//
// CSV and Bitwarden have no empty folders: an empty node is written as an
// entry without fields, which the import makes an empty node again. A folder
// name's "/" and "\" are written "\/" and "\\" in the folder paths. The
// E-Mail field, which neither program has, is a seventh CSV column and a
// Bitwarden custom field named "E-Mail".
std::string ExportTree(const TKeyvaleTree& tree, TExportFormat format);
