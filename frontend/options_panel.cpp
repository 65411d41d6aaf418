#include "frontend/options_panel.h"

#include <cstring>

#include "core/settings.h"
#include "frontend/adapter_queries.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/overlays.h"
#include "frontend/panel_common.h"
#include "frontend/preview_fighter.h"
#include "fighters/character.h"
#include "render/formats.h"
#include "render/video.h"
#include "frontend/settings_files.h"
#include "frontend/sprite2d.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "shell/mouse.h"

namespace {

constexpr int kWidths[OPTIONS_RESOLUTIONS] = {640, 800, 1024, 1280, 1600};
constexpr int kHeights[OPTIONS_RESOLUTIONS] = {480, 600, 768, 960, 1200};
constexpr float kTabX[OPTIONS_TABS] = {0.2f, 0.37f, 0.52f, 0.67f};
constexpr float kTabCaptionX[OPTIONS_TABS] = {0.27f, 0.43f, 0.58f, 0.73f};
constexpr int kTabText[OPTIONS_TABS] = {555, 572, 899, 580};
constexpr float kPatchX[OPTIONS_TABS] = {0.203125f, 0.35351563f, 0.50292969f, 0.65332031f};
constexpr int kLabelStyle = 5;   // the interface variant is always 0
constexpr uint32_t kCaptionColour = 1;
constexpr int kKeyColour = 18;

// Where the rows of a tab sit: the caption ends at kCaptionX, the widget starts at kWidgetX.
constexpr float kFirstRow = 0.3f;
constexpr float kCaptionX = 0.44f;
constexpr float kWidgetX = 0.47f;

// Widget slots of every tab.
enum { SL_GAMMA, SL_QUALITY, SL_TEXTURE, SL_MODELS, SL_WATER, SL_FAR, SL_SOUND, SL_MUSIC };
enum { SW_RETRACE, SW_SHADOW, SW_ANISOTROPIC, SW_MIRRORS, SW_FACES, SW_SPECULAR, SW_SOUND, SW_MUSIC };
enum { SE_RESOLUTION, SE_DEPTH, SE_TEXTURE_DEPTH, SE_MULTISAMPLE };

float Bits(uint32_t w) {
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}
uint32_t Word(float f) {
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

bool Pressed() { return g_Mouse.buttons[MOUSE_LEFT].pressed != 0; }
bool Held() { return g_Mouse.buttons[MOUSE_LEFT].held != 0; }

void ReadKeys(StoredKeys out[OPTION_KEY_BINDINGS]) {
    if (g_OptionsShellCalls.readKeys) g_OptionsShellCalls.readKeys(out);
    else std::memcpy(out, g_Options.keys, sizeof g_Options.keys);
}
void WriteKeys(const StoredKeys in[OPTION_KEY_BINDINGS]) {
    if (g_OptionsShellCalls.writeKeys) g_OptionsShellCalls.writeKeys(in);
}

void SetMusicPlayerVolume(float v) {
    if (g_OptionsShellCalls.setMusicVolume) g_OptionsShellCalls.setMusicVolume(MusicVolumeFromSlider(v));
}

void CopyText(char* out, size_t capacity, const char* text) {
    PanelPrint(out, capacity, "%s", text ? text : "");
}

// Where mode 8's fighter stands, under the character frame.
constexpr Vec3 kFramedFighterAt{-0.95f, -0.65f, -3.0f};

// The colour depth of the display mode the game draws in: 16, or 32 for anything else.
uint32_t DepthInUse() { return FormatBits(g_Video.displayMode.Format) == 16 ? 16u : 32u; }

}  // namespace

void KeyName(int k, char* out, size_t capacity) {
    if (!out || capacity == 0) return;
    out[0] = 0;
    if (k < 0 || k > 254) return;
    if (k < 48) return CopyText(out, capacity, PanelText(1050 + k));
    if (k <= 57 || (k >= 65 && k <= 90)) {
        char c[2] = {0, 0};
        const int n = g_OptionsShellCalls.keyCharacter ? g_OptionsShellCalls.keyCharacter(k, c) : 0;
        const char s[2] = {n > 0 && c[0] ? c[0] : char(k), 0};
        return CopyText(out, capacity, s);
    }
    if (k <= 64) return CopyText(out, capacity, PanelText(1040 + k));
    CopyText(out, capacity, PanelText(1014 + k));
}

void ControlName(int c, char* out, size_t capacity) {
    if (!out || capacity == 0) return;
    out[0] = 0;
    if (c >= 0) CopyText(out, capacity, PanelText(900 + c));
}

int32_t MusicVolumeFromSlider(float v) { return int32_t((1.0f - v) * -10000.0f); }

int QualityLevelFromSlider(float v) {
    if (v < 1.0f / 6.0f) return 0;
    if (v < 0.5f) return 1;
    if (v < 5.0f / 6.0f) return 2;
    if (v < 1.0f) return 3;
    return -1;
}

// ---- building ---------------------------------------------------------------------------------

void OptionsPanel::Build(int tabs) {
    Release();
    MenuPictures pictures = g_Menu.pictures;
    x = 0.14f;
    y = 0.14f;
    width = 0.72f;
    height = 0.8f;
    tabCount = tabs < 0 ? 0 : tabs > OPTIONS_TABS ? OPTIONS_TABS : tabs;
    for (int t = 0; t < OPTIONS_TABS; ++t) {
        panels[t].Create(kTabX[t], 0.178f, t == 0 ? 0.14f : 0.12f, 0.071f, t == 0 ? 0xff808080 : 0xff505050, 1);
        CreateTextLabel(&tabLabels[t], kTabCaptionX[t], 0.188f, 'C', PanelText(kTabText[t]), kLabelStyle,
                        kCaptionColour);
    }
    panels[OPTIONS_TABS].Create(0.2f, 0.25f, 0.59f, 0.66f, 0xff808080, 1);
    for (MenuPanel& p : panels) p.visible = 1;
    for (MenuSlider& s : sliders) s.Create(0.2f, 0.035f, pictures);
    for (MenuSwitch& s : switches) s.Create(0.03f, pictures);
    for (ArrowSelector& s : selectors) s.Create(0.035f, 0.12f, 0.035f, "", pictures);
    for (int b = 0; b < 4; ++b) buttons[b].Create(0.5f, 0.84f, 0.2f, 0.04f, PanelText(690), 'C', pictures, 4);
    shown = 1;
    // A window reads no depth from the settings file, so options stored from it before any
    // "Options.cfg" hold none: they take the depth in use, as an unchanged option.
    if (g_Options.bitsPerPixel != 16 && g_Options.bitsPerPixel != 32) g_Options.bitsPerPixel = DepthInUse();
    ShowStoredValues();
    VideoOptionsScreen(0, 4);
}

void OptionsPanel::Caption(int index, float rowY, int textId) {
    CreateTextLabel(&rowLabels[index], kCaptionX, rowY, 'D', PanelText(textId), kLabelStyle, kCaptionColour);
}

void OptionsPanel::VideoOptionsScreen(int tab, int mode) {
    ReleaseTab();
    currentTab = tab;
    if (tab < 0 || tab >= tabCount) return;
    tabModes[tab] = mode;
    for (int t = 0; t < OPTIONS_TABS; ++t) panels[t].colour = t == tab ? 0xff808080 : 0xff505050;
    switch (mode) {
        case 4: BuildVideoRows(); break;
        case 5: BuildAdvancedRows(); break;
        case 6: BuildKeyRows(); break;
        case 7: BuildSoundRows(); break;
        case 8: ShowFramedFighter(); break;
        default: break;
    }
}

// Row layout: captions right-aligned before the widgets; the quality slider has its caption
// centred above it and four level labels under its quarter points.
void OptionsPanel::BuildVideoRows() {
    const float step = 0.07f;
    Caption(0, kFirstRow, 556);
    selectors[SE_RESOLUTION].SetPosition(kWidgetX, kFirstRow);
    Caption(1, kFirstRow + step, 557);
    selectors[SE_DEPTH].SetPosition(kWidgetX, kFirstRow + step);
    Caption(2, kFirstRow + 2 * step, 563);
    sliders[SL_GAMMA].SetPosition(kWidgetX, kFirstRow + 2 * step);
    CreateTextLabel(&rowLabels[3], kWidgetX, kFirstRow + 2 * step + 0.035f, 'I', PanelText(688), 4, kCaptionColour);
    CreateTextLabel(&rowLabels[4], kWidgetX + 0.2f, kFirstRow + 2 * step + 0.035f, 'D', PanelText(689), 4,
                    kCaptionColour);
    Caption(5, kFirstRow + 3 * step, 564);
    switches[SW_RETRACE].SetPosition(kWidgetX, kFirstRow + 3 * step);
    const float qy = kFirstRow + 4.5f * step;
    CreateTextLabel(&rowLabels[6], 0.5f, qy - 0.04f, 'C', PanelText(569), kLabelStyle, kCaptionColour);
    sliders[SL_QUALITY].SetPosition(0.4f, qy);
    const int quarterText[4] = {688, 693, 689, 694};
    for (int q = 0; q < 4; ++q)
        CreateTextLabel(&rowLabels[7 + q], 0.4f + 0.2f * float(q) / 3.0f, qy + 0.035f, 'C', PanelText(quarterText[q]),
                        4, kCaptionColour);
    buttons[0].SetPosition(0.5f, 0.84f);
}

// Eleven rows 0.06 apart fill the content area from just under the tabs; the defaults button
// stands right of the short switch rows, as no row is left free under them.
void OptionsPanel::BuildAdvancedRows() {
    const float step = 0.06f, first = y + 0.12f;
    const int captions[11] = {558, 557, 559, 571, 562, 560, 565, 568, 566, 567, 570};
    auto rowY = [&](int r) { return first + step * float(r); };
    for (int r = 0; r < 11; ++r) Caption(r, rowY(r), captions[r]);
    sliders[SL_TEXTURE].SetPosition(kWidgetX, rowY(0));
    selectors[SE_TEXTURE_DEPTH].SetPosition(kWidgetX, rowY(1));
    sliders[SL_MODELS].SetPosition(kWidgetX, rowY(2));
    sliders[SL_WATER].SetPosition(kWidgetX, rowY(3));
    sliders[SL_FAR].SetPosition(kWidgetX, rowY(4));
    for (int s = SW_SHADOW; s <= SW_SPECULAR; ++s) switches[s].SetPosition(kWidgetX, rowY(4 + s));
    selectors[SE_MULTISAMPLE].SetPosition(kWidgetX, rowY(10));
    buttons[1].SetPosition(0.685f, rowY(7));
}

void OptionsPanel::BuildKeyRows() {
    for (int a = 0; a < OPTION_KEY_BINDINGS; ++a)
        CreateTextLabel(&rowLabels[a], x + 0.11f, 0.0f, 'I', PanelText(870 + a), 4, kCaptionColour);
    // Between the second column of cells and the content area's right edge.
    const float arrowX = x + width - 0.09f;
    scrollButtons[0].Create(arrowX, y + 0.18f, g_Menu.pictures[27], g_Menu.pictures[26], 'C');
    scrollButtons[1].Create(arrowX, y + 0.18f + 0.05f * (OPTIONS_KEY_ROWS - 1), g_Menu.pictures[29],
                            g_Menu.pictures[28], 'C');
    buttons[2].SetPosition(0.5f, 0.84f);
    PlaceKeyRows();
}

void OptionsPanel::PlaceKeyRows() {
    for (int a = 0; a < OPTION_KEY_BINDINGS; ++a) {
        const int visibleRow = a - scroll;
        rowLabels[a].visible = visibleRow >= 0 && visibleRow < OPTIONS_KEY_ROWS;
        if (rowLabels[a].visible) rowLabels[a].SetPosition(x + 0.11f, y + 0.18f + 0.05f * float(visibleRow));
    }
}

void OptionsPanel::BuildSoundRows() {
    const float step = 0.08f;
    Caption(0, kFirstRow, 581);
    switches[SW_SOUND].SetPosition(kWidgetX, kFirstRow);
    sliders[SL_SOUND].SetPosition(kWidgetX, kFirstRow + step);
    CreateTextLabel(&rowLabels[1], kWidgetX, kFirstRow + step + 0.035f, 'I', PanelText(688), 4, kCaptionColour);
    CreateTextLabel(&rowLabels[2], kWidgetX + 0.2f, kFirstRow + step + 0.035f, 'D', PanelText(689), 4, kCaptionColour);
    Caption(3, kFirstRow + 2 * step, 583);
    switches[SW_MUSIC].SetPosition(kWidgetX, kFirstRow + 2 * step);
    sliders[SL_MUSIC].SetPosition(kWidgetX, kFirstRow + 3 * step);
    CreateTextLabel(&rowLabels[4], kWidgetX, kFirstRow + 3 * step + 0.035f, 'I', PanelText(688), 4, kCaptionColour);
    CreateTextLabel(&rowLabels[5], kWidgetX + 0.2f, kFirstRow + 3 * step + 0.035f, 'D', PanelText(689), 4,
                    kCaptionColour);
    buttons[3].SetPosition(0.5f, 0.84f);
}

void OptionsPanel::ShowStoredValues() {
    const OptionsBlock& o = g_Options;
    char text[32];
    PanelPrint(text, sizeof text, "%dx%d", int(o.width), int(o.height));
    selectors[SE_RESOLUTION].SetText(text);
    PanelPrint(text, sizeof text, "%d", int(o.bitsPerPixel));
    selectors[SE_DEPTH].SetText(text);
    PanelPrint(text, sizeof text, "%d", int(o.textureBpp));
    selectors[SE_TEXTURE_DEPTH].SetText(text);
    if (o.multisample) PanelPrint(text, sizeof text, "x%d", int(o.multisample));
    else PanelPrint(text, sizeof text, "%s", PanelText(699));
    selectors[SE_MULTISAMPLE].SetText(text);
    selectors[SE_MULTISAMPLE].enabled = HasMultisampling(int(o.bitsPerPixel)) ? 1 : 0;
    for (ArrowSelector* s : {&selectors[0], &selectors[1], &selectors[2]}) s->enabled = 1;

    sliders[SL_GAMMA].value = o.gamma;
    sliders[SL_QUALITY].value = o.generalQuality <= 3 ? float(o.generalQuality) / 3.0f : 1.0f;
    sliders[SL_TEXTURE].value = o.textureReduction >= 3 ? 0.0f
                                : o.textureReduction == 2 ? 0.375f
                                : o.textureReduction == 1 ? 0.625f
                                                          : 1.0f;
    sliders[SL_MODELS].value = o.modelQuality <= 4 ? float(4 - int(o.modelQuality)) * 0.25f : 0.0f;
    sliders[SL_WATER].value = o.waterQuality >= 1 && o.waterQuality <= 3 ? float(o.waterQuality - 1) * 0.5f : 1.0f;
    sliders[SL_FAR].value = o.farFactor;
    sliders[SL_SOUND].value = Bits(o.soundWordB);
    sliders[SL_MUSIC].value = Bits(o.soundWordA);
    for (MenuSlider& s : sliders) s.enabled = 1;
    sliders[SL_SOUND].enabled = o.sound;
    sliders[SL_MUSIC].enabled = o.music;

    for (MenuSwitch& s : switches) s.enabled = 1;
    switches[SW_RETRACE].on = o.waitRetrace;
    switches[SW_SHADOW].on = o.characterShadow;
    switches[SW_ANISOTROPIC].on = o.anisotropic;
    switches[SW_MIRRORS].on = o.mirrors;
    switches[SW_FACES].on = o.interfaceFaces;
    switches[SW_SPECULAR].on = o.specular;
    switches[SW_SOUND].on = o.sound;
    switches[SW_MUSIC].on = o.music;
    if (!IsStencilSupported(int(o.bitsPerPixel))) {
        switches[SW_SHADOW].enabled = 0;
        switches[SW_SHADOW].on = 0;
    }
}

void OptionsPanel::ReleaseTab() {
    for (TextLabel& l : rowLabels) DestroyTextLabel(&l);
    for (ImageButton& b : scrollButtons) b.Reset();
    RemoveFramedFighter();
}

void OptionsPanel::ShowFramedFighter() {
    const PlayerRecord* record = g_Menu.playerRecord;
    if (Mode() != 8 || !record) return RemoveFramedFighter();
    if (framedFighter && framedRecord == record && framedFighter->active) return;
    ShowPreviewFighter(framedFighter, *record, kFramedFighterAt, nullptr);
    framedRecord = framedFighter ? record : nullptr;
}

void OptionsPanel::RemoveFramedFighter() {
    RemovePreviewFighter(framedFighter);
    framedRecord = nullptr;
}

void OptionsPanel::Release() {
    ReleaseTab();
    for (TextLabel& l : tabLabels) DestroyTextLabel(&l);
    for (MenuPanel& p : panels) p.Reset();
    for (MenuSlider& s : sliders) s.Reset();
    for (MenuSwitch& s : switches) s.Reset();
    for (ArrowSelector& s : selectors) s.Reset();
    for (MenuButton& b : buttons) b.Reset();
    shown = 0;
    capturing = 0;
    column = -1;
    captureRow = -1;
    scroll = 0;
    currentTab = 0;
}

// ---- edits ------------------------------------------------------------------------------------

// A slider held still is edited every frame: its sound plays only when its value moves.
void OptionsPanel::Changed(bool sound) {
    if (sound) PanelSound(FX_ACCEPT);
    g_Menu.optionsChanged = 1;
    ShowStoredValues();
}

void OptionsPanel::StepResolution(int dir) {
    OptionsBlock& o = g_Options;
    int at = -1;
    for (int i = 0; i < OPTIONS_RESOLUTIONS; ++i)
        if (int(o.width) == kWidths[i]) at = i;
    if (at >= 0) {
        at = (at + (dir > 0 ? 1 : OPTIONS_RESOLUTIONS - 1)) % OPTIONS_RESOLUTIONS;
        o.width = uint32_t(kWidths[at]);
        o.height = uint32_t(kHeights[at]);
    }
    Changed();
}

// Shadows need a stencil buffer at the new depth; multisampling that the depth lacks goes off
// and its selector is disabled (ShowStoredValues).
void OptionsPanel::ApplyShadowRule() {
    OptionsBlock& o = g_Options;
    if (!IsStencilSupported(int(o.bitsPerPixel))) o.characterShadow = 0;
    if (!HasMultisampling(int(o.bitsPerPixel))) o.multisample = 0;
}

void OptionsPanel::ToggleColourDepth() {
    g_Options.bitsPerPixel = g_Options.bitsPerPixel == 16 ? 32 : 16;
    ApplyShadowRule();
    Changed();
}

void OptionsPanel::SetGamma(float v) {
    const bool moved = g_Options.gamma != v;
    g_Options.gamma = v;
    g_Settings.gamma = v;
    if (g_OptionsShellCalls.setBrightness) g_OptionsShellCalls.setBrightness(v);
    Changed(moved);
}

void OptionsPanel::ToggleRetrace() {
    g_Options.waitRetrace = !g_Options.waitRetrace;
    Changed();
}

bool OptionsPanel::SetQualitySlider(float v) {
    const int level = QualityLevelFromSlider(v);
    if (level < 0 || uint32_t(level) == g_Options.generalQuality) {
        ShowStoredValues();
        return false;
    }
    FillDisplayModeList(level);
    Changed();
    return true;
}

void OptionsPanel::VideoDefaults() {
    g_Options.width = 1024;
    g_Options.height = 768;
    g_Options.bitsPerPixel = 32;
    ApplyShadowRule();
    g_Options.waitRetrace = 1;
    SetGamma(0.5f);
}

void OptionsPanel::SetTextureDetail(float v) {
    const uint32_t level = v < 0.25f ? 3 : v < 0.5f ? 2 : v < 0.75f ? 1 : 0;
    const bool moved = g_Options.textureReduction != level;
    g_Options.textureReduction = level;
    g_Options.generalQuality = 3;
    Changed(moved);
}

void OptionsPanel::ToggleTextureDepth() {
    g_Options.textureBpp = g_Options.textureBpp == 16 ? 32 : 16;
    g_Options.generalQuality = 3;
    Changed();
}

void OptionsPanel::SetModelDetail(float v) {
    int k = 0;
    while (k < 4 && !(v < float(k + 1) * 0.2f)) ++k;
    const bool moved = g_Options.modelQuality != uint32_t(4 - k);
    g_Options.modelQuality = uint32_t(4 - k);
    g_Options.generalQuality = 3;
    Changed(moved);
}

void OptionsPanel::SetWater(float v) {
    int k = 1;
    while (k < 3 && !(v < float(k) / 3.0f)) ++k;
    const bool moved = g_Options.waterQuality != uint32_t(k);
    g_Options.waterQuality = uint32_t(k);
    g_Options.generalQuality = 3;
    Changed(moved);
}

void OptionsPanel::SetFarPlane(float v) {
    const bool moved = g_Options.farFactor != v;
    g_Options.farFactor = v;
    g_Options.generalQuality = 3;
    Changed(moved);
}

void OptionsPanel::ToggleAdvanced(int which) {
    OptionsBlock& o = g_Options;
    uint8_t* field = which == SW_SHADOW        ? &o.characterShadow
                     : which == SW_ANISOTROPIC ? &o.anisotropic
                     : which == SW_MIRRORS     ? &o.mirrors
                     : which == SW_FACES       ? &o.interfaceFaces
                     : which == SW_SPECULAR    ? &o.specular
                                               : nullptr;
    if (!field) return;
    *field = !*field;
    g_Options.generalQuality = 3;
    Changed();
}

void OptionsPanel::StepMultisample(int dir) {
    const int bpp = int(g_Options.bitsPerPixel);
    const int current = int(g_Options.multisample);
    g_Options.multisample = !HasMultisampling(bpp) ? 0
                            : dir > 0              ? uint32_t(NextMultisample(bpp, current))
                                                   : uint32_t(PreviousMultisample(bpp, current));
    g_Options.generalQuality = 3;
    Changed();
}

void OptionsPanel::AdvancedDefaults() {
    OptionsBlock& o = g_Options;
    o.textureReduction = 0;
    o.textureBpp = 32;
    o.modelQuality = 0;
    o.waterQuality = 3;
    o.farFactor = 1.0f;
    o.characterShadow = IsStencilSupported(int(o.bitsPerPixel)) ? 1 : 0;
    o.anisotropic = 0;
    o.mirrors = 1;
    o.interfaceFaces = 0;
    o.specular = 1;
    o.multisample = 0;
    o.generalQuality = 3;
    Changed();
}

void OptionsPanel::ScrollKeys(int dir) {
    const int next = scroll + (dir > 0 ? 1 : -1);
    if (next < 0 || next > OPTIONS_MAX_SCROLL) return;
    scroll = next;
    PlaceKeyRows();
}

void OptionsPanel::BindCaptured(int row, int col, int key, int control) {
    if (row < 0 || row >= OPTION_KEY_BINDINGS || (key < 0 && control < 0)) return;
    StoredKeys keys[OPTION_KEY_BINDINGS];
    ReadKeys(keys);
    for (StoredKeys& k : keys) {
        if (control >= 0) {
            if (k.deviceAction == control) k.deviceAction = -1;
        } else {
            if (k.key1 == key) k.key1 = -1;
            if (k.key2 == key) k.key2 = -1;
        }
    }
    StoredKeys& r = keys[row];
    if (control >= 0) {
        r.deviceAction = control;
        (col == 0 ? r.key1 : r.key2) = -1;
    } else {
        if (col == 0 || r.key1 < 0) r.key1 = key;
        else r.key2 = key;
        r.deviceAction = -1;
    }
    WriteKeys(keys);
    std::memcpy(g_Options.keys, keys, sizeof keys);
    if (g_MenuShellCalls.clearKeyboardState) g_MenuShellCalls.clearKeyboardState();
    capturing = 0;
    captureRow = -1;
    column = -1;
    Changed();
}

void OptionsPanel::KeyDefaults() {
    if (g_OptionsShellCalls.setDefaultKeys) g_OptionsShellCalls.setDefaultKeys();
    ReadKeys(g_Options.keys);
    Changed();
}

void OptionsPanel::ToggleSound() {
    g_Options.sound = !g_Options.sound;
    g_Settings.sound = g_Options.sound;
    Changed();
}

void OptionsPanel::SetSoundVolume(float v) {
    const bool moved = g_Options.soundWordB != Word(v);
    g_Options.soundWordB = Word(v);
    g_Settings.effectVolume = v;
    Changed(moved);
}

void OptionsPanel::ToggleMusic() {
    g_Options.music = !g_Options.music;
    g_Settings.music = g_Options.music;
    if (g_Options.music) {
        if (g_MenuShellCalls.playMusic) g_MenuShellCalls.playMusic("Menu.wav", true);
    } else if (g_MenuShellCalls.stopMusic) {
        g_MenuShellCalls.stopMusic(3000);
    }
    Changed();
}

void OptionsPanel::SetMusicVolume(float v) {
    g_Options.soundWordA = Word(v);
    g_Settings.musicVolume = v;
    SetMusicPlayerVolume(v);
    Changed(false);
}

void OptionsPanel::SoundDefaults() {
    const bool musicWasOff = !g_Options.music;
    g_Options.sound = 1;
    g_Settings.sound = 1;
    g_Options.soundWordB = Word(1.0f);
    g_Settings.effectVolume = 1.0f;
    g_Options.music = 1;
    g_Settings.music = 1;
    g_Options.soundWordA = Word(0.9f);
    g_Settings.musicVolume = 0.9f;
    if (musicWasOff && g_MenuShellCalls.playMusic) g_MenuShellCalls.playMusic("Menu.wav", true);
    SetMusicPlayerVolume(0.9f);
    Changed();
}

// ---- input ------------------------------------------------------------------------------------

void OptionsPanel::Update() {
    if (!shown) return;
    hoverSide = -1;
    hoverRow = -1;
    for (int t = 0; t < tabCount; ++t) {
        if (t == currentTab || !panels[t].IsMouseOver()) continue;
        ShowPanelTip(674 + t);
        if (Pressed()) {
            VideoOptionsScreen(t, t + 4);
            PanelSound(FX_ACCEPT);
            return;
        }
    }
    for (ArrowSelector& s : selectors) {
        s.state = uint32_t(s.HitTest());
        if (s.state == 1) ShowPanelTip(498);
        if (s.state == 2) ShowPanelTip(497);
    }
    for (MenuButton& b : buttons) {
        b.highlighted = b.IsMouseOver() ? 1 : 0;
        if (b.highlighted) ShowPanelTip(574);
    }
    switch (Mode()) {
        case 4: UpdateVideo(); break;
        case 5: UpdateAdvanced(); break;
        case 6: UpdateKeys(); break;
        case 7: UpdateSound(); break;
        default: break;
    }
}

void OptionsPanel::UpdateVideo() {
    const bool press = Pressed();
    if (press && selectors[SE_RESOLUTION].state) StepResolution(selectors[SE_RESOLUTION].state == 2 ? 1 : -1);
    if (press && selectors[SE_DEPTH].state) ToggleColourDepth();
    if (Held()) {
        const float g = sliders[SL_GAMMA].GetClickedValue();
        if (g >= 0.0f) SetGamma(g);
        const float q = sliders[SL_QUALITY].GetClickedValue();
        if (q >= 0.0f) SetQualitySlider(q);
    }
    if (press && switches[SW_RETRACE].IsClicked()) ToggleRetrace();
    if (press && buttons[0].highlighted) VideoDefaults();
}

void OptionsPanel::UpdateAdvanced() {
    const bool press = Pressed();
    if (Held()) {
        float v;
        if ((v = sliders[SL_TEXTURE].GetClickedValue()) >= 0.0f) SetTextureDetail(v);
        if ((v = sliders[SL_MODELS].GetClickedValue()) >= 0.0f) SetModelDetail(v);
        if ((v = sliders[SL_WATER].GetClickedValue()) >= 0.0f) SetWater(v);
        if ((v = sliders[SL_FAR].GetClickedValue()) >= 0.0f) SetFarPlane(v);
    }
    if (!press) return;
    if (selectors[SE_TEXTURE_DEPTH].state) ToggleTextureDepth();
    if (selectors[SE_MULTISAMPLE].state) StepMultisample(selectors[SE_MULTISAMPLE].state == 2 ? 1 : -1);
    for (int s = SW_SHADOW; s <= SW_SPECULAR; ++s)
        if (switches[s].IsClicked()) ToggleAdvanced(s);
    if (buttons[1].highlighted) AdvancedDefaults();
}

void OptionsPanel::UpdateKeys() {
    const bool press = Pressed();
    if (!capturing) {
        if (os::GetAsyncKeyState(os::VK_UP) & 1) ScrollKeys(-1);
        if (os::GetAsyncKeyState(os::VK_DOWN) & 1) ScrollKeys(1);
        for (int b = 0; b < 2; ++b) {
            scrollButtons[b].highlighted = scrollButtons[b].IsMouseOver() ? 1 : 0;
            if (!scrollButtons[b].highlighted) continue;
            ShowPanelTip(715 + b);
            if (press) ScrollKeys(b == 0 ? -1 : 1);
        }
    }
    for (int r = 0; r < OPTIONS_KEY_ROWS; ++r) {
        const float rowY = y + 0.18f + 0.05f * float(r);
        for (int c = 0; c < 2; ++c) {
            const float cellX = x + width - (c == 0 ? 0.43f : 0.27f);
            if (!g_Mouse.IsInRelativeRect(cellX, rowY, 0.16f, 0.04f)) continue;
            hoverRow = scroll + r;
            hoverSide = c;
            if (Held() && !capturing) {
                capturing = 1;
                captureRow = scroll + r;
                column = c;
                if (g_MenuShellCalls.clearKeyboardState) g_MenuShellCalls.clearKeyboardState();
            }
        }
    }
    if (capturing) {
        const int control = g_OptionsShellCalls.activeControl ? g_OptionsShellCalls.activeControl() : -1;
        const int key = control >= 0 ? -1
                        : g_OptionsShellCalls.firstPressedKey ? g_OptionsShellCalls.firstPressedKey()
                                                              : -1;
        if (control >= 0 || key >= 0) BindCaptured(captureRow, column, key, control);
    }
    if (press && buttons[2].highlighted) KeyDefaults();
}

void OptionsPanel::UpdateSound() {
    const bool press = Pressed();
    if (press && switches[SW_SOUND].IsClicked()) ToggleSound();
    if (press && switches[SW_MUSIC].IsClicked()) ToggleMusic();
    if (Held()) {
        float v;
        if (g_Options.sound && (v = sliders[SL_SOUND].GetClickedValue()) >= 0.0f) SetSoundVolume(v);
        if (g_Options.music && (v = sliders[SL_MUSIC].GetClickedValue()) >= 0.0f) SetMusicVolume(v);
    }
    if (press && buttons[3].highlighted) SoundDefaults();
}

// ---- drawing ----------------------------------------------------------------------------------

void OptionsPanel::CellTexts(int row, char* cell0, char* cell1, size_t capacity) {
    cell0[0] = cell1[0] = 0;
    if (row < 0 || row >= OPTION_KEY_BINDINGS) return;
    const StoredKeys& k = g_Options.keys[row];
    char second[64], control[64];
    KeyName(k.key1, cell0, capacity);
    KeyName(k.key2, second, sizeof second);
    ControlName(k.deviceAction, control, sizeof control);
    if (second[0] && control[0]) PanelPrint(cell1, capacity, "%s,%s", second, control);
    else PanelPrint(cell1, capacity, "%s", second[0] ? second : control);
}

void OptionsPanel::DrawKeys() {
    for (int r = 0; r < OPTIONS_KEY_ROWS; ++r) {
        const int action = scroll + r;
        if (action >= OPTION_KEY_BINDINGS) break;
        DrawTextLabel(&rowLabels[action]);
        const float rowY = y + 0.18f + 0.05f * float(r);
        char cells[2][128];
        CellTexts(action, cells[0], cells[1], sizeof cells[0]);
        for (int c = 0; c < 2; ++c) {
            const float cellX = x + width - (c == 0 ? 0.43f : 0.27f);
            const bool lit = (capturing && captureRow == action && column == c) ||
                             (hoverRow == action && hoverSide == c);
            if (lit)
                g_Fader.DrawRect2D(PixelX(cellX), PixelY(rowY), PixelX(cellX + 0.16f), PixelY(rowY + 0.04f),
                                   0xffc0c0c0, true);
            g_Font.Print(4, kKeyColour, cellX + 0.16f, rowY, -1, cells[c], 'D', false);
        }
    }
    for (ImageButton& b : scrollButtons) b.Draw();
}

void OptionsPanel::DrawCharacterFrame() {
    Sprite2D** p = g_Menu.pictures;
    const bool hoverLeft = g_Mouse.IsInRelativeRect(x + 0.08f, 0.78f, 0.08f, 0.06f);
    const bool hoverRight = g_Mouse.IsInRelativeRect(x + width - 0.16f, 0.78f, 0.08f, 0.06f);
    if (p[34]) p[34]->Draw();
    if (Sprite2D* left = p[hoverLeft ? 36 : 35]) {
        left->SetPosition(x + 0.12f, 0.8f);
        left->Draw();
    }
    if (Sprite2D* right = p[hoverRight ? 38 : 37]) {
        right->SetPosition(x + width - 0.12f, 0.8f);
        right->Draw();
    }
    ShowFramedFighter();
    if (!framedFighter) return;
    framedFighter->SetPosition(kFramedFighterAt.x, kFramedFighterAt.y, kFramedFighterAt.z, true);
    g_Video.ClearZBuffer();
    g_Video.SetZEnable(true);
    DrawPreviewFighter(framedFighter);
}

void OptionsPanel::Draw() {
    if (!shown) return;
    if (currentTab >= 0 && currentTab < OPTIONS_TABS) {
        if (Sprite2D* patch = g_Menu.pictures[21 + currentTab]) {
            patch->SetPosition(kPatchX[currentTab], 0.24088542f);
            patch->Draw();
        }
    }
    for (int t = 0; t < tabCount; ++t) DrawTextLabel(&tabLabels[t]);
    for (int t = 0; t < tabCount; ++t) panels[t].Draw();
    panels[OPTIONS_TABS].Draw();
    auto labels = [&](int n) {
        for (int i = 0; i < n; ++i) DrawTextLabel(&rowLabels[i]);
    };
    switch (Mode()) {
        case 4:
            selectors[SE_RESOLUTION].Draw();
            selectors[SE_DEPTH].Draw();
            sliders[SL_GAMMA].Draw('I');
            sliders[SL_QUALITY].Draw('I');
            switches[SW_RETRACE].Draw();
            labels(11);
            buttons[0].Draw();
            break;
        case 5:
            selectors[SE_TEXTURE_DEPTH].Draw();
            selectors[SE_MULTISAMPLE].Draw();
            for (int s = SL_TEXTURE; s <= SL_FAR; ++s) sliders[s].Draw('I');
            for (int s = SW_SHADOW; s <= SW_SPECULAR; ++s) switches[s].Draw();
            labels(11);
            buttons[1].Draw();
            break;
        case 6:
            DrawKeys();
            buttons[2].Draw();
            break;
        case 7:
            switches[SW_SOUND].Draw();
            switches[SW_MUSIC].Draw();
            sliders[SL_SOUND].Draw('I');
            sliders[SL_MUSIC].Draw('I');
            labels(6);
            buttons[3].Draw();
            break;
        case 8: DrawCharacterFrame(); break;
        default: break;
    }
}
