// Reading CSV files as browsers and password programs write them: values
// separated by commas, quoted when they hold a comma, a quote or a line
// break, a quote inside doubled; LF or CRLF line ends; an optional UTF-8
// byte-order mark; UTF-8 text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TCsvRow {
    std::size_t line = 0; // the file's line on which the row begins, from 1
    std::vector<std::string> cells;
};

// The header row and the rows after it. The cells hold passwords, so the
// table wipes them when it goes.
struct TCsvTable {
    TCsvRow header;
    std::vector<TCsvRow> rows;

    TCsvTable() = default;
    TCsvTable(const TCsvTable&) = delete;
    TCsvTable& operator=(const TCsvTable&) = delete;
    TCsvTable(TCsvTable&&) = default;
    TCsvTable& operator=(TCsvTable&&) = default;
    ~TCsvTable();
};

// Reads the whole text. Rows whose cells are all empty (blank lines) are left
// out. Returns empty on success, otherwise what is wrong and on which line
// (a quoted value never closed, text that is not UTF-8, no header).
std::string ReadCsv(std::string_view text, TCsvTable& table);

// One value as it goes into a CSV file: quoted when it needs to be, or always.
std::string CsvQuoted(const std::string& value, bool always = false);
