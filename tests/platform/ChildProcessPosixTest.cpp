#include <gtest/gtest.h>

#include <chrono>

#include "platform/ChildProcess.h"

namespace dm::platform {
namespace {

// A remote shell may close its output and hang on: the wait for its exit
// code is bounded, and a child that ends in time gives its own.
TEST(ChildProcess, AWaitAfterTheOutputEndedLastsAtMostThePatienceGivenAndKeepsAChildsOwnExit)
{
    const struct {
        const char* script;
        int code;
    } cases[] = {{"exec >&-; sleep 30", 128 + 15}, {"exec >&-; echo gone >&2; sleep 0.2; exit 127", 127}};
    for (const auto& c : cases) {
        ChildProcess child;
        std::string errors;
        ASSERT_TRUE(child.start({"sh", "-c", c.script}, errors)) << errors;
        while (std::fgetc(child.output()) != EOF) {
        }
        // Ended by a signal, the first had to be stopped: it would have exited 0.
        EXPECT_EQ(child.finish(errors, std::chrono::seconds(2)), c.code) << c.script;
    }
}

}  // namespace
}  // namespace dm::platform
