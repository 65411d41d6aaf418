// The material, animated-material and mesh tests: a recording device behind the video object,
// a texture pack of small named pictures, and material and mesh tables standing for the scene's.
#pragma once

#include <string>
#include <vector>

#include "render/material.h"
#include "render/mesh.h"
#include "texture_fixture.h"
#include "world/scenario.h"

namespace rendertest {

// A stage as the tests spell it: {arg1, arg2, op, texture, coordinate index, mode}.
struct StageSpec {
    uint32_t arg1, arg2, op;
    int32_t texture;
    int8_t index;
    uint8_t mode;
    bool operator==(const StageSpec&) const = default;
};
struct PassSpec {
    std::vector<StageSpec> stages;
    uint32_t preset;
    bool operator==(const PassSpec&) const = default;
};
std::vector<PassSpec> PassesOf(const Material& m);
std::string Describe(const std::vector<PassSpec>& passes);

class MaterialTest : public TextureTest {
protected:
    void SetUp() override;
    void ReleaseResources() override;
    void TearDown() override;

    // Puts a 4 x 4 picture of that colour in the pack under the name (written by WritePack).
    void AddPicture(const std::string& name, uint32_t argb);
    // A description of (kind, texture) layers; the mask is the OR of the kinds.
    static MaterialDescription Describe(std::initializer_list<MaterialLayer> layers, uint32_t options = 0);
    // Adds a material to the table with that description.
    int32_t AddMaterial(std::initializer_list<MaterialLayer> layers, uint32_t options = 0);
    void SetClock(uint32_t matchMs);

    MaterialTable table;
    ScenarioRow row{};
};

}  // namespace rendertest
