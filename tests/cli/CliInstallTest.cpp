// What an installation relies on: the version, and a completion that knows
// every option the command line has.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

std::set<std::string> optionsIn(const std::string& text)
{
    std::set<std::string> options;
    const std::regex option("--[a-z][a-z-]*");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        options.insert(it->str());
    return options;
}

TEST(Install, TheCompletionKnowsEveryOptionOfEverySubcommand)
{
    const std::string completion = test::readFile(DIRMATCH_SOURCE_DIR "/packaging/dirmatch.bash-completion");
    const std::set<std::string> known = optionsIn(completion);
    for (const char* command : {"compare", "sync", "export", "job save", "job list", "job run", "job schedule"}) {
        const auto help = test::runProgram(DIRMATCH_BINARY, std::string(command) + " --help");
        for (const std::string& option : optionsIn(help.out))
            EXPECT_TRUE(known.count(option)) << command << " " << option;
    }
}

TEST(Install, TheVersionIsTheProjectsOwn)
{
    const auto run = test::runProgram(DIRMATCH_BINARY, "--version");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind("dirmatch " DIRMATCH_VERSION, 0), 0u) << run.out;
}

}  // namespace
}  // namespace dm
