// The options screen through the real loop: a resolution step, a key captured by pressing it
// and a volume drag, kept in "Options.cfg" after the question is answered yes.
#include <gtest/gtest.h>

#include <cstring>

#include "e2e/e2e_fixture.h"
#include "frontend/menu_screens.h"
#include "frontend/settings_files.h"

namespace {

using e2e::ScriptedRunTest;
using testsupport::ScriptedProgram;

OptionsPanel& Panel() { return g_Menu.screens->options; }
bool OnOptions() { return g_Menu.screens && g_Menu.screens->screen == 8 && Panel().shown; }

// The middle of a pixel rectangle.
bool Middle(int left, int top, int w, int h, float* x, float* y) {
    if (w <= 0 || h <= 0) return false;
    *x = ScriptedProgram::FractionX(float(left) + float(w) / 2);
    *y = ScriptedProgram::FractionY(float(top) + float(h) / 2);
    return true;
}

ScriptedProgram::Locate Tab(int t) {
    return [t](float* x, float* y) {
        if (!OnOptions()) return false;
        const MenuPanel& p = Panel().panels[t];
        *x = p.x + p.w / 2, *y = p.y + p.h / 2;
        return p.w > 0;
    };
}

// Along the sound volume slider (its hit rectangle), at fraction f of its width.
ScriptedProgram::Locate SoundVolume(float f) {
    return [f](float* x, float* y) {
        if (!OnOptions() || Panel().currentTab != 3) return false;
        const MenuSlider& s = Panel().sliders[6];
        if (s.hitW <= 0) return false;
        *x = ScriptedProgram::FractionX(float(s.hitX) + f * float(s.hitW));
        *y = ScriptedProgram::FractionY(float(s.hitY) + float(s.hitH) / 2);
        return true;
    };
}

TEST_F(ScriptedRunTest, OptionsEditedByPointerAndKeysAreKeptOnYes) {
    testsupport::WriteScriptedFolder(dir, {.sound = true});
    program.WaitForPage(0).ChooseMenuButton(2).WaitForPage(8).Wait(2);
    // The resolution row's caption is drawn where the layout puts it, and shows ink.
    int captionInk = -1, emptyInk = -1;
    program.Do("read the frame", [&](ScriptedProgram&) {
        const testsupport::FramePixels frame = ScriptedProgram::ReadFrame();
        const TextLabel& caption = Panel().rowLabels[0];
        captionInk = frame.LabelInk(caption);
        emptyInk = frame.CountDiffering(0.2f, 0.86f, caption.w, caption.h, frame.MostCommon(0.2f, 0.86f, caption.w, caption.h));
    });
    program.ClickWhere("the resolution's right arrow", [](float* x, float* y) {
        if (!OnOptions()) return false;
        const ArrowSelector& s = Panel().selectors[0];
        return Middle(s.rx, s.ry, s.rw, s.rh, x, y);
    });
    program.ClickWhere("the controls tab", Tab(2));
    // The first key cell of the first action, then the key.
    program.ClickWhere("the first key cell", [](float* x, float* y) {
        if (!OnOptions() || Panel().currentTab != 2) return false;
        const OptionsPanel& o = Panel();
        *x = o.x + o.width - 0.43f + 0.08f, *y = o.y + 0.18f + 0.02f;
        return true;
    });
    program.WaitUntil("capturing", [] { return Panel().capturing != 0; }, 30).TapKey('K');
    program.WaitUntil("the key bound", [] { return Panel().capturing == 0; }, 30);
    program.ClickWhere("the sound tab", Tab(3));
    program.Drag("the sound volume", SoundVolume(0.9f), SoundVolume(0.25f));
    program.TapKey(os::VK_ESCAPE).WaitUntil("the question", [] { return g_Menu.screens->optionsExit.asking != 0; });
    program.TapKey(os::VK_RETURN).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 8 0");
    EXPECT_GT(captionInk, 20);
    EXPECT_LT(emptyInk, captionInk / 4) << "the empty part of the content area shows no ink";

    ResetSettingsFiles();
    ASSERT_TRUE(LoadOptionsConfig());
    EXPECT_EQ(g_Options.width, 800u);
    EXPECT_EQ(g_Options.height, 600u);
    EXPECT_EQ(g_Options.keys[0].key1, 'K');
    float volume;
    std::memcpy(&volume, &g_Options.soundWordB, sizeof volume);
    EXPECT_NEAR(volume, 0.25f, 0.05f);
}

}  // namespace
