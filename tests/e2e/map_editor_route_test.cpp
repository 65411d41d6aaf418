// The element-map editor (MODO 3) on the demo data set through the real loop: the free camera, a
// fighter start of each side chosen from the fighters' palette and placed on the floor with the
// mouse, saved to the scenario's element file (F5) and read back from it (F4).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "datakit/element_kit.h"
#include "datakit/pack_writer.h"
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
    std::ifstream in(folder / "Brimvale.ini", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    const std::set<std::string> ours = {"MODO", "MENU", "PRUEBAS", "DEBUG", "FULL_SCREEN", "ID_ESCENARIO",
                                        "SONIDO", "MUSICA", "RESX", "RESY"};
    std::string line, out;
    while (std::getline(text, line)) {
        std::string key = line.substr(0, line.find('='));
        key.erase(key.find_last_not_of(" \t\r") + 1);
        if (!ours.count(key)) out += line + "\n";
    }
    out += "MODO=3\nMENU=0\nPRUEBAS=1\nDEBUG=1\nFULL_SCREEN=0\nID_ESCENARIO=" + std::to_string(kScenario) +
           "\nSONIDO=0\nMUSICA=0\nRESX=640\nRESY=480\n";
    std::ofstream(folder / "Brimvale.ini", std::ios::binary) << out;
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

// The starts a saved element file holds: records of 57 bytes after the 16 of its header (a
// start is never of the longer kinds).
std::set<Start> SavedStarts(const std::vector<uint8_t>& file, size_t* records) {
    std::set<Start> starts;
    *records = 0;
    if (file.size() < 16 || std::memcmp(file.data(), "QTXMAP", 6) != 0) return starts;
    for (size_t at = 16; at + 57 <= file.size(); at += 57) {
        uint32_t kind = 0, subtype = 0;
        int32_t x = 0, z = 0;
        std::memcpy(&kind, &file[at + 4], 4);
        std::memcpy(&subtype, &file[at + 8], 4);
        std::memcpy(&x, &file[at + 12], 4);
        std::memcpy(&z, &file[at + 16], 4);
        ++*records;
        if (kind == ELEMENT_FIGHTER) starts.insert({int(subtype), x, z});
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
    program.TapKey(os::VK_F4).WaitUntil("both starts back from the file", [placed] {
        return StandingStarts() == placed && ListedStarts() == placed;
    }, 10);
    RunToEnd(3000);
    size_t records = 0;
    EXPECT_EQ(SavedStarts(datakit::ReadBytes(datakit::ScenarioElementPath(kScenario)), &records), placed);
    EXPECT_EQ(records, 2u);
    EXPECT_EQ(dir.Read("debug.txt").find("no se puede abrir"), std::string::npos) << LogTail();
}

}  // namespace
