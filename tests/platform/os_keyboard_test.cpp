// Keyboard: SDL key translation, key messages, key state, characters and scan codes.
#include "os_fixture.h"

#include <string>
#include <vector>

namespace {

using namespace os;
using ostest::OsTest;

struct KeyCase {
    SDL_Keycode sym;
    SDL_Scancode scancode;
    int vk;
};

// Virtual-key numbers written out as the stored option files know them: the first and last of
// each run in the table, and the keys that share a number.
const KeyCase kKeys[] = {
    {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0x08}, {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11},         {SDLK_RALT, SDL_SCANCODE_RALT, 0x12},
    {SDLK_KP_0, SDL_SCANCODE_KP_0, 96},             {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 111},
    {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0xBA}, {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDLK_a, SDL_SCANCODE_A, 'A'},
    {SDLK_z, SDL_SCANCODE_Z, 'Z'},                  {SDLK_0, SDL_SCANCODE_0, '0'},
    {SDLK_9, SDL_SCANCODE_9, '9'},                  {SDLK_F1, SDL_SCANCODE_F1, 0x70},
    {SDLK_F24, SDL_SCANCODE_F24, 0x87},
};

// Every key of the table, with the virtual-key numbers the stored option files know.
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

TEST(VirtualKeyFromSdl, MapsEveryKeyOfTheTable) {
    for (const KeyCase& c : AllKeyCases()) {
        EXPECT_EQ(VirtualKeyFromSdl(c.sym, c.scancode), c.vk) << SDL_GetKeyName(c.sym);
    }
}


TEST(VirtualKeyFromSdl, LayoutKeysWithoutAUsKeycodeUseTheirPositionAndUnknownGiveZero) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, 100000), 0);
    // A French layout sends 0xE9 ('é') from the key that is '2' on a US keyboard.
    EXPECT_EQ(VirtualKeyFromSdl(0xE9, SDL_SCANCODE_2), '2');
    EXPECT_EQ(VirtualKeyFromSdl(0xF6, SDL_SCANCODE_SEMICOLON), VK_OEM_1);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_NONUSBACKSLASH), VK_OEM_102);
    // The keycode decides when it is known: an AZERTY 'a' sits where US has 'Q'.
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a, SDL_SCANCODE_Q), 'A');
}

// ---- key messages --------------------------------------------------------------------

TEST_F(OsTest, KeysArriveAsTheirVirtualKeys) {
    Open();
    for (const KeyCase& c : kKeys) {
        PushKey(true, c.sym, c.scancode);
        PushKey(false, c.sym, c.scancode);
        auto msgs = Only(Drain(), {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP});
        ASSERT_EQ(msgs.size(), 2u) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(msgs[0].wParam, uintptr_t(c.vk)) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(msgs[1].wParam, uintptr_t(c.vk)) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(GetAsyncKeyState(c.vk), 1) << "up, pressed since the last query: " << SDL_GetKeyName(c.sym);
        EXPECT_EQ(GetAsyncKeyState(c.vk), 0) << "the query took the press: " << SDL_GetKeyName(c.sym);
    }
}

TEST_F(OsTest, LeftAndRightModifiersAreTrackedApartAndTogether) {
    Open();
    uint8_t keys[256];
    PushKey(true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    PushKey(true, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT);
    PushKey(false, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 3u);
    GetKeyboardState(keys);
    EXPECT_FALSE(keys[VK_LSHIFT] & 0x80);
    EXPECT_TRUE(keys[VK_RSHIFT] & 0x80);
    EXPECT_TRUE(keys[VK_SHIFT] & 0x80) << "still held by the right-hand key";

    PushKey(false, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT);
    Drain();
    GetKeyboardState(keys);
    EXPECT_FALSE(keys[VK_SHIFT] & 0x80);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 1) << "up, pressed since the last query";
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
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

    PushKey(true, SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK);
    Drain();
    GetKeyboardState(keys);
    EXPECT_EQ(keys[VK_CAPITAL], 0x80) << "down, toggled off again";
}

TEST_F(OsTest, GetAsyncKeyStateReportsMouseButtons) {
    Open();
    const uint8_t buttons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT};
    const int vks[] = {VK_LBUTTON, VK_RBUTTON};
    for (int i = 0; i < 2; ++i) {
        PushButton(true, buttons[i], 5, 5);
        Drain();
        EXPECT_EQ(uint16_t(GetAsyncKeyState(vks[i])), 0x8001) << "held, and pressed since the last query: " << i;
        EXPECT_EQ(uint16_t(GetAsyncKeyState(vks[i])), 0x8000) << i;
        PushButton(false, buttons[i], 5, 5);
        Drain();
        EXPECT_EQ(GetAsyncKeyState(vks[i]), 0) << i;
    }
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
}

// ---- characters ----------------------------------------------------------------------

TEST_F(OsTest, TextInputBecomesOneCharPerWindows1252Byte) {
    Open();
    PushKey(true, SDLK_h, SDL_SCANCODE_H);
    PushText("h");
    PushText("i! ");
    PushText("\xC3\xA9x");             // 'é': 0xE9
    PushText("\xE2\x82\xAC\xCE\xA9");   // the euro sign is 0x80; omega has no byte and is dropped
    auto chars = Only(Drain(), {WM_CHAR});
    std::string text;
    for (const auto& m : chars) text += char(m.wParam);
    EXPECT_EQ(text, "hi! \xE9x\x80");
    // While Alt is held, typing is an accelerator, not text.
    PushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushText("q");
    EXPECT_TRUE(Only(Drain(), {WM_CHAR}).empty());
}

TEST_F(OsTest, AltKeyGivesSysKeyAndTranslateAddsSysChar) {
    Open();
    PushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushKey(true, SDLK_x, SDL_SCANCODE_X, KMOD_LALT);

    Message m;
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSKEYDOWN);
    EXPECT_EQ(m.wParam, uintptr_t(VK_MENU));
    EXPECT_FALSE(TranslateMessage(&m)) << "Alt alone gives no character";

    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.wParam, uintptr_t('X'));
    EXPECT_TRUE(TranslateMessage(&m));

    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_SYSCHAR) << "the character follows its key";
    EXPECT_EQ(m.wParam, uintptr_t('x'));
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

    PushKey(true, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);  // a character text input never carries
    ASSERT_TRUE(PeekMessage(&key, PM_REMOVE));
    EXPECT_TRUE(TranslateMessage(&key));
    ASSERT_TRUE(PeekMessage(&key, PM_REMOVE));
    EXPECT_EQ(key.id, WM_CHAR);
    EXPECT_EQ(key.wParam, 0x1Bu);
    EXPECT_FALSE(TranslateMessage(nullptr));
}

// ---- ToAscii -------------------------------------------------------------------------

struct AsciiCase {
    int vk;
    int shiftKey;       // 0: none held
    uint8_t caps;       // the Caps Lock byte of the key state
    char expected;      // 0: no character
};

const AsciiCase kAscii[] = {
    {'A', 0, 0, 'a'}, {'A', VK_SHIFT, 0, 'A'}, {'A', 0, 0x01, 'A'}, {'A', VK_SHIFT, 0x01, 'a'},
    {'B', VK_RSHIFT, 0, 'B'}, {'B', 0, 0x80, 'b'},  // Caps Lock held but not toggled on
    {'1', VK_SHIFT, 0, '!'},  {'0', 0, 0x01, '0'}, {VK_OEM_1, VK_SHIFT, 0, ':'}, {VK_OEM_7, VK_SHIFT, 0, '"'},
    {VK_NUMPAD0 + 9, VK_SHIFT, 0, '9'}, {VK_F1, 0, 0, 0}, {300, 0, 0, 0}, {-4, 0, 0, 0},
};

TEST(ToAscii, UsLayoutTable) {
    for (const AsciiCase& c : kAscii) {
        uint8_t keys[256] = {};
        if (c.shiftKey) keys[c.shiftKey] = 0x80;
        keys[VK_CAPITAL] = c.caps;
        char out[2] = {'#', '#'};
        SCOPED_TRACE(testing::Message() << "vk " << c.vk << " shift " << c.shiftKey << " caps " << int(c.caps));
        ASSERT_EQ(ToAscii(c.vk, MapVirtualKey(c.vk, MAPVK_VK_TO_VSC), keys, out), c.expected ? 1 : 0);
        if (c.expected) {
            EXPECT_TRUE(out[0] == c.expected && out[1] == 0) << out[0];
        }
    }
    EXPECT_EQ(ToAscii('B', 0, nullptr, nullptr), 0);
}

TEST(MapVirtualKey, UnknownCodesAndTypesGiveZero) {
    EXPECT_EQ(MapVirtualKey(0, MAPVK_VK_TO_VSC), 0);
    EXPECT_EQ(MapVirtualKey(0xFF, MAPVK_VK_TO_VSC), 0);
    EXPECT_EQ(MapVirtualKey(0, MAPVK_VSC_TO_VK), 0);
    EXPECT_EQ(MapVirtualKey(0x7F, MAPVK_VSC_TO_VK), 0);
    EXPECT_EQ(MapVirtualKey('A', 7), 0);
}

}  // namespace
