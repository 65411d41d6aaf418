#include "material_fixture.h"

#include <sstream>

#include "scene/animation.h"
#include "scene/scene.h"
#include "core/clocks.h"

namespace rendertest {

std::vector<PassSpec> PassesOf(const Material& m) {
    std::vector<PassSpec> out;
    for (uint32_t p = 0; p < m.passCount; ++p) {
        PassSpec ps{{}, m.passes[p].blendPreset};
        for (uint32_t s = 0; s < m.passes[p].stageCount; ++s) {
            const MaterialStage& st = m.passes[p].stages[s];
            ps.stages.push_back({st.arg1, st.arg2, st.op, st.texture, st.texCoordIndex, st.mode});
        }
        out.push_back(ps);
    }
    return out;
}

std::string Describe(const std::vector<PassSpec>& passes) {
    std::ostringstream o;
    for (const PassSpec& p : passes) {
        o << "[preset " << p.preset << ":";
        for (const StageSpec& s : p.stages)
            o << " {" << s.arg1 << "," << s.arg2 << ",op" << s.op << ",tex" << s.texture << ",i" << int(s.index)
              << ",m" << int(s.mode) << "}";
        o << "] ";
    }
    return o.str();
}

void MaterialTest::SetUp() {
    TextureTest::SetUp();
    // The video object's stage caches start out matching the device.
    g_Video.RestoreStates();
    dev->ClearLog();
    g_Scene.materials = &table;
    g_Scene.skyTexture = -1;
    g_Scene.skyLayer = 0;
    g_Scene.camera = nullptr;
    g_Scene.sun = nullptr;
    row = ScenarioRow{};
    g_Scenario.row = &row;
    g_Y3DVersion = 320;
    g_Video.caps.MaxSimultaneousTextures = 2;
    g_PolygonsDrawn = 0;
    g_DrawCalls = 0;
    SetClock(0);
}

void MaterialTest::ReleaseResources() {
    table.Free();
    TextureTest::ReleaseResources();
}

void MaterialTest::TearDown() {
    TextureTest::TearDown();
    g_Scene.materials = nullptr;
    g_Scene.skyTexture = -1;
    g_Scene.skyLayer = 0;
    g_Scenario.row = nullptr;
    g_Y3DVersion = 0;
    g_Clocks = ClockSet();
    g_PolygonsDrawn = 0;
    g_DrawCalls = 0;
}

void MaterialTest::AddPicture(const std::string& name, uint32_t argb) {
    AddTga(name, datakit::SolidPicture(4, 4, argb));
}

MaterialDescription MaterialTest::Describe(std::initializer_list<MaterialLayer> layers, uint32_t options) {
    MaterialDescription d{};
    for (const MaterialLayer& l : layers) {
        d.layers[d.layerCount++] = l;
        d.kindMask |= l.kind;
    }
    d.options = options;
    return d;
}

int32_t MaterialTest::AddMaterial(std::initializer_list<MaterialLayer> layers, uint32_t options) {
    Material* m = new Material();
    m->SetDescription(Describe(layers, options));
    return table.Add(m);
}

void MaterialTest::SetClock(uint32_t matchMs) {
    // The match clock stands still while another one runs.
    g_Clocks.active = CLOCK_PAUSE;
    g_Clocks.stored[CLOCK_MATCH] = matchMs;
}

}  // namespace rendertest
