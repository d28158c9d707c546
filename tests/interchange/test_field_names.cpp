// The five field names come from the model's one table: the import's column
// map and the JSON export take them from it, with the window's captions.
#include "U_Keyvale_Export.h"
#include "U_Keyvale_Import_Source.h"
#include "U_Keyvale_TreeView_Data_Rules.h"
#include "tree_fixture.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FieldNames, EveryUserOfAFieldNameTakesItFromTheTable) {
    struct Case {
        TRecordField field;
        const char* name;
        const char* caption;
    };
    const Case cases[] = {
        {TRecordField::Login, "login", "Login"},  {TRecordField::Password, "password", "Password"},
        {TRecordField::Email, "email", "E-Mail"}, {TRecordField::Url, "url", "URL"},
        {TRecordField::Note, "note", "Note"},
    };
    ASSERT_EQ(std::size(cases), std::size(kRecordFieldRules));
    TKeyvaleTree tree;
    AddRecord(tree, kNoNode, "r", {"l", "p", "e", "u", "n"});
    const nlohmann::ordered_json exported =
        nlohmann::ordered_json::parse(ExportTree(tree, TExportFormat::KeyvaleJson));
    std::vector<std::string> exportedNames;
    for (const auto& [key, value] : exported["nodes"][0]["record"].items()) {
        exportedNames.push_back(key);
    }
    std::vector<std::string> names;
    std::size_t index = 0;
    for (const Case& c : cases) {
        const TRecordFieldRule& rule = RecordFieldRule(c.field);
        EXPECT_EQ(&rule, &kRecordFieldRules[index]) << c.name;
        EXPECT_STREQ(rule.name, c.name);
        EXPECT_STREQ(rule.caption, c.caption);
        TColumnMap map;
        EXPECT_EQ(ParseColumnMap(std::string(c.name) + "=Column", map), "") << c.name;
        EXPECT_EQ(map.count(c.name), 1u) << c.name;
        names.push_back(c.name);
        ++index;
    }
    EXPECT_EQ(exportedNames, names);
    TColumnMap map;
    EXPECT_EQ(ParseColumnMap("pin=PIN", map),
              "\"pin\" is no field; the fields are name, login, password, email, url, note and "
              "folder");
}

} // namespace
