// One standard, many folders B: each target on its own, a table of how each
// ended, and a target that answers nothing stopped without touching the others.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::Outcome;
using test::TempDir;

std::string q(const std::string& text)
{
    return test::quoted(text);
}

Outcome dirmatch(const std::string& arguments)
{
    return test::runProgram(DIRMATCH_BINARY, arguments + " --lang en");
}

class Targets : public ::testing::Test {
protected:
    Targets()
    {
        dir.lay({{"A/f", "1"}, {"A/sub/g", "2"}, {"B2/f", "1"}, {"B2/sub/g", "2"}, {"B3/extra", "3"}});
        // Any host runs the command here, but "silent", which never answers.
        const std::string shell =
            dir.file("rsh", "#!/bin/sh\n[ \"$1\" = silent ] && exec sleep 600\nshift\nexec sh -c \"$*\"\n");
        std::filesystem::permissions(shell, std::filesystem::perms::owner_all);
        through = " --rsh " + q(shell) + " --remote-dirmatch " + q(DIRMATCH_BINARY);
    }

    TempDir dir;
    std::string a = dir / "A";
    std::string through;
};

TEST_F(Targets, EachTargetIsSynchronisedOnItsOwnAndOneThatAnswersNothingIsStoppedAlone)
{
    const std::string list =
        dir.file("targets", "# the machines\n" + dir / "B1" + "\n\n  host:" + dir / "B2" + "\nsilent:" + dir / "B4\n");
    const Outcome sync = dirmatch("sync " + q(a) + " host:" + q(dir / "B3") + " --targets " + q(list) +
                                  " --yes --parallel 2 --timeout 3" + through);
    EXPECT_EQ(sync.code, 2) << sync.out << sync.err;
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"host:" + dir / "B3", "2          0          1       2       0        0     0"},
        {dir / "B1", "-          -          -       -       -        -     2"},  // no such folder
        {"host:" + dir / "B2", "0          0          0       0       0        0     0"},
        {"silent:" + dir / "B4", "-          -          -       -       -        -     2"},
    };
    for (const auto& [target, row] : rows) {
        const size_t at = sync.out.find("\n" + target + " ");
        ASSERT_NE(at, std::string::npos) << target << sync.out;
        const std::string line = sync.out.substr(at + 1, sync.out.find('\n', at + 1) - at - 1);
        EXPECT_NE(line.find(row), std::string::npos) << line;
    }
    EXPECT_NE(sync.out.find("silent:" + dir / "B4: no answer within the timeout (3 s)"), std::string::npos) << sync.out;
    EXPECT_EQ(dir.read("B3/sub/g"), "2");

    // Compared again: which machines differ from the standard, and how, one result each.
    const Outcome json =
        dirmatch("compare " + q(a) + " host:" + q(dir / "B3") + " host:" + q(dir / "B1") + " --json" + through);
    EXPECT_EQ(json.code, 2) << json.err;
    EXPECT_NE(json.out.find("{\"target\": \"host:" + dir / "B3" +
                            "\", \"compared\": true, \"lacking\": 0, \"different\": 0, \"redundant\": 1, \"exit\": 1"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"target\": \"host:" + dir / "B1" + "\", \"compared\": false"), std::string::npos)
        << json.out;
    // A name with a control character in it leaves the output JSON all the same.
    const Outcome odd = dirmatch("compare " + q(a) + " " + q(dir / "B\x1b") + " " + q(dir / "B2") + " --json");
    const auto parsed = nlohmann::json::parse(odd.out, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << odd.out;
    EXPECT_EQ(parsed.at(0).at("target"), dir / "B\x1b");
}

TEST_F(Targets, AJobKeepsEveryTargetAndItsRecordIsTheTable)
{
    TempDir config;
    const std::string env = "XDG_CONFIG_HOME=" + config / "config" + " XDG_STATE_HOME=" + config / "state";
    const auto run = [&](const std::string& arguments) {
        return test::runProgram("env", env + " " + q(DIRMATCH_BINARY) + " " + arguments + " --lang en");
    };
    ASSERT_EQ(
        run("job save many " + q(a) + " host:" + q(dir / "B2") + " host:" + q(dir / "B3") + " --sync" + through).code,
        0);
    EXPECT_NE(run("job show many").out.find("folder B: host:" + dir / "B2" + ", host:" + dir / "B3"),
              std::string::npos);
    const Outcome ran = run("job run many");
    EXPECT_EQ(ran.code, 0) << ran.out << ran.err;
    EXPECT_NE(ran.out.find("target           "), std::string::npos) << ran.out;
    EXPECT_EQ(dir.read("B3/f"), "1");
}

TEST_F(Targets, ATargetsFileIsReadALineAtATimeWhateverItsLengthAndItsCommentsStayComments)
{
    dir.lay({{"VICTIM/keep", "k"}});
    // A comment longer than any buffer ends with a folder's path: it must stay a comment.
    const std::string list = dir.file("list", "# " + std::string(10000, 'x') + "/" + dir / "VICTIM" + "\n" +
                                                  dir / "B2" + "  # the second\n" + dir / "B3" + "\n");
    const Outcome ran = dirmatch("sync " + q(a) + " --targets " + q(list) + " --yes");
    EXPECT_EQ(ran.code, 0) << ran.out << ran.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "VICTIM/f"));
    EXPECT_EQ(dir.read("B3/f"), "1");

    const std::string withNul = dir.file("nul", dir / "B2" + std::string(1, '\0') + "x\n" + dir / "B3" + "\n");
    const Outcome refused = dirmatch("sync " + q(a) + " --targets " + q(withNul) + " --yes");
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find(withNul + ":1: "), std::string::npos) << refused.err;
}

TEST_F(Targets, ATargetIsWhatItSaysOrTheCombinationIsRefused)
{
    const std::string info = dir / "b2.dat";
    ASSERT_EQ(dirmatch("export " + q(dir / "B2") + " -o " + q(info)).code, 0);
    struct Case {
        std::string arguments;
        std::string said;
    };
    const Case cases[] = {
        {"compare --info-a " + q(info) + " " + q(dir / "B2") + " " + q(dir / "B3") + " " + q(a), "information file"},
        {"compare " + q(a) + " " + q(dir / "B2") + " " + q(dir / "B3") + " --info-b " + q(info), "information file"},
        {"sync " + q(a) + " " + q(dir / "B3") + " " + q(dir / "B3/") + " --yes", dir / "B3/"},
        {"sync " + q(a) + " host:" + q(dir / "B3") + " host:" + q(dir / "B3/") + " --yes" + through, "twice"},
    };
    for (const Case& c : cases) {
        const Outcome ran = dirmatch(c.arguments);
        EXPECT_EQ(ran.code, 2) << c.arguments << ran.out;
        EXPECT_NE(ran.err.find(c.said), std::string::npos) << c.arguments << ran.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "B3/f"));
}

TEST_F(Targets, ThePlanOfSeveralTargetsSaysWhereBIsNewerAsThePlanOfOneDoes)
{
    dir.file("A/f", "a", test::kTime);
    dir.file("B2/f", "newer", test::kTime + 100);
    dir.file("B3/f", "older", test::kTime - 100);
    const std::string one = dirmatch("sync " + q(a) + " " + q(dir / "B2") + " --dry-run --keep-newer").out;
    const std::string many =
        dirmatch("sync " + q(a) + " " + q(dir / "B2") + " " + q(dir / "B3") + " --dry-run --keep-newer").out;
    const std::string line = a + "/f -> " + dir / "B2/f  (B is newer, left as it is)";
    EXPECT_NE(one.find(line), std::string::npos) << one;
    EXPECT_NE(many.find(dir / "B2" + ": " + line), std::string::npos) << many;
    EXPECT_NE(many.find(dir / "B3" + ": " + a + "/f -> " + dir / "B3/f\n"), std::string::npos) << many;
    // Left as it is, B2 still differs: the run is not done, with one target or two.
    EXPECT_EQ(dirmatch("sync " + q(a) + " " + q(dir / "B2") + " --yes --keep-newer").code, 1);
    EXPECT_EQ(dirmatch("sync " + q(a) + " " + q(dir / "B2") + " " + q(dir / "B3") + " --yes --keep-newer").code, 1);
}

TEST_F(Targets, ParallelBoundsHowManyTargetsAreAtWorkAtOnce)
{
    dir.lay({{"B4/f", "1"}});
    // Each call counts itself in while it works (a lock made by mkdir), and the most at once is kept.
    const std::string count = dir / "count";
    const std::string shell = dir.file(
        "counting-rsh", "#!/bin/sh\nshift\nl=" + q(count) +
                            "\n"
                            "take() { until mkdir \"$l.lock\" 2>/dev/null; do sleep 0.01; done; }\n"
                            "put() { rmdir \"$l.lock\"; }\n"
                            "take; n=$(($(cat \"$l\" 2>/dev/null || echo 0) + 1)); echo $n > \"$l\"\n"
                            "m=$(cat \"$l.most\" 2>/dev/null || echo 0); [ $n -gt $m ] && echo $n > \"$l.most\"; put\n"
                            "sleep 0.3; sh -c \"$*\"; status=$?\n"
                            "take; echo $(($(cat \"$l\") - 1)) > \"$l\"; put\nexit $status\n");
    std::filesystem::permissions(shell, std::filesystem::perms::owner_all);
    std::string targets;
    for (const char* b : {"B2", "B3", "B4"}) targets += " host:" + q(dir / b);
    for (const int parallel : {1, 2}) {
        std::filesystem::remove(count + ".most");
        const Outcome ran = dirmatch("compare " + q(a) + targets + " --parallel " + std::to_string(parallel) +
                                     " --rsh " + q(shell) + " --remote-dirmatch " + q(DIRMATCH_BINARY));
        EXPECT_NE(ran.code, 2) << ran.out << ran.err;
        EXPECT_EQ(test::readFile(count + ".most"), std::to_string(parallel) + "\n") << parallel;
    }
}

}  // namespace
}  // namespace dm
