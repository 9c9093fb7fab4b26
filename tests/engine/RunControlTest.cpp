// The stop request: honoured wherever the work waits or walks, and gone before the next run.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/side/InfoFile.h"
#include "engine/workflow/Workflow.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::compared;
using test::TempDir;

class Stopping : public ::testing::Test {
protected:
    // Requests the stop at the first text that begins with `message`.
    void stopAt(uint32_t message)
    {
        control.onText = [this, message](const std::string& text) {
            if (text.rfind(messageText(message), 0) == 0) control.requestAbort();
        };
    }

    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    RunControl control;
};

TEST_F(Stopping, ANewRunStartsWithoutTheLastRunsStopRequest)
{
    dir.file("A/sub/f");
    dir.file("B/sub/f");
    control.requestAbort();
    EXPECT_EQ(compared(a, b, 0x1F, {test::kSep}, {}, &control)->state, CompareError);
    control.reset();
    EXPECT_FALSE(control.abortRequested());
    EXPECT_EQ(compared(a, b, 0x1F, {test::kSep}, {}, &control)->state, Finished);
}

TEST_F(Stopping, AStopIsHonouredWhileAnInformationFileIsRead)
{
    for (int i = 0; i < 1100; ++i) dir.file("A/f" + std::to_string(i));  // past the first progress text
    const std::string info = dir / "a.dat";
    std::string error;
    ASSERT_TRUE(test::exportFolder(a, info, error)) << error;
    stopAt(msg::ProgressScanning);
    dirCompare comp(test::request(a, b, {test::kSep}, {}, 0x1F, {}, info), &control);
    comp.run();
    EXPECT_EQ(comp.state, CompareError);
    EXPECT_EQ(comp.errorText, messageText(msg::UserAbort));
}

TEST_F(Stopping, ARefreshAfterAStoppedRunIsNotTakenForStopped)
{
    dir.file("A/one/f");
    dir.file("B/one/f");
    dir.file("A/two/f");
    dir.file("B/two/f", "changed");
    stopAt(msg::ProgressComparing);
    auto comp = compared(a, b, 0x1F, {test::kSep}, {}, &control);
    ASSERT_EQ(comp->state, CompareError);
    control.onText = nullptr;
    control.reset();
    comp->refresh(comp->results, {});
    EXPECT_EQ(comp->state, Finished) << comp->errorText;
    EXPECT_EQ(comp->results.different, 1);
}

TEST_F(Stopping, AnInformationFileCutAtTheEntryLimitIsTheLimitNotAnIncompleteFile)
{
    for (int i = 0; i < 20; ++i) dir.file("A/f" + std::to_string(i));
    const std::string info = dir / "a.dat";
    std::string error;
    ASSERT_TRUE(test::exportFolder(a, info, error)) << error;
    dirCompare comp(test::request(a, b, {test::kSep}, {}, 0x1F, {}, info), nullptr);
    comp.request.maxEntries = 5;
    comp.run();
    EXPECT_EQ(comp.state, TooManyFiles) << comp.errorText;

    // A stream cut where the limit falls on a folder's block: complete up to the limit.
    dir.file("S/f1");
    dir.file("S/f2");
    dir.file("S/d/g");
    const std::string s = dir / "S";
    dirCompare exporter(test::request(s, b, {test::kSep}, {}, kAllOptions), nullptr);
    ASSERT_TRUE(exporter.scanFolder(exporter.rootA, error, {}));
    std::string stream;
    ASSERT_TRUE(writeInfo(
        describedTree(exporter, exporter.rootA), [&](std::string_view text) { return stream.append(text), true; },
        error));
    std::FILE* file = std::tmpfile();
    std::fwrite(stream.data(), 1, stream.size(), file);
    std::rewind(file);
    test::TestSink sink(6);  // two dots, f1, f2, d: the limit comes with d's own two dots
    element_t root;
    root.path = exporter.pathA;
    EXPECT_TRUE(readInfoBlock(sink, root, file, error, {}, true)) << error;
    std::fclose(file);
}

TEST(Progress, TheBytesComparedShowInWholeMebibytes)
{
    const uint8_t language = currentLanguage();
    setLanguage(English);
    RunControl control;
    control.setText("x");
    EXPECT_EQ(control.shownText(), "x");
    for (const auto& [bytes, shown] :
         {std::pair{int64_t(1) << 20, "compared 1 MiB  x"}, std::pair{(int64_t(5) << 20) + 1, "compared 5 MiB  x"}}) {
        control.bytesCompared = bytes;
        EXPECT_EQ(control.shownText(), shown);
    }
    setLanguage(language);
}

}  // namespace
}  // namespace dm
