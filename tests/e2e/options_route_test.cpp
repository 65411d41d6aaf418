// The options screen through the real loop.
#include <gtest/gtest.h>

#include "e2e/e2e_fixture.h"

namespace {

using e2e::ScriptedRunTest;
using testsupport::ScriptedProgram;

TEST_F(ScriptedRunTest, OptionsOpenAndCloseWithoutAChange) {
    testsupport::WriteScriptedFolder(dir);
    program.WaitForPage(0).ChooseMenuButton(2).WaitForPage(8).TapKey(os::VK_ESCAPE).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 8 0");
}

}  // namespace
