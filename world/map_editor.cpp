// The element-map editor's object, palette, keys, mouse picking, edit mode and play-test.
#include "world/map_editor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/hud.h"
#include "frontend/sprite2d.h"
#include "platform/os/os.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/glow.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "shell/mouse.h"
#include "world/editor_shell.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"
#include "world/item.h"
#include "world/scenario.h"

MapEditor g_MapEditor;

const char* const EditorEffectNames[EDITOR_EFFECT_NAMES] = {
    "fuego1",     "fuego2",    "fuego3",     "antorcha",       "bola",        "fogata",       "humo",
    "",           "",          "",           "ChorroAgua",     "LlegaAgua",   "VeCatarata",   "Portal Tipo 1",
    "Portal Tipo 2", "Fuego Fatuo", "Portal Vida", "Portal Poder", "",        ""};

// In the font's one-byte code page (Windows-1252), as every text it draws.
const char* const EditorItemNames[58] = {
    "Piedras",        "Granadas",        "C\xF3" "ckteles Molotov", "Vida Parcial",       "Vida Total",
    "Experiencia",    "Poder Parcial",   "Poder Total",       "Fuerza",             "Constituci\xF3n",
    "Agilidad",       "Velocidad",       "Poder",             "Invulnerabilidad",   "Invisibilidad",
    "Bomba",          "Par\xE1lisis",       "Enfermedad",        "Castigo Divino",     "Castigo Sat\xE1nico",
    "Cr\xE9" "ditos 1",     "Cr\xE9" "ditos 5",      "Cr\xE9" "ditos 25",       "Cr\xE9" "ditos 50",        "Letra A",
    "Letra B",        "Letra C",         "Letra D",           "Letra E",            "Letra F",
    "Letra G",        "Letra H",         "Letra I",           "Letra J",            "Letra K",
    "Letra L",        "Letra M",         "Letra N",           "Letra O",            "Letra P",
    "Letra Q",        "Letra R",         "Letra S",           "Letra T",            "Letra U",
    "Letra V",        "Letra W",         "Letra X",           "Letra Y",            "Letra Z",
    "Fruta Prohibida", "Fruta Prohibida", "Pantalla Loca",    "Pantalla Invertida", "Controles Invertidos",
    "Golpear C\xE1mara", "Destello Cegador", "Cortina de Humo"};

namespace {

constexpr float kMoveRate = 0.001f * 5.0f;     // per ms of hold time
constexpr float kPickRadius = 0.45f;
constexpr float kRayLength = 2000.0f;
constexpr float kCellTolerance = 100.0f;
constexpr uint32_t kGroundAndWalls = 1;
constexpr int kItemGroupMultiplayer = 7;
constexpr int kItemGroupSpecial = 6;
constexpr uint32_t kModelLoadFlags = 3;

bool Pressed(int a) { return g_EditorShellCalls.pressed(a); }
bool Held(int a) { return g_EditorShellCalls.held(a); }

ElementMap& Elements() { return g_ElementMap; }

void ZeroPanels(MapEditor& e) {
    for (EditorPanel& p : e.panels) {
        p.buttons.Free();
        p.buttons.created = 0;
        for (Button*& b : p.buttons.buttons) b = nullptr;
        p.type = 0;
        p.x = p.y = p.w = p.h = 0.0f;
        p.textScale = 0;
        p.gameKind = p.elementKind = p.group = nullptr;
        p.editor = nullptr;
        p.buttonCount = 0;
        p.visible = p.editMode = p.backKey = p.forwardKey = 0;
        for (auto& row : p.scroll) std::fill(std::begin(row), std::end(row), 0);
        for (auto& row : p.selectedSlot) std::fill(std::begin(row), std::end(row), -1);
    }
}

void ZeroFields(MapEditor& e) {
    ZeroPanels(e);
    e.playTest = 0;
    for (GlowNode*& g : e.paletteGlows) g = nullptr;
    for (Sprite2D*& s : e.arrows) s = nullptr;
    e.cursorCell = CellRef{-1, -1, -1};
    e.cursorPoint = Vec3{0.0f, 0.0f, 0.0f};
    e.hoveredPanel = -1;
    e.selected = nullptr;
    e.hasSelection = 0;
    e.hovered = nullptr;
    e.hoveredObject = ElementObject{};
    e.edit = EditorEditValues{};
    std::fill(std::begin(e.picks), std::end(e.picks), nullptr);
    e.pickCount = 0;
    std::fill(std::begin(e.rememberedGroup), std::end(e.rememberedGroup), 0);
    e.helpShown = 0;
    std::fill(std::begin(e.lastHeld), std::end(e.lastHeld), 0);
}

// The largest extent of a model's local box.
float LargestExtent(const DynamicMesh& m) {
    const float* b = m.localBox;
    return std::max({std::fabs(b[3] - b[0]), std::fabs(b[4] - b[1]), std::fabs(b[5] - b[2])});
}

// Scaled so that the largest extent is the bar's size.
void ScaleForBar(DynamicMesh* m) {
    const float extent = LargestExtent(*m);
    const float scale = extent > 0.0f ? EDITOR_PALETTE_SIZE / extent : 1.0f;
    m->transform.stretchScale = Vec3{scale, scale, scale};
    m->transformValid = 0;
}

// A copy of a template for the palette bar; null without a template.
DynamicMesh* PaletteCopy(SceneNode* node) {
    const DynamicMesh* source = AsDynamicMesh(node);
    if (!source) return nullptr;
    DynamicMesh* copy = new DynamicMesh();
    if (!copy->CloneFrom(*source)) {
        delete copy;
        return nullptr;
    }
    ScaleForBar(copy);
    return copy;
}

// A fighter preview: the interface model loaded into the scene and its movable mesh taken out.
DynamicMesh* FighterPaletteModel(const char* name) {
    if (!g_Scene.objects) return nullptr;
    char path[96], mesh[64];
    std::snprintf(path, sizeof path, "Modelos\\Interfaz\\%s.y3d", name);
    std::snprintf(mesh, sizeof mesh, "%s(DIN)", name);
    g_Scene.LoadModel(path, "Texturas\\Personajes\\", kModelLoadFlags, false);
    DynamicMesh* model = AsDynamicMesh(g_Scene.objects->FindByName(mesh));
    if (!model) return nullptr;
    g_Scene.objects->Remove(model);
    ScaleForBar(model);
    return model;
}

// The world point and cell under the mouse, and the nearest spawned record the pick ray meets.
void PickUnderMouse(MapEditor& e) {
    e.hovered = nullptr;
    e.hoveredObject = ElementObject{};
    Camera* camera = g_Scene.camera;
    if (!camera) {
        e.cursorCell = CellRef{-1, -1, -1};
        return;
    }
    Ray ray;
    ScreenPointToRay(&ray, g_Mouse.x, g_Mouse.y, *camera);
    float best = 1000000.0f;
    ElementRecord* nearest = nullptr;
    for (int i = 0; i < e.pickCount; ++i) {
        ElementRecord* r = e.picks[i];
        const ElementPickBox& b = r->pickBox;
        if (!RayBoxIntersect(AxisBox{b.max, b.min}, ray, nullptr)) continue;
        Vec3 hit{};
        if (!RaySphereIntersect(ray, Sphere{r->position, kPickRadius}, &hit, nullptr)) continue;
        const Vec3 d = Vec3Sub(hit, camera->eye);
        const float distance = Vec3Dot(d, d);
        if (distance < best) {
            best = distance;
            nearest = r;
        }
    }
    Vec3 point{};
    CollisionOctree* octree = SceneCollisionOctree();
    const bool scenery = octree && octree->RayQuery(&ray, kRayLength, &point, nullptr, nullptr, kGroundAndWalls);
    if (scenery) e.cursorPoint = point;
    const Vec3 d = Vec3Sub(point, camera->eye);
    if (scenery && (!nearest || Vec3Dot(d, d) < best)) {
        CellRef cell{};
        e.cursorCell = ScenarioPathMap() && ScenarioPathMap()->WorldToCell(point, &cell, kCellTolerance)
                           ? cell
                           : CellRef{-1, -1, -1};
        return;
    }
    if (!scenery && !nearest) e.cursorCell = CellRef{-1, -1, -1};
    e.hovered = nearest;
    if (nearest) e.hoveredObject = nearest->object;
}

// A common element is not picked while a specific game kind is edited.
bool Selectable(const ElementRecord* r) {
    return r && (r->gameKind != ELEMENT_COMMON || Elements().currentGameKind == int(ELEMENT_COMMON));
}

// A hovered glow lends its colour to its palette entry and palette glow.
void CopyGlowColour(MapEditor& e, const ElementRecord& r) {
    if (r.elementKind != ELEMENT_GLOW || r.index >= GLOW_PALETTE_SIZE) return;
    GlowPaletteEntry& entry = Elements().glowPalette[r.index];
    entry.red = uint32_t(r.block[0]);
    entry.green = uint32_t(r.block[1]);
    entry.blue = uint32_t(r.block[2]);
    if (GlowNode* g = e.paletteGlows[r.index])
        g->colour = (g->colour & 0xff000000u) | (entry.red & 0xff) << 16 | (entry.green & 0xff) << 8 | (entry.blue & 0xff);
}

void WorldMouse(MapEditor& e) {
    if (e.hoveredPanel >= 0 || g_EditorShellCalls.controlMode() != 0) return;
    PickUnderMouse(e);
    const bool left = g_Mouse.buttons[MOUSE_LEFT].held != 0;
    const bool right = g_Mouse.buttons[MOUSE_RIGHT].held != 0;
    ElementMap& map = Elements();
    if (!e.InEditMode()) {
        if (left) {
            if (!e.hovered) {
                const int subtype = e.SelectedSubtype();
                const CellRef& c = e.cursorCell;
                if (subtype >= 0)
                    SpawnElement(map.currentGameKind, map.currentElementKind, 0, subtype, c.x, c.z, c.layer, nullptr,
                                 nullptr, nullptr, true, nullptr);
            } else if (Selectable(e.hovered)) {
                e.selected = e.hovered;
                e.hasSelection = 1;
                CopyGlowColour(e, *e.hovered);
            }
        } else if (right && e.hovered) {
            DespawnElement(e.hovered);
        }
        return;
    }
    if (left) {
        if (e.hovered && Selectable(e.hovered)) EditorSelectElement(e.hovered);
        else if (!e.hovered) EditorSelectElement(nullptr);
    } else if (right && e.selected) {
        e.edit.offset = Vec3Sub(e.cursorPoint, e.selected->position);
    }
}

// The numeric pad's hold time since the last frame, in ms.
float HeldSinceLastFrame(MapEditor& e, int action) {
    const int k = action - EDIT_PAD_8;
    if (!Held(action)) {
        e.lastHeld[k] = 0;
        return 0.0f;
    }
    const int32_t now = std::max(g_EditorShellCalls.heldMs(action), 0);
    const int32_t delta = std::max(now - (Pressed(action) ? 0 : e.lastHeld[k]), 0);
    e.lastHeld[k] = now;
    return float(delta);
}

// The edit keys into the edit values of the frame.
void EditKeys(MapEditor& e) {
    const float up = HeldSinceLastFrame(e, EDIT_PAD_8) * kMoveRate;
    const float down = HeldSinceLastFrame(e, EDIT_PAD_2) * kMoveRate;
    const float left = HeldSinceLastFrame(e, EDIT_PAD_4) * kMoveRate;
    const float right = HeldSinceLastFrame(e, EDIT_PAD_6) * kMoveRate;
    if (!e.selected) return;
    const float along = up - down, across = right - left;
    if (Held(EDIT_MOVE_XZ) && g_Scene.camera) {
        Vec3 f = g_Scene.camera->GetDirection();
        f.y = 0.0f;
        const float n = std::sqrt(f.x * f.x + f.z * f.z);
        if (n > 0.0f) {
            f = Vec3{f.x / n, 0.0f, f.z / n};
            // Across is to the right of the flattened view direction.
            const Vec3 side{-f.z, 0.0f, f.x};
            e.edit.offset = Vec3Add(e.edit.offset, Vec3Add(Vec3Scale(f, along), Vec3Scale(side, across)));
        }
    }
    if (Held(EDIT_MOVE_Y)) e.edit.offset.y += along;
    if (Held(EDIT_TURN_X)) e.edit.rotation.x += across;
    if (Held(EDIT_TURN_Y)) e.edit.rotation.y += across;
    if (Held(EDIT_TURN_Z)) e.edit.rotation.z += across;
    if (Held(EDIT_SCALE)) e.edit.scale += 0.01f * ((right > 0.0f) - (left > 0.0f));
}

}  // namespace

// ---- The object ----

MapEditor::MapEditor() { ZeroFields(*this); }

MapEditor::~MapEditor() { ReleaseEditorPaletteModels(); }

void MapEditor::ForgetRecord(const ElementRecord* record) {
    if (!record) return;
    if (selected == record) {
        selected = nullptr;
        hasSelection = 0;
        edit = EditorEditValues{};
    }
    if (hovered == record) {
        hovered = nullptr;
        hoveredObject = ElementObject{};
    }
    if (g_ElementMap.lastFound == record) g_ElementMap.lastFound = nullptr;
    RemovePick(record);
}

void MapEditor::ForgetAll() {
    selected = hovered = nullptr;
    hasSelection = 0;
    hoveredObject = ElementObject{};
    edit = EditorEditValues{};
    pickCount = 0;
}

bool MapEditor::AddPick(ElementRecord* record) {
    if (pickCount >= EDITOR_PICKS) return false;
    picks[pickCount++] = record;
    return true;
}

void MapEditor::RemovePick(const ElementRecord* record) {
    for (int i = 0; i < pickCount; ++i) {
        if (picks[i] != record) continue;
        std::copy(picks + i + 1, picks + pickCount, picks + i);
        picks[--pickCount] = nullptr;
        return;
    }
}

DynamicMesh* MapEditor::PaletteModel(int elementKind, int subtype) const {
    if (elementKind < 0 || elementKind >= EDITOR_PALETTE_KINDS || subtype < 0) return nullptr;
    const std::vector<DynamicMesh*>& models = paletteModels[elementKind];
    return size_t(subtype) < models.size() ? models[size_t(subtype)] : nullptr;
}

bool MapEditor::PaletteEntryExists(int elementKind, int subtype) const {
    if (subtype < 0) return false;
    if (elementKind < EDITOR_PALETTE_KINDS) return PaletteModel(elementKind, subtype) != nullptr;
    if (elementKind == ELEMENT_GLOW)
        return subtype < g_ElementMap.glowPaletteCount && subtype < GLOW_PALETTE_SIZE && paletteGlows[subtype];
    if (elementKind == ELEMENT_EFFECT) return subtype < EDITOR_EFFECT_NAMES && EditorEffectNames[subtype][0] != 0;
    return false;
}

int MapEditor::SelectedSubtype() const {
    const ElementMap& map = g_ElementMap;
    const int kind = map.currentElementKind, group = map.currentGroup;
    if (kind < 0 || kind >= ELEMENT_KINDS || group < 0 || group >= EDITOR_GROUPS) return -1;
    const int slot = panels[PANEL_BAR].selectedSlot[kind][group];
    return slot < 0 ? -1 : EditorSlotSubtype(panels[PANEL_BAR], slot);
}

void ResetMapEditor() {
    ReleaseEditorPaletteModels();
    ZeroFields(g_MapEditor);
}

// ---- Palette ----

void LoadEditorPaletteModels() {
    ReleaseEditorPaletteModels();
    MapEditor& e = g_MapEditor;
    e.paletteModels[ELEMENT_FIGHTER] = {FighterPaletteModel("orlin"), FighterPaletteModel("vorak")};
    for (DynamicMesh* m : g_ItemModels) e.paletteModels[ELEMENT_ITEM].push_back(PaletteCopy(m));
    for (DynamicMesh* m : g_DynamicObjectModels) e.paletteModels[ELEMENT_PROP].push_back(PaletteCopy(m));
    e.paletteModels[ELEMENT_SPECIAL] = {PaletteCopy(g_Match.modeTemplates[TEMPLATE_SYMBOL0]),
                                        PaletteCopy(g_Match.modeTemplates[TEMPLATE_SYMBOL1]),
                                        PaletteCopy(g_Match.collidableTemplates[TEMPLATE_POST])};
    const Vec3 origin{0.0f, 0.0f, 0.0f};
    for (int i = 0; i < g_ElementMap.glowPaletteCount && i < GLOW_PALETTE_SIZE; ++i)
        e.paletteGlows[i] = CreateGlow(i, origin, false);
    LoadEditorArrows();
    const float third = 1.0f / 3.0f;
    const float rects[EDITOR_PANELS][4] = {{0, 0.82f, third, 0.04f},        {third, 0.82f, third, 0.04f},
                                           {2 * third, 0.82f, third, 0.04f}, {0, 0.86f, 1.0f, 0.14f},
                                           {0, 0.86f, 1.0f, 0.14f},          {0, 0, 0.3f, 0.04f},
                                           {0, 0, 0, 0},                     {0, 0, 1.0f, 1.0f}};
    for (int t = 0; t < EDITOR_PANELS; ++t)
        EditorButtons(&e.panels[t], t, rects[t][0], rects[t][1], rects[t][2], rects[t][3]);
}

void ReleaseEditorPaletteModels() {
    MapEditor& e = g_MapEditor;
    for (std::vector<DynamicMesh*>& models : e.paletteModels) {
        for (DynamicMesh* m : models) delete m;
        models.clear();
    }
    for (GlowNode*& g : e.paletteGlows) {
        delete g;
        g = nullptr;
    }
    for (Sprite2D*& s : e.arrows) {
        delete s;
        s = nullptr;
    }
    ZeroPanels(e);
}

// ---- Per frame ----

void MapEditor::Tick() {
    if (playTest) {
        if (Pressed(EDIT_PLAY_TEST)) EndPlayTest();
        return;
    }
    hoveredPanel = -1;
    for (EditorPanel& p : panels) EditorUpdate(&p);
    if (Pressed(EDIT_PLAY_TEST)) StartPlayTest();
}

// The world panel's part of the update: picking, the edit keys and the edit.
void EditorWorldUpdate() {
    MapEditor& e = g_MapEditor;
    WorldMouse(e);
    if (e.InEditMode()) EditKeys(e);
    if (Pressed(EDIT_DELETE) && e.selected) DespawnElement(e.selected);
    if (e.InEditMode() && e.selected) EditorApplyEdit();
}

void MapEditor::Render() {
    DrawCheckpointPath();
    if (playTest || g_EditorShellCalls.controlMode() != 0 || hoveredPanel >= 0 || !g_Scenario.pathMap.IsValidCell(cursorCell))
        return;
    DrawEditorCursor();
}

void MapEditor::DrawHud() {
    if (playTest) return;
    for (EditorPanel& p : panels) DrawPanel(&p);
}

// ---- Selectors ----

int NextGameKind(int kind, int step) {
    static constexpr int kCycle[] = {0, 1, 2, 3, 4, 5, 9};
    constexpr int n = int(std::size(kCycle));
    int at = 0;
    while (at < n && kCycle[at] != kind) ++at;
    if (at == n) return kCycle[0];
    return kCycle[((at + step) % n + n) % n];
}

namespace {

// The specials' group a game kind allows.
int SpecialGroupFor(int gameKind) { return gameKind == 0 ? 0 : gameKind == 1 ? 1 : 2; }

bool IsGroupAllowed(int group, int gameKind) {
    return group == 2 || (group == 0 && gameKind == 0) || (group == 1 && gameKind == 1);
}

}  // namespace

void EditorStepGameKind(int step) {
    ElementMap& map = g_ElementMap;
    map.currentGameKind = NextGameKind(map.currentGameKind, step);
    g_Match.gameKind = map.currentGameKind;
    if (map.currentElementKind == ELEMENT_SPECIAL) map.currentGroup = SpecialGroupFor(map.currentGameKind);
    if (map.currentElementKind == ELEMENT_ITEM && map.currentGroup == kItemGroupMultiplayer &&
        map.currentGameKind != int(ELEMENT_COMMON))
        map.currentGroup = kItemGroupSpecial;
    map.DespawnAll();
    map.SpawnAll();
}

void EditorStepElementKind(int step) {
    ElementMap& map = g_ElementMap;
    MapEditor& e = g_MapEditor;
    e.rememberedGroup[map.currentElementKind] = map.currentGroup;
    map.currentElementKind = ((map.currentElementKind + step) % ELEMENT_KINDS + ELEMENT_KINDS) % ELEMENT_KINDS;
    int group = e.rememberedGroup[map.currentElementKind];
    if (map.currentElementKind == ELEMENT_SPECIAL) group = SpecialGroupFor(map.currentGameKind);
    // The common-only group does not exist for a specific game kind.
    if (map.currentElementKind == ELEMENT_ITEM && group == kItemGroupMultiplayer &&
        map.currentGameKind != int(ELEMENT_COMMON))
        group = kItemGroupSpecial;
    map.currentGroup = group;
}

void EditorStepGroup(int step) {
    ElementMap& map = g_ElementMap;
    if (map.currentElementKind == ELEMENT_ITEM) {
        const int last = map.currentGameKind == int(ELEMENT_COMMON) ? kItemGroupMultiplayer : kItemGroupSpecial;
        int g = map.currentGroup + step;
        if (g > last) g = 1;
        if (g < 1) g = last;
        map.currentGroup = g;
    } else if (map.currentElementKind == ELEMENT_SPECIAL && step < 0) {
        int g = map.currentGroup;
        for (int k = 0; k < 3; ++k) {
            g = g == 0 ? 2 : g - 1;
            if (IsGroupAllowed(g, map.currentGameKind)) break;
        }
        map.currentGroup = g;
    }
}

void EditorStepBar(int step) {
    ElementMap& map = g_ElementMap;
    const int kind = map.currentElementKind, group = map.currentGroup;
    const std::vector<uint32_t>& sizes = map.groupSizes[kind];
    if (group < 0 || group >= EDITOR_GROUPS || size_t(group) >= sizes.size()) return;
    const int size = int(sizes[size_t(group)]);
    if (size <= EDITOR_BAR_SLOTS) return;
    EditorPanel& bar = g_MapEditor.panels[PANEL_BAR];
    int& scroll = bar.scroll[kind][group];
    scroll = ((scroll + step) % size + size) % size;
    // The marked entry stays where it was: its slot moves the other way.
    int& slot = bar.selectedSlot[kind][group];
    if (slot >= 0) {
        slot -= step;
        if (slot < 0 || slot >= EDITOR_BAR_SLOTS) slot = -1;
    }
}

// ---- Edit mode ----

void EditorSelectElement(ElementRecord* record) {
    MapEditor& e = g_MapEditor;
    e.selected = record;
    e.hasSelection = record != nullptr;
    e.edit = EditorEditValues{};
}

void EditorToggleMode() {
    MapEditor& e = g_MapEditor;
    EditorPanel* p = e.panels;
    const bool entering = !e.InEditMode();
    p[PANEL_MODE].editMode = entering;
    if (entering) {
        for (int t = 0; t < EDITOR_PANELS; ++t)
            p[t].visible = t == PANEL_SELECTED || t == PANEL_MODE || t == PANEL_WORLD;
        EditorSelectElement(e.selected);
    } else {
        for (int t = 0; t < EDITOR_PANELS; ++t) p[t].visible = t != PANEL_SELECTED && t != PANEL_HELP;
        EditorSelectElement(nullptr);
        e.hovered = nullptr;
        e.hoveredObject = ElementObject{};
    }
    e.helpShown = 0;
}

namespace {

Vec3 CellCentre(const CellRef& cell) {
    Vec3 c{};
    g_Scenario.pathMap.CellToWorld(&c, cell);
    return c;
}

// The record's world object put where the record says.
void PlaceObject(ElementRecord& r, const Vec3& at) {
    ElementObject& o = r.object;
    switch (r.elementKind) {
    case ELEMENT_FIGHTER:
        if (o.fighter) o.fighter->SetPosition(at.x, at.y, at.z, false);
        break;
    case ELEMENT_ITEM:
        if (o.item) o.item->SetPosition(at.x, at.y, at.z);
        break;
    case ELEMENT_PROP:
        if (o.prop) o.prop->SetPosition(at);
        break;
    case ELEMENT_SPECIAL:
        if (r.role == ELEMENT_ROLE_SYMBOL && o.slot >= 0) {
            SymbolRecord& s = g_Match.symbols[o.slot];
            s.pedestalPosition = at;
            s.symbolPosition = Vec3{at.x, at.y + 2.0f, at.z};
            if (DynamicMesh* m = AsDynamicMesh(s.pedestal)) m->SetPosition(at);
            if (DynamicMesh* m = AsDynamicMesh(s.symbol)) m->SetPosition(s.symbolPosition);
            if (s.effect != EFFECT_NO_SLOT) EffectSlotSetPosition(s.effect, s.symbolPosition);
        } else if (r.role == ELEMENT_ROLE_CHECKPOINT && o.slot >= 0 && o.slot < MATCH_CHECKPOINTS) {
            // The post stands on its cell; the passing point is where the record says.
            CheckpointRecord& c = g_Match.checkpoints[o.slot];
            c.position = at;
            Vec3 centre = at;
            if (g_Scenario.pathMap.IsValidCell(r.cell)) g_Scenario.pathMap.CellToWorld(&centre, r.cell);
            if (DynamicMesh* m = AsDynamicMesh(c.post)) m->SetPosition(centre);
        }
        break;
    case ELEMENT_GLOW:
        if (o.glow) o.glow->SetPosition(at);
        break;
    case ELEMENT_EFFECT:
        if (o.slot != EFFECT_NO_SLOT) EffectSlotSetPosition(o.slot, at);
        break;
    default: break;
    }
}

uint8_t Channel(float v) { return uint8_t(std::clamp(v, 0.0f, 255.0f)); }

// Turns a mesh by the frame's three turns; the record keeps the mesh's rotation.
void TurnMesh(DynamicMesh* m, const Vec3& t, float* block) {
    if (!m) return;
    const Quat qx{std::sin(t.x / 2), 0, 0, std::cos(t.x / 2)}, qy{0, std::sin(t.y / 2), 0, std::cos(t.y / 2)},
        qz{0, 0, std::sin(t.z / 2), std::cos(t.z / 2)};
    m->transform.rotation = QuatMul(QuatMul(QuatMul(qx, qy), qz), m->transform.rotation);
    m->transformValid = 0;
    const Quat& q = m->transform.rotation;
    block[0] = q.x;
    block[1] = q.y;
    block[2] = q.z;
    block[3] = q.w;
}

void EditGlow(MapEditor& e, ElementRecord& r) {
    const float k = os::GetAsyncKeyState(os::VK_CONTROL) < 0 ? -15.0f : -5.0f;
    const Vec3& t = e.edit.rotation;
    r.block[0] = Channel(r.block[0] + k * t.x);
    r.block[1] = Channel(r.block[1] + k * t.y);
    r.block[2] = Channel(r.block[2] + k * t.z);
    float scale = std::bit_cast<float>(r.extra) + e.edit.scale;
    r.extra = std::bit_cast<uint32_t>(scale);
    r.position = Vec3Add(r.position, e.edit.offset);
    const uint32_t rgb = uint32_t(r.block[0]) << 16 | uint32_t(r.block[1]) << 8 | uint32_t(r.block[2]);
    if (GlowNode* g = r.object.glow) {
        g->size = scale;
        g->SetPosition(r.position);
        g->colour = (g->colour & 0xff000000u) | rgb;
    }
    if (r.index < GLOW_PALETTE_SIZE) {
        GlowPaletteEntry& entry = g_ElementMap.glowPalette[r.index];
        entry.red = uint32_t(r.block[0]);
        entry.green = uint32_t(r.block[1]);
        entry.blue = uint32_t(r.block[2]);
        if (GlowNode* pg = e.paletteGlows[r.index]) pg->colour = (pg->colour & 0xff000000u) | rgb;
    }
}

}  // namespace

void EditorApplyEdit() {
    MapEditor& e = g_MapEditor;
    ElementRecord* r = e.selected;
    if (!r) return;
    const EditorEditValues v = e.edit;
    const Vec3 target = Vec3Add(r->position, v.offset);
    const uint32_t kind = r->elementKind;
    if (kind <= ELEMENT_SPECIAL) {
        CellRef cell{};
        const CellRef old = r->cell;
        const bool moved = v.offset.x != 0.0f || v.offset.y != 0.0f || v.offset.z != 0.0f;
        if (moved && g_Scenario.pathMap.WorldToCell(target, &cell, kCellTolerance)) {
            const bool same = cell.x == old.x && cell.z == old.z && cell.layer == old.layer;
            if (same || IsCellFreeForElement(cell)) {
                const Vec3 centre = CellCentre(cell);
                switch (kind) {
                case ELEMENT_FIGHTER: r->position = centre; break;
                case ELEMENT_ITEM: r->position = Vec3{centre.x, centre.y + 0.5f, centre.z}; break;
                case ELEMENT_PROP: r->position = target; break;
                default: r->position = r->role == ELEMENT_ROLE_SYMBOL ? centre : target; break;
                }
                PlaceObject(*r, r->position);
                if (!same) MoveElementToCell(old);
            }
        }
        switch (kind) {
        case ELEMENT_FIGHTER:
            if (r->object.fighter && v.rotation.y != 0.0f) {
                r->object.fighter->Turn(v.rotation.y);
                r->block[1] = r->object.fighter->yaw;
            }
            break;
        case ELEMENT_ITEM:
            if (r->object.item) TurnMesh(r->object.item->model, v.rotation, r->block);
            break;
        case ELEMENT_PROP:
            if (r->object.prop) TurnMesh(r->object.prop->mesh, v.rotation, r->block);
            break;
        default:
            if (r->role == ELEMENT_ROLE_CHECKPOINT && v.rotation.y != 0.0f) {
                g_Match.SetCheckpointYaw(r->object.slot, v.rotation.y);
                r->block[1] += v.rotation.y;
            }
            break;
        }
    } else if (kind == ELEMENT_GLOW) {
        EditGlow(e, *r);
    } else if (kind == ELEMENT_EFFECT) {
        r->position = target;
        if (r->object.slot != EFFECT_NO_SLOT) {
            EffectSlotSetPosition(r->object.slot, target);
            const float direction = EffectSlotGetDirection(r->object.slot) + v.rotation.y;
            EffectSlotSetDirection(r->object.slot, direction);
            r->block[1] = direction;
        } else {
            r->block[1] += v.rotation.y;
        }
    }
    e.edit = EditorEditValues{};
}

void EditorRestore() {
    MapEditor& e = g_MapEditor;
    e.edit = EditorEditValues{};
    if (e.selected) PlaceObject(*e.selected, e.selected->position);
}

void EditorCenter() {
    MapEditor& e = g_MapEditor;
    ElementRecord* r = e.selected;
    e.edit.offset = Vec3{0.0f, 0.0f, 0.0f};
    if (!r || r->elementKind > ELEMENT_SPECIAL || r->elementKind == ELEMENT_PROP) return;
    if (!g_Scenario.pathMap.IsValidCell(r->cell)) return;
    Vec3 c = CellCentre(r->cell);
    if (r->elementKind == ELEMENT_ITEM) c.y += 0.5f;
    r->position = c;
    PlaceObject(*r, c);
}

// ---- Play-test ----

bool StartPlayTest() {
    ElementMap& map = g_ElementMap;
    const int kind = map.currentGameKind;
    if (kind < 0 || kind > 8) return false;
    return SaveTempMap();
}

bool SaveTempMap() {
    ElementMap& map = g_ElementMap;
    MapEditor& e = g_MapEditor;
    // Only a written list can be played and brought back afterwards.
    if (!map.Save(ELEMENT_PLAY_TEST_FILE)) return false;
    e.playTest = 1;
    map.DespawnAll();
    g_Scenario.pathMap.ClearOccupants();
    map.LoadForMatch(map.currentGameKind);
    g_Match.EnableWords();
    g_Hud.Load();
    g_Settings.mode = 0;
    g_EditorShellCalls.chooseLocalFighter();
    g_EditorShellCalls.selectControlMode();
    return true;
}

namespace {

// Whatever the play-test left in the world beyond its records.
void ClearPlayTestLeftovers() {
    for (Character& c : g_Characters)
        if (c.active) c.Despawn();
    for (Item& item : g_Items)
        if (item.active) item.Remove();
    for (DynamicObject& p : g_Balls) p.Despawn();
    for (DynamicObject& p : g_Boxes) p.Despawn();
    for (int32_t s = 0; s < EFFECT_SLOT_COUNT; ++s)
        if (EffectSlotInUse(s)) EffectSlotFree(s);
}

}  // namespace

void EndPlayTest() {
    ElementMap& map = g_ElementMap;
    MapEditor& e = g_MapEditor;
    e.playTest = 0;
    map.DespawnAll();
    g_Scenario.pathMap.ClearOccupants();
    map.Clear();
    ClearPlayTestLeftovers();
    g_Settings.mode = 3;
    map.Load(ELEMENT_PLAY_TEST_FILE, -1);
    map.SpawnAll();
    g_EditorShellCalls.clearLocalFighter();
    g_EditorShellCalls.selectControlMode();
    os::ShowCursor(true);
}
