// Every export format read back by the import gives the tree it came from.
#include "U_Keyvale_Export.h"
#include "U_Keyvale_Export_Csv.h"
#include "import_fixture.h"
#include "tree_fixture.h"

namespace {

// Nested folders, an empty node among records, a folder whose name holds the
// path separators, non-ASCII text, quotes, commas and line breaks, an E-Mail
// that differs from the login, and a login that is an e-mail address with an
// empty E-Mail (which the import would otherwise fill in).
void BuildSample(TKeyvaleTree& tree) {
    TNodeHandle mail = AddFolder(tree, kNoNode, "Mail");
    AddRecord(tree, mail, "example.org",
              {"ann", "p,a\"ss", "ann@example.org", "https://example.org", "line 1\nline \"2\""});
    AddFolder(tree, mail, "Old accounts");
    TNodeHandle deeper = AddFolder(tree, mail, "a/b\\c");
    AddRecord(tree, deeper, "Jürgen 😀", {"bob@example.org", "pä ss", "", "", ""});
    AddRecord(tree, mail, "after the folder", {"carl", "x", "", "", "n"});
    AddRecord(tree, kNoNode, "https://a/b", {"x", "y", "z@example.org", "u", "n"});
    AddFolder(tree, kNoNode, "Empty at the root");
}

TEST(Export, EachFormatReadsBackIntoTheSameTree) {
    TKeyvaleTree original;
    BuildSample(original);
    const std::pair<TExportFormat, TImportFormat> formats[] = {
        {TExportFormat::Csv, TImportFormat::KeePassXC},
        {TExportFormat::BitwardenJson, TImportFormat::BitwardenJson},
        {TExportFormat::KeyvaleJson, TImportFormat::Keyvale},
    };
    for (const auto& [exportFormat, importFormat] : formats) {
        const std::string text = ExportTree(original, exportFormat);
        TImportData data;
        ASSERT_EQ(ReadImportData(text, TImportFormat::Detect, {}, data), "") << text;
        EXPECT_EQ(data.format, importFormat) << "told from the file itself";

        TKeyvaleTree copy;
        TImportOptions top;
        top.folder = std::vector<std::string>{};
        TImportRun run = RunImport(copy, text, top);
        EXPECT_TRUE(run.plan.refused.empty()) << text;
        EXPECT_EQ(Contents(copy), Contents(original)) << text;
        EXPECT_EQ(Outline(copy), Outline(original)) << "icons too";
    }
}

TEST(Export, CsvIsKeePassXCsLayoutWithTheEMailAfterIt) {
    TKeyvaleTree tree;
    TNodeHandle mail = AddFolder(tree, kNoNode, "Mail");
    AddRecord(tree, mail, "Web", {"ann", "p\"w", "a@b.org", "https://w", "two\nlines"});
    EXPECT_EQ(
        ExportTree(tree, TExportFormat::Csv),
        "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"E-Mail\"\n"
        "\"Root/Mail\",\"Web\",\"ann\",\"p\"\"w\",\"https://w\",\"two\nlines\",\"a@b.org\"\n");
}

TEST(ExportCsv, QuotesWhatNeedsIt) {
    EXPECT_EQ(CsvQuoted("plain"), "plain");
    EXPECT_EQ(CsvQuoted("plain", true), "\"plain\"");
    EXPECT_EQ(CsvQuoted("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvQuoted("say \"hi\"\nnow"), "\"say \"\"hi\"\"\nnow\"");
}

} // namespace
