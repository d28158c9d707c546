// Telling an export from a database by its first bytes: a database file is
// enciphered bytes from its first byte on, an export is text that starts the
// way its program writes it. The window names such a file when it is given
// as a database, instead of asking for a main password it cannot have.
#pragma once

#include "U_Keyvale_Import_Source.h"

#include <optional>
#include <string>
#include <string_view>

// How many bytes of the file's start SniffExportFormat looks at.
inline constexpr std::size_t kExportSniffBytes = 4096;

// The export format the start of a file reads as; nothing when it reads as
// none Keyvale imports. Only the start is looked at (a CSV file's header
// line, a JSON file's first keys), never an entry's fields.
std::optional<TImportFormat> SniffExportFormat(std::string_view start);

// The same for the file at `path`; nothing as well when it cannot be read.
std::optional<TImportFormat> SniffExportFile(const std::string& path);

// What a user calls such a file: "a Bitwarden export (JSON)".
std::string ExportDescription(TImportFormat format);
