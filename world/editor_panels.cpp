// The element-map editor's eight panels: their rectangles, keys, arrows and buttons, their texts
// for the editor's state, how they are drawn, and the 3D overlays of the checkpoint path and the
// cursor cell.
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "fighters/match.h"
#include "frontend/gui_primitives.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/os/os.h"
#include "render/debug_draw.h"
#include "render/geometry.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/scene.h"
#include "shell/mouse.h"
#include "world/editor_shell.h"
#include "world/dynamic_mesh.h"
#include "world/map_editor.h"
#include "world/scenario.h"

namespace {

constexpr float kArrowSize = 0.038f;
constexpr uint32_t kWhite = 0xffffffff;
constexpr uint32_t kBlack = 0xff000000;
constexpr uint32_t kGrey = 0xff808080;
constexpr uint32_t kMarkedSlot = 0xff0a5064;
constexpr uint32_t kFirstLeg = 0xff00ff00;
constexpr uint32_t kLastLeg = 0xffff0000;
constexpr int kTextColour = 0;
constexpr int kItemGroupCredits = 4;
constexpr int kFirstCredit = 20;
constexpr uint32_t kCreditValues[4] = {1, 5, 25, 50};
constexpr const char* kNoGroup = "-------------------";
enum { ARROW_LEFT_ON, ARROW_LEFT_OFF, ARROW_RIGHT_ON, ARROW_RIGHT_OFF };

// The panels' texts are in the font's one-byte code page (Windows-1252): it draws a glyph a byte.
const char* const kGameKindNames[] = {"Robar el Simbolo (%c/%c)", "Carrera de Obst\xE1" "culos (%c/%c)",
                                      "Codicia (%c/%c)",          "B\xFAsqueda (%c/%c)",
                                      "Maldici\xF3n (%c/%c)",        "Aniquilaci\xF3n (%c/%c)"};
const char* const kCommonName = "Comunes (%c/%c)";
const char* const kElementKindNames[ELEMENT_KINDS] = {"Personajes (%c/%c)",   "Items (%c/%c)",
                                                       "Elem. Fisicos (%c/%c)", "Elem.Especiales (%c/%c)",
                                                       "Glows (%c/%c)",        "Efectos (%c/%c)"};
const char* const kItemGroupNames[8] = {"Municion (%c/%c)",   "Pociones (%c/%c)", "Malignos (%c/%c)",
                                        "Castigos (%c/%c)",   "Creditos (%c/%c)", "Letras (%c/%c)",
                                        "Especiales (%c/%c)", "Multijugador (%c/%c)"};
const char* const kSpecialGroupNames[2] = {"Simbolos (%c/%c)", "Checkpoints (%c/%c)"};
const char* const kHelpLines[] = {"Q/E - Cambian el tipo de Juego ",
                                  "Z/C - Cambian el tipo de Elemento",
                                  "B/G - Cambian el Grupo",
                                  "F/V - Rotan la barra de elementos",
                                  "Modo Edicion",
                                  "TAB - Cambia entre el modo insercion y el modo edicion",
                                  "Supr+Tecl.Num - Traslada el objeto en xz",
                                  "Fin+Tecl.Num - Traslada el objeto en y",
                                  "Insert+Tecl.Num - rota el objeto en x",
                                  "O si es un glow cambia el R",
                                  "Inicio+Tecl.Num - rota el objeto en y",
                                  "O si es un glow cambia el G",
                                  "RePag+Tecl.Num - rota el objeto en z",
                                  "O si es un glow cambia el B",
                                  "Nota: Para cambiar el rgb en los glows se acelera si se pulsa Control",
                                  "Avpag+Tecl.Num - Cambia de escala de los glows",
                                  "BackSpace - Borra el elemento seleccionado"};

// Each selector's back and forward actions.
struct SelectorKeys {
    int back, forward;
};
constexpr SelectorKeys kSelectorKeys[3] = {{EDIT_PREV_GAME_KIND, EDIT_NEXT_GAME_KIND},
                                           {EDIT_PREV_ELEMENT_KIND, EDIT_NEXT_ELEMENT_KIND},
                                           {EDIT_PREV_GROUP, EDIT_NEXT_GROUP}};
constexpr SelectorKeys kBarKeys{EDIT_BAR_BACK, EDIT_BAR_FORWARD};

bool Pressed(int a) { return g_EditorShellCalls.pressed(a); }
bool Held(int a) { return g_EditorShellCalls.held(a); }

char KeyLetter(int action) {
    const int32_t key = g_EditorShellCalls.boundKey(action);
    return key > 32 && key < 127 ? char(key) : '?';
}

std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string WithKeys(const char* format, const SelectorKeys& keys) {
    return Format(format, KeyLetter(keys.back), KeyLetter(keys.forward));
}

// The group's size and first subtype; false when the group does not exist.
bool GroupRange(int kind, int group, int* first, int* size) {
    if (kind < 0 || kind >= ELEMENT_KINDS || group < 0 || group >= EDITOR_GROUPS) return false;
    const std::vector<uint32_t>& sizes = g_ElementMap.groupSizes[kind];
    if (size_t(group) >= sizes.size()) return false;
    *first = CountElementsOfGroups(sizes, group);
    *size = int(sizes[size_t(group)]);
    return true;
}

// The subtype shown in a bar slot; -1 for an empty slot.
int SlotSubtype(const EditorPanel& bar, int slot) {
    const int kind = g_ElementMap.currentElementKind, group = g_ElementMap.currentGroup;
    int first = 0, size = 0;
    if (!GroupRange(kind, group, &first, &size) || size == 0 || slot >= size) return -1;
    return first + (bar.scroll[kind][group] + slot) % size;
}

float SlotLeft(const EditorPanel& p, int slot) { return p.x + 0.2f * p.w * float(slot); }

int32_t ScreenWidth() { return g_Video.screenRect.right - g_Video.screenRect.left + 1; }
int32_t ScreenHeight() { return g_Video.screenRect.bottom - g_Video.screenRect.top + 1; }

bool MouseIn(float x, float y, float w, float h) { return g_Mouse.IsInRelativeRect(x, y, w, h); }

// A left press on one of a panel's arrows.
bool ArrowClicked(const EditorPanel& p, bool right) {
    if (!g_Mouse.buttons[MOUSE_LEFT].pressed) return false;
    const float ax = right ? p.x + p.w - kArrowSize : p.x;
    return MouseIn(ax, p.y, kArrowSize, p.h);
}

void SelectorUpdate(EditorPanel* p, const SelectorKeys& keys, void (*step)(int)) {
    const bool back = Pressed(keys.back) || ArrowClicked(*p, false);
    const bool forward = Pressed(keys.forward) || ArrowClicked(*p, true);
    p->backKey = Held(keys.back) || back;
    p->forwardKey = Held(keys.forward) || forward;
    if (back) step(-1);
    if (forward) step(1);
}

// Shows the help page with the mode line only, or the panels of the mode again.
void ToggleHelp() {
    MapEditor& e = g_MapEditor;
    e.helpShown = !e.helpShown;
    for (int t = 0; t < EDITOR_PANELS; ++t) {
        bool visible;
        if (e.helpShown) visible = t == PANEL_HELP || t == PANEL_MODE;
        else if (e.InEditMode()) visible = t == PANEL_SELECTED || t == PANEL_MODE || t == PANEL_WORLD;
        else visible = t != PANEL_SELECTED && t != PANEL_HELP;
        e.panels[t].visible = visible;
    }
}

// Each shown palette entry set just in front of the eye, under its slot's screen point.
void PlaceBarModels(const EditorPanel& bar) {
    const Camera* camera = g_Scene.camera;
    if (!camera) return;
    const int kind = g_ElementMap.currentElementKind;
    const Vec3 view = camera->GetDirection();
    const Quat turn = gfx::QuaternionRotationMatrix(camera->rotation);
    for (int slot = 0; slot < EDITOR_BAR_SLOTS; ++slot) {
        const int subtype = SlotSubtype(bar, slot);
        if (subtype < 0) continue;
        Ray ray;
        const float fx = SlotLeft(bar, slot) + 0.1f * bar.w, fy = bar.y + bar.h / 2.0f;
        ScreenPointToRay(&ray, int32_t(fx * float(ScreenWidth())), int32_t(fy * float(ScreenHeight())), *camera);
        const float along = Vec3Dot(ray.direction, view);
        if (!(along > 0.0f)) continue;
        const Vec3 point =
            Vec3Add(ray.origin, Vec3Scale(ray.direction, (camera->GetNearDistance() + 0.3001f) / along));
        if (DynamicMesh* m = g_MapEditor.PaletteModel(kind, subtype)) {
            m->transform.translation = point;
            m->transform.rotation = turn;
            m->transformValid = 0;
        } else if (kind == ELEMENT_GLOW && subtype < GLOW_PALETTE_SIZE) {
            if (GlowNode* g = g_MapEditor.paletteGlows[subtype]) {
                g->SetPosition(point);
                g->intensity = 1.0f;
            }
        }
    }
}

// The palette bar's per-frame actions: models placed, a left click selects a slot, a right click
// finds the next placed element of the slot's subtype.
void EditorPanelActions(EditorPanel* bar) {
    PlaceBarModels(*bar);
    const bool left = g_Mouse.buttons[MOUSE_LEFT].pressed, right = g_Mouse.buttons[MOUSE_RIGHT].pressed;
    if (!left && !right) return;
    const int kind = g_ElementMap.currentElementKind, group = g_ElementMap.currentGroup;
    for (int slot = 0; slot < EDITOR_BAR_SLOTS; ++slot) {
        if (!MouseIn(SlotLeft(*bar, slot), bar->y, 0.2f * bar->w, bar->h)) continue;
        const int subtype = SlotSubtype(*bar, slot);
        if (subtype < 0 || !g_MapEditor.PaletteEntryExists(kind, subtype)) return;
        if (left) {
            bar->selectedSlot[kind][group] = slot;
        } else if (ElementRecord* found = FindNextElement(subtype)) {
            g_MapEditor.selected = found;
            g_MapEditor.hasSelection = 1;
        }
        return;
    }
}

void SelectedUpdate(EditorPanel* p) {
    for (int i = 0; i < p->buttonCount; ++i) {
        Button* b = p->buttons.buttons[i];
        if (!b) continue;
        b->visible = p->visible;
        b->HitTest();
        if (!b->pressed) continue;
        if (i == 0) EditorCenter();
        else EditorRestore();
    }
}

void AddLine(std::vector<EditorTextLine>* out, float x, float y, std::string text) {
    out->push_back(EditorTextLine{x, y, std::move(text)});
}

void SelectorLines(const EditorPanel& p, std::vector<EditorTextLine>* out) {
    const ElementMap& map = g_ElementMap;
    const float x = p.x + kArrowSize + 0.01f;
    std::string text;
    if (p.type == PANEL_GAME_KIND) {
        const int k = map.currentGameKind;
        text = WithKeys(k >= 0 && k < 6 ? kGameKindNames[k] : kCommonName, kSelectorKeys[0]);
    } else if (p.type == PANEL_ELEMENT_KIND) {
        const int k = map.currentElementKind;
        text = k >= 0 && k < ELEMENT_KINDS ? WithKeys(kElementKindNames[k], kSelectorKeys[1]) : kNoGroup;
    } else {
        const int k = map.currentElementKind, g = map.currentGroup;
        if (k == ELEMENT_ITEM && g >= 0 && g < 8) text = WithKeys(kItemGroupNames[g], kSelectorKeys[2]);
        else if (k == ELEMENT_SPECIAL && g >= 0 && g < 2) text = WithKeys(kSpecialGroupNames[g], kSelectorKeys[2]);
        else text = kNoGroup;
    }
    AddLine(out, x, p.y, text);
}

void BarLines(const EditorPanel& p, std::vector<EditorTextLine>* out) {
    const ElementMap& map = g_ElementMap;
    const int kind = map.currentElementKind;
    for (int slot = 0; slot < EDITOR_BAR_SLOTS; ++slot) {
        const int subtype = SlotSubtype(p, slot);
        if (subtype < 0) continue;
        const float x = SlotLeft(p, slot) + 0.1f * p.w;
        if (kind == ELEMENT_ITEM && subtype < 58) AddLine(out, x, p.y + p.h / 2.0f, EditorItemNames[subtype]);
        if (kind == ELEMENT_EFFECT && subtype < EDITOR_EFFECT_NAMES)
            AddLine(out, x, p.y + p.h / 2.0f, EditorEffectNames[subtype]);
        AddLine(out, x, p.y + p.h * 0.75f, Format("%d", int(CountSpawnedSubtype(kind, subtype))));
    }
    if (kind == ELEMENT_ITEM && map.currentGroup == kItemGroupCredits) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value += CountSpawnedSubtype(ELEMENT_ITEM, kFirstCredit + i) * kCreditValues[i];
        AddLine(out, 0.9f, 0.9f, "Creditos");
        AddLine(out, 0.9f, 0.95f, Format("%u", value));
    }
}

void SelectedLines(const EditorPanel& p, std::vector<EditorTextLine>* out) {
    const ElementRecord* r = g_MapEditor.selected;
    if (!r) return;
    const Vec3& pos = r->position;
    AddLine(out, p.x + 0.01f, p.y + 0.01f,
            Format("Posx=%4.2f,Posy=%4.2f,Posz=%4.2f,Rotx=%4.2f,Roty=%4.2f, Rotz=%4.2f", pos.x, pos.y, pos.z,
                   r->block[0], r->block[1], r->block[2]));
    if (r->elementKind <= ELEMENT_SPECIAL) {
        Vec3 centre{};
        if (g_Scenario.pathMap.IsValidCell(r->cell)) g_Scenario.pathMap.CellToWorld(&centre, r->cell);
        AddLine(out, p.x + 0.01f, p.y + 0.05f,
                Format("Cx=%d,Cz=%d,PosRelx=%4.2f,PosRely=%4.2f,PosRelz=%4.2f", r->cell.x, r->cell.z,
                       pos.x - centre.x, pos.y - centre.y, pos.z - centre.z));
    } else if (r->elementKind == ELEMENT_GLOW) {
        AddLine(out, p.x + 0.01f, p.y + 0.05f,
                Format("Scale=%1.4f,R=%d,G=%d,B=%d", std::bit_cast<float>(r->extra), int(r->block[0]),
                       int(r->block[1]), int(r->block[2])));
    }
}

void WorldLines(std::vector<EditorTextLine>* out) {
    const MapEditor& e = g_MapEditor;
    const ElementMap& map = g_ElementMap;
    const PathMap& pm = g_Scenario.pathMap;
    const float mx = float(g_Mouse.x) / float(ScreenWidth()), my = float(g_Mouse.y) / float(ScreenHeight());
    if (pm.IsValidCell(e.cursorCell)) {
        const PathLayer* layer = pm.GetLayer(e.cursorCell);
        if (layer->specialRole == ELEMENT_ROLE_CHECKPOINT) AddLine(out, mx, my, Format("%d", int(layer->specialIndex)));
    }
    if (map.currentGameKind == 1 && g_Scene.camera) {
        const int count = int(map.spawnCounts[1][ELEMENT_SPECIAL][ELEMENT_SPECIAL_CHECKPOINT]);
        for (int i = 0; i < count && i < ELEMENT_CHECKPOINTS; ++i) {
            const Vec3& c = map.checkpoints[i].position;
            int32_t sx = 0, sy = 0;
            WorldToScreen(c.x, c.y, c.z, &sx, &sy, *g_Scene.camera);
            AddLine(out, float(sx) / float(ScreenWidth()), float(sy) / float(ScreenHeight()), Format("%d", i));
        }
    }
    if (os::timeGetTime() - map.messageTime < EDITOR_MESSAGE_MS) {
        if (map.savedMessage) AddLine(out, 0.45f, 0.45f, "Mapa Salvado");
        if (map.loadedMessage) AddLine(out, 0.45f, 0.5f, "Mapa Cargado");
    }
}

}  // namespace

int EditorSlotSubtype(const EditorPanel& bar, int slot) { return SlotSubtype(bar, slot); }

void LoadEditorArrows() {
    static constexpr const char* kNames[4] = {"FlechaIzdaOn", "FlechaIzdaOff", "FlechaDchaOn", "FlechaDchaOff"};
    for (int i = 0; i < 4; ++i) {
        char path[96];
        std::snprintf(path, sizeof path, "Texturas\\Interfaz\\Menu\\%s.tga", kNames[i]);
        const int32_t texture = g_Scene.textures ? g_Scene.textures->LoadTexture(path, true, false, true) : -1;
        if (texture < 0) continue;
        Sprite2D* s = new Sprite2D();
        if (!s->Init(kNames[i], kArrowSize, kArrowSize, 0.0f, 0.0f, 1.0f, 1.0f, SPRITE_SIZE_GIVEN, texture, 1)) {
            delete s;
            continue;
        }
        g_MapEditor.arrows[i] = s;
    }
}

void EditorButtons(EditorPanel* p, int type, float x, float y, float w, float h) {
    MapEditor& e = g_MapEditor;
    p->type = type;
    p->x = x;
    p->y = y;
    p->w = w;
    p->h = h;
    p->textScale = 5;
    p->gameKind = &g_ElementMap.currentGameKind;
    p->elementKind = &g_ElementMap.currentElementKind;
    p->group = &g_ElementMap.currentGroup;
    p->editor = &e;
    p->visible = type != PANEL_SELECTED && type != PANEL_HELP;
    if (type == PANEL_GROUP) {
        e.rememberedGroup[ELEMENT_ITEM] = 1;
        const int kind = g_ElementMap.currentGameKind;
        e.rememberedGroup[ELEMENT_SPECIAL] = kind == 0 ? 0 : kind == 1 ? 1 : 2;
    } else if (type == PANEL_BAR) {
        for (auto& row : p->scroll)
            for (int32_t& s : row) s = 0;
        for (auto& row : p->selectedSlot)
            for (int32_t& s : row) s = -1;
        for (GlowNode* g : e.paletteGlows)
            if (g) g->size = 0.1f;
    } else if (type == PANEL_SELECTED && !p->buttons.created) {
        static constexpr const char* kCaptions[2] = {"CENTRAR", "RESTAURAR"};
        const float ys[2] = {y + 0.02f, y + h / 2.0f};
        for (int i = 0; i < 2; ++i) {
            Button* b = new Button();
            b->Set(x + 2.0f * w / 3.0f, ys[i], w / 4.0f, h / 4.0f, kCaptions[i]);
            p->buttons.buttons[i] = b;
        }
        p->buttons.created = 1;
        p->buttonCount = 2;
    }
}

void EditorUpdate(EditorPanel* p) {
    MapEditor& e = g_MapEditor;
    if (p->visible && p->type != PANEL_WORLD && MouseIn(p->x, p->y, p->w, p->h)) e.hoveredPanel = p->type;
    switch (p->type) {
    case PANEL_GAME_KIND: SelectorUpdate(p, kSelectorKeys[0], EditorStepGameKind); break;
    case PANEL_ELEMENT_KIND: SelectorUpdate(p, kSelectorKeys[1], EditorStepElementKind); break;
    case PANEL_GROUP: SelectorUpdate(p, kSelectorKeys[2], EditorStepGroup); break;
    case PANEL_BAR:
        SelectorUpdate(p, kBarKeys, EditorStepBar);
        if (p->visible) EditorPanelActions(p);
        break;
    case PANEL_SELECTED: SelectedUpdate(p); break;
    case PANEL_MODE:
        if (Pressed(EDIT_TOGGLE_MODE)) EditorToggleMode();
        break;
    case PANEL_WORLD: {
        ElementMap& map = g_ElementMap;
        if ((map.savedMessage || map.loadedMessage) && os::timeGetTime() - map.messageTime >= EDITOR_MESSAGE_MS)
            map.savedMessage = map.loadedMessage = 0;
        if (!e.helpShown) EditorWorldUpdate();
        break;
    }
    case PANEL_HELP:
        if (Pressed(EDIT_HELP)) ToggleHelp();
        break;
    default: break;
    }
}

std::vector<EditorTextLine> EditorPanelLines(const EditorPanel& p) {
    std::vector<EditorTextLine> out;
    switch (p.type) {
    case PANEL_GAME_KIND:
    case PANEL_ELEMENT_KIND:
    case PANEL_GROUP: SelectorLines(p, &out); break;
    case PANEL_BAR: BarLines(p, &out); break;
    case PANEL_SELECTED: SelectedLines(p, &out); break;
    case PANEL_MODE: {
        const CellRef& c = g_MapEditor.cursorCell;
        AddLine(&out, p.x + 0.01f, p.y, p.editMode ? "Edit Mode (TAB)" : "Insert Mode (TAB)");
        AddLine(&out, p.x + 0.2f, p.y, Format("%ld,%ld(%ld)", long(c.x), long(c.z), long(c.layer)));
        break;
    }
    case PANEL_WORLD: WorldLines(&out); break;
    case PANEL_HELP: {
        float y = 0.1f;
        for (const char* line : kHelpLines) {
            AddLine(&out, 0.05f, y, line);
            y += 0.04f;
        }
        break;
    }
    default: break;
    }
    return out;
}

void DrawPanelFrame(const EditorPanel& p) {
    if (!(p.w > 0.0f) || !(p.h > 0.0f)) return;
    DrawQuad2D(p.x, p.y, p.x + p.w, p.y + p.h, kWhite);
    DrawQuad2D(p.x + 0.001f, p.y + 0.001f, p.x + p.w - 0.001f, p.y + p.h - 0.001f, kBlack);
    DrawQuad2D(p.x + 0.002f, p.y + 0.002f, p.x + p.w - 0.002f, p.y + p.h - 0.002f, kGrey);
    if (p.type != PANEL_BAR) return;
    const int kind = g_ElementMap.currentElementKind, group = g_ElementMap.currentGroup;
    if (group < 0 || group >= EDITOR_GROUPS) return;
    const int slot = p.selectedSlot[kind][group];
    if (slot < 0) return;
    DrawQuad2D(p.x + 0.2f * float(slot) + 0.04f, p.y + 0.005f, p.x + 0.2f * float(slot) + 0.16f, p.y + p.h - 0.005f,
               kMarkedSlot);
}

void EditorDrawCategories(const EditorPanel& p) {
    for (const EditorTextLine& line : EditorPanelLines(p))
        g_Font.Print(p.textScale, kTextColour, line.x, line.y, -1, line.text.c_str(), 'I', false);
}

void DrawPanelArrows(const EditorPanel& p) {
    bool shown = p.type <= PANEL_GROUP;
    if (p.type == PANEL_BAR) {
        int first = 0, size = 0;
        shown = GroupRange(g_ElementMap.currentElementKind, g_ElementMap.currentGroup, &first, &size) && size > 4;
    }
    if (!shown) return;
    Sprite2D* const* a = g_MapEditor.arrows;
    const float y = p.y + (p.h - kArrowSize) / 2.0f;
    if (Sprite2D* left = a[p.backKey ? ARROW_LEFT_ON : ARROW_LEFT_OFF]) {
        left->SetPosition(p.x, y);
        left->Draw();
    }
    if (Sprite2D* right = a[p.forwardKey ? ARROW_RIGHT_ON : ARROW_RIGHT_OFF]) {
        right->SetPosition(p.x + p.w - kArrowSize, y);
        right->Draw();
    }
}

void DrawPaletteBar(const EditorPanel& p) {
    if (p.type != PANEL_BAR) return;
    PlaceBarModels(p);
    const int kind = g_ElementMap.currentElementKind;
    for (int slot = 0; slot < EDITOR_BAR_SLOTS; ++slot) {
        const int subtype = SlotSubtype(p, slot);
        if (subtype < 0) continue;
        if (DynamicMesh* m = g_MapEditor.PaletteModel(kind, subtype)) {
            m->Draw();
        } else if (kind == ELEMENT_GLOW && subtype < GLOW_PALETTE_SIZE) {
            if (GlowNode* g = g_MapEditor.paletteGlows[subtype]) g->Render();
        }
    }
}

void DrawPanel(EditorPanel* p) {
    if (!p->visible) return;
    DrawPanelFrame(*p);
    for (int i = 0; i < p->buttonCount; ++i)
        if (Button* b = p->buttons.buttons[i]) b->Draw();
    EditorDrawCategories(*p);
    DrawPanelArrows(*p);
    g_Video.RestoreStates();
    DrawPaletteBar(*p);
}

void DrawCheckpointPath() {
    const ElementMap& map = g_ElementMap;
    if (map.currentGameKind != 1) return;
    const int count = int(map.spawnCounts[1][ELEMENT_SPECIAL][ELEMENT_SPECIAL_CHECKPOINT]);
    for (int i = 0; i + 1 < count && i + 1 < ELEMENT_CHECKPOINTS; ++i) {
        const Vec3& a = map.checkpoints[i].position;
        const Vec3& b = map.checkpoints[i + 1].position;
        const uint32_t colour = i == 0 ? kFirstLeg : i + 2 == count ? kLastLeg : kWhite;
        BeginDebugDraw(a.x, a.y + 0.5f, a.z, b.x, b.y + 0.5f, b.z, colour);
    }
}

void DrawEditorCursor() {
    const MapEditor& e = g_MapEditor;
    if (e.InEditMode()) return;
    DrawCursorCell(e.cursorCell);
    const int kind = g_ElementMap.currentElementKind;
    DynamicMesh* m = e.PaletteModel(kind, e.SelectedSubtype());
    if (!m) return;
    Vec3 at{};
    g_Scenario.pathMap.CellToWorld(&at, e.cursorCell);
    if (kind == ELEMENT_ITEM) at.y += 0.5f;
    // The preview at its real size; the bar places and scales it again before drawing it.
    const TransformParts kept = m->transform;
    m->transform.translation = at;
    m->transform.rotation = QuatIdentity();
    m->transform.stretchScale = Vec3{1.0f, 1.0f, 1.0f};
    m->transformValid = 0;
    m->Draw();
    m->transform = kept;
    m->transformValid = 0;
}
