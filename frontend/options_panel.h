// The tabbed editor of the stored options shown by the options screen: video, advanced video,
// key bindings and sound. Every edit goes at once into the stored options (and, for sound, music
// and gamma, into the live settings) and raises the menu's options-changed flag.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/menu_widgets.h"
#include "frontend/text_label.h"

constexpr int OPTIONS_TABS = 4;
constexpr int OPTIONS_KEY_ROWS = 8;           // visible rows of the key list
constexpr int OPTIONS_MAX_SCROLL = 18;        // 26 actions - 8 rows
constexpr int OPTIONS_RESOLUTIONS = 5;

// The key-list texts: a key's name (empty for an unset key) and a control's name.
void KeyName(int virtualKey, char* out, size_t capacity);
void ControlName(int control, char* out, size_t capacity);
// The music player's volume, in hundredths of a decibel, for a slider value 0..1.
int32_t MusicVolumeFromSlider(float value);
// The quality level a slider value gives, or -1 at the very end (the level stays).
int QualityLevelFromSlider(float value);

class Character;
struct PlayerRecord;

class OptionsPanel {
public:
    TextLabel tabLabels[OPTIONS_TABS];
    MenuPanel panels[OPTIONS_TABS + 1];
    TextLabel rowLabels[30];
    ImageButton scrollButtons[2];
    MenuSlider sliders[12];
    MenuSwitch switches[13];
    ArrowSelector selectors[4];
    MenuButton buttons[9];
    float x = 0, y = 0, width = 0, height = 0;
    uint8_t shown = 0;
    int32_t tabCount = 0;
    int32_t currentTab = 0;
    int32_t hoverSide = -1, hoverRow = -1;
    int32_t scroll = 0;
    int32_t column = -1;
    uint8_t capturing = 0;
    int32_t captureRow = -1;      // the action being bound
    int32_t tabModes[OPTIONS_TABS] = {4, 5, 6, 7};
    // Mode 8's fighter of the chosen player and the record it was dressed for, null when none.
    Character* framedFighter = nullptr;
    const PlayerRecord* framedRecord = nullptr;

    OptionsPanel() = default;
    ~OptionsPanel() { Release(); }
    OptionsPanel(const OptionsPanel&) = delete;
    OptionsPanel& operator=(const OptionsPanel&) = delete;

    // Lays the panel out for `tabs` tabs and opens tab 0.
    void Build(int tabs);
    // Releases the open tab's labels and arrows, makes `tab` current and builds mode `mode`.
    void VideoOptionsScreen(int tab, int mode);
    // One frame of input.
    void Update();
    void Draw();
    void ReleaseTab();
    void Release();

    // The edits the input makes, each marking the options changed.
    // dir +1 (right arrow) or -1 (left arrow).
    void StepResolution(int dir);
    void ToggleColourDepth();
    void SetGamma(float value);
    void ToggleRetrace();
    // True when the level changed.
    bool SetQualitySlider(float value);
    void VideoDefaults();
    void SetTextureDetail(float value);
    void ToggleTextureDepth();
    void SetModelDetail(float value);
    void SetWater(float value);
    void SetFarPlane(float value);
    // Which: 1 shadows, 2 anisotropic, 3 mirrors, 4 interface faces, 5 specular.
    void ToggleAdvanced(int which);
    void StepMultisample(int dir);
    void AdvancedDefaults();
    void ScrollKeys(int dir);
    // A key or control arrived for `row`'s `col` (key -1 or control -1 when not the one found).
    void BindCaptured(int row, int col, int key, int control);
    void KeyDefaults();
    void ToggleSound();
    void SetSoundVolume(float value);
    void ToggleMusic();
    void SetMusicVolume(float value);
    void SoundDefaults();

    // The widgets show the stored values.
    void ShowStoredValues();
    // The two texts of a key-list row's cells.
    static void CellTexts(int row, char* cell0, char* cell1, size_t capacity);

private:
    int Mode() const { return currentTab >= 0 && currentTab < OPTIONS_TABS ? tabModes[currentTab] : -1; }
    void Changed(bool sound = true);
    void BuildVideoRows();
    void BuildAdvancedRows();
    void BuildKeyRows();
    void BuildSoundRows();
    void PlaceKeyRows();
    void Caption(int index, float rowY, int textId);
    void UpdateVideo();
    void UpdateAdvanced();
    void UpdateKeys();
    void UpdateSound();
    void DrawKeys();
    void DrawCharacterFrame();
    // Mode 8's fighter spawned or dressed for the chosen player, removed without one.
    void ShowFramedFighter();
    void RemoveFramedFighter();
    void ApplyShadowRule();
};
