#include "frontend/menu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "platform/text/text.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/light_node.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/element_map.h"
#include "world/scenario.h"

Menu g_Menu;

bool CampaignRulesApply() { return g_Menu.gameType == 1 && !g_NetSession.active; }

namespace {

constexpr char kFontFile[] = "Zantor.ttf";
constexpr char kLetterFace[] = "Zantor";
constexpr char kLetterTexture[] = "Text3D.bmp";
constexpr char kMenuFolder[] = "Texturas\\Interfaz\\Menu\\";
constexpr char kScreenFolder[] = "Texturas\\Interfaz\\Pantallas\\";
constexpr char kCursorModel[] = "Modelos\\Interfaz\\cursor.y3d";
constexpr char kMenuFontFace[] = "Comic Sans MS";
constexpr int32_t kMenuFontHeight = 20;
constexpr uint8_t kPictureBlend = 1;   // alpha-blended
constexpr float kBackgroundBottom = 0.75f;

// The interface variant picks the letter detail of the 3D words; nothing in the front end
// changes it from 0.
int32_t g_InterfaceVariant = 0;

int32_t LetterDetail() { return g_InterfaceVariant == 1 ? 25 : g_InterfaceVariant == 2 ? 50 : 35; }

struct PictureRow {
    int slot;
    const char* name;
    float size;
    int mode;
    float left, top, right, bottom;
};

constexpr float kPatchLeft = 0.00390625f, kPatchRight = 0.5625f;

// The shared widget pictures, in load order. The two "FlechaAddTeam" pictures load the other
// way round from the slots they end up in.
constexpr PictureRow kPictures[MENU_PICTURE_COUNT] = {
    {0, "BotonDerOff", 0.08f, 1, 0, 0, 1, 1},
    {1, "BotonDerOn", 0.08f, 1, 0, 0, 1, 1},
    {2, "BotonIzqOff", 0.08f, 1, 0, 0, 1, 1},
    {3, "BotonIzqOn", 0.08f, 1, 0, 0, 1, 1},
    {4, "BarraDesplazamientoOn", 0.08f, 1, 0, 0, 0.068359375f, 1},
    {5, "BarraDesplazamientoOff", 0.08f, 1, 0.923828125f, 0, 1, 1},
    {6, "BarraDesplazamientoOn", 0.08f, 1, 0.0703125f, 0, 0.921875f, 1},
    {7, "BarraDesplazamientoOff", 0.08f, 1, 0.0703125f, 0, 0.921875f, 1},
    {8, "ManecillaBarraDesplazamiento", 0.08f, 1, 0, 0, 1, 1},
    {9, "Switchoff", 0.03f, 1, 0, 0, 1, 1},
    {10, "Switchon", 0.03f, 1, 0, 0, 1, 1},
    {11, "FlechaIzdaOff", 0.038f, 1, 0, 0, 1, 1},
    {12, "FlechaIzdaOn", 0.038f, 1, 0, 0, 1, 1},
    {13, "FlechaDchaOff", 0.038f, 1, 0, 0, 1, 1},
    {14, "FlechaDchaOn", 0.038f, 1, 0, 0, 1, 1},
    {15, "BotonMenuSinPulsar", 0.06f, 1, 0, 0, 0.2578125f, 1},
    {16, "BotonMenuPulsado", 0.06f, 1, 0, 0, 0.2578125f, 1},
    {17, "BotonMenuSinPulsar", 0.06f, 1, 0.73828125f, 0, 1, 1},
    {18, "BotonMenuPulsado", 0.06f, 1, 0.73828125f, 0, 1, 1},
    {19, "BotonMenuSinPulsar", 0.06f, 1, 0.26171875f, 0, 0.734375f, 1},
    {20, "BotonMenuPulsado", 0.06f, 1, 0.26171875f, 0, 0.734375f, 1},
    {21, "Parches", 0.140625f, 2, kPatchLeft, 0.015625f, kPatchRight, 0.171875f},
    {22, "Parches", 0.140625f, 2, kPatchLeft, 0.21875f, kPatchRight, 0.375f},
    {23, "Parches", 0.140625f, 2, kPatchLeft, 0.40625f, kPatchRight, 0.5625f},
    {24, "Parches", 0.140625f, 2, kPatchLeft, 0.609375f, kPatchRight, 0.78125f},
    {25, "VentanaConfirmacion", 0.5f, 2, 0, 0, 1, 1},
    {26, "FlechaArrOff", 0.04f, 1, 0, 0, 1, 1},
    {27, "FlechaArrOn", 0.04f, 1, 0, 0, 1, 1},
    {28, "FlechaAbjOff", 0.04f, 1, 0, 0, 1, 1},
    {29, "FlechaAbjOn", 0.04f, 1, 0, 0, 1, 1},
    {30, "LogoOrlinsOff", 0.3f, 1, 0, 0, 1, 1},
    {31, "LogoOrlinsOn", 0.3f, 1, 0, 0, 1, 1},
    {32, "LogoVoraksOff", 0.3f, 1, 0, 0, 1, 1},
    {33, "LogoVoraksOn", 0.3f, 1, 0, 0, 1, 1},
    {34, "fondo_per", 0.32f, 2, 0, 0, 1, 1},
    {35, "fondo_per_bi_des", 0.08f, 2, 0, 0, 1, 1},
    {36, "fondo_per_bi_act", 0.08f, 2, 0, 0, 1, 1},
    {37, "fondo_per_bd_des", 0.08f, 2, 0, 0, 1, 1},
    {38, "fondo_per_bd_act", 0.08f, 2, 0, 0, 1, 1},
    {39, "MarcoPerSel_ON", 0.208984375f, 1, 0, 0, 1, 1},
    {40, "MarcoPerSel_OFF", 0.208984375f, 1, 0, 0, 1, 1},
    {42, "FlechaAddTeamOFF", 0.04f, 2, 0, 0, 1, 1},
    {41, "FlechaAddTeamON", 0.04f, 2, 0, 0, 1, 1},
    {43, "RotaOn", 0.0625f, 2, 0, 0, 1, 1},
    {44, "RotaOff", 0.0625f, 2, 0, 0, 1, 1},
    {45, "RotaIzqOn", 0.0625f, 2, 0, 0, 1, 1},
    {46, "RotaIzqOff", 0.0625f, 2, 0, 0, 1, 1},
    {47, "RotaDerOn", 0.0625f, 2, 0, 0, 1, 1},
    {48, "RotaDerOff", 0.0625f, 2, 0, 0, 1, 1},
    {49, "AddOn", 0.0625f, 2, 0, 0, 1, 1},
    {50, "AddOff", 0.0625f, 2, 0, 0, 1, 1},
    {51, "SubtractOn", 0.0625f, 2, 0, 0, 1, 1},
    {52, "SubtractOff", 0.0625f, 2, 0, 0, 1, 1},
    {53, "KGame00On", 0.0390625f, 2, 0, 0, 1, 1},
    {54, "KGame01On", 0.0390625f, 2, 0, 0, 1, 1},
    {55, "KGame02On", 0.0390625f, 2, 0, 0, 1, 1},
    {56, "KGame03On", 0.0390625f, 2, 0, 0, 1, 1},
    {57, "KGame04On", 0.0390625f, 2, 0, 0, 1, 1},
    {58, "KGame05On", 0.0390625f, 2, 0, 0, 1, 1},
    {59, "KGame00Off", 0.0390625f, 2, 0, 0, 1, 1},
    {60, "KGame01Off", 0.0390625f, 2, 0, 0, 1, 1},
    {61, "KGame02Off", 0.0390625f, 2, 0, 0, 1, 1},
    {62, "KGame03Off", 0.0390625f, 2, 0, 0, 1, 1},
    {63, "KGame04Off", 0.0390625f, 2, 0, 0, 1, 1},
    {64, "KGame05Off", 0.0390625f, 2, 0, 0, 1, 1},
    {65, "Logo_on", 0.087890625f, 2, 0, 0, 1, 1},
    {66, "Logo_off", 0.087890625f, 2, 0, 0, 1, 1},
};

// The 3D words of the two button pages: text-table entries and rows, top to bottom.
constexpr int32_t kMainTexts[4] = {500, 501, 502, 503};
constexpr float kMainRows[4] = {0.524f, 0.628f, 0.732f, 0.836f};
constexpr int32_t kPlayTypeTexts[6] = {518, 519, 516, 517, 515, 508};
constexpr float kPlayTypeRows[6] = {0.40857142f, 0.49714285f, 0.58571428f, 0.67428571f, 0.76285714f, 0.85142857f};

// The lights of the 3D menu: a white-ish sun from the viewer's side, the light that follows the
// cursor (warm, short reach) and four dim fill lights at the corners behind the words.
constexpr float kCursorLightRanges[4] = {0.5f, 1.5f, 4.0f, 8.0f};
constexpr float kFillLightRanges[4] = {2.0f, 6.0f, 20.0f, 40.0f};
constexpr Vec3 kFillLights[4] = {{-6, 4, 4}, {6, 4, 4}, {-6, -4, 4}, {6, -4, 4}};

PointLight* MakeMenuLight(const Vec3& at, float level, const float ranges[4]) {
    auto* light = new PointLight();
    light->SetFull("OmniMenu", level, level, level * 0.9f, 1.0f, at.x, at.y, at.z, false, ranges);
    g_Scene.lights.push_back(light);
    return light;
}

void SetDoubleClicks(bool on) {
    if (os::WindowHandle w = os::GetMainWindow()) os::SetDoubleClicks(w, on);
}

// One material of the 3D letters: one stage with the texture, one pass, counted by the table.
int32_t MakeLetterMaterial(const char* format) {
    if (!g_Scene.materials || !g_Scene.textures) return -1;
    char name[160];
    std::snprintf(name, sizeof name, format, kMenuFolder);
    const int32_t texture = g_Scene.textures->LoadTexture(name, false, false, true);
    auto* material = new Material();
    material->passCount = 1;
    material->passes[0].stageCount = 1;
    material->passes[0].stages[0].texture = texture;
    const int32_t id = g_Scene.materials->Add(material);
    if (id < 0) {
        delete material;
        return -1;
    }
    g_Scene.materials->AddRef(id);
    return id;
}

}  // namespace

// The font file is registered while the front end runs rather than for the life of the global:
// the font registry is a global of another file, and the order in which globals are made and
// destroyed across files is not fixed.
Menu::Menu() = default;

Menu::~Menu() {
    playerTables.Free();
    DestroyTextLabel(&tooltip);
    DestroyTextLabel(&tooltipShadow);
}

bool LoadMenuPicture(Sprite2D** slot, const char* name, float size, float left, float top, float right,
                     float bottom, int sizeMode) {
    if (!slot || !name || sizeMode < 0 || sizeMode > SPRITE_SIZE_TEXELS || !g_Scene.textures) return false;
    char path[200];
    std::snprintf(path, sizeof path, "%s%s.tga", kMenuFolder, name);
    int32_t texture = g_Scene.textures->LoadTexture(path, false, false, false);
    if (texture < 0) {
        std::snprintf(path, sizeof path, "%s%s.tga", kScreenFolder, name);
        texture = g_Scene.textures->LoadTexture(path, false, false, false);
    }
    if (texture < 0) return false;
    delete *slot;
    *slot = new Sprite2D();
    (*slot)->Init(name, size, size, left, top, right, bottom, sizeMode, texture, kPictureBlend);
    return true;
}

void LoadBackground(const char* name) {
    delete g_Menu.background;
    g_Menu.background = nullptr;
    LoadMenuPicture(&g_Menu.background, name, 1.0f, 0.0f, 0.0f, 1.0f, kBackgroundBottom, SPRITE_SIZE_GIVEN);
}

namespace {

void LoadPictures() {
    for (Sprite2D*& p : g_Menu.pictures) {
        delete p;
        p = nullptr;
    }
    for (const PictureRow& row : kPictures)
        LoadMenuPicture(&g_Menu.pictures[row.slot], row.name, row.size, row.left, row.top, row.right, row.bottom,
                        row.mode);
}

void TakeCursorModel() {
    g_Menu.cursorModel = nullptr;
    ObjectList* objects = g_Scene.objects;
    const ObjectListNode* before = objects ? objects->head : nullptr;
    if (!g_Scene.LoadModel(kCursorModel, kMenuFolder, 0, false) || !objects || objects->head == before ||
        !objects->head)
        return;
    // The loader adds at the head; the cursor is drawn by the menu alone.
    g_Menu.cursorModel = objects->head->object;
    objects->Remove(g_Menu.cursorModel);
}

// The whole front end, on the first page entry.
void LoadFrontEnd(Menu& m, int n) {
    SetDoubleClicks(false);
    // The 3D words need the face; without the file they fall back to whatever the system has.
    text::RegisterFontFile(kFontFile);
    g_Font.Create(kMenuFontFace, kMenuFontHeight, 0);
    os::ShowCursor(false);
    os::SetCursor(nullptr);
    g_Scene.Create();
    m.ShowLoadingPicture();
    m.active = 1;
    LoadSkeletons(false);
    if (g_MenuShellCalls.selectControlMode) g_MenuShellCalls.selectControlMode();
    g_Video.SetAmbient(0xff323232);

    auto* sun = new DirectionalLight();
    const float noDistances[4] = {0, 0, 0, 0};
    sun->SetFull("sol", 0.9f, 0.9f, 0.85f, 1.0f, 0, 10, 10, false, Vec3{0, -0.5f, 0.866f}, noDistances, 0, 0);
    g_Scene.sun = sun;
    m.menuLight = MakeMenuLight({0, 0, -0.3f}, 1.0f, kCursorLightRanges);

    TakeCursorModel();
    char name[32];
    std::snprintf(name, sizeof name, "Menu%02i", n);
    LoadBackground(name);
    SetActiveClock(CLOCK_MENU);
    for (const Vec3& at : kFillLights) MakeMenuLight(at, 0.35f, kFillLightRanges);
    g_Fader.Reset();

    m.previousPage = -1;
    m.targetPage = 0;
    m.buttonCount = 0;
    LoadPictures();
    if (g_Options.music && g_MenuShellCalls.playMusic) g_MenuShellCalls.playMusic("Menu.wav", true);
    m.textMaterial = MakeLetterMaterial("%sText3D.bmp");
    m.textMaterialDisabled = MakeLetterMaterial("%sText3D_Disabled.bmp");
    m.screens = new MenuScreens();
    CreateTextLabel(&m.tooltip, 0.0f, 0.0f, 'c', "", 5, 0);
    CreateTextLabel(&m.tooltipShadow, 0.0f, 0.0f, 'c', "", 5, 2);
    m.tooltip.visible = 0;
    m.tooltipShadow.visible = 0;
}

void MakeButtons(Menu& m, const int32_t* texts, const float* rows, int count) {
    m.buttonCount = count;
    for (int k = 0; k < count; ++k) {
        Text3D& b = m.buttons[k];
        b.Create(LetterDetail(), g_TextTable.Get(texts[k]), kLetterFace, kLetterTexture, m.textMaterial);
        b.StartAnimation(TEXT3D_FLY_IN);
        b.PlaceAtScreen(0.5f, rows[k], 'c');
    }
    for (int k = 0; k < count; ++k) m.buttons[k].Update3DText();
    g_Fader.FadeIn();
}

}  // namespace

void Menu::BuildPage(int n) {
    SetTextLabelMode(LABEL_MODE_TEXTURE);
    page = n;
    hoverA = hoverB = -1;
    if (!active) LoadFrontEnd(*this, n);
    switch (n) {
    case PAGE_MAIN: MakeButtons(*this, kMainTexts, kMainRows, 4); break;
    case PAGE_PLAY_TYPE: MakeButtons(*this, kPlayTypeTexts, kPlayTypeRows, 6); break;
    case 8: buttonCount = 0; break;
    case PAGE_START_MATCH:
        ApplyConfigs();
        if (g_MenuShellCalls.startGame) g_MenuShellCalls.startGame();
        if (g_MenuShellCalls.resetCameraPitch) g_MenuShellCalls.resetCameraPitch();
        break;
    case PAGE_QUIT:
        if (g_MenuShellCalls.requestQuit) g_MenuShellCalls.requestQuit();
        break;
    default: break;
    }
    // A start that failed has opened another page already, with its screen.
    if (active && screens && page == n) screens->SetScreen(n);
}

void Menu::Release() {
    delete background;
    background = nullptr;
    DestroyTextLabel(&tooltip);
    DestroyTextLabel(&tooltipShadow);
    loadingPicture.Release();
    delete screens;
    screens = nullptr;
    for (Text3D& b : buttons) b.Release();
    buttonCount = 0;
    if (g_Scene.objects) {
        // The cursor left the object list when it loaded; the light is the scene's until now.
        delete cursorModel;
        auto& lights = g_Scene.lights;
        if (menuLight) {
            lights.erase(std::remove(lights.begin(), lights.end(), menuLight), lights.end());
            delete menuLight;
        }
    }
    cursorModel = nullptr;
    menuLight = nullptr;
    for (Sprite2D*& p : pictures) {
        delete p;
        p = nullptr;
    }
    g_Fader.Disable();
    SetDoubleClicks(true);
    if (active) text::UnregisterFontFile(kFontFile);
    active = 0;
}

void Menu::ReturnFromMatch() {
    if (g_Settings.music && g_MenuShellCalls.stopMusic) g_MenuShellCalls.stopMusic(3000);
    if (g_Settings.sound && g_MenuShellCalls.stopAllFx) g_MenuShellCalls.stopAllFx();
    std::memcpy(results, g_Scenario.results, sizeof results);
    // The results pages read the kind these results were played under: a network client's own
    // set-up tab need not hold the host's.
    gameKind = g_Match.gameKind;
    resultsPending = 1;
    // The fighters of a match that ended are those it ended with; one left early has only those
    // still here. Neither depends on the session, which may be gone by now.
    if (g_Match.state == MATCH_PLAYING && !g_Match.hostEnded) g_Match.NoteEndFighters();
    resultsFought = g_Match.endFighters;
    // One who joined in the end's pause fought none of it, even in the slot of one who did.
    if (g_Match.joinedAfterEnd) localSlot = -1;
    ClearWorldElements();
    if (g_MenuShellCalls.releaseGame) g_MenuShellCalls.releaseGame(false);
    if (os::WindowHandle w = os::GetMainWindow()) os::ShowWindow(w, true);
    if (g_MenuShellCalls.destroyVideo) g_MenuShellCalls.destroyVideo();
    SetDefaultDisplayMode();
    if (g_MenuShellCalls.initVideo) g_MenuShellCalls.initVideo();
    g_Font.Create(kMenuFontFace, kMenuFontHeight, 0);
    g_Scene.Create();
    BuildPage(PAGE_RESULTS);
}

void SetDefaultDisplayMode() {
    g_Settings.width = 1024;
    g_Settings.height = 768;
    g_Settings.bitsPerPixel = 32;
    g_Settings.textureBpp = 32;
    g_Settings.textureReduction = 0;
    // Character shadows need the stencil buffer; they are on wherever the mode has one.
    g_Settings.characterShadow = g_SettingsCalls.isStencilSupported && g_SettingsCalls.isStencilSupported(32) ? 1 : 0;
}

void Menu::ShowLoadingPicture() {
    int number;
    if (targetPage == PAGE_NETWORK_CLIENT || (targetPage >= PAGE_JOIN_SESSION && targetPage <= PAGE_CLOSE_SESSION))
        number = 99;
    else if (!active)
        number = 97;
    else
        return;
    char name[160];
    std::snprintf(name, sizeof name, "%sMenu%02i.tga", kScreenFolder, number);
    if (loadingPicture.Load(name, &g_Video)) {
        loadingPicture.Draw(&g_Video);
        g_Video.Present();
    }
    loadingPicture.Release();
}

namespace {

// The picture variant of the pages whose background depends on a choice.
int PictureVariant(int page) {
    switch (page) {
    case 2: return 0;
    case 6: return g_Menu.screens ? g_Menu.screens->setupMode : 0;
    case 11: return int(g_Campaign.stage);
    case 13: return g_Menu.screens ? g_Menu.screens->teamSelection : 0;
    default: return g_Menu.variant;
    }
}

}  // namespace

void ShowScreenPicture() {
    Menu& m = g_Menu;
    delete m.background;
    m.background = nullptr;
    const int t = m.targetPage;
    char name[32] = "";
    switch (t) {
    case 0: case 1: case 3: case 4: case 5: case 7: case 8: case 9: case 10: case 12: case 14: case 15: case 17:
        std::snprintf(name, sizeof name, "Menu%02d", t);
        break;
    case 2: case 6: case 11: case 13: case 16: case 20: case 21: case 22: case 23:
        std::snprintf(name, sizeof name, "Menu%02d_%d", t, PictureVariant(t));
        break;
    case 18: std::snprintf(name, sizeof name, "Menu%02d", 12); break;
    case 19: std::snprintf(name, sizeof name, "Menu%02d", 0); break;
    default: break;
    }
    if (name[0]) LoadBackground(name);
    if (m.background) m.background->Draw();
    g_Fader.Draw();
}

void ResetMenu() {
    if (g_Menu.active) g_Menu.Release();
    Menu& m = g_Menu;
    delete m.background;
    m.background = nullptr;
    delete m.screens;
    m.screens = nullptr;
    for (Sprite2D*& p : m.pictures) {
        delete p;
        p = nullptr;
    }
    m.ClearPlayerTables();
    m.buttonCount = 0;
    m.menuLight = nullptr;
    m.cursorModel = nullptr;
    m.textMaterial = m.textMaterialDisabled = -1;
    m.hoverA = m.hoverB = -1;
    m.active = 0;
    m.page = m.targetPage = 0;
    m.previousPage = -1;
    std::memset(m.results, 0, sizeof m.results);
    m.resultsPending = 0;
    m.resultsFought = 0;
    m.enterPressed = m.escapePressed = 0;
    m.gameKind = 0;
    m.variant = -1;
    for (auto& side : m.teamSlots) std::fill(std::begin(side), std::end(side), -1);
    m.saveMode = 2;
    m.gameType = 2;
    m.localSlot = -1;
    m.selectedPlayer = -1;
    m.playerRecord = nullptr;
    m.screenWords[0] = m.screenWords[1] = 0;
    m.optionsChanged = 0;
}
