#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/side/InfoFile.h"
#include "engine/workflow/Workflow.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "tests/support/Compare.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::operator""_sys;

using test::child;
using test::TempDir;

class InfoFile : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Chinese); }

    // Exports folder A (scanned whole) to `file`.
    bool exportA(const std::string& file, std::string& error, const std::string& folderB = {})
    {
        dirCompare comp(test::request(a, folderB.empty() ? a : folderB, {test::kSep}, {}, 255), nullptr);
        if (!comp.scanFolder(comp.rootA, error, {})) return false;
        return exportInfoFile(describedTree(comp, comp.rootA), file, error);
    }

    // Reads `content` as an information file into a fresh root.
    bool read(const std::string& content, element_t& root, std::string& error, const std::string& subPath = {})
    {
        const std::string file = dir.file("in.dat", content);
        test::TestSink sink;
        return readInfoFile(sink, root, file, error, subPath);
    }

    // `name` may lie below a folder ("d/g").
    static std::string record(const std::string& name, bool folder, const std::string& numbers = "32,0,0,0,0,0,0,0,1")
    {
        return test::native("/A/" + name) + "\r\n" + (folder ? "目录"_sys : "文件"_sys) + "\r\n版本不存在\r\n"_sys +
               numbers + "\r\n" + std::string(platform::lastComponent(test::native(name))) + "\r\n\r\n";
    }

    TempDir dir;
    std::string a = dir.folder("A");
};

std::vector<std::string> crlfLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "every line ends with CR LF";
    return lines;
}

// A mark as an export of this system writes it: in the system's older code
// page where there is one (what older readers read; code page 936's bytes
// where that cannot hold it), else in the program's.
std::string writtenMark(const std::string& text, const char* bytes936)
{
    const unsigned legacy = platform::legacyCodePage();
    std::string bytes;
    if (legacy == 0) return text;
    return platform::encodeText(text, legacy, bytes) ? bytes : bytes936;
}

TEST_F(InfoFile, AFolderExportsAsNestedBlocksOfSixLineRecords)
{
    dir.file("A/release notes.txt", std::string(1234, 'r'));
    dir.folder("A/sub");
    std::string error;
    ASSERT_TRUE(exportA(dir / "info.dat", error)) << error;
    const auto lines = crlfLines(dir.read("info.dat"));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], "BEGIN");
    EXPECT_EQ(lines[1], a + test::kSep + "release notes.txt");
    EXPECT_EQ(lines[2], writtenMark("文件"_sys, "\xCE\xC4\xBC\xFE"));
    EXPECT_EQ(lines[3], writtenMark("版本不存在"_sys, "\xB0\xE6\xB1\xBE\xB2\xBB\xB4\xE6\xD4\xDA"));
    EXPECT_TRUE(lines[4].starts_with("32,"));
    EXPECT_TRUE(lines[4].ends_with(",0,1234,0,0"));
    EXPECT_EQ(std::count(lines[4].begin(), lines[4].end(), ','), 10);
    EXPECT_EQ(lines[5], "release notes.txt");
    EXPECT_EQ(lines[6], test::recordOf(dir / "A/release notes.txt").cAlternateFileName);
    EXPECT_EQ(lines[7], a + test::kSep + "sub");
    EXPECT_EQ(lines[8], writtenMark("目录"_sys, "\xC4\xBF\xC2\xBC"));
    EXPECT_TRUE(lines[10].starts_with("16,"));
    EXPECT_TRUE(lines[10].ends_with(",0,0,0,0"));
    EXPECT_EQ(lines[11], "sub");
    EXPECT_EQ(lines[13], "BEGIN");
    EXPECT_EQ(lines[14], "END");
    EXPECT_EQ(lines[15], "END");
}

TEST_F(InfoFile, AnEmptyFolderIsJustBeginAndEnd)
{
    std::string error;
    ASSERT_TRUE(exportA(dir / "empty.dat", error));
    EXPECT_EQ(dir.read("empty.dat"), "BEGIN\r\nEND\r\n");
}

TEST_F(InfoFile, AnExportReadBackAsSideAMatchesTheLiveFolder)
{
    dir.file("A/x.txt", "hello", test::kTime, 123456789);
    dir.file("A/sub/y", "yy");
    dir.folder("A/sub/empty");
#ifndef _WIN32
    dir.file("A/sub/not utf-8 \xff\xfe", "z");  // a name in no encoding, as Linux allows
#endif
    std::string error;
    ASSERT_TRUE(exportA(dir / "info.dat", error));

    dirCompare comp(test::request(a, a, {test::kSep}, {}, 0x1F, {}, dir / "info.dat"), nullptr);
    ASSERT_EQ(comp.state, SameFolders);
    comp.run();
    ASSERT_EQ(comp.state, Finished) << comp.errorText;
    EXPECT_EQ(comp.results.lacked + comp.results.redundant + comp.results.different, 0);
    result_t& sub = child(comp.results, "sub");
    EXPECT_EQ(sub.identical, 1);
    EXPECT_EQ(child(sub, "empty").identical, 1);
    EXPECT_TRUE(child(sub, "empty").elemA->children);
#ifndef _WIN32
    EXPECT_EQ(child(sub, "not utf-8 \xff\xfe").identical, 1);
#endif
}

// A file describes its folder's times at the step its file system keeps
// them, where it says which: a copy on a USB stick reads as identical, while
// a file that says nothing compares its times exactly, as files always did.
TEST_F(InfoFile, TheStepOfTheTimesTheFileGivesIsTheStepTheyAreComparedAt)
{
    const std::string b = dir.folder("B");
    dir.file("B/x.txt", "hello", test::kTime);
    std::string error;
    ASSERT_TRUE(test::exportFolder(b, dir / "plain.dat", error)) << error;
    EXPECT_EQ(test::readFile(dir / "plain.dat").find('#'), std::string::npos) << "a fine step is not named";
    dir.file("fat.dat", "#timestep 20000000\r\n" + test::readFile(dir / "plain.dat"));

    dir.file("A/x.txt", "hello", test::kTime + 1, 500000000);  // within 2 s
    for (const auto& [file, same] : {std::pair{"fat.dat", true}, {"plain.dat", false}}) {
        dirCompare comp(test::request(a, b, {test::kSep}, {}, 0x1F, dir / file), nullptr);
        comp.run();
        ASSERT_EQ(comp.state, Finished) << comp.errorText;
        EXPECT_EQ(comp.results.different == 0, same) << file;
    }
}

TEST_F(InfoFile, FolderBInsideAnItemsPathIsWrittenAsFolderA)
{
    const std::string b = a;  // folder A lies inside folder B
    a = dir.folder("A/Std");
    dir.file("A/Std/x.txt");
    std::string error;
    ASSERT_TRUE(exportA(dir / "info.dat", error, b));
    const auto lines = crlfLines(dir.read("info.dat"));
    EXPECT_EQ(lines[1], a + test::kSep + test::native("Std/x.txt"));
}

TEST_F(InfoFile, ThePathRuleCutsAfterTheFirstOccurrenceOfBsPathWhereverItStands)
{
    DescribedTree tree;
    tree.writtenAs = test::native("/x/d/std/");
    tree.replaced = test::native("/d/");
    EXPECT_EQ(infoPathOf(tree, test::native("/x/d/std/f")), test::native("/x/d/std/std/f"));
    EXPECT_EQ(infoPathOf(tree, test::native("/x/e/f")), test::native("/x/e/f"));
}

TEST_F(InfoFile, AFullDiskFailsTheExportAndKeepsTheEarlierFile)
{
    const std::string mnt = dir.folder("small");
    const test::SmallDisk disk(mnt);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small disk here";
    for (int i = 0; i < 400; ++i) dir.file("A/a-rather-long-file-name-to-fill-the-disk-" + std::to_string(i));
    const std::string target = dir / "small/info.dat";
    test::writeFile(target, "earlier");
    std::string error;
    EXPECT_FALSE(exportA(target, error));
    EXPECT_NE(error.find("为写入打开文件 "_sys + target + " : "), std::string::npos) << error;
    EXPECT_EQ(test::readFile(target), "earlier");
}

TEST_F(InfoFile, ANameWithALineBreakCannotBeExported)
{
    try {
        dir.file("A/two\nlines");
    } catch (const std::exception&) {
        GTEST_SKIP() << "no name here has a line break";
    }
    std::string error;
    EXPECT_FALSE(exportA(dir / "info.dat", error));
    EXPECT_NE(error.find(a + test::kSep + "two\nlines"), std::string::npos);
    EXPECT_FALSE(dir.exists("info.dat"));
}

TEST_F(InfoFile, RecordsFillElementsAndFoldersTheirBlocks)
{
    element_t root;
    std::string error;
    ASSERT_TRUE(read("junk before\nBEGIN\n" + record("f", false) + record("d", true) + "BEGIN\n" +
                         record("d/g", false) + "END\nEND\n",
                     root, error))
        << error;
    ASSERT_EQ(root.children->size(), 2u);
    element_t& f = child(root, "f");
    EXPECT_EQ(f.path, test::native("/A/f"));
    EXPECT_EQ(f.isFolder, 0);
    EXPECT_FALSE(f.children);
    EXPECT_EQ(f.size(), 1u);
    EXPECT_EQ(f.findData.dwFileAttributes, 32u);
    element_t& d = child(root, "d");
    ASSERT_TRUE(d.children);
    EXPECT_EQ(child(d, "g").path, test::native("/A/d/g"));
}

TEST_F(InfoFile, AFolderWrittenWithoutABlockKeepsEverySiblingThatFollows)
{
    element_t root;
    std::string error;
    ASSERT_TRUE(read("BEGIN\n" + record("link", true) + record("after", false) + record("d", true) + "BEGIN\n" +
                         record("d/inner", false) + "END\nEND\n",
                     root, error))
        << error;
    ASSERT_EQ(root.children->size(), 3u);
    EXPECT_FALSE(child(root, "link").children);
    EXPECT_FALSE(child(root, "after").isFolder);
    ASSERT_EQ(child(root, "d").children->size(), 1u);
}

TEST_F(InfoFile, EndClosesABlockOnlyWhereARecordBeginsAndAFileCutInARecordIsIncomplete)
{
    element_t root;
    std::string error;
    ASSERT_TRUE(read("BEGIN\n" + record("ok", false) + test::native("/A/") + "END\n文件\nEND\n1\nEND\nEND\nEND\n"_sys,
                     root, error))
        << error;
    EXPECT_EQ(child(root, "END").version, "END");

    EXPECT_FALSE(read("BEGIN\n" + record("ok", false) + test::native("/A/") + "x\n文件\n"_sys, root, error));
    EXPECT_EQ(error, "文件不完整"_sys);
    EXPECT_EQ(root.children->size(), 1u);  // what was read stays
    setLanguage(English);
    read("BEGIN\n" + test::native("/A/") + "x\n", root, error);
    EXPECT_EQ(error, "文件不完整 (the file is incomplete)"_sys);
}

// Every line ends in CR LF, so a name is known to its last space.
TEST_F(InfoFile, EveryNameAFolderHoldsReadsBackExactly)
{
    const std::vector<std::string> names = {
#ifndef _WIN32
        " ",        "  ",  "trailing tab\t", "trailing space ", "caf\xE9",   "caf\xE8",
#endif
        " leading", "END", "BEGIN",          "#codepage 936",   "版本不存在"};
    for (const std::string& name : names) dir.file("A/" + name, name);
    dir.folder("A/sub/END");
    dir.file("A/sub/BEGIN/END");
    std::string error;
    ASSERT_TRUE(exportA(dir / "info.dat", error)) << error;
#ifndef _WIN32
    // Names that are no UTF-8 fit no code page: the file says its names are bytes.
    EXPECT_TRUE(test::readFile(dir / "info.dat").starts_with("#codepage bytes\r\n"));
#endif

    dirCompare comp(test::request(a, a, {test::kSep}, {}, 0x1F, {}, dir / "info.dat"), nullptr);
    comp.run();
    ASSERT_EQ(comp.state, Finished) << comp.errorText;
    EXPECT_EQ(comp.results.lacked + comp.results.redundant + comp.results.different, 0);
    EXPECT_EQ(child(child(comp.results, "sub"), "BEGIN").identical, 1);
    for (const std::string& name : names) EXPECT_EQ(child(comp.results, name).identical, 1) << "'" << name << "'";
}

TEST_F(InfoFile, ARecordThatClimbsOutOfItsFolderOrLiesElsewhereFailsTheReadNamingIt)
{
    struct Case {
        const char* what;
        std::string content;
        std::string named;  // the record the error names
    };
    const std::string d = record("d", true) + "BEGIN\n";
    const std::vector<Case> cases = {
        {"..", d + record("d/..", true) + "BEGIN\nEND\nEND\nEND\n", "/A/d/.."},
        {"climbing past its parent", d + record("d/../../etc", false) + "END\nEND\n", "/A/d/../../etc"},
        {".", d + record("d/.", false) + "END\nEND\n", "/A/d/."},
        {"a sibling of its folder in the folder's block", d + record("x", false) + "END\nEND\n", "/A/x"},
        {"an empty name", record("f", false) + record("", false) + "END\n", "/A/"},
        {"another folder than its siblings'",
         record("f", false) + test::native("/B/g") + "\r\n文件\r\n\r\n1\r\ng\r\n\r\nEND\n"_sys, "/B/g"},
    };
    for (const Case& c : cases) {
        element_t root;
        std::string error;
        EXPECT_FALSE(read("BEGIN\n" + c.content, root, error)) << c.what;
        EXPECT_NE(error.find(test::native(c.named)), std::string::npos) << c.what << ": " << error;
    }

    // Read from the standard input, a file describes its own folder as one on disk does, whatever B is named.
    element_t root;
    root.path = test::native("/A/sub/");
    std::string error;
    test::TestSink sink;
    const std::string stream = "BEGIN\n" + record("f", false) + "END\n";
    std::FILE* file = std::tmpfile();
    std::fwrite(stream.data(), 1, stream.size(), file);
    std::rewind(file);
    EXPECT_TRUE(readInfoBlock(sink, root, file, error, {}, true)) << error;
    std::fclose(file);
    ASSERT_EQ(root.children->size(), 1u);
    EXPECT_EQ(root.children->front()->path, test::native("/A/f"));
}

TEST_F(InfoFile, AMissingFinalEndAfterACompleteRecordIsAccepted)
{
    element_t root;
    std::string error;
    EXPECT_TRUE(read("BEGIN\n" + record("x", false), root, error));
    EXPECT_EQ(root.children->size(), 1u);
    EXPECT_TRUE(read("no block at all\n", root, error));
    EXPECT_TRUE(root.children->empty());
}

TEST_F(InfoFile, NumbersLines)
{
    WIN32_FIND_DATA rec;
    std::string error;
    ASSERT_TRUE(parseNumbersLine("32,,1", rec, error));
    EXPECT_EQ(rec.dwFileAttributes, 32u);
    EXPECT_EQ(rec.ftCreationTime.dwLowDateTime, 1u);

    rec = {};
    ASSERT_TRUE(parseNumbersLine("1,2,3,4,5,6,7,8,9,10,11,12", rec, error));
    EXPECT_EQ(rec.dwReserved1, 11u);
    EXPECT_EQ(rec.cFileName[0], '\0');  // the twelfth number goes nowhere

    rec = {};
    ASSERT_TRUE(parseNumbersLine("-1, 0x10 ,$ff", rec, error));
    EXPECT_EQ(rec.dwFileAttributes, 4294967295u);
    EXPECT_EQ(rec.ftCreationTime.dwLowDateTime, 16u);
    EXPECT_EQ(rec.ftCreationTime.dwHighDateTime, 255u);
    EXPECT_EQ(rec.nFileSizeLow, 0u);  // fewer than eleven: the rest stay 0

    EXPECT_FALSE(parseNumbersLine("1,x,3", rec, error));
    EXPECT_EQ(error, "'x' is not a valid integer value\n出错行: 1,x,3"_sys);
    EXPECT_FALSE(parseNumbersLine("99999999999999999999", rec, error));
}

TEST_F(InfoFile, TheStoredNoVersionTextReadsInTheCurrentLanguage)
{
    setLanguage(English);
    element_t root;
    std::string error;
    ASSERT_TRUE(
        read("BEGIN\n" + record("x", false) + test::native("/A/") + "y\n文件\nN/A\n0\ny\n\nEND\n"_sys, root, error));
    EXPECT_EQ(child(root, "x").version, "N/A");
    EXPECT_EQ(child(root, "y").version, "N/A");
}

TEST_F(InfoFile, ASubPathReadsTheBlockAfterThatLine)
{
    element_t root;
    std::string error;
    const std::string text = "BEGIN\n" + record("d", true) + "BEGIN\n" + record("inner", false) + "END\nEND\n";
    ASSERT_TRUE(read(text, root, error, test::native("/A/d")));
    ASSERT_EQ(root.children->size(), 1u);
    EXPECT_EQ(root.children->front()->name(), "inner");
}

TEST_F(InfoFile, AnUnreadableFileFailsWithItsName)
{
    test::TestSink sink;
    element_t root;
    std::string error;
    EXPECT_FALSE(readInfoFile(sink, root, dir / "none.dat", error, {}));
    // ENOENT and ERROR_FILE_NOT_FOUND share their number.
    EXPECT_EQ(error, "为读入打开文件 "_sys + dir / "none.dat" + " : " + platform::systemMessage(ENOENT));
}

TEST_F(InfoFile, HostileInputNeverCrashesOrRecursesWithoutBound)
{
    element_t root;
    std::string error;
    std::string deep = "BEGIN\n";
    for (int i = 0; i < kMaxInfoDepth + 10; ++i) deep += record("d" + std::to_string(i), true) + "BEGIN\n";
    EXPECT_FALSE(read(deep, root, error));
    EXPECT_NE(error.find("读信息文件出错"_sys), std::string::npos);

    EXPECT_TRUE(read("BEGIN\n" + std::string(100000, 'p') + "\n", root, error) || !error.empty());

    std::mt19937 random(7);
    const std::string alphabet[] = {"BEGIN\n", "END\n", "目录\n"_sys, "文件\n"_sys, "1,2,3\n",
                                    "x\n",     "\n",    "\r\n",       "-1\n"};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            if (random() % 4 == 0)
                text += char(random());
            else
                text += alphabet[random() % std::size(alphabet)];
        }
        read(text, root, error);
    }
}

// Run again under wine on a Western system (code page 1252), where the marks'
// Chinese words cannot be written in the system's code page.
TEST_F(InfoFile, MarksReadBackOnTheSystemThatWroteThemAndAChineseSystemsFileReadsEverywhere)
{
    dir.file("A/d1/f1");
    dir.file("A/z.txt");
    std::string error;
    ASSERT_TRUE(exportA(dir / "info.dat", error)) << error;
    element_t root;
    ASSERT_TRUE(read(dir.read("info.dat"), root, error)) << error;
    ASSERT_EQ(root.children->size(), 2u);
    EXPECT_EQ(child(root, "d1").isFolder, 1);
    EXPECT_EQ(child(child(root, "d1"), "f1").isFolder, 0);
    EXPECT_EQ(child(root, "z.txt").isFolder, 0);

    const std::string fromChineseSystem = "BEGIN\r\n" + test::native("/A/d") +
                                          "\r\n\xC4\xBF\xC2\xBC\r\n\xB0\xE6\xB1\xBE\xB2\xBB\xB4\xE6\xD4\xDA\r\n"
                                          "16,0,0,0,0,0,0,0,0,0,0\r\nd\r\n\r\nBEGIN\r\nEND\r\nEND\r\n";
    element_t chinese;
    ASSERT_TRUE(read(fromChineseSystem, chinese, error)) << error;
    EXPECT_EQ(child(chinese, "d").isFolder, 1);
    EXPECT_EQ(child(chinese, "d").version, messageText(msg::NoVersion));
}

TEST_F(InfoFile, AFileFromEitherKindOfSystemReadsWithItsNamesOrSaysWhichLineItCannotRead)
{
    setLanguage(English);
    // Paths as the other kind of system writes them, and as this one does.
    const bool here = platform::kSeparator == '/';
    const std::string other = here ? "C:\\A\\" : "/home/a/A/";
    const auto record = [](const std::string& path, const std::string& name, const std::string& folderMark) {
        return path + "\r\n" + folderMark + "\r\nN/A\r\n16,0,0,0,0,0,0,0,0,0,0\r\n" + name + "\r\n\r\nBEGIN\r\nEND\r\n";
    };
    const std::string folder936 = "\xC4\xBF\xC2\xBC";
    const struct {
        const char* what;
        std::string file;
        std::string name;  // as UTF-8
    } cases[] = {
        {"UTF-8 from the other system", "BEGIN\r\n" + record(other + "中文", "中文", "目录") + "END\r\n", "中文"},
        {"code page 936", "#codepage 936\r\nBEGIN\r\n" + record(other + "\xD6\xD0\xCE\xC4", "x", folder936) + "END\r\n",
         "中文"},
        {"code page 1252", "#codepage 1252\r\nBEGIN\r\n" + record(other + "caf\xE9", "x", folder936) + "END\r\n",
         "café"},
    };
    for (const auto& c : cases) {
        element_t root;
        std::string error;
        ASSERT_TRUE(read(c.file, root, error)) << c.what << ": " << error;
        ASSERT_EQ(root.children->size(), 1u) << c.what;
        const element_t& item = *(*root.children)[0];
        EXPECT_EQ(platform::toUtf8(item.name()), c.name) << c.what;
        EXPECT_EQ(item.isFolder, 1) << c.what;
        EXPECT_EQ(item.path.find(here ? '\\' : '/'), std::string::npos) << c.what << ": separators turned";
    }

    element_t root;
    std::string error;
    if (here) {
        // An older file in a code page it does not name: no code page here reads it.
        EXPECT_FALSE(read("BEGIN\r\n" + record(other + "caf\xE9", "x", folder936) + "END\r\n", root, error));
        EXPECT_NE(error.find("line 2: text that is neither UTF-8 nor in a code page"), std::string::npos) << error;
    } else {
        // A name of the other system holding this one's separator.
        EXPECT_FALSE(read("BEGIN\r\n" + record("/home/a/A/back\\slash", "x", "目录") + "END\r\n", root, error));
        EXPECT_NE(error.find("line 2: a name this system cannot hold"), std::string::npos) << error;
    }
}

TEST_F(InfoFile, AFileWrittenInTheSystemsOlderCodePageWhereItHoldsEveryNameAndInUtf8Otherwise)
{
    const unsigned legacy = platform::legacyCodePage();
    if (legacy == 0) GTEST_SKIP() << "this system keeps no older code page";
    dir.file(platform::fromUtf8("A/café.txt"));
    std::string error;
    ASSERT_TRUE(exportA(dir / "latin.dat", error)) << error;
    dir.file(platform::fromUtf8("A/中文名.txt"));
    dir.file(platform::fromUtf8("A/日本语.txt"));
    ASSERT_TRUE(exportA(dir / "all.dat", error)) << error;
    EXPECT_TRUE(dir.read("latin.dat").starts_with("#codepage " + std::to_string(legacy) + "\r\nBEGIN\r\n"));
    // 936 holds these names too; 1252 does not, and the file is UTF-8.
    EXPECT_EQ(dir.read("all.dat").starts_with("BEGIN"), legacy != 936);
    for (const char* file : {"latin.dat", "all.dat"}) {
        element_t root;
        ASSERT_TRUE(read(dir.read(file), root, error)) << error;
        EXPECT_EQ(child(root, platform::fromUtf8("café.txt")).isFolder, 0) << file;
    }
}

}  // namespace
}  // namespace dm
