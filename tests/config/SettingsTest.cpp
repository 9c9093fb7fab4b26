#include <gtest/gtest.h>

#include "config/Dmodule.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/TestSeams.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::TempDir;

class Settings : public ::testing::Test {
protected:
    void SetUp() override { platform::testSeams().registryFolder = dir.folder("registry"); }
    void TearDown() override { platform::testSeams().registryFolder.clear(); }

    std::string program() const { return dir / "tools/folders.exe"; }
    std::string ini() const { return dir / "tools/pre.ini"; }
    void writeIni(const std::string& text) const { dir.file("tools/pre.ini", text); }

    TempDir dir;
    std::string tools = dir.folder("tools");
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        out.push_back(text.substr(at, end - at));
    return out;
}

TEST_F(Settings, PathsLieBesideTheProgram)
{
    TDM dm(program());
    EXPECT_EQ(dm.IniPath, dir / "tools/pre.ini");
    EXPECT_EQ(dm.LogPath, dir / "tools/folders.log");
    TDM bare(dir / "tools/dirmatch");
    EXPECT_EQ(bare.LogPath, dir / "tools/dirmatch.log");
}

TEST_F(Settings, AProgramFolderThatCannotBeWrittenKeepsItsFilesInTheUsersConfiguration)
{
    if (!test::setImmutable(tools, true)) GTEST_SKIP() << "cannot make a folder immutable here";
    const auto saved = test::setVariable("XDG_CONFIG_HOME", dir.folder("config"));
    {
        TDM dm(program());
        EXPECT_EQ(dm.IniPath, dir / "config/dirmatch/pre.ini");
        EXPECT_EQ(dm.LogPath, dir / "config/dirmatch/folders.log");
    }
    test::setImmutable(tools, false);
    test::setVariable("XDG_CONFIG_HOME", saved);
    EXPECT_TRUE(dir.exists("config/dirmatch/pre.ini"));
}

TEST_F(Settings, AFirstStartHasTheDefaultsAndItsExitWritesEveryKeyInOrder)
{
    {
        TDM dm(program());
        EXPECT_EQ(dm.StandardDir, "");
        EXPECT_EQ(dm.LocalDir, "");
        EXPECT_EQ(dm.DispInfo, "info.dat");
        EXPECT_EQ(dm.DoCompareList, StringList{test::kSep});
        EXPECT_TRUE(dm.NotUpdateList.empty());
        EXPECT_EQ(dm.Options, 0x1Fu);
        EXPECT_TRUE(dm.OnlyDiff);
        EXPECT_TRUE(dm.ShowWizard);
        EXPECT_EQ(dm.Interval, 30000);
    }
    EXPECT_EQ(lines(test::readFile(ini())),
              (std::vector<std::string>{"[Server]", "StandardDir=", "LocalDir=", "REGNAME=", "rKey=", "rName=",
                                        "DispPath=", "DispReg=", "DispInfo=info.dat", "SRVADDR=", "[Global]",
                                        "Interval=30000", "Shedule=3", "Day=1", "Time=2", "AsServer=0", "ShowWizard=1",
                                        "[Stores]", "StoreName="}));
}

TEST_F(Settings, FilterSectionsInTheSettingsAreIgnoredAndDropped)
{
    writeIni("[NotUpdate]\n0=.bak\n[DoCompare]\n0=.exe\n[Server]\nStandardDir=/a\n");
    {
        TDM dm(program());
        EXPECT_TRUE(dm.NotUpdateList.empty());
        EXPECT_EQ(dm.DoCompareList, StringList{test::kSep});
        EXPECT_EQ(dm.StandardDir, "/a");
    }
    const platform::IniFile after(ini());
    EXPECT_FALSE(after.sectionExists("NotUpdate"));
    EXPECT_FALSE(after.sectionExists("DoCompare"));
}

TEST_F(Settings, TheCarriedListSkipsEmptyValuesAndIsRenumbered)
{
    writeIni("[RegNotUpdate]\na=x\nb=\nc=y\n");
    {
        TDM dm(program());
        EXPECT_EQ(dm.RegNotUpdateList, (StringList{"x", "y"}));
    }
    const platform::IniFile after(ini());
    const auto values = after.readSectionValues("RegNotUpdate");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (std::pair<std::string, std::string>{"0", "x"}));
    EXPECT_EQ(values[1], (std::pair<std::string, std::string>{"1", "y"}));
}

TEST_F(Settings, FlagsAndIntegersFollowTheProfileRules)
{
    writeIni("[Global]\nShowWizard=5\nAsServer=0\nInterval=word\nDay=0x10\nTime=$10\n");
    {
        TDM dm(program());
        EXPECT_TRUE(dm.ShowWizard);
        EXPECT_FALSE(dm.AsServer);
        EXPECT_EQ(dm.Interval, 30000);
        EXPECT_EQ(dm.Day, 16);
        EXPECT_EQ(dm.Time, 16);
    }
    EXPECT_EQ(platform::IniFile(ini()).readString("Global", "ShowWizard", ""), "1");
}

TEST_F(Settings, DispPathIsAnExistingFolderWithItsSeparatorOrNothing)
{
    writeIni("[Server]\nDispPath=" + tools + "\n");
    EXPECT_EQ(TDM(program()).DispPath, tools + test::kSep);
    writeIni("[Server]\nDispPath=" + dir / "missing" + "\n");
    EXPECT_EQ(TDM(program()).DispPath, "");
}

TEST_F(Settings, FolderBComesFromTheRegistryWhenConfigured)
{
    using platform::RootKey;
    ASSERT_TRUE(platform::writeRegistryString(RootKey::LocalMachine, "SOFTWARE\\Corp", "Path", "/machine/b"));
    ASSERT_TRUE(platform::writeRegistryString(RootKey::CurrentUser, "SOFTWARE\\Corp", "Path", "/user/b"));
    ASSERT_TRUE(platform::writeRegistryString(RootKey::CurrentUser, "Flat", "Path", "/flat/b"));

    writeIni("[Server]\nLocalDir=/file/b\nrKey=HKEY_LOCAL_MACHINE\\SOFTWARE\\Corp\nrName=Path\n");
    EXPECT_EQ(TDM(program()).LocalDir, "/machine/b");
    writeIni("[Server]\nLocalDir=/file/b\nrKey=hkey_local_machine\\SOFTWARE\\Corp\nrName=Path\n");
    EXPECT_EQ(TDM(program()).LocalDir, "/user/b");
    writeIni("[Server]\nLocalDir=/file/b\nrKey=Flat\nrName=Path\n");
    EXPECT_EQ(TDM(program()).LocalDir, "/flat/b");
    writeIni("[Server]\nLocalDir=/file/b\nrKey=Flat\nrName=\n");
    EXPECT_EQ(TDM(program()).LocalDir, "/file/b");
    writeIni("[Server]\nLocalDir=/file/b\nrKey=HKEY_CURRENT_USER\\Nowhere\nrName=Path\n");
    EXPECT_EQ(TDM(program()).LocalDir, "");
}

TEST_F(Settings, TheFolderHistoryHoldsEachFolderOnceMostRecentFirst)
{
    StringList history;
    for (const char* folder : {"/a", "/b", "/a", "", "/c", "/b"}) TDM::Remember(history, folder);
    EXPECT_EQ(history, (StringList{"/b", "/c", "/a"}));
    for (int i = 0; i < 20; ++i) TDM::Remember(history, "/f" + std::to_string(i));
    EXPECT_EQ(history.size(), TDM::kHistoryLength);
    EXPECT_EQ(history.front(), "/f19");
}

TEST_F(Settings, SplittingAKeyPath)
{
    std::string sub;
    std::string last;
    EXPECT_EQ(TDM::SplitRegistryPath("HKEY_LOCAL_MACHINE\\A\\B", sub, last), platform::RootKey::LocalMachine);
    EXPECT_EQ(sub, "A\\B");
    EXPECT_EQ(last, "B");
    EXPECT_EQ(TDM::SplitRegistryPath("NoSeparator", sub, last), platform::RootKey::CurrentUser);
    EXPECT_EQ(sub, "NoSeparator");
}

TEST_F(Settings, AReadOnlySettingsFileIsLeftIntactAndNothingIsReported)
{
    writeIni("[Server]\nStandardDir=/old\n");
    if (!test::setImmutable(ini(), true)) GTEST_SKIP() << "cannot make a file immutable here";
    {
        TDM dm(program());
        dm.StandardDir = "/new";
    }
    test::setImmutable(ini(), false);
    EXPECT_EQ(test::readFile(ini()), "[Server]\nStandardDir=/old\n");
}

TEST_F(Settings, ChangedFoldersAreKeptAtExit)
{
    {
        TDM dm(program());
        dm.StandardDir = "/chosen/a";
        dm.LocalDir = "/chosen/b";
    }
    TDM again(program());
    EXPECT_EQ(again.StandardDir, "/chosen/a");
    EXPECT_EQ(again.LocalDir, "/chosen/b");
}

}  // namespace
}  // namespace dm
