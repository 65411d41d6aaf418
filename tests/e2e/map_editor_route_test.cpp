// The element-map editor (MODO 3) on the demo data set through the real loop: the free camera, a
// fighter start of each side chosen from the fighters' palette and placed on the floor with the
// mouse, saved to the scenario's element file (F5) and read back from it (F4).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "datakit/element_kit.h"
#include "e2e/e2e_fixture.h"
#include "fighters/character.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "world/element_map.h"
#include "world/map_editor.h"

namespace {

using testsupport::ScriptedProgram;
using namespace e2e;

constexpr int kScenario = 1;
// Floor cells of the demo plan's main ground, in view of the camera below.
constexpr int kCellX[2] = {20, 23}, kCellZ = 20;

using Start = std::tuple<int, int, int>;   // side, cell x, cell z

// The demo data set copied into the working folder and turned to the editor on scenario 1, in
// test mode (whose keys reach the free camera); false when there is no set.
bool CopyDemoDataForTheEditor(const std::filesystem::path& folder) {
    const char* demo = std::getenv("BRIMVALE_DEMO_DATA");
    if (!demo || !std::filesystem::exists(std::filesystem::path(demo) / "Brimvale.ini")) return false;
    std::filesystem::copy(demo, folder, std::filesystem::copy_options::recursive);
    testsupport::SetKeysInSettings(folder.string(), {{"MODO", "3"}, {"MENU", "0"}, {"PRUEBAS", "1"}, {"DEBUG", "1"},
                                                     {"FULL_SCREEN", "0"}, {"ID_ESCENARIO", std::to_string(kScenario)},
                                                     {"SONIDO", "0"}, {"MUSICA", "0"}, {"RESX", "640"}, {"RESY", "480"}});
    // The demo's file places the sixteen starts the editor allows at most; the edit begins, as a
    // new scenario's does, from an empty one, which lies loose and so is read before the pack's.
    datakit::WriteScenarioElementFile(kScenario, datakit::ElementFileBytes(101, 0, {}));
    return true;
}

std::set<Start> ListedStarts() {
    std::set<Start> starts;
    for (ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r))
        if (r->elementKind == ELEMENT_FIGHTER) starts.insert({int(r->subtype), r->cell.x, r->cell.z});
    return starts;
}

// The starts whose fighters stand on their cells, of their side.
std::set<Start> StandingStarts() {
    std::set<Start> starts;
    for (const Start& s : ListedStarts()) {
        const PathLayer* layer = g_Scenario.pathMap.GetLayer(CellRef{std::get<1>(s), std::get<2>(s), 0});
        if (layer && layer->character && layer->character->active && layer->character->side == std::get<0>(s))
            starts.insert(s);
    }
    return starts;
}

ScriptedProgram::Locate PaletteSlot(int slot) {
    return [slot](float* x, float* y) {
        const EditorPanel& bar = g_MapEditor.panels[PANEL_BAR];
        if (!bar.visible) return false;
        *x = bar.x + 0.2f * bar.w * (float(slot) + 0.5f);
        *y = bar.y + bar.h / 2;
        return true;
    };
}

ScriptedProgram::Locate FloorCell(int cx, int cz) {
    return [cx, cz](float* x, float* y) {
        int32_t sx = 0, sy = 0;
        if (!g_Scene.camera || !WorldToScreen(float(cx) + 0.5f, 0.0f, float(cz) + 0.5f, &sx, &sy, *g_Scene.camera))
            return false;
        *x = ScriptedProgram::FractionX(float(sx));
        *y = ScriptedProgram::FractionY(float(sy));
        return true;
    };
}

TEST_F(ScriptedRunTest, TheEditorPlacesSavesAndReloadsAStartOfEachSideOnTheDemoData) {
    if (!CopyDemoDataForTheEditor(dir.path())) GTEST_SKIP() << "BRIMVALE_DEMO_DATA names no demo data folder";
    program.WaitUntil("the editor", [] { return g_Settings.mode == 3 && g_Scene.camera && g_MapEditor.panels[PANEL_BAR].visible; },
                      600);
    program.TapKey(os::VK_F2).WaitUntil("the free camera", [] { return g_Control.controlMode == 0; }, 10);
    // The view a user flies to: from above the west ground, down onto the cells.
    program.Do("a view of the floor", [](ScriptedProgram&) {
        g_Scene.camera->Set(21.5f, 9.0f, 12.0f, 21.5f, 0.0f, 20.5f, 0.0f, kPi / 4.0f, 1.0f, 1000.0f);
        g_Scene.camera->Update();
    });
    for (int side = 0; side < 2; ++side) {
        program.ClickUntil("the side's palette slot", PaletteSlot(side), [side] {
            return g_ElementMap.currentElementKind == ELEMENT_FIGHTER && g_MapEditor.SelectedSubtype() == side;
        });
        program.ClickUntil("the start on the floor", FloorCell(kCellX[side], kCellZ),
                           [side] { return StandingStarts().count({side, kCellX[side], kCellZ}) == 1; });
    }
    const std::set<Start> placed = {{0, kCellX[0], kCellZ}, {1, kCellX[1], kCellZ}};
    program.TapKey(os::VK_F5).WaitUntil("the saved file", [] {
        return std::filesystem::exists(datakit::ScenarioElementPath(kScenario)) &&
               std::filesystem::file_size(datakit::ScenarioElementPath(kScenario)) > 16;
    }, 10);
    // The Orlins' start picked and deleted after the save, so that only the file brings it back.
    program.ClickUntil("the Orlins' start selected", FloorCell(kCellX[0], kCellZ), [] {
        const ElementRecord* r = g_MapEditor.selected;
        return r && r->elementKind == ELEMENT_FIGHTER && r->subtype == 0;
    });
    program.TapKey(os::VK_BACK).WaitUntil("the Orlins' start deleted", [] {
        return ListedStarts() == std::set<Start>{{1, kCellX[1], kCellZ}};
    }, 10);
    // The reload empties the list and reads the file: what stands then is what was saved.
    program.TapKey(os::VK_F4).WaitUntil("both starts back from the file", [placed] {
        return StandingStarts() == placed && ListedStarts() == placed;
    }, 10);
    RunToEnd(3000);
    EXPECT_EQ(dir.Read("debug.txt").find("no se puede abrir"), std::string::npos) << LogTail();
}

}  // namespace
