// The options editor's edits on the stored options, against a fake adapter (stencil only with the
// 32-bit back buffer, multisample types 2 and 4 only at 32 bits) and fake key input.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "frontend/menu_calls.h"
#include "frontend/options_panel.h"
#include "frontend/save_files_fixture.h"
#include "frontend/text_table.h"
#include "platform/gfx/adapters.h"
#include "render/adapter_table.h"
#include "render/video.h"

namespace {

class StencilAt32 : public gfx::Direct3D {
public:
    gfx::Result CheckDeviceFormat(uint32_t, gfx::DevType, gfx::Format display, uint32_t usage, gfx::ResourceType,
                                  gfx::Format) override {
        return usage != gfx::D3DUSAGE_DEPTHSTENCIL || display == gfx::D3DFMT_X8R8G8B8 ? gfx::D3D_OK
                                                                                      : gfx::D3DERR_NOTAVAILABLE;
    }
    gfx::Result CheckDepthStencilMatch(uint32_t, gfx::DevType, gfx::Format, gfx::Format, gfx::Format) override {
        return gfx::D3D_OK;
    }
};

struct Recorded {
    std::vector<std::string> calls;
    StoredKeys keys[OPTION_KEY_BINDINGS];
    int pressedKey = -1, activeControl = -1;
};
Recorded g_rec;

class OptionsPanelTest : public SaveFilesTest {
protected:
    OptionsPanel panel;
    decltype(g_Direct3DCreate) savedCreate = nullptr;

    void SetUp() override {
        SaveFilesTest::SetUp();
        savedCreate = g_Direct3DCreate;
        g_Direct3DCreate = []() -> gfx::Direct3D* { return new StencilAt32(); };
        g_AdapterTable.Reset();
        g_AdapterTable.adapterCount = 1;
        g_Video.adapter = 0;
        g_AdapterTable.adapters[0].multisample32[1] = g_AdapterTable.adapters[0].multisample32[3] = 1;
        g_rec = Recorded{};
        for (int i = 0; i < OPTION_KEY_BINDINGS; ++i) g_rec.keys[i] = StoredKeys{-1, -1, -1};
        g_OptionsShellCalls.readKeys = [](StoredKeys out[]) { std::memcpy(out, g_rec.keys, sizeof g_rec.keys); };
        g_OptionsShellCalls.writeKeys = [](const StoredKeys in[]) { std::memcpy(g_rec.keys, in, sizeof g_rec.keys); };
        g_OptionsShellCalls.setDefaultKeys = [] {
            for (int i = 0; i < OPTION_KEY_BINDINGS; ++i) g_rec.keys[i] = StoredKeys{65 + i, -1, -1};
        };
        g_OptionsShellCalls.activeControl = [] { return g_rec.activeControl; };
        g_OptionsShellCalls.firstPressedKey = [] { return g_rec.pressedKey; };
        g_OptionsShellCalls.keyCharacter = [](int key, char out[2]) {
            if (key == 81) return 0;   // a layout without a character for Q
            out[0] = char(key + 32);
            return 1;
        };
        g_OptionsShellCalls.setBrightness = [](float v) { g_rec.calls.push_back("gamma " + std::to_string(v)); };
        g_OptionsShellCalls.setMusicVolume = [](int32_t v) { g_rec.calls.push_back("volume " + std::to_string(v)); };
        g_MenuShellCalls.playFx = [](int) {};
        g_MenuShellCalls.playMusic = [](const char* name, bool) { g_rec.calls.push_back(std::string("play ") + name); };
        g_MenuShellCalls.stopMusic = [](uint32_t ms) { g_rec.calls.push_back("stop " + std::to_string(ms)); };
        g_MenuShellCalls.clearKeyboardState = [] {};
        g_Options.width = 1024, g_Options.height = 768, g_Options.bitsPerPixel = 32;
        for (StoredKeys& k : g_Options.keys) k = StoredKeys{-1, -1, -1};
        panel.Build(4);
    }
    void TearDown() override {
        panel.Release();
        g_Direct3DCreate = savedCreate;
        g_AdapterTable.Reset();
        ResetMenuShellCalls();
        SaveFilesTest::TearDown();
    }
};

TEST_F(OptionsPanelTest, ResolutionWrapsBothWaysAndAnUnknownWidthStays) {
    g_Options.width = 1600, g_Options.height = 1200;
    panel.StepResolution(1);
    EXPECT_EQ(g_Options.width * 10000 + g_Options.height, 640u * 10000 + 480);
    panel.StepResolution(-1);
    EXPECT_EQ(g_Options.width * 10000 + g_Options.height, 1600u * 10000 + 1200);
    panel.StepResolution(-1);
    EXPECT_EQ(g_Options.width * 10000 + g_Options.height, 1280u * 10000 + 960);
    EXPECT_STREQ(panel.selectors[0].text, "1280x960");
    g_Options.width = 1152, g_Options.height = 864;
    panel.StepResolution(1);
    EXPECT_EQ(g_Options.width * 10000 + g_Options.height, 1152u * 10000 + 864);
}

TEST_F(OptionsPanelTest, ColourDepthDecidesShadowAndMultisampling) {
    g_Options.characterShadow = 1, g_Options.multisample = 4;
    panel.ToggleColourDepth();   // to 16: no stencil, no multisampling
    EXPECT_EQ(g_Options.bitsPerPixel, 16u);
    EXPECT_EQ(g_Options.characterShadow, 0);
    EXPECT_EQ(g_Options.multisample, 0u);
    EXPECT_EQ(panel.switches[1].enabled, 0);
    EXPECT_EQ(panel.selectors[3].enabled, 0);
    panel.StepMultisample(1);
    EXPECT_EQ(g_Options.multisample, 0u) << "no support keeps it off";
    panel.ToggleColourDepth();   // back to 32
    EXPECT_EQ(panel.switches[1].enabled, 1);
    EXPECT_EQ(panel.selectors[3].enabled, 1);
    panel.StepMultisample(-1);
    EXPECT_EQ(g_Options.multisample, 4u) << "left from 0 takes the highest";
    EXPECT_STREQ(panel.selectors[3].text, "x4");
    panel.StepMultisample(-1);
    panel.StepMultisample(-1);
    EXPECT_EQ(g_Options.multisample, 0u);
    EXPECT_EQ(PreviousMultisample(32, 0), 4);
}

// Options stored from a window before any "Options.cfg" hold no depth: the panel opens on the
// depth the display mode draws in, and a depth that was chosen stays.
TEST_F(OptionsPanelTest, AStoredDepthThatIsNoDepthOpensAsTheDepthInUse) {
    const gfx::Format format = g_Video.displayMode.Format;
    struct Case { uint32_t stored; gfx::Format display; uint32_t shown; };
    for (Case c : {Case{0, gfx::D3DFMT_X8R8G8B8, 32}, Case{0, gfx::D3DFMT_R5G6B5, 16},
                   Case{0xFFFFFFFFu, gfx::D3DFMT_R5G6B5, 16}, Case{32, gfx::D3DFMT_R5G6B5, 32},
                   Case{16, gfx::D3DFMT_X8R8G8B8, 16}}) {
        SCOPED_TRACE(testing::Message() << c.stored << " stored, " << c.display);
        g_Options.bitsPerPixel = c.stored;
        g_Video.displayMode.Format = c.display;
        g_Menu.optionsChanged = 0;
        panel.Build(4);
        EXPECT_STREQ(panel.selectors[1].text, std::to_string(c.shown).c_str());
        EXPECT_EQ(g_Options.bitsPerPixel, c.shown);
        EXPECT_EQ(g_Menu.optionsChanged, 0) << "nothing edited";
        // Multisampling, which the adapter has at 32 bits only, follows the depth shown.
        EXPECT_EQ(panel.selectors[3].enabled, c.shown == 32 ? 1 : 0);
        panel.ToggleColourDepth();
        EXPECT_EQ(g_Options.bitsPerPixel, c.shown == 16 ? 32u : 16u);
    }
    g_Video.displayMode.Format = format;
}

TEST_F(OptionsPanelTest, QualitySliderLevelsPresetsAndTheEndKeepingTheLevel) {
    const struct {
        float v;
        int level;
    } rows[] = {{0.0f, 0}, {0.16f, 0}, {0.17f, 1}, {0.49f, 1}, {0.5f, 2}, {0.83f, 2}, {0.84f, 3}, {0.99f, 3}, {1.0f, -1}};
    for (const auto& r : rows) EXPECT_EQ(QualityLevelFromSlider(r.v), r.level) << r.v;

    g_Options.generalQuality = 3;
    EXPECT_TRUE(panel.SetQualitySlider(0.6f));
    EXPECT_EQ(g_Options.generalQuality, 2u);
    EXPECT_EQ(g_Options.characterShadow, 1) << "stencil at 32 bits";
    EXPECT_EQ(g_Options.multisample, 4u);
    EXPECT_FLOAT_EQ(panel.sliders[1].value, 2.0f / 3.0f) << "the knob snaps to the level";
    EXPECT_FALSE(panel.SetQualitySlider(0.7f)) << "same level";
    EXPECT_FALSE(panel.SetQualitySlider(1.0f)) << "the end keeps the level";
    EXPECT_EQ(g_Options.generalQuality, 2u);
    EXPECT_TRUE(panel.SetQualitySlider(0.0f));
    EXPECT_EQ(g_Options.textureReduction * 100 + g_Options.modelQuality * 10 + g_Options.waterQuality, 341u);
    EXPECT_EQ(g_Options.textureBpp, 16u);
}

TEST_F(OptionsPanelTest, AdvancedSlidersMapToTheirLevelsAndMarkCustom) {
    const struct {
        float v;
        uint32_t texture, model, water;
        float textureKnob;
    } rows[] = {
        {0.0f, 3, 4, 1, 0.0f},    {0.24f, 3, 3, 1, 0.0f},   {0.3f, 2, 3, 1, 0.375f},
        {0.55f, 1, 2, 2, 0.625f}, {0.7f, 1, 1, 3, 0.625f},  {0.81f, 0, 0, 3, 1.0f},
    };
    for (const auto& r : rows) {
        g_Options.generalQuality = 1;
        panel.SetTextureDetail(r.v);
        panel.SetModelDetail(r.v);
        panel.SetWater(r.v);
        EXPECT_EQ(g_Options.textureReduction, r.texture) << r.v;
        EXPECT_EQ(g_Options.modelQuality, r.model) << r.v;
        EXPECT_EQ(g_Options.waterQuality, r.water) << r.v;
        EXPECT_FLOAT_EQ(panel.sliders[2].value, r.textureKnob) << r.v;
        EXPECT_FLOAT_EQ(panel.sliders[3].value, float(4 - r.model) * 0.25f) << r.v;
        EXPECT_FLOAT_EQ(panel.sliders[4].value, float(r.water - 1) * 0.5f) << r.v;
        EXPECT_EQ(g_Options.generalQuality, 3u);
    }
}

TEST_F(OptionsPanelTest, CapturedKeysAndControlsMoveBetweenActions) {
    g_rec.keys[3] = StoredKeys{70, 71, 5};
    g_rec.keys[4] = StoredKeys{-1, -1, -1};
    panel.BindCaptured(4, 1, 71, -1);   // bound elsewhere; row 4 has no first key
    EXPECT_EQ(g_rec.keys[3].key2, -1);
    EXPECT_EQ(g_rec.keys[4].key1, 71);
    EXPECT_EQ(g_rec.keys[4].key2, -1);
    panel.BindCaptured(4, 1, 72, -1);   // now it has one: the second key
    EXPECT_EQ(g_rec.keys[4].key2, 72);
    panel.BindCaptured(4, 0, -1, 5);    // a control: taken from row 3, clears column 0 here
    EXPECT_EQ(g_rec.keys[3].deviceAction, -1);
    EXPECT_EQ(g_rec.keys[4].deviceAction, 5);
    EXPECT_EQ(g_rec.keys[4].key1, -1);
    EXPECT_EQ(g_rec.keys[4].key2, 72);
    panel.BindCaptured(4, 0, 73, -1);   // a key clears the control
    EXPECT_EQ(g_rec.keys[4].deviceAction, -1);
    EXPECT_EQ(0, std::memcmp(g_Options.keys, g_rec.keys, sizeof g_rec.keys)) << "stored copy follows";
    panel.KeyDefaults();
    EXPECT_EQ(g_Options.keys[25].key1, 65 + 25);
}

TEST_F(OptionsPanelTest, KeyAndControlNamesAndTheRowCells) {
    TextTable saved;
    std::swap(saved.strings, g_TextTable.strings);
    std::swap(saved.lengths, g_TextTable.lengths);
    std::swap(saved.count, g_TextTable.count);
    g_TextTable.count = TEXT_TABLE_SLOTS;
    g_TextTable.strings.assign(TEXT_TABLE_SLOTS, "");
    g_TextTable.lengths.assign(TEXT_TABLE_SLOTS, 0);
    for (int n : {1050 + 13, 1040 + 60, 1014 + 112, 1014 + 254, 900 + 7}) {
        g_TextTable.strings[n] = "T" + std::to_string(n);
        g_TextTable.lengths[n] = uint32_t(g_TextTable.strings[n].size() + 1);
    }
    const struct {
        int key;
        const char* name;
    } keys[] = {{13, "T1063"}, {60, "T1100"}, {112, "T1126"}, {254, "T1268"}, {65, "a"}, {48, "P"},
                {81, "Q"},     {-1, ""},      {255, ""},      {300, ""}};
    char out[32];
    for (const auto& k : keys) {
        KeyName(k.key, out, sizeof out);
        EXPECT_STREQ(out, k.name) << k.key;
    }
    ControlName(7, out, sizeof out);
    EXPECT_STREQ(out, "T907");
    ControlName(-1, out, sizeof out);
    EXPECT_STREQ(out, "");
    ControlName(5000, out, sizeof out);
    EXPECT_STREQ(out, "") << "past the table";
    g_Options.keys[2] = StoredKeys{65, 66, 7};
    char c0[64], c1[64];
    OptionsPanel::CellTexts(2, c0, c1, sizeof c0);
    EXPECT_EQ(std::string(c0) + "|" + c1, "a|b,T907");
    g_Options.keys[2] = StoredKeys{-1, -1, 7};
    OptionsPanel::CellTexts(2, c0, c1, sizeof c0);
    EXPECT_EQ(std::string(c0) + "|" + c1, "|T907");
    std::swap(saved.strings, g_TextTable.strings);
    std::swap(saved.lengths, g_TextTable.lengths);
    std::swap(saved.count, g_TextTable.count);
}

TEST_F(OptionsPanelTest, SoundAndMusicReachTheLiveSettingsAndThePlayer) {
    EXPECT_EQ(MusicVolumeFromSlider(1.0f), 0);
    EXPECT_EQ(MusicVolumeFromSlider(0.0f), -10000);
    EXPECT_EQ(MusicVolumeFromSlider(0.25f), -7500);
    g_Options.music = 0;
    panel.ToggleMusic();
    panel.SetMusicVolume(0.5f);
    panel.ToggleMusic();
    panel.SetGamma(0.25f);
    EXPECT_EQ(g_rec.calls, (std::vector<std::string>{"play Menu.wav", "volume -5000", "stop 3000",
                                                     "gamma " + std::to_string(0.25f)}));
    EXPECT_FLOAT_EQ(g_Settings.musicVolume, 0.5f);
    EXPECT_EQ(g_Settings.music, 0);
    EXPECT_FLOAT_EQ(g_Settings.gamma, 0.25f);
    panel.SetSoundVolume(0.3f);
    EXPECT_FLOAT_EQ(g_Settings.effectVolume, 0.3f);
    g_rec.calls.clear();
    panel.SoundDefaults();
    EXPECT_EQ(g_rec.calls, (std::vector<std::string>{"play Menu.wav", "volume " + std::to_string(int32_t(0.1f * -10000.0f))}));
    EXPECT_EQ(g_Options.sound + g_Options.music, 2);
    EXPECT_FLOAT_EQ(panel.sliders[7].value, 0.9f);
}

// A held slider is edited every frame; only a moved value answers with the click sound.
TEST_F(OptionsPanelTest, AHeldSliderSoundsOnlyWhenItsValueMoves) {
    static int clicks;
    clicks = 0;
    g_MenuShellCalls.playFx = [](int id) { clicks += id == FX_ACCEPT ? 1 : 0; };
    const struct {
        const char* name;
        std::function<void(float)> set;
        float first, same, moved;
    } sliders[] = {
        {"gamma", [&](float v) { panel.SetGamma(v); }, 0.3f, 0.3f, 0.6f},
        {"sound", [&](float v) { panel.SetSoundVolume(v); }, 0.3f, 0.3f, 0.6f},
        {"far plane", [&](float v) { panel.SetFarPlane(v); }, 0.3f, 0.3f, 0.6f},
        {"texture", [&](float v) { panel.SetTextureDetail(v); }, 0.1f, 0.2f, 0.9f},
        {"models", [&](float v) { panel.SetModelDetail(v); }, 0.1f, 0.15f, 0.9f},
        {"water", [&](float v) { panel.SetWater(v); }, 0.1f, 0.2f, 0.9f},
    };
    for (const auto& s : sliders) {
        SCOPED_TRACE(s.name);
        s.set(s.first);
        clicks = 0;
        g_Menu.optionsChanged = 0;
        for (int frame = 0; frame < 5; ++frame) s.set(s.same);
        EXPECT_EQ(clicks, 0);
        s.set(s.moved);
        EXPECT_EQ(clicks, 1);
        EXPECT_EQ(g_Menu.optionsChanged, 1);
    }
}

TEST_F(OptionsPanelTest, DefaultsButtonsAndEveryEditMarkTheOptionsChanged) {
    g_Options.width = 640, g_Options.bitsPerPixel = 16, g_Options.waitRetrace = 0;
    g_Options.mirrors = 0, g_Options.specular = 0, g_Options.farFactor = 0.2f, g_Options.multisample = 2;
    const std::vector<std::function<void()>> edits = {
        [&] { panel.VideoDefaults(); },       [&] { panel.AdvancedDefaults(); },
        [&] { panel.KeyDefaults(); },         [&] { panel.SoundDefaults(); },
        [&] { panel.StepResolution(1); },     [&] { panel.ToggleColourDepth(); },
        [&] { panel.ToggleRetrace(); },       [&] { panel.ToggleTextureDepth(); },
        [&] { panel.SetFarPlane(0.4f); },     [&] { panel.ToggleAdvanced(3); },
        [&] { panel.ToggleSound(); },         [&] { panel.SetSoundVolume(0.2f); },
        [&] { panel.BindCaptured(0, 0, 90, -1); },
    };
    for (size_t i = 0; i < edits.size(); ++i) {
        g_Menu.optionsChanged = 0;
        edits[i]();
        EXPECT_EQ(g_Menu.optionsChanged, 1) << "edit " << i;
        if (i == 0)
            EXPECT_EQ(std::vector<uint32_t>({g_Options.width, g_Options.height, g_Options.bitsPerPixel,
                                             g_Options.waitRetrace}),
                      std::vector<uint32_t>({1024, 768, 32, 1}));
        if (i == 1) {
            EXPECT_EQ(std::vector<uint32_t>({g_Options.textureReduction, g_Options.textureBpp, g_Options.modelQuality,
                                             g_Options.waterQuality, g_Options.characterShadow, g_Options.anisotropic,
                                             g_Options.mirrors, g_Options.interfaceFaces, g_Options.specular,
                                             g_Options.multisample}),
                      std::vector<uint32_t>({0, 32, 0, 3, 1, 0, 1, 0, 1, 0}));
            EXPECT_FLOAT_EQ(g_Options.farFactor, 1.0f);
        }
    }
}

TEST_F(OptionsPanelTest, TabsAndTheKeyListScrollStayInRange) {
    panel.VideoOptionsScreen(2, 6);
    EXPECT_EQ(panel.currentTab, 2);
    for (int i = 0; i < 30; ++i) panel.ScrollKeys(1);
    EXPECT_EQ(panel.scroll, OPTIONS_MAX_SCROLL);
    EXPECT_EQ(panel.rowLabels[25].visible, 1);
    EXPECT_EQ(panel.rowLabels[17].visible, 0);
    for (int i = 0; i < 30; ++i) panel.ScrollKeys(-1);
    EXPECT_EQ(panel.scroll, 0);
    panel.VideoOptionsScreen(5, 9);   // past the tabs: nothing built
    EXPECT_EQ(panel.rowLabels[0].inUse, 0u);
}

}  // namespace
