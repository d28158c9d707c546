// The readers of each kind of file, behind ReadImportData. Each returns
// empty on success, otherwise why the whole file cannot be read.
#pragma once

#include "U_Keyvale_Import_Csv.h"
#include "U_Keyvale_Import_Json.h"
#include "U_Keyvale_Import_Source.h"

// The CSV formats, told from the header unless `format` names one.
std::string ReadCsvImport(const TCsvTable& table, TImportFormat format, const TColumnMap& map,
                          TImportData& data);

// Bitwarden's unencrypted JSON export.
std::string ReadBitwardenJson(const TJson& document, TImportData& data);

// Keyvale's own JSON export: every node is checked, and the first that
// breaks a rule refuses the file, named by its path.
std::string ReadKeyvaleJson(const TJson& document, TImportData& data);

// The problem of the first entry past the most a database can take, where
// reading stopped.
std::string TooManyEntries();
