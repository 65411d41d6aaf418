// The program started from its own entry in a fresh folder, driven by a script.
#pragma once

#include <gtest/gtest.h>

#include "core/settings.h"
#include "frontend/menu.h"
#include "shell/main_loop.h"
#include "support/scripted_program.h"
#include "support/temp_dir.h"

namespace e2e {

class ScriptedRunTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    testsupport::ScriptedProgram program;

    void SetUp() override {
        g_Settings.Clear();
        ResetMainLoopState();
    }
    void TearDown() override {
        os::Shutdown();
        g_Settings.Clear();
        ResetMainLoopState();
    }
    // Runs the script; the run must reach its end and the program end with 0.
    void RunToEnd(int frameLimit = 20000) {
        const int code = program.Run(frameLimit);
        EXPECT_EQ(program.failure, "") << "pages " << program.PagesText();
        EXPECT_EQ(code, 0);
    }
};

}  // namespace e2e
