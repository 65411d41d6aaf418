// The element-map editor tests' set-up: the element tests' arena as the edited scenario in MODO 3,
// stand-in templates for the symbols, posts and fighter previews, the palettes loaded, and a
// camera looking down on the floor so that the mouse can point at cells.
#pragma once

#include <cstring>

#include "element_fixture.h"
#include "fighters/match.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "shell/control.h"
#include "shell/mouse.h"
#include "world/dynamic_mesh.h"
#include "world/map_editor.h"

namespace elementtest {

class EditorTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        g_Settings.mode = 3;
        g_Settings.frontEnd = 0;
        g_Control = Control();
        g_Mouse = MouseState();
        g_Match.Setup(0, 0);
        for (SceneNode*& t : g_Match.modeTemplates) {
            delete t;
            t = new DynamicMesh();
        }
        for (SceneNode*& t : g_Match.collidableTemplates) {
            delete t;
            t = new DynamicCollidableMesh();
        }
        LoadGlowTextures();
        g_ElementMap.BuildGroupSizes();
        LoadEditorPaletteModels();
        // The fighter previews come from interface models the kit does not have.
        for (DynamicMesh*& m : g_MapEditor.paletteModels[ELEMENT_FIGHTER]) {
            delete m;
            m = new DynamicMesh();
        }
        AimCamera(6, 6, 0, 6, 0, 6);
    }
    void TearDown() override {
        g_ElementMap.DespawnAll();
        g_Scenario.pathMap.ClearOccupants();
        ResetMapEditor();
        g_Control = Control();
        g_Mouse = MouseState();
        ElementTest::TearDown();
    }

    // The editor's game kind, as its selector leaves it, without a respawn.
    static void Kind(int kind) {
        g_ElementMap.currentGameKind = kind;
        g_Match.gameKind = kind;
    }
    static bool Place(int elementKind, int subtype, int x, int z) {
        return SpawnElement(g_ElementMap.currentGameKind, elementKind, 0, subtype, x, z, 0, nullptr, nullptr,
                            nullptr, true, nullptr);
    }
    static ElementRecord* Last() {
        ElementList& l = g_ElementMap.list;
        return l.Empty() ? nullptr : l.Sentinel()->prev;
    }
    static PathLayer& Layer(int x, int z) { return *g_Scenario.pathMap.GetLayer(CellRef{x, z, 0}); }
    // One frame of the editor with the actions pressed (held from this frame on) and released.
    static void Frame(std::initializer_list<int> press = {}, std::initializer_list<int> release = {}) {
        for (int a : press) g_Control.slots[0][a] = ActionSlot{1, 0, 1, 0, 0, 0};
        for (int a : release) g_Control.slots[0][a] = ActionSlot{};
        g_MapEditor.Tick();
        for (ActionSlot& s : g_Control.slots[0]) s.pressed = 0;
        g_Mouse.ClearEdges();
    }
    // The mouse over a point, or the centre of a floor cell.
    static void PointAt(const Vec3& p) {
        int32_t sx = 0, sy = 0;
        WorldToScreen(p.x, p.y, p.z, &sx, &sy, *g_Scene.camera);
        g_Mouse.x = sx;
        g_Mouse.y = sy;
    }
    static void PointAt(int x, int z) { PointAt(Vec3{float(x) + 0.5f, 0.0f, float(z) + 0.5f}); }
    static void Button(int button, bool down) {
        MouseButtonState& b = g_Mouse.buttons[button];
        b.held = down;
        b.pressed = down;
    }
    static int Spawned(int gameKind, int elementKind, int subtype) {
        return int(g_ElementMap.spawnCounts[gameKind][elementKind][subtype]);
    }
};

}  // namespace elementtest
