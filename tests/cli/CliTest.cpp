#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/Text.h"
#include "tests/support/Compare.h"
#include "tests/support/Faults.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::operator""_sys;

using test::TempDir;

using test::Outcome;

// Runs the built `dirmatch` with the arguments (already quoted) and no terminal.
Outcome dirmatch(const std::string& arguments, const std::string& input = {})
{
    return test::runProgram(DIRMATCH_BINARY, arguments, input);
}

std::string q(const std::string& path)
{
    return test::quoted(path);
}

class Cli : public ::testing::Test {
protected:
    // The program speaks Chinese under a Chinese locale, as these tests expect.
    void SetUp() override { locale = test::setVariable("LC_ALL", "zh_CN.UTF-8"); }
    void TearDown() override { test::setVariable("LC_ALL", locale); }

    std::optional<std::string> locale;
    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::string ab = q(a) + " " + q(b);
};

TEST_F(Cli, WhatIsWrongWithACommandIsNamed)
{
    dir.file("A/f", "1");
    for (int i = 0; i < 5; ++i) dir.file("B/g" + std::to_string(i));
    struct Case {
        std::string arguments;
        int code;
        std::string said;  // in what it writes, either stream
    };
    std::vector<Case> cases = {
        {"compare --include f " + ab, 1, "- f"},  // the folders after an option stay folders
        {"compare --exclude no-such-text --include f " + ab, 1, "- f"},
        {"compare --info-a " + q(dir / "none.dat"), 2, "folder B is required"},
        {"compare " + q(a + "/f") + " " + q(b), 2, "is a file, not a folder"},
        {"compare " + ab + " --max-entries 3", 3, "--max-entries"},
        {"", 0, "Exit codes:"},
    };
#ifndef _WIN32
    // What a shell here leaves as it was typed.
    cases.push_back({"compare 'C:\\data\\A' " + q(b), 2, "a drive letter names no folder here"});
    cases.push_back({"compare '~/nowhere' " + q(b), 2, "a ~ in quotes"});
#endif
    for (const auto& c : cases) {
        const Outcome ran = dirmatch(c.arguments + (c.arguments.empty() ? "" : " --lang en"));
        EXPECT_EQ(ran.code, c.code) << c.arguments << ran.out << ran.err;
        EXPECT_NE((ran.out + ran.err).find(c.said), std::string::npos) << c.arguments << ran.out << ran.err;
    }
}

TEST_F(Cli, AJobIsNotReplacedUnlessAskedAndNoJobsIsSaid)
{
    TempDir config;
    const auto home = test::setVariable("XDG_CONFIG_HOME", config / "config");
    const auto appData = test::setVariable("APPDATA", config / "config");
    EXPECT_NE(dirmatch("job list --lang en").out.find("no jobs saved"), std::string::npos);
    ASSERT_EQ(dirmatch("job save j " + ab + " --lang en").code, 0);
    const Outcome again = dirmatch("job save j " + ab + " --sync --lang en");
    EXPECT_EQ(again.code, 2);
    EXPECT_NE(again.err.find("--replace"), std::string::npos) << again.err;
    EXPECT_EQ(dirmatch("job show j --lang en").out.find("sync"), std::string::npos);
    EXPECT_EQ(dirmatch("job save j " + ab + " --sync --replace --lang en").code, 0);
    test::setVariable("XDG_CONFIG_HOME", home);
    test::setVariable("APPDATA", appData);
}

TEST_F(Cli, TheRulesOfTheSettingsFileApplyAsTheirOptionsDo)
{
    dir.file("A/f", "1", test::kTime);
    dir.file("B/f", "1", test::kTime + 4);
    for (int i = 0; i < 5; ++i) dir.file("B/g" + std::to_string(i));
    // A program of its own, with the settings file beside it.
    const std::string program = dir / "prog/dirmatch";
    std::filesystem::create_directories(dir / "prog");
    std::filesystem::copy_file(DIRMATCH_BINARY, program);
    dir.file("prog/pre.ini", "[Global]\r\nTimeWindow=5\r\nMaxEntries=4\r\n");
    const auto run = [&](const std::string& arguments) { return test::runProgram(program, arguments + " --lang en"); };
    EXPECT_EQ(run("compare " + ab).code, 3);  // at the limit the file sets
    const Outcome raised = run("compare " + ab + " --max-entries 100");
    EXPECT_EQ(raised.out.find("* f"), std::string::npos) << raised.out;  // four seconds apart, within the window
    EXPECT_NE(run("compare " + ab + " --max-entries 100 --time-window 1").out.find("* f"), std::string::npos);
}

TEST_F(Cli, ExitCodesTellSameDifferentErrorAndLimit)
{
    dir.file("A/f", "1");
    dir.file("B/f", "1");
    EXPECT_EQ(dirmatch("compare " + ab).code, 0);
    dir.file("B/extra");
    const Outcome differ = dirmatch("compare " + ab);
    EXPECT_EQ(differ.code, 1);
    EXPECT_NE(differ.out.find("+ extra"), std::string::npos);
    EXPECT_NE(differ.out.find("缺:0 | 异:0 | 多:1\n比较完成\n"_sys), std::string::npos);

    const Outcome missing = dirmatch("compare " + q(a) + " " + q(dir / "none"));
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1);
    EXPECT_EQ(missing.err, "dirmatch: 文件夹 B 不存在: "_sys + dir / "none" + "\n");
    EXPECT_EQ(dirmatch("compare " + q(a) + " " + q(a)).code, 2);

    const Outcome limit = dirmatch("compare " + ab + " --max-entries 3 --lang en");
    EXPECT_EQ(limit.code, 3);
    EXPECT_NE(limit.err.find("Error! Count of files and directories exceed: 3"), std::string::npos);
}

TEST_F(Cli, ChineseUnderAChineseLocaleEnglishUnderAnyOtherAndLangFirst)
{
    struct Case {
        std::optional<std::string> locale;
        std::string arguments;
        bool chinese;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", "", true},  {"zh_TW", "", true},
        {"C", "", false},           {"C.UTF-8", "", false},
        {"de_DE.UTF-8", "", false}, {std::nullopt, "", false},
        {"C", " --lang zh", true},  {"zh_CN.UTF-8", " --lang en", false},
    };
    const auto lang = test::setVariable("LANG", std::nullopt);
    const auto messages = test::setVariable("LC_MESSAGES", std::nullopt);
    for (const Case& c : cases) {
        test::setVariable("LC_ALL", c.locale);
        const Outcome run = dirmatch("compare " + ab + c.arguments);
        EXPECT_EQ(run.out.find(c.chinese ? "比较完成"_sys : "Comparison finished") != std::string::npos, true)
            << c.locale.value_or("(none)") << c.arguments;
    }
    test::setVariable("LANG", lang);
    test::setVariable("LC_MESSAGES", messages);
}

TEST_F(Cli, EachJsonFlagCarriesItsOwnRule)
{
    dir.file("A/size", "1", test::kTime);
    dir.file("B/size", "22", test::kTime);
    dir.file("A/time", "1", test::kTime, 1000000);
    dir.file("B/time", "1", test::kTime);
    dir.file("A/version.exe", test::peWithVersion(1, 0, 0, 0));
    dir.file("B/version.exe", test::peWithVersion(2, 0, 0, 0));
    const Outcome run = dirmatch("compare " + ab + " --json");
    const auto doc = nlohmann::json::parse(run.out);
    for (const auto& node : doc["results"]) {
        const std::string name = node["name"];
        EXPECT_EQ(node["sameSize"], name == "size" ? 0 : 1) << name;
        EXPECT_EQ(node["sameTime"], name == "time" ? 0 : 1) << name;
        EXPECT_EQ(node["sameVersion"], name == "version.exe" ? 0 : 1) << name;
        EXPECT_TRUE(node["sameContent"].is_null()) << name;  // the content rule is off
    }
    EXPECT_EQ(doc["results"].size(), 3u);
    // A year apart with other contents: rules that were not applied give no verdict.
    dir.file("A/other", "12", test::kTime);
    dir.file("B/other", "34", test::kTime + 365 * 86400);
    const auto sizeOnly = nlohmann::json::parse(dirmatch("compare " + ab + " --json --rules size").out);
    for (const auto& node : sizeOnly["results"]) {
        if (node["name"] != "other") continue;
        EXPECT_EQ(node["sameSize"], 1);
        for (const char* key : {"sameTime", "sameVersion", "sameContent"}) EXPECT_TRUE(node[key].is_null()) << key;
    }
}

TEST_F(Cli, TheTimeWindowAndHourShiftOptionsReachTheComparisonAndTheJsonSaysSo)
{
    dir.file("A/f", "1", test::kTime);
    dir.file("B/f", "1", test::kTime + 3601);
    EXPECT_EQ(dirmatch("compare " + ab).code, 1);
    const Outcome run = dirmatch("compare " + ab + " --time-window 1 --ignore-hour-shift --json");
    EXPECT_EQ(run.code, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["timeWindow"], 1);
    EXPECT_EQ(doc["ignoreHourShift"], 1);
    EXPECT_FALSE(nlohmann::json::parse(dirmatch("compare " + ab + " --json").out).contains("timeWindow"));
}

TEST_F(Cli, ARulesListWithoutSubdirsSaysThatSubFoldersAreNotCompared)
{
    dir.file("A/sub/f", "1");
    dir.file("B/sub/f", "22");
    EXPECT_NE(dirmatch("compare " + ab + " --rules size,content --lang en").err.find("sub-folders are not compared"),
              std::string::npos);
    for (const char* rules : {"size,subdirs", "none"})
        EXPECT_EQ(dirmatch("compare " + ab + " --lang en --rules " + rules).err.find("sub-folders"), std::string::npos)
            << rules;
}

TEST_F(Cli, JsonIsWrittenAsTheLibraryWouldPrintTheWholeDocument)
{
    dir.lay({{"A/sub/x", "1"}, {"B/sub/x", "22"}, {"B/extra"}});
    // Characters JSON escapes (Windows paths hold backslashes anyway), and a
    // byte that is no UTF-8, each far from any other.
    if (test::kSep == "/")
        for (const char* odd : {"\t", "\"", "\\", "\x7f", "\x85", "\xc3\xa9"})
            dir.file("A/plain-plain-" + std::string(odd) + "-plain-plain", "t");
    dir.folder("A/empty");
    dir.folder("B/empty");
    const Outcome run = dirmatch("compare " + ab + " --json --all");
    const auto doc = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(run.out, doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
}

TEST_F(Cli, NamesThatAreNotUtf8ReadAlikeButTheirBytesTellThemApart)
{
    if (test::kSep != "/") GTEST_SKIP() << "every name here is text";
    dir.lay({{"A/caf\xe9"}, {"A/caf\xe8"}, {"A/plain"}});
    dir.folder("B");
    const auto doc = nlohmann::json::parse(dirmatch("compare " + ab + " --json").out);
    std::map<std::string, std::string> bytesOf;
    for (const auto& node : doc["results"]) bytesOf[node.value("nameBytes", "-")] = node["name"];
    EXPECT_EQ(bytesOf, (std::map<std::string, std::string>{
                           {"636166e8", "caf\xEF\xBF\xBD"}, {"636166e9", "caf\xEF\xBF\xBD"}, {"-", "plain"}}));
}

TEST_F(Cli, TheTreeHidesWhatTheDesktopHidesUnlessAllIsAsked)
{
    dir.file("A/same", "1");
    dir.file("B/same", "1");
    dir.file("A/sub/lack");
    dir.file("A/sub/eq");
    dir.file("B/sub/eq");
    const Outcome shown = dirmatch("compare " + ab + " --lang en");
    EXPECT_EQ(shown.out,
              "Analyse result-----Directory A: Directory B\n  * sub    ---    1\n    - lack\n"
              "L:1 | D:0 | M:0\nComparison finished\n");
    const Outcome all = dirmatch("compare " + ab + " --all --exclude same");
    EXPECT_NE(all.out.find("  ~ same\n"), std::string::npos);
    EXPECT_NE(all.out.find("    = eq\n"), std::string::npos);
}

TEST_F(Cli, JsonHoldsEveryFieldOfTheEngineResult)
{
    dir.file("A/f", "1");
    dir.file("B/F", "22");
    dir.file("A/sub/x");
    dir.file("B/sub/y");
    dir.file("B/skip.bak");
    for (const char* lang : {"zh", "en"}) {
        const Outcome run = dirmatch("compare " + ab + " --json --exclude .bak --lang " + lang);
        ASSERT_EQ(run.code, 1) << run.err;
        const auto doc = nlohmann::json::parse(run.out);
        setLanguage(std::string(lang) == "en" ? English : Chinese);
        auto comp = test::compared(a, b, 0x1F, {test::kSep}, {".bak"});
        EXPECT_EQ(doc["state"], Finished);
        EXPECT_EQ(doc["lacked"], comp->results.lacked);
        EXPECT_EQ(doc["redundant"], comp->results.redundant);
        EXPECT_EQ(doc["different"], comp->results.different);
        ASSERT_EQ(doc["results"].size(), comp->results.children->size());
        for (size_t i = 0; i < doc["results"].size(); ++i) {
            const auto& node = doc["results"][i];
            const result_t& r = *(*comp->results.children)[i];
            EXPECT_EQ(node["name"], platform::toUtf8(r.name));
            EXPECT_EQ(node["kind"], r.kind);
            EXPECT_EQ(node["included"], r.included);
            EXPECT_EQ(node["identical"], r.identical);
            StringList details;
            comp->details(r, details);
            for (std::string& text : details) text = platform::toUtf8(text);
            EXPECT_EQ(node["details"].get<StringList>(), details);
            EXPECT_EQ(node["children"].is_null(), r.children == nullptr);
        }
        setLanguage(Chinese);
    }
}

TEST_F(Cli, ChineseNamesPairAndPrintInTheSystemsCodePage)
{
    // "淺" ends in the separator's byte in GBK: only a whole character counts.
    const std::string folder = "深淺"_sys;
    dir.file("A/" + folder + "/报告.txt"_sys, "same");
    dir.file("B/" + folder + "/报告.txt"_sys, "same");
    dir.file("A/" + folder + "/新文件.txt"_sys, "new");
    const Outcome run = dirmatch("compare " + ab + " --lang zh");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.out.find("- "_sys + "新文件.txt"_sys), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(folder), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("缺:1 | 异:0 | 多:0"_sys), std::string::npos) << run.out;

    const auto doc = nlohmann::json::parse(dirmatch("compare " + ab + " --json").out);
    ASSERT_EQ(doc["results"].size(), 1u);
    const auto& pair = doc["results"][0];
    EXPECT_EQ(pair["name"], "深淺");
    EXPECT_EQ(pair["pathB"], platform::toUtf8(b + test::kSep + folder));
    ASSERT_EQ(pair["children"].size(), 2u);
    for (const auto& child : pair["children"])
        EXPECT_EQ(child["identical"], child["name"] == "报告.txt" ? 1 : 0) << child["name"];
}

TEST_F(Cli, NamesThatAreNotUtf8NeverBreakTheOutput)
{
    try {
        dir.file(std::string("A/bad\xff\xfe"));
    } catch (const std::exception&) {
        GTEST_SKIP() << "names here are always valid text";
    }
    const Outcome run = dirmatch("compare " + ab + " --json");
    EXPECT_EQ(run.code, 1);
    EXPECT_NO_THROW(nlohmann::json::parse(run.out));
}

TEST_F(Cli, SyncCopiesThenComparesAgainAndBsOwnItemsSurvive)
{
    dir.file("A/new/deep", "d");
    dir.file("A/changed", "new!");
    dir.file("B/changed", "old");
    dir.file("B/mine", "b");
    const Outcome dry = dirmatch("sync " + ab + " --dry-run");
    EXPECT_EQ(dry.code, 1);
    EXPECT_NE(dry.out.find(a + test::kSep + "changed -> " + b + test::kSep + "changed"), std::string::npos);
    EXPECT_EQ(dir.read("B/changed"), "old");
    EXPECT_FALSE(dir.exists("B/new"));

    const Outcome refused = dirmatch("sync " + ab);
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(dir.read("B/changed"), "old");

    const Outcome done = dirmatch("sync " + ab + " --yes");
    EXPECT_EQ(done.code, 0) << done.err;  // B holds all A holds; its own item stays
    EXPECT_EQ(dir.read("B/changed"), "new!");
    EXPECT_EQ(dir.read("B/new/deep"), "d");
    EXPECT_EQ(dir.read("B/mine"), "b");
    std::filesystem::remove(dir / "B/mine");
    EXPECT_EQ(dirmatch("compare " + ab).code, 0);
}

TEST_F(Cli, SyncOfOneItemLeavesItsSiblings)
{
    dir.file("A/sub/one", "new");
    dir.file("B/sub/one", "old!");
    dir.file("A/sub/two", "new");
    dir.file("B/sub/two", "old!");
    const Outcome run = dirmatch("sync " + ab + " --yes --item " + test::native("sub/one"));
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_EQ(dir.read("B/sub/one"), "new");
    EXPECT_EQ(dir.read("B/sub/two"), "old!");
    EXPECT_NE(run.out.find("异:1"_sys), std::string::npos);
    EXPECT_EQ(dirmatch("sync " + ab + " --yes --item " + test::native("sub/none")).code, 2);
}

TEST_F(Cli, BadInputIsOneLineAndExitTwoWithNothingWritten)
{
    for (const std::string& args :
         {std::string("compare ") + ab + " --bogus", std::string("compare ") + q(a),
          "compare " + ab + " --rules size,colour", "compare " + ab + " --options 300",
          "compare " + q(dir.file("plain")) + " " + q(b), "compare " + ab + " --info-a " + q(dir / "none.dat"),
          std::string("frobnicate"), "sync " + ab + " --info-b " + q(dir / "x.dat") + " --yes",
          "sync " + ab + " --yes --item ''", "compare " + q(a) + " '[::1]'"}) {
        const Outcome run = dirmatch(args);
        EXPECT_EQ(run.code, 2) << args;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << args;
    }
    EXPECT_EQ(test::entriesIn(b), 0u);
}

TEST_F(Cli, RulesAndRawOptionsMakeTheOptionByte)
{
    dir.file("A/f", "1");
    dir.file("B/f", "22");
    EXPECT_EQ(dirmatch("compare " + ab + " --rules time,version").code, 0);
    EXPECT_EQ(dirmatch("compare " + ab + " --rules size").code, 1);
    EXPECT_EQ(dirmatch("compare " + ab + " --options 0x01").code, 0);
    EXPECT_EQ(dirmatch("compare " + ab + " --options 0").code, 1);  // no valid bit: everything
}

TEST_F(Cli, TheContentRuleSeesWhatSizeAndTimeMissAndSaysWhenASideHasNoContent)
{
    dir.file("A/same", "abc", test::kTime);
    dir.file("B/same", "abc", test::kTime + 60);
    dir.file("A/changed", "abc");
    dir.file("B/changed", "abd");
    const Outcome run = dirmatch("compare " + ab + " --rules size,content --json");
    EXPECT_EQ(run.code, 1) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    for (const auto& node : doc["results"])
        EXPECT_EQ(node["sameContent"], node["name"] == "changed" ? 0 : 1) << node["name"];
    EXPECT_EQ(dirmatch("compare " + ab + " --rules size,time").code, 1);
    EXPECT_EQ(dirmatch("compare " + ab + " --rules size").code, 0);

    const std::string info = dir / "b.dat";
    ASSERT_EQ(dirmatch("export " + q(b) + " -o " + q(info)).code, 0);
    const Outcome fromInfo = dirmatch("compare " + ab + " --rules size,content --info-b " + q(info) + " --lang en");
    EXPECT_EQ(fromInfo.code, 0);
    EXPECT_NE(fromInfo.err.find("content not compared: side B is an information file"), std::string::npos)
        << fromInfo.err;
}

TEST_F(Cli, ExportWritesTheInformationFileAndItReadsBackAsASide)
{
    dir.file("A/f", "1");
    dir.file("A/sub/g", "2");
    const std::string file = dir / "info.dat";
    const Outcome run = dirmatch("export " + q(a) + " -o " + q(file));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "导出标准文件夹信息:"_sys + a + test::kSep + " 到信息文件:"_sys + file + " 成功\n"_sys);
    EXPECT_EQ(dirmatch("compare " + q(a) + " " + q(a) + " --info-a " + q(file)).code, 0);
    // The file alone stands for folder A, which need not be here any more.
    dir.file("B/f", "1");
    const std::string gone = dir / "gone";
    std::filesystem::rename(a, gone);
    const Outcome alone = dirmatch("compare --info-a " + q(file) + " " + q(b) + " --lang en");
    EXPECT_EQ(alone.code, 1) << alone.err;
    EXPECT_NE(alone.out.find("L:1 | D:0 | M:0"), std::string::npos) << alone.out;
    std::filesystem::rename(gone, a);
    const Outcome empty =
        dirmatch("compare " + q(b) + " --lang en --info-a " + q(dir.file("empty.dat", "BEGIN\r\nEND\r\n")));
    EXPECT_NE(empty.err.find("give folder A"), std::string::npos) << empty.err;

    const Outcome failed = dirmatch("export " + q(a) + " -o " + q(dir / "no/such/dir/info.dat"));
    EXPECT_EQ(failed.code, 2);
    EXPECT_NE(failed.err.find("导出失败"_sys), std::string::npos);
}

TEST(ProgramFile, ItsVersionIsReadFromTheFileItself)
{
    const std::string expected = DIRMATCH_FILE_VERSION;
    EXPECT_EQ(fileVersionText(DIRMATCH_BINARY), expected.empty() ? messageText(msg::NoVersion) : expected);
}

}  // namespace
}  // namespace dm
