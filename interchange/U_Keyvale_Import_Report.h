// What an import did or would do, in words: the same sentences for
// keyvale-cli's --dry-run, its result, and the window's preview.
#pragma once

#include "U_Keyvale_Import_Plan.h"

#include <string>
#include <vector>

// "Adds 12 records and 1 folder from Chrome into "Imported from Chrome ...".",
// then each entry skipped and each whose note lacks lines the import adds
// (indented below a heading), the names that got a number, and the heading
// for the refusals (ImportRefusalLines lists them). `done`: "Added" instead
// of "Adds" (in the preview nothing has happened yet).
std::vector<std::string> ImportSummary(const TImportPlan& plan, const std::string& source,
                                       bool done);

// One line per refusal (or other entry named with a reason), "line 7: its
// name ..."; entries in a row with one reason share a line, "lines 5003 to
// 10002: ...".
std::vector<std::string> ImportRefusalLines(const std::vector<TImportRefusal>& refused);
