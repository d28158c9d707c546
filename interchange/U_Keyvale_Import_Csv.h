// Reading CSV files as browsers and password programs write them: values
// separated by commas, quoted when they hold a comma, a quote or a line
// break, a quote inside doubled; LF or CRLF line ends; an optional UTF-8
// byte-order mark; UTF-8 text.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TCsvRow {
    std::size_t line = 0; // the file's line on which the row begins, from 1
    std::vector<std::string> cells;
    // Why the row cannot be taken (a quote that ends a quoted value early,
    // too many values); its cells are then not to be used.
    std::string problem;
};

// A row holds at most this many values; no export has nearly so many columns.
inline constexpr std::size_t kMaximumCsvColumns = 1000;

// The header row and the rows after it. The cells hold passwords, so the
// table wipes them when it goes.
struct TCsvTable {
    TCsvRow header;
    std::vector<TCsvRow> rows;
    // When reading stopped after the most rows asked for: the line of the
    // first row not read; otherwise 0.
    std::size_t unreadFromLine = 0;

    TCsvTable() = default;
    TCsvTable(const TCsvTable&) = delete;
    TCsvTable& operator=(const TCsvTable&) = delete;
    TCsvTable(TCsvTable&&) = default;
    TCsvTable& operator=(TCsvTable&&) = default;
    ~TCsvTable();
};

struct TCsvLimits {
    // Rows after the header kept at most; reading stops at the next one.
    std::size_t maximumRows = static_cast<std::size_t>(-1);
    // When given and set, reading ends early with a refusal saying so.
    const std::atomic<bool>* stop = nullptr;
};

// Reads the text. Rows whose cells are all empty (blank lines) are left out;
// a row with fewer values than the header gets the missing last ones empty,
// as browsers read such files. Returns empty on success, otherwise what is
// wrong and on which line (a quoted value never closed, text that is not
// UTF-8, no header, a header of too many columns).
std::string ReadCsv(std::string_view text, TCsvTable& table, const TCsvLimits& limits = {});
