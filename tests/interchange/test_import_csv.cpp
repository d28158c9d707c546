// The CSV reader, on the quoting and line ends that real exports use.
#include "U_Keyvale_Import_Csv.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::vector<std::string>> Cells(const TCsvTable& table) {
    std::vector<std::vector<std::string>> cells = {table.header.cells};
    for (const TCsvRow& row : table.rows) {
        cells.push_back(row.cells);
    }
    return cells;
}

TEST(Csv, ReadsQuotingLineEndsAndByteOrderMark) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::vector<std::string>> cells;
        std::vector<std::size_t> lines; // where each row after the header begins
    };
    const Case cases[] = {
        {"plain LF, last row without line end",
         "a,b\n1,2\n3,4",
         {{"a", "b"}, {"1", "2"}, {"3", "4"}},
         {2, 3}},
        {"CRLF and a byte-order mark",
         "\xEF\xBB\xBF"
         "a,b\r\n1,2\r\n",
         {{"a", "b"}, {"1", "2"}},
         {2}},
        {"quoted comma, doubled quote, empty values",
         "a,b,c\n\"x,y\",\"say \"\"hi\"\"\",\n",
         {{"a", "b", "c"}, {"x,y", "say \"hi\"", ""}},
         {2}},
        {"line breaks inside a quoted value count as lines",
         "a,b\r\n\"line 1\r\nline 2\nline 3\",x\r\nnext,y\r\n",
         {{"a", "b"}, {"line 1\r\nline 2\nline 3", "x"}, {"next", "y"}},
         {2, 5}},
        {"blank lines are left out", "a\n\n1\n\n", {{"a"}, {"1"}}, {3}},
        {"a stray quote inside an unquoted value stays",
         "a,b\n5\"2,x\n",
         {{"a", "b"}, {"5\"2", "x"}},
         {2}},
        {"non-ASCII text", "name\nJürgen 😀\n", {{"name"}, {"Jürgen 😀"}}, {2}},
    };
    for (const Case& c : cases) {
        TCsvTable table;
        ASSERT_EQ(ReadCsv(c.text, table), "") << c.what;
        EXPECT_EQ(Cells(table), c.cells) << c.what;
        std::vector<std::size_t> lines;
        for (const TCsvRow& row : table.rows) {
            lines.push_back(row.line);
        }
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}

TEST(Csv, RefusesWhatItCannotReadNamingTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"a,b\n1,2\n\"open,3\n4,5\n", "line 3: a quoted value is not closed"},
        {"a,b\n1,2\nx\xff,3\n", "line 3 is not UTF-8 text"},
        {"\n\n", "no header"},
    };
    for (const auto& [text, error] : cases) {
        TCsvTable table;
        EXPECT_NE(ReadCsv(text, table).find(error), std::string::npos) << text;
    }
}

TEST(Csv, RefusesARowWhoseQuoteEndsItsValueEarlyAndReadsOn) {
    // "pa"ss" and "a\"b": the quote meant inside the value ends it.
    TCsvTable table;
    ASSERT_EQ(ReadCsv("a,b\n\"pa\"ss\",x\n\"a\\\"b\",y\n\"ok \"\"q\"\"\",z\n", table), "");
    ASSERT_EQ(table.rows.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NE(table.rows[i].problem.find("a quote inside a quoted value ends it early"),
                  std::string::npos)
            << table.rows[i].line;
        EXPECT_EQ(table.rows[i].problem.find("ss"), std::string::npos);
    }
    EXPECT_EQ(table.rows[2].problem, "");
    EXPECT_EQ(table.rows[2].cells, (std::vector<std::string>{"ok \"q\"", "z"}));
}

TEST(Csv, MissingLastValuesAreEmptyAndTooManyColumnsAreRefused) {
    TCsvTable table;
    ASSERT_EQ(ReadCsv("a,b,c,d\n1,2\n1,2,3,4,5\n", table), "");
    EXPECT_EQ(table.rows[0].cells, (std::vector<std::string>{"1", "2", "", ""}));
    EXPECT_EQ(table.rows[1].cells.size(), 5u) << "more values than the header stay for the reader "
                                                 "to refuse";

    std::string wide = "a,b\n";
    for (std::size_t i = 0; i <= kMaximumCsvColumns; ++i) {
        wide += ",";
    }
    TCsvTable wideTable;
    ASSERT_EQ(ReadCsv(wide + "\n1,2\n", wideTable), "");
    EXPECT_NE(wideTable.rows[0].problem.find("more than 1000 values"), std::string::npos);
    EXPECT_LE(wideTable.rows[0].cells.size(), kMaximumCsvColumns);
    EXPECT_EQ(wideTable.rows[1].cells, (std::vector<std::string>{"1", "2"}));

    TCsvTable wideHeader;
    EXPECT_NE(
        ReadCsv("x" + wide.substr(4), wideHeader).find("line 1, the header: it has more than"),
        std::string::npos);
}

TEST(Csv, StopsAfterTheMostRowsAskedFor) {
    std::string text = "a,b\n";
    for (int i = 0; i < 100; ++i) {
        text += "x,\n,,\n"; // blank rows are not counted
    }
    TCsvTable table;
    TCsvLimits limits;
    limits.maximumRows = 10;
    ASSERT_EQ(ReadCsv(text, table, limits), "");
    EXPECT_EQ(table.rows.size(), 10u);
    EXPECT_EQ(table.unreadFromLine, 22u);

    std::atomic<bool> stop{true};
    limits.stop = &stop;
    limits.maximumRows = 100000;
    for (int i = 0; i < 2000; ++i) {
        text += "x,y\n";
    }
    TCsvTable stopped;
    EXPECT_EQ(ReadCsv(text, stopped, limits), "the reading was cancelled");
}

} // namespace
