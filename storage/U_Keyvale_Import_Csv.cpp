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

// Walks the text once, a character at a time; a row ends at an unquoted line
// end, a value at an unquoted comma.
class CsvReader {
  public:
    explicit CsvReader(std::string_view text) : text_(text) {}

    std::string Read(TCsvTable& table) {
        bool haveHeader = false;
        while (position_ < text_.size()) {
            TCsvRow row;
            row.line = line_;
            if (std::string problem = ReadRow(row.cells); !problem.empty()) {
                WipeCells(row.cells);
                return problem;
            }
            if (AllEmpty(row.cells)) {
                continue;
            }
            if (!haveHeader) {
                table.header = std::move(row);
                haveHeader = true;
            } else {
                table.rows.push_back(std::move(row));
            }
        }
        return haveHeader ? "" : "the file holds no header line";
    }

  private:
    static void WipeCells(std::vector<std::string>& cells) {
        for (std::string& cell : cells) {
            KvSecureWipe(cell);
        }
    }

    // Reads one row, up to and including its line end. Cells and the row
    // grow by the wiping helpers: every cell may be a password.
    std::string ReadRow(std::vector<std::string>& cells) {
        const std::size_t rowLine = line_;
        std::string cell;
        bool quoted = false;
        bool wasQuoted = false;
        for (;;) {
            if (position_ >= text_.size()) {
                if (quoted) {
                    KvSecureWipe(cell);
                    return "line " + std::to_string(rowLine) +
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
                    }
                } else {
                    if (c == '\n') {
                        ++line_;
                    }
                    KvSecureAppend(cell, {&c, 1});
                }
                continue;
            }
            if (c == '"' && !wasQuoted && cell.empty()) {
                quoted = true;
                wasQuoted = true;
            } else if (c == ',') {
                KvSecurePushBack(cells, std::move(cell));
                wasQuoted = false;
            } else if (c == '\n' || c == '\r') {
                if (c == '\r' && position_ < text_.size() && text_[position_] == '\n') {
                    ++position_;
                }
                ++line_;
                break;
            } else {
                // A quote inside an unquoted value, or text after a closing
                // quote: kept as written, as the programs that write such
                // files mean it.
                KvSecureAppend(cell, {&c, 1});
            }
        }
        KvSecurePushBack(cells, std::move(cell));
        for (const std::string& value : cells) {
            if (!IsValidUtf8(value)) {
                return "line " + std::to_string(rowLine) +
                       " is not UTF-8 text; save the file as UTF-8 and import it again";
            }
        }
        return "";
    }

    std::string_view text_;
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

std::string ReadCsv(std::string_view text, TCsvTable& table) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return CsvReader(text).Read(table);
}

std::string CsvQuoted(const std::string& value, bool always) {
    if (!always && value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}
