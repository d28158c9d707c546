#include "U_Keyvale_Import_Csv.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Text.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool AllEmpty(const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) {
        if (!cell.empty()) {
            return false;
        }
    }
    return true;
}

void WipeCells(std::vector<std::string>& cells) {
    for (std::string& cell : cells) {
        KvSecureWipe(cell);
    }
}

std::string LineText(std::size_t line) {
    return "line " + std::to_string(line);
}

// Walks the text once, a character at a time; a row ends at an unquoted line
// end, a value at an unquoted comma.
class CsvReader {
  public:
    CsvReader(std::string_view text, const TCsvLimits& limits) : text_(text), limits_(limits) {}

    std::string Read(TCsvTable& table) {
        bool haveHeader = false;
        std::size_t rowsSeen = 0;
        while (position_ < text_.size()) {
            if (limits_.stop != nullptr && (++rowsSeen & 1023u) == 0 &&
                limits_.stop->load(std::memory_order_relaxed)) {
                return "the reading was cancelled";
            }
            TCsvRow row;
            row.line = line_;
            if (std::string problem = ReadRow(row); !problem.empty()) {
                WipeCells(row.cells);
                return problem;
            }
            if (row.problem.empty() && AllEmpty(row.cells)) {
                continue;
            }
            if (!haveHeader) {
                if (!row.problem.empty()) {
                    return LineText(row.line) + ", the header: " + row.problem;
                }
                table.header = std::move(row);
                haveHeader = true;
                continue;
            }
            if (table.rows.size() >= limits_.maximumRows) {
                // More rows than the caller can use: neither kept nor counted.
                WipeCells(row.cells);
                table.unreadFromLine = row.line;
                return "";
            }
            if (row.problem.empty() && row.cells.size() < table.header.cells.size()) {
                while (row.cells.size() < table.header.cells.size()) {
                    KvSecurePushBack(row.cells, std::string());
                }
            }
            table.rows.push_back(std::move(row));
        }
        return haveHeader ? "" : "the file holds no header line";
    }

  private:
    // Reads one row, up to and including its line end. A quote that ends a
    // quoted value before its comma, or a row of too many values, marks the
    // row as refused and reading goes on at the next line end; a quoted value
    // left open or text that is not UTF-8 refuses the file. Cells and the row
    // grow by the wiping helpers: every cell may be a password.
    std::string ReadRow(TCsvRow& row) {
        std::vector<std::string>& cells = row.cells;
        std::string cell;
        bool quoted = false; // inside a quoted value
        bool closed = false; // after the closing quote of this value
        const auto endCell = [&] {
            if (cells.size() < kMaximumCsvColumns) {
                KvSecurePushBack(cells, std::move(cell));
            } else if (row.problem.empty()) {
                row.problem = "it has more than " + std::to_string(kMaximumCsvColumns) +
                              " values; no export has so many columns";
            }
            KvSecureWipe(cell);
            closed = false;
        };
        for (;;) {
            if (position_ >= text_.size()) {
                if (quoted) {
                    KvSecureWipe(cell);
                    return LineText(row.line) +
                           ": a quoted value is not closed before the end of the file";
                }
                break;
            }
            const char c = text_[position_++];
            if (quoted) {
                if (c == '"') {
                    if (position_ < text_.size() && text_[position_] == '"') {
                        KvSecureAppend(cell, "\"");
                        ++position_;
                    } else {
                        quoted = false;
                        closed = true;
                    }
                } else {
                    if (c == '\n') {
                        ++line_;
                    }
                    KvSecureAppend(cell, {&c, 1});
                }
                continue;
            }
            if (c == ',') {
                endCell();
                continue;
            }
            if (c == '\n' || c == '\r') {
                if (c == '\r' && position_ < text_.size() && text_[position_] == '\n') {
                    ++position_;
                }
                ++line_;
                break;
            }
            if (closed && row.problem.empty()) {
                // "pa"ss" or "a\"b": the quote meant to stand inside the value
                // ended it. Read on, the rest would be stored changed.
                row.problem = "a quote inside a quoted value ends it early (text follows "
                              "the closing quote); a quote inside a quoted value is "
                              "written twice: \"\"";
            }
            if (c == '"' && cell.empty() && !closed) {
                quoted = true;
            } else {
                // A quote inside an unquoted value is kept as written, as the
                // programs that write such files mean it.
                KvSecureAppend(cell, {&c, 1});
            }
        }
        endCell();
        for (const std::string& value : cells) {
            if (!IsValidUtf8(value)) {
                return LineText(row.line) +
                       " is not UTF-8 text; save the file as UTF-8 and import it again";
            }
        }
        return "";
    }

    std::string_view text_;
    TCsvLimits limits_;
    std::size_t position_ = 0;
    std::size_t line_ = 1;
};

} // namespace

TCsvTable::~TCsvTable() {
    for (std::string& cell : header.cells) {
        KvSecureWipe(cell);
    }
    for (TCsvRow& row : rows) {
        for (std::string& cell : row.cells) {
            KvSecureWipe(cell);
        }
    }
}

std::string ReadCsv(std::string_view text, TCsvTable& table, const TCsvLimits& limits) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return CsvReader(text, limits).Read(table);
}
