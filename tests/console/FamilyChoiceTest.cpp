// Which processes are the interpreter's family, from a process list with reused ids; pure, runs natively
// and under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "console/FamilyChoice.h"

namespace {

std::vector<uint32_t> Ids(const std::vector<ProcessRecord>& family) {
    std::vector<uint32_t> ids;
    for (const ProcessRecord& p : family) ids.push_back(p.id);
    return ids;
}

TEST(FamilyChoiceTest, DescendantsOfTheRootButNotThroughReusedIdsNorThisProgram) {
    const ProcessRecord root{100, 4, 10, "cmd.exe"};
    // Listed grandchildren first, so that one pass over the list cannot find them all.
    const std::vector<ProcessRecord> all{
        {301, 300, 31, "more.com"},     // great-grandchild
        {300, 200, 30, "find.exe"},     // grandchild
        {302, 200, 15, "old.exe"},      // names 200, which was created after it: the id was reused
        {200, 100, 20, "sort.exe"},     // child
        {201, 100, 10, "same.exe"},     // created in the same tick as its parent: a child
        {400, 100, 9, "stale.exe"},     // older than the root: its parent was an earlier 100
        {401, 400, 40, "orphan.exe"},   // child of that one, so no descendant either
        {500, 100, 50, "vextral.exe"},  // this program
        {100, 4, 10, "cmd.exe"},
        {600, 1, 60, "other.exe"},
        {0, 0, 0, "[System Process]"},
    };
    const std::vector<ProcessRecord> family = Family(all, root, 500);
    ASSERT_FALSE(family.empty());
    EXPECT_EQ(100u, family.front().id);
    std::vector<uint32_t> ids = Ids(family);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ((std::vector<uint32_t>{100, 200, 201, 300, 301}), ids);

    // A root missing from the list (it ended meanwhile) still heads what is left of its family.
    std::vector<ProcessRecord> without;
    for (const ProcessRecord& p : all) {
        if (p.id != root.id) without.push_back(p);
    }
    const std::vector<ProcessRecord> orphaned = Family(without, root, 500);
    ASSERT_FALSE(orphaned.empty());
    EXPECT_EQ("cmd.exe", orphaned.front().name);
    EXPECT_EQ(5u, orphaned.size());
}

TEST(FamilyChoiceTest, ConsoleHostIsKnownInAnyCaseAndOnlyByItsWholeName) {
    EXPECT_TRUE(IsConsoleHost("conhost.exe"));
    EXPECT_TRUE(IsConsoleHost("ConHost.EXE"));
    EXPECT_FALSE(IsConsoleHost("conhost.ex"));
    EXPECT_FALSE(IsConsoleHost("xconhost.exe"));
    EXPECT_FALSE(IsConsoleHost("conhost.exe "));
    EXPECT_FALSE(IsConsoleHost(""));
}

}  // namespace
