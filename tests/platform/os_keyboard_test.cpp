// Keyboard: SDL key translation, key messages and their lParam, key state, characters and
// scan codes.
#include "os_fixture.h"

#include <string>

namespace {

using namespace os;
using ostest::OsTest;

struct KeyCase {
    SDL_Keycode sym;
    SDL_Scancode scancode;
    int vk;
};

// Virtual-key numbers written out as the stored option files know them.
const KeyCase kNamedKeys[] = {
    {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0x08}, {SDLK_TAB, SDL_SCANCODE_TAB, 0x09},
    {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D},       {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B},       {SDLK_SPACE, SDL_SCANCODE_SPACE, 0x20},
    {SDLK_PAUSE, SDL_SCANCODE_PAUSE, 0x13},         {SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, 0x14},
    {SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 0x21},       {SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, 0x22},
    {SDLK_END, SDL_SCANCODE_END, 0x23},             {SDLK_HOME, SDL_SCANCODE_HOME, 0x24},
    {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25},           {SDLK_UP, SDL_SCANCODE_UP, 0x26},
    {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 0x27},         {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28},
    {SDLK_INSERT, SDL_SCANCODE_INSERT, 0x2D},       {SDLK_DELETE, SDL_SCANCODE_DELETE, 0x2E},
    {SDLK_LGUI, SDL_SCANCODE_LGUI, 0x5B},           {SDLK_RGUI, SDL_SCANCODE_RGUI, 0x5C},
    {SDLK_APPLICATION, SDL_SCANCODE_APPLICATION, 0x5D},
    {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10},       {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x10},
    {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 0x11},         {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11},
    {SDLK_LALT, SDL_SCANCODE_LALT, 0x12},           {SDLK_RALT, SDL_SCANCODE_RALT, 0x12},
    {SDLK_KP_0, SDL_SCANCODE_KP_0, 96},             {SDLK_KP_1, SDL_SCANCODE_KP_1, 97},
    {SDLK_KP_2, SDL_SCANCODE_KP_2, 98},             {SDLK_KP_3, SDL_SCANCODE_KP_3, 99},
    {SDLK_KP_4, SDL_SCANCODE_KP_4, 100},            {SDLK_KP_5, SDL_SCANCODE_KP_5, 101},
    {SDLK_KP_6, SDL_SCANCODE_KP_6, 102},            {SDLK_KP_7, SDL_SCANCODE_KP_7, 103},
    {SDLK_KP_8, SDL_SCANCODE_KP_8, 104},            {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
    {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 106}, {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 107},
    {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 109},    {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 110},
    {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 111},
    {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0xBA}, {SDLK_EQUALS, SDL_SCANCODE_EQUALS, 0xBB},
    {SDLK_COMMA, SDL_SCANCODE_COMMA, 0xBC},         {SDLK_MINUS, SDL_SCANCODE_MINUS, 0xBD},
    {SDLK_PERIOD, SDL_SCANCODE_PERIOD, 0xBE},       {SDLK_SLASH, SDL_SCANCODE_SLASH, 0xBF},
    {SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE, 0xC0},     {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 0xDB},
    {SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, 0xDD},
    {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 0xDE},
};

std::vector<KeyCase> AllKeyCases() {
    std::vector<KeyCase> cases(std::begin(kNamedKeys), std::end(kNamedKeys));
    for (int i = 0; i < 26; ++i) {
        cases.push_back({SDL_Keycode('a' + i), SDL_Scancode(SDL_SCANCODE_A + i), 'A' + i});
    }
    const SDL_Scancode digitScan[10] = {SDL_SCANCODE_0, SDL_SCANCODE_1, SDL_SCANCODE_2, SDL_SCANCODE_3,
                                        SDL_SCANCODE_4, SDL_SCANCODE_5, SDL_SCANCODE_6, SDL_SCANCODE_7,
                                        SDL_SCANCODE_8, SDL_SCANCODE_9};
    for (int i = 0; i < 10; ++i) cases.push_back({SDL_Keycode('0' + i), digitScan[i], '0' + i});
    const SDL_Keycode fkeys[24] = {SDLK_F1,  SDLK_F2,  SDLK_F3,  SDLK_F4,  SDLK_F5,  SDLK_F6,
                                   SDLK_F7,  SDLK_F8,  SDLK_F9,  SDLK_F10, SDLK_F11, SDLK_F12,
                                   SDLK_F13, SDLK_F14, SDLK_F15, SDLK_F16, SDLK_F17, SDLK_F18,
                                   SDLK_F19, SDLK_F20, SDLK_F21, SDLK_F22, SDLK_F23, SDLK_F24};
    for (int i = 0; i < 24; ++i) {
        cases.push_back({fkeys[i], SDL_GetScancodeFromKey(fkeys[i]), 0x70 + i});
    }
    return cases;
}

// ---- VirtualKeyFromSdl ---------------------------------------------------------------

TEST(VirtualKeyFromSdl, UnknownKeysGiveZero) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, 100000), 0);
}

TEST(VirtualKeyFromSdl, LayoutKeysWithoutAUsKeycodeUseTheirPosition) {
    // A French layout sends 0xE9 ('é') from the key that is '2' on a US keyboard.
    EXPECT_EQ(VirtualKeyFromSdl(0xE9, SDL_SCANCODE_2), '2');
    EXPECT_EQ(VirtualKeyFromSdl(0xF6, SDL_SCANCODE_SEMICOLON), VK_OEM_1);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_F5), VK_F5);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_NONUSBACKSLASH), VK_OEM_102);
    // The keycode decides when it is known: an AZERTY 'a' sits where US has 'Q'.
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a, SDL_SCANCODE_Q), 'A');
}

// ---- key messages --------------------------------------------------------------------

TEST_F(OsTest, EveryKeyOfTheTableArrivesAsItsVirtualKey) {
    Open();
    for (const KeyCase& c : AllKeyCases()) {
        PushKey(true, c.sym, c.scancode);
        PushKey(false, c.sym, c.scancode);
        auto msgs = Only(Drain(), {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP});
        ASSERT_EQ(msgs.size(), 2u) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(msgs[0].wParam, uintptr_t(c.vk)) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(msgs[1].wParam, uintptr_t(c.vk)) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(GetAsyncKeyState(c.vk), 0) << SDL_GetKeyName(c.sym);
    }
}

TEST_F(OsTest, KeyMessageCarriesRepeatCountAndScanCode) {
    Open();
    struct {
        SDL_Keycode sym;
        SDL_Scancode sc;
        int scan;   // set-1 make code
    } cases[] = {{SDLK_a, SDL_SCANCODE_A, 0x1E}, {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x36}, {SDLK_KP_7, SDL_SCANCODE_KP_7, 0x47}};
    for (const auto& c : cases) {
        PushKey(true, c.sym, c.sc);
        PushKey(false, c.sym, c.sc);
        auto msgs = Only(Drain(), {WM_KEYDOWN, WM_KEYUP});
        ASSERT_EQ(msgs.size(), 2u);
        EXPECT_EQ(LoWord(uintptr_t(msgs[0].lParam)), 1);
        EXPECT_EQ((msgs[0].lParam >> 16) & 0xFF, c.scan);
        EXPECT_EQ((msgs[1].lParam >> 16) & 0xFF, c.scan);
        EXPECT_EQ(msgs[0].lParam & KF_ALTDOWN_BIT, 0);
    }
}

TEST_F(OsTest, AutoRepeatSetsThePreviousStateBit) {
    Open();
    PushKey(true, SDLK_w, SDL_SCANCODE_W);
    PushKey(true, SDLK_w, SDL_SCANCODE_W, KMOD_NONE, 1);   // SDL's auto-repeat
    PushKey(true, SDLK_w, SDL_SCANCODE_W);                 // repeat SDL did not flag
    PushKey(false, SDLK_w, SDL_SCANCODE_W);
    PushKey(true, SDLK_w, SDL_SCANCODE_W);                 // a fresh press after the release
    auto msgs = Only(Drain(), {WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(msgs.size(), 5u);
    EXPECT_EQ(msgs[0].lParam & KF_REPEAT_BIT, 0);
    EXPECT_NE(msgs[1].lParam & KF_REPEAT_BIT, 0);
    EXPECT_NE(msgs[2].lParam & KF_REPEAT_BIT, 0);
    EXPECT_EQ(msgs[3].id, WM_KEYUP);
    EXPECT_NE(msgs[3].lParam & KF_REPEAT_BIT, 0);
    EXPECT_EQ(msgs[4].lParam & KF_REPEAT_BIT, 0);
}

TEST_F(OsTest, LeftAndRightModifiersAreTrackedApartAndTogether) {
    Open();
    struct Mod {
        SDL_Keycode left, right;
        SDL_Scancode leftSc, rightSc;
        int generic, leftVk, rightVk;
    } mods[] = {
        {SDLK_LSHIFT, SDLK_RSHIFT, SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT, 0x10, 160, 161},
        {SDLK_LALT, SDLK_RALT, SDL_SCANCODE_LALT, SDL_SCANCODE_RALT, 0x12, 164, 165},
    };
    for (const Mod& m : mods) {
        uint8_t keys[256];
        PushKey(true, m.left, m.leftSc);
        auto msgs = Drain();
        ASSERT_EQ(msgs.size(), 1u);
        EXPECT_EQ(msgs[0].wParam, uintptr_t(m.generic));
        ASSERT_TRUE(GetKeyboardState(keys));
        EXPECT_TRUE(keys[m.leftVk] & 0x80);
        EXPECT_FALSE(keys[m.rightVk] & 0x80);
        EXPECT_TRUE(keys[m.generic] & 0x80);

        PushKey(true, m.right, m.rightSc);
        PushKey(false, m.left, m.leftSc);
        msgs = Drain();
        ASSERT_EQ(msgs.size(), 2u);
        EXPECT_EQ(msgs[0].wParam, uintptr_t(m.generic));
        EXPECT_EQ(msgs[1].wParam, uintptr_t(m.generic));
        GetKeyboardState(keys);
        EXPECT_FALSE(keys[m.leftVk] & 0x80);
        EXPECT_TRUE(keys[m.rightVk] & 0x80);
        EXPECT_TRUE(keys[m.generic] & 0x80) << "still held by the right-hand key";

        PushKey(false, m.right, m.rightSc);
        Drain();
        GetKeyboardState(keys);
        EXPECT_FALSE(keys[m.rightVk] & 0x80);
        EXPECT_FALSE(keys[m.generic] & 0x80);
        EXPECT_EQ(GetAsyncKeyState(m.generic), 0);
    }
}

TEST_F(OsTest, ToggleBitFlipsOnEachPressNotOnRepeat) {
    Open();
    uint8_t keys[256];
    PushKey(true, SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK);
    PushKey(true, SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, KMOD_NONE, 1);
    PushKey(false, SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK);
    Drain();
    GetKeyboardState(keys);
    EXPECT_EQ(keys[VK_CAPITAL], 0x01);

    char out[2] = {};
    ASSERT_EQ(ToAscii('Q', 0, keys, out), 1);
    EXPECT_EQ(out[0], 'Q') << "Caps Lock is on";

    PushKey(true, SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK);
    Drain();
    GetKeyboardState(keys);
    EXPECT_EQ(keys[VK_CAPITAL], 0x80) << "down, toggled off again";

    for (int i = 0; i < 3; ++i) {
        PushKey(true, SDLK_g, SDL_SCANCODE_G);
        PushKey(false, SDLK_g, SDL_SCANCODE_G);
    }
    Drain();
    GetKeyboardState(keys);
    EXPECT_EQ(keys['G'], 0x01) << "three presses leave the toggle bit set";
}

TEST_F(OsTest, GetAsyncKeyStateReportsKeysAndMouseButtons) {
    Open();
    EXPECT_EQ(GetAsyncKeyState('K'), 0);
    PushKey(true, SDLK_k, SDL_SCANCODE_K);
    Drain();
    EXPECT_EQ(uint16_t(GetAsyncKeyState('K')), 0x8000);

    const uint8_t buttons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE};
    const int vks[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    for (int i = 0; i < 3; ++i) {
        PushButton(true, buttons[i], 5, 5);
        Drain();
        EXPECT_EQ(uint16_t(GetAsyncKeyState(vks[i])), 0x8000) << i;
        PushButton(false, buttons[i], 5, 5);
        Drain();
        EXPECT_EQ(GetAsyncKeyState(vks[i]), 0) << i;
    }
    PushKey(false, SDLK_k, SDL_SCANCODE_K);
    Drain();
    EXPECT_EQ(GetAsyncKeyState('K'), 0);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
}

TEST_F(OsTest, ShutdownClearsTheKeyState) {
    Open();
    PushKey(true, SDLK_z, SDL_SCANCODE_Z);
    Drain();
    ASSERT_NE(GetAsyncKeyState('Z'), 0);
    Shutdown();
    ASSERT_TRUE(Init());
    uint8_t keys[256];
    GetKeyboardState(keys);
    EXPECT_EQ(keys['Z'], 0);
}

// ---- characters ----------------------------------------------------------------------

TEST_F(OsTest, TextInputBecomesOneCharPerAsciiByte) {
    Open();
    PushKey(true, SDLK_h, SDL_SCANCODE_H);
    PushText("h");
    PushText("i! ");
    PushText("\xC3\xA9x");     // 'é' in UTF-8 has no single-byte form here
    auto msgs = Drain();
    ASSERT_GE(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].id, WM_KEYDOWN);
    auto chars = Only(msgs, {WM_CHAR});
    std::string text;
    for (const auto& m : chars) text += char(m.wParam);
    EXPECT_EQ(text, "hi! x");
    // While Alt is held, typing is an accelerator, not text.
    PushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushText("q");
    EXPECT_TRUE(Only(Drain(), {WM_CHAR}).empty());
}

TEST_F(OsTest, AltKeyGivesSysKeyAndTranslateAddsSysChar) {
    Open();
    PushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushKey(true, SDLK_x, SDL_SCANCODE_X, KMOD_LALT);
    PushKey(true, SDLK_j, SDL_SCANCODE_J);       // already queued behind the Alt+X press

    Message m;
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSKEYDOWN);
    EXPECT_EQ(m.wParam, uintptr_t(VK_MENU));
    EXPECT_FALSE(TranslateMessage(&m)) << "Alt alone gives no character";

    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSKEYDOWN);
    EXPECT_EQ(m.wParam, uintptr_t('X'));
    EXPECT_NE(m.lParam & KF_ALTDOWN_BIT, 0);
    EXPECT_TRUE(TranslateMessage(&m));

    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSCHAR) << "the character follows its key";
    EXPECT_EQ(m.wParam, uintptr_t('x'));

    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSKEYDOWN) << "Alt is still held in the key state";
    EXPECT_EQ(m.wParam, uintptr_t('J'));
}

TEST_F(OsTest, SysCharFollowsShiftFromTheKeyState) {
    Open();
    uint8_t keys[256] = {};
    keys[VK_MENU] = keys[VK_LMENU] = 0x80;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys);
    PushKey(true, SDLK_d, SDL_SCANCODE_D);
    PushKey(true, SDLK_5, SDL_SCANCODE_5);
    Message m;
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    ASSERT_EQ(m.id, WM_SYSKEYDOWN);
    EXPECT_NE(m.lParam & KF_ALTDOWN_BIT, 0) << "Alt known from the key state alone";
    EXPECT_TRUE(TranslateMessage(&m));
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSCHAR);
    EXPECT_EQ(m.wParam, uintptr_t('D'));
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_TRUE(TranslateMessage(&m));
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSCHAR);
    EXPECT_EQ(m.wParam, uintptr_t('%'));
}

TEST_F(OsTest, TranslateOfAPrintableKeyLeavesTheCharToTextInput) {
    Open();
    PushKey(true, SDLK_a, SDL_SCANCODE_A);
    PushText("a");
    Message key;
    ASSERT_TRUE(PeekMessage(&key, PM_REMOVE));
    EXPECT_TRUE(TranslateMessage(&key));
    auto rest = Drain();
    ASSERT_EQ(rest.size(), 1u) << "no second WM_CHAR";
    EXPECT_EQ(rest[0].id, WM_CHAR);
    EXPECT_EQ(rest[0].wParam, uintptr_t('a'));

    PushKey(true, SDLK_F1, SDL_SCANCODE_F1);
    ASSERT_TRUE(PeekMessage(&key, PM_REMOVE));
    EXPECT_FALSE(TranslateMessage(&key));

    Message notKey;
    notKey.id = WM_MOUSEMOVE;
    EXPECT_FALSE(TranslateMessage(&notKey));
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(OsTest, TranslateMakesTheCharsTextInputNeverCarries) {
    Open();
    struct {
        SDL_Keycode sym;
        SDL_Scancode sc;
        char expected;
    } cases[] = {{SDLK_RETURN, SDL_SCANCODE_RETURN, '\r'},
                 {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B}};
    for (const auto& c : cases) {
        PushKey(true, c.sym, c.sc);
        PushKey(false, c.sym, c.sc);
        Message m;
        ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
        ASSERT_EQ(m.id, WM_KEYDOWN);
        EXPECT_TRUE(TranslateMessage(&m));
        ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
        EXPECT_EQ(m.id, WM_CHAR);
        EXPECT_EQ(m.wParam, uintptr_t(uint8_t(c.expected)));
        ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
        EXPECT_EQ(m.id, WM_KEYUP);
    }
}

// ---- ToAscii -------------------------------------------------------------------------

struct AsciiCase {
    int vk;
    bool shift;
    bool caps;
    char expected;      // 0: no character
};

const AsciiCase kAscii[] = {
    {'A', false, false, 'a'}, {'A', true, false, 'A'}, {'A', false, true, 'A'}, {'A', true, true, 'a'},
    {'1', true, false, '!'},  {'6', true, false, '^'},  {'0', false, true, '0'}, {VK_SPACE, true, false, ' '},
    {VK_OEM_1, true, false, ':'}, {VK_OEM_PLUS, false, false, '='}, {VK_OEM_2, true, false, '?'},
    {VK_OEM_5, false, false, '\\'}, {VK_OEM_7, true, false, '"'}, {VK_OEM_4, false, true, '['},
    {VK_NUMPAD0 + 9, true, false, '9'}, {VK_DIVIDE, false, false, '/'}, {VK_RETURN, false, false, '\r'},
    {VK_F1, false, false, 0}, {VK_SHIFT, true, false, 0}, {300, false, false, 0}, {-4, false, false, 0},
};

TEST(ToAscii, UsLayoutTable) {
    for (const AsciiCase& c : kAscii) {
        uint8_t keys[256] = {};
        if (c.shift) keys[VK_SHIFT] = 0x80;
        if (c.caps) keys[VK_CAPITAL] = 0x01;
        char out[2] = {'#', '#'};
        int n = ToAscii(c.vk, MapVirtualKey(c.vk, MAPVK_VK_TO_VSC), keys, out);
        if (c.expected == 0) {
            EXPECT_EQ(n, 0) << "vk " << c.vk;
        } else {
            ASSERT_EQ(n, 1) << "vk " << c.vk;
            EXPECT_EQ(out[0], c.expected) << "vk " << c.vk << " shift " << c.shift << " caps " << c.caps;
            EXPECT_EQ(out[1], 0);
        }
    }
}

TEST(ToAscii, EitherShiftKeyShiftsAndCapsNeedsItsToggleBit) {
    char out[2];
    uint8_t keys[256] = {};
    keys[VK_RSHIFT] = 0x80;
    ASSERT_EQ(ToAscii('B', 0, keys, out), 1);
    EXPECT_EQ(out[0], 'B');
    keys[VK_RSHIFT] = 0;
    keys[VK_CAPITAL] = 0x80;    // held but not toggled on
    ASSERT_EQ(ToAscii('B', 0, keys, out), 1);
    EXPECT_EQ(out[0], 'b');
    ASSERT_EQ(ToAscii('B', 0, nullptr, out), 1);
    EXPECT_EQ(out[0], 'b');
    EXPECT_EQ(ToAscii('B', 0, keys, nullptr), 0);
}

// ---- MapVirtualKey -------------------------------------------------------------------

TEST(MapVirtualKey, KnownSetOneCodes) {
    const std::pair<int, int> facts[] = {
        {VK_ESCAPE, 0x01}, {'0', 0x0B}, {'Q', 0x10}, {'M', 0x32}, {VK_F10, 0x44}, {VK_F11, 0x57},
        {VK_SHIFT, 0x2A},  {VK_RSHIFT, 0x36}, {VK_UP, 0x48}, {VK_NUMPAD0 + 8, 0x48}, {VK_ADD, 0x4E},
    };
    for (auto [vk, scan] : facts) EXPECT_EQ(MapVirtualKey(vk, MAPVK_VK_TO_VSC), scan) << "vk " << vk;
}

TEST(MapVirtualKey, RoundTripsThroughTheScanCode) {
    std::vector<int> vks = {VK_ESCAPE, VK_RETURN, VK_SPACE, VK_TAB, VK_BACK, VK_UP, VK_DOWN,
                            VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_INSERT,
                            VK_DELETE, VK_MULTIPLY, VK_ADD, VK_SUBTRACT, VK_CAPITAL, VK_NUMLOCK,
                            VK_SCROLL, VK_OEM_1, VK_OEM_2, VK_OEM_3, VK_OEM_4, VK_OEM_5, VK_OEM_6,
                            VK_OEM_7, VK_OEM_PLUS, VK_OEM_MINUS, VK_OEM_COMMA, VK_OEM_PERIOD,
                            VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int c = 'A'; c <= 'Z'; ++c) vks.push_back(c);
    for (int c = '0'; c <= '9'; ++c) vks.push_back(c);
    for (int f = VK_F1; f <= VK_F12; ++f) vks.push_back(f);
    for (int vk : vks) {
        int scan = MapVirtualKey(vk, MAPVK_VK_TO_VSC);
        ASSERT_NE(scan, 0) << "vk " << vk;
        EXPECT_EQ(MapVirtualKey(scan, MAPVK_VSC_TO_VK), vk) << "vk " << vk;
    }
}

TEST(MapVirtualKey, SidesComeBackGenericAndKeypadAsItsNavigationKey) {
    EXPECT_EQ(MapVirtualKey(MapVirtualKey(VK_LSHIFT, MAPVK_VK_TO_VSC), MAPVK_VSC_TO_VK), VK_SHIFT);
    EXPECT_EQ(MapVirtualKey(MapVirtualKey(VK_RSHIFT, MAPVK_VK_TO_VSC), MAPVK_VSC_TO_VK), VK_SHIFT);
    // Keypad digits share their scan codes with the navigation keys.
    EXPECT_EQ(MapVirtualKey(MapVirtualKey(VK_NUMPAD0 + 8, MAPVK_VK_TO_VSC), MAPVK_VSC_TO_VK), VK_UP);
    EXPECT_EQ(MapVirtualKey(MapVirtualKey(VK_NUMPAD0 + 1, MAPVK_VK_TO_VSC), MAPVK_VSC_TO_VK), VK_END);
}

TEST(MapVirtualKey, UnknownCodesAndTypesGiveZero) {
    EXPECT_EQ(MapVirtualKey(0xFF, MAPVK_VK_TO_VSC), 0);
    EXPECT_EQ(MapVirtualKey(0x7F, MAPVK_VSC_TO_VK), 0);
    EXPECT_EQ(MapVirtualKey('A', 7), 0);
}

}  // namespace
