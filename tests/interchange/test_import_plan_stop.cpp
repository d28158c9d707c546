// A plan asked to stop (the window's Cancel, from another thread) ends at
// the next entry and leaves the tree as it was.
#include <atomic>

#include "import_fixture.h"
#include "tree_fixture.h"

namespace {

TEST(ImportPlan, StopsAtTheNextEntryWhenAskedTo) {
    const std::string csv = "name,url,username,password,note\n"
                            "a,https://a.example,eve,pw1,\n"
                            "b,https://b.example,eve,pw2,\n";
    for (const bool stop : {false, true}) {
        std::atomic<bool> flag{stop};
        TImportOptions options;
        options.stop = &flag;
        TKeyvaleTree tree;
        AddRecord(tree, kNoNode, "Mine", {"me", "pw", "", "", ""});
        TImportRun run = RunImport(tree, csv, options, TImportFormat::Detect, {}, true);
        EXPECT_EQ(run.plan.records, stop ? 0u : 2u) << stop;
        EXPECT_EQ(Contents(tree), std::vector<std::string>{"Mine | me | pw |  |  | "}) << stop;
    }
}

} // namespace
