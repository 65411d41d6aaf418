// The generated frame scene of the frame benchmark: 100k triangles in 200 textured meshes over
// 50 textures, kept ten meshes' rows to a vertex buffer as a level file keeps them, a sun and
// three point lights, 16 skinned characters of 2000 vertices with shadow models, and eight
// half-transparent panes of 64 triangles each across the view at staggered depths, a level's
// blended static world that the game draws face by face back to front. The game's side
// loads it with the game's own loaders and draws it with Scene::Render on the OpenGL device at
// 1024x768; the hand-written copy (raw_frame.h) draws the same triangles from the same data.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/math.h"
#include "core/settings.h"
#include "gl_rig.h"
#include "platform/gfx/types.h"
#include "support/temp_dir.h"
#include "world/scenario.h"

namespace benchsupport {

constexpr uint32_t kFrameWidth = 1024, kFrameHeight = 768;
constexpr int kMeshes = 200, kTextures = 50;
constexpr int kQuadsX = 25, kQuadsZ = 10;  // 500 triangles a mesh
constexpr int kMeshVertices = (kQuadsX + 1) * (kQuadsZ + 1);
constexpr int kMeshIndices = kQuadsX * kQuadsZ * 6;
constexpr int kMeshesPerGroup = 20;  // one row of the grid to a vertex buffer
constexpr int kGroups = kMeshes / kMeshesPerGroup;
constexpr int kCharacters = 16;
constexpr int kRings = 40, kSegments = 50;  // 2000 vertices a character
constexpr int kSkinVertices = kRings * kSegments;
constexpr int kCharacterTexture = 7;
constexpr int kPanes = 8, kPaneTextures = 4;
constexpr int kPaneQuadsX = 8, kPaneQuadsY = 4;  // 64 triangles a pane
constexpr int kPaneTriangles = kPaneQuadsX * kPaneQuadsY * 2;
constexpr int kPaneVertices = (kPaneQuadsX + 1) * (kPaneQuadsY + 1);
// The shadows' darkness: the overlay's alpha, as a scenario's row gives it.
constexpr uint8_t kShadowDarkness = 0x80;

struct WorldVertex {
    float x, y, z, nx, ny, nz, u, v;
};
struct SkinVertex {
    float x, y, z, weight, nx, ny, nz, u, v;
};
struct PaneVertex {
    float x, y, z, u, v;
};
static_assert(sizeof(WorldVertex) == 32 && sizeof(SkinVertex) == 36 && sizeof(PaneVertex) == 20);

uint32_t TextureColour(int t);
std::string TextureName(int t);
// The panes' textures: one colour each, partly transparent.
uint32_t PaneTextureColour(int t);
std::string PaneTextureName(int t);

// The scene's data, which both sides draw.
struct SceneData {
    // Per vertex buffer: the vertices of its meshes one after the other, and their indices,
    // which count from the buffer's first vertex.
    std::vector<std::vector<WorldVertex>> groupVertices;
    std::vector<std::vector<uint16_t>> groupIndices;
    std::vector<std::array<float, 6>> meshBoxes;  // minimum x, y, z, maximum x, y, z
    std::vector<SkinVertex> skinVertices;
    std::vector<uint16_t> skinIndices;
    std::vector<std::array<uint16_t, 3>> shadowTriangles;
    // The panes, one after another in one vertex and one index buffer; each triangle's centre,
    // in the same order; the normal they share, towards the eye.
    std::vector<PaneVertex> paneVertices;
    std::vector<uint16_t> paneIndices;
    std::vector<Vec3> paneCentres;
    Vec3 paneNormal{};

    SceneData();
    // Where mesh m lies in its group's buffers.
    static int Group(int m) { return m / kMeshesPerGroup; }
    static uint32_t FirstVertex(int m) { return uint32_t(m % kMeshesPerGroup) * kMeshVertices; }
    static uint32_t FirstIndex(int m) { return uint32_t(m % kMeshesPerGroup) * kMeshIndices; }
    static int PaneTexture(int p) { return p % kPaneTextures; }
};
const SceneData& FrameSceneData();

// Which parts of the scene a configuration draws.
struct FrameConfig {
    const char* name;
    bool world, lit, characters, shadows;
    // The device as the game makes it with character shadows off: a 16-bit depth, no stencil.
    bool depth16 = false;
    // The blended panes, a level file's static world, which the game queues face by face.
    bool panes = false;
};
inline constexpr FrameConfig kFrameConfigs[] = {
    {"world_unlit", true, false, false, false},           {"world_lit", true, true, false, false},
    {"characters", false, false, true, false},            {"characters_shadows", false, false, true, true},
    {"full_frame", true, true, true, true},               {"empty_frame", false, false, false, false},
    {"world_lit_d16", true, true, false, false, true},    {"characters_d16", false, false, true, false, true},
    {"full_frame_d16", true, true, true, false, true},    {"empty_frame_d16", false, false, false, false, true},
    {"blended_panes", false, false, false, false, false, true},
};
inline constexpr int kFrameConfigCount = int(sizeof kFrameConfigs / sizeof kFrameConfigs[0]);

// The device lights chosen for one box, as the game's light slots choose them.
struct LightSet {
    int count = 0;
    gfx::Light lights[4] = {};
    bool operator==(const LightSet& o) const;
    bool operator!=(const LightSet& o) const { return !(*this == o); }
};

// The game's side: the scene written as model files, loaded and drawn by the game.
class GameScene {
public:
    GameScene(benchmark::State& state, const FrameConfig& config);
    ~GameScene();
    bool Ready() const { return ready_; }
    // One frame: cleared, drawn, presented and finished.
    void Frame();
    // The lights the game chooses for a box (it sets them on the device to find out).
    LightSet LightsForBox(const float box[6]) const;
    // Whether the game's textures carry their mip chains.
    bool Mipmapped() const;
    // The last presented picture, rows top-down, 0xAARRGGBB; empty when it cannot be read.
    std::vector<uint32_t> Picture() const;

private:
    GLRig<kFrameWidth, kFrameHeight> rig_;
    FrameConfig config_;
    ScopedWorkDir dir_;
    Settings saved_{};
    const ScenarioRow* savedRow_ = nullptr;
    ScenarioRow row_{};
    bool ready_ = false;
};

}  // namespace benchsupport
