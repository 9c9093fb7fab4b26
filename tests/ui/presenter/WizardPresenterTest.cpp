#include <gtest/gtest.h>

#include "config/Dmodule.h"
#include "engine/side/Element.h"
#include "tests/support/Compare.h"
#include "tests/support/TempDir.h"
#include "ui/presenter/WizardPresenter.h"

namespace dm {
namespace {

TEST(WizardPresenter, AFolderIsTakenOnlyWhereItCanBeCompared)
{
    test::TempDir dir;
    TDM dm(dir / "dirmatch");
    WizardPresenter wizard(dm);
    const std::string a = dir.folder("A");
    const std::string b = dir.folder("B");
    EXPECT_EQ(wizard.takeA("  " + a + " "), "");
    EXPECT_EQ(dm.StandardDir, a);
    EXPECT_NE(wizard.takeB(dir / "missing"), "");
    EXPECT_NE(wizard.takeB(a + test::kSep), "");  // B may not be A, however it is spelled
    EXPECT_EQ(dm.LocalDir, "");
    EXPECT_EQ(wizard.takeB("host:/srv/b"), "");  // looked for when it is read
    EXPECT_EQ(wizard.takeB(b), "");
    EXPECT_EQ(wizard.takeB(""), "");  // nothing typed changes nothing
    EXPECT_EQ(dm.LocalDir, b);
    wizard.swap();
    EXPECT_EQ(dm.StandardDir, b);
}

TEST(WizardPresenter, TheChoicesBecomeTheRulesAndTheFoldersAreRemembered)
{
    test::TempDir dir;
    TDM dm(dir / "dirmatch");
    dm.StandardDir = dir.folder("A");
    dm.LocalDir = dir.folder("B");
    WizardPresenter wizard(dm);
    wizard.start({true, false, true, true, true, false});
    EXPECT_EQ(dm.Options, uint32_t(optValid | optSize | optVersion | optSubFolders | optContent));
    EXPECT_FALSE(dm.OnlyDiff);
    EXPECT_FALSE(wizard.choices().time);
    EXPECT_TRUE(wizard.choices().content);
    ASSERT_FALSE(dm.HistoryA.empty());
    EXPECT_EQ(dm.HistoryA.front(), dm.StandardDir);
    EXPECT_EQ(dm.HistoryB.front(), dm.LocalDir);
}

}  // namespace
}  // namespace dm
