// Writing CSV: how a value stands in a CSV file, for the export. The reader
// of other programs' CSV files is U_Keyvale_Import_Csv; the two share only
// the format, so that the export does not depend on the import.
#pragma once

#include <string>

// One value as it goes into a CSV file: in double quotes, each quote inside
// doubled, when it holds a comma, a quote or a line break, or always.
std::string CsvQuoted(const std::string& value, bool always = false);
