#include <gtest/gtest.h>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/side/Remote.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::operator""_sys;

using test::TempDir;

class Construct : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Chinese); }
    TempDir dir;
};

TEST_F(Construct, AMissingFolderStopsEverythingWithItsName)
{
    const std::string a = dir.folder("A");
    const std::string missing = dir / "gone";
    dirCompare onlyB(test::request(missing, a, {test::kSep}, {}, 0x1F), nullptr);
    EXPECT_EQ(onlyB.state, FolderMissing);
    EXPECT_EQ(onlyB.errorText, "目录"_sys + missing + "不存在"_sys);
    EXPECT_EQ(onlyB.pathA, "");

    setLanguage(English);
    dirCompare both(test::request(missing, missing + "2", {test::kSep}, {}, 0x1F), nullptr);
    EXPECT_EQ(both.state, FolderMissing);
    EXPECT_EQ(both.errorText, "directory " + missing + "2 : N/A");  // B's text wins

    both.run();
    EXPECT_EQ(both.state, FolderMissing);
    EXPECT_FALSE(both.results.children);
}

TEST_F(Construct, EqualPathsAreTheSameFolderButOtherSpellingsAreNot)
{
    const std::string a = dir.folder("A");
    dirCompare same(test::request(a, a + test::kSep, {test::kSep}, {}, 0x1F), nullptr);
    EXPECT_EQ(same.state, SameFolders);
    EXPECT_EQ(same.errorText, "");
    same.run();
    EXPECT_EQ(same.state, SameFolders);
    EXPECT_FALSE(same.rootA.children);

    dirCompare spelled(test::request(a, a + test::kSep + ".", {test::kSep}, {}, 0x1F), nullptr);
    EXPECT_EQ(spelled.state, BeforeCompare);
}

TEST_F(Construct, FoldersEndWithOneSeparatorAndTheRootStaysAsItIs)
{
    const std::string a = dir.folder("A");
    const std::string root = test::rootFolder();
    dirCompare comp(test::request(a, root, {test::kSep}, {}, 0x1F), nullptr);
    EXPECT_EQ(comp.pathA, a + test::kSep);
    EXPECT_EQ(comp.pathB, root);
    EXPECT_EQ(comp.rootA.path, comp.pathA);
    EXPECT_EQ(comp.rootA.isFolder, 1);
    EXPECT_EQ(comp.results.elemA, &comp.rootA);
    EXPECT_EQ(comp.results.elemB, &comp.rootB);
}

TEST_F(Construct, AnOptionsByteWithoutItsValidBitMeansEveryRuleButTheContentRule)
{
    const std::string a = dir.folder("A");
    const std::string b = dir.folder("B");
    for (const int byte : {0, 2, 0x1E, 0xFE})
        EXPECT_EQ(dirCompare(wholeFolders(a, b, uint8_t(byte)), nullptr).options, 0xDF);
    EXPECT_EQ(dirCompare(wholeFolders(a, b, 0x03), nullptr).options, 0x03);
    EXPECT_EQ(dirCompare(wholeFolders(a, b, 0x23), nullptr).options, 0x23);
}

TEST(StateText, EachStateHasItsText)
{
    EXPECT_EQ(stateText(Finished, ""), "比较完成"_sys);
    EXPECT_EQ(stateText(CompareError, ""), "比较出错"_sys);
    EXPECT_EQ(stateText(CompareError, "用户中止"_sys), "用户中止"_sys);
    EXPECT_EQ(stateText(FolderMissing, "x"), "错误, 目录不存在"_sys);
    EXPECT_EQ(stateText(99, ""), "未知错误"_sys);
}

TEST(RemoteFolder, AColonBeforeAnySlashNamesAHostAsRsyncReadsIt)
{
    const std::pair<const char*, const char*> remote[] = {
        {"web1:/srv/app", "web1|/srv/app"}, {"deploy@web1:/srv/app", "deploy@web1|/srv/app"},
        {"web1:data", "web1|data"},         {"web1:", "web1|."},
        {"web1:a:b", "web1|a:b"},  // the first colon ends the host
        {"[::1]:/srv/app", "::1|/srv/app"}, {"deploy@[fe80::1]:data", "deploy@fe80::1|data"},
    };
    for (const auto& [side, expected] : remote) {
        const auto folder = remoteFolderOf(side);
        ASSERT_TRUE(folder) << side;
        EXPECT_EQ(folder->host + "|" + folder->path, expected);
    }
    // A drive letter names no host, even where the system has no drives.
    for (const char* local : {"./a:b", "/x/a:b", ":x", "plain", "[plain]", "C:\\work"})
        EXPECT_FALSE(remoteFolderOf(local)) << local;
    EXPECT_EQ(remoteFolderOf("C:work").has_value(), platform::kSeparator == '/');
    EXPECT_EQ(shellQuoted("it's here"), "'it'\\''s here'");
    EXPECT_EQ(sideFor("deploy@[::1]:x")->shown("/x"), "deploy@[::1]:/x");

    // What would reach the remote shell as an option, or as more than one word, is refused.
    for (const char* host : {"-oProxyCommand=touch x", "-p", "web 1", "web\t1", "web\n1"})
        EXPECT_FALSE(refusedHost(host).empty()) << host;
    // An address in brackets without its folder is refused, named whole.
    for (const char* side : {"[::1]", "deploy@[::1]"}) {
        const auto folder = remoteFolderOf(side);
        ASSERT_TRUE(folder) << side;
        EXPECT_NE(refusedHost(folder->host).find(side), std::string::npos) << side;
    }
    EXPECT_TRUE(refusedHost("deploy@web-1").empty());
}

}  // namespace
}  // namespace dm
