// Typing into a menu text field through the real message path: SDL key and text events into
// the OS layer, the shell's window procedure queueing the characters, the field taking them.
#include <cstring>

#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_widgets.h"
#include "platform/os_fixture.h"
#include "shell/main_loop.h"

namespace ostest {
namespace {

std::vector<int>& Sounds() {
    static std::vector<int> s;
    return s;
}

class TextEntryTest : public OsTest {
protected:
    char target[32] = "Viejo";
    TextField field;

    void SetUp() override {
        OsTest::SetUp();
        Sounds().clear();
        g_MenuShellCalls.playFx = [](int id) { Sounds().push_back(id); };
        os::WindowDesc desc;
        desc.proc = WndProc;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        os::ShowWindow(window, true);
        Pump();
    }
    void TearDown() override {
        field.Reset();
        ResetMenuShellCalls();
        OsTest::TearDown();
    }
    // The main loop's message half: every waiting message translated and dispatched.
    void Pump() {
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) {
            os::TranslateMessage(&m);
            os::DispatchMessage(&m);
        }
    }
    void Type(const char* text) {
        PushText(text);
        Pump();
    }
    void Key(SDL_Keycode sym, SDL_Scancode sc) {
        PushKey(true, sym, sc);
        PushKey(false, sym, sc);
        Pump();
    }
    // An entry begun on the old value, which shows, and then wiped out with Backspace.
    void Begin(uint32_t capacity) {
        field.Create(0.1f, 0.1f, 0.4f, 0.05f, 'i', target, capacity, 6, 13, 0xff373737, 0);
        field.BeginEdit();
        EXPECT_STREQ(field.textLabel.text, "Viejo");
        for (size_t i = 0; i < std::strlen("Viejo"); ++i) Key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
        EXPECT_EQ(field.Update(), 0);
        EXPECT_STREQ(field.textLabel.text, "");
        EXPECT_STREQ(target, "Viejo") << "nothing is stored before Enter";
        Sounds().clear();
    }
};

TEST_F(TextEntryTest, EveryCharacterOfAFrameIsKeptInOrderWithItsCaseAndAccents) {
    Begin(sizeof target);
    Type("aB");
    Type("\xC3\xA9");   // 'é'
    EXPECT_EQ(field.Update(), 0);
    EXPECT_STREQ(field.textLabel.text, "aB\xE9");
    EXPECT_EQ(Sounds().size(), 3u);
    Key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
    Key(SDLK_RETURN, SDL_SCANCODE_RETURN);
    EXPECT_EQ(field.Update(), 1);
    EXPECT_STREQ(target, "aB");
    EXPECT_FALSE(field.editing);
}

TEST_F(TextEntryTest, TheNineteenthCharacterIsRefusedSilentlyAndASmallTargetTakesLess) {
    Begin(sizeof target);
    Type("abcdefghijklmnopqr");
    Type("s");
    field.Update();
    EXPECT_STREQ(field.textLabel.text, "abcdefghijklmnopqr");
    EXPECT_EQ(Sounds().size(), 18u);
    // A 16-byte target takes 15.
    field.Reset();
    Begin(16);
    Type("abcdefghijklmnopqr");
    Key(SDLK_RETURN, SDL_SCANCODE_RETURN);
    EXPECT_EQ(field.Update(), 1);
    EXPECT_STREQ(target, "abcdefghijklmno");
}

TEST_F(TextEntryTest, EscapeLeavesTheTargetAndShowsItAgain) {
    Begin(sizeof target);
    Type("nuevo");
    Key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    EXPECT_EQ(field.Update(), -1);
    EXPECT_STREQ(target, "Viejo");
    EXPECT_STREQ(field.textLabel.text, "Viejo");
    EXPECT_FALSE(field.editing);
    EXPECT_FALSE(field.caretLabel.visible);
}

TEST_F(TextEntryTest, DoubleClicksAreReportedAgainAfterTheMenuIsReleased) {
    auto doubles = [this] {
        Calls().clear();
        PushButton(true, SDL_BUTTON_LEFT, 5, 5);
        PushButton(false, SDL_BUTTON_LEFT, 5, 5);
        PushButton(true, SDL_BUTTON_LEFT, 5, 5);
        PushButton(false, SDL_BUTTON_LEFT, 5, 5);
        return Only(Drain(), {os::WM_LBUTTONDBLCLK}).size();
    };
    os::SetDoubleClicks(window, false);
    EXPECT_EQ(doubles(), 0u);
    g_Menu.Release();
    EXPECT_EQ(doubles(), 1u);
}

}  // namespace
}  // namespace ostest
