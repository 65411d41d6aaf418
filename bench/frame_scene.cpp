#include "frame_scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/clocks.h"
#include "core/frame_stats.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_model_builder.h"
#include "datakit/y3d_octree_builder.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/light_slots.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "support/two_bone_skeleton.h"

namespace benchsupport {

using namespace datakit;

namespace {

constexpr float kPatch = 2.0f;         // meshes lie in a 20 x 10 grid of 2 x 2 patches
constexpr uint32_t kWorldFvf = 0x112;  // position, normal, one texture pair
constexpr uint32_t kSkinFvf = 0x116;   // position, one blend weight, normal, one texture pair
constexpr uint32_t kPaneFvf = 0x102;   // position, one texture pair
const Vec3 kEye{40, 22, -12}, kTarget{40, 0, 9};

template <typename T>
VertexRecord Vertices(const std::vector<T>& v, uint32_t fvf) {
    VertexRecord r;
    r.count = uint32_t(v.size());
    r.fvf = fvf;
    r.vertices.resize(v.size() * sizeof(T));
    std::memcpy(r.vertices.data(), v.data(), r.vertices.size());
    return r;
}

// The world's patches as plain mesh nodes (drawn unlit, as the game draws its static world), or
// as movable meshes, which the game draws lit by the lights chosen for each.
std::vector<uint8_t> WorldFile(bool movable) {
    const SceneData& d = FrameSceneData();
    Y3DSceneFile f;
    std::vector<std::vector<uint8_t>> materials;
    // Each texture modulated by the vertex colour, as a scenario's materials are, so that the
    // lighting shows in the picture.
    for (int t = 0; t < kTextures; ++t) {
        Y3DMaterial m;
        m.layers = {{1, TextureName(t)}, {64, ""}};
        materials.push_back(m.Build());
    }
    f.materials = BuildMaterialList(materials);
    std::vector<VertexRecord> vbs;
    std::vector<IndexRecord> ibs;
    for (int g = 0; g < kGroups; ++g) {
        vbs.push_back(Vertices(d.groupVertices[size_t(g)], kWorldFvf));
        IndexRecord ir;
        ir.count = uint32_t(d.groupIndices[size_t(g)].size());
        ir.vertexBuffer = uint32_t(g);
        ir.indices = d.groupIndices[size_t(g)];
        ibs.push_back(ir);
    }
    f.vertexBuffers = BuildVertexBufferBlock(vbs);
    f.indexBuffers = BuildIndexBufferBlock(ibs);
    for (int m = 0; m < kMeshes; ++m) {
        Y3DMeshNode node;
        node.name = "Patch" + std::to_string(m);
        if (movable) node.type = 0x101;
        const auto& box = d.meshBoxes[size_t(m)];
        std::memcpy(node.box, box.data(), sizeof node.box);
        Y3DMesh mesh;
        mesh.material = uint32_t(m % kTextures);
        mesh.indexBuffer = mesh.vertexBuffer = uint32_t(SceneData::Group(m));
        mesh.startIndex = SceneData::FirstIndex(m);
        mesh.triangleCount = uint16_t(kMeshIndices / 3);
        mesh.minVertex = uint16_t(SceneData::FirstVertex(m));
        mesh.maxVertex = uint16_t(SceneData::FirstVertex(m) + kMeshVertices - 1);
        mesh.centres.assign(mesh.triangleCount, Vec3{(box[0] + box[3]) / 2, 0, (box[2] + box[5]) / 2});
        node.meshes = {mesh};
        f.records.push_back(MeshNodeRecord(node));
    }
    return f.Build();
}

// The panes as a level file keeps its static world: a mesh each with the collision faces its
// triangles are queued by, all named by the one leaf of the render octree.
std::vector<uint8_t> PanesFile() {
    const SceneData& d = FrameSceneData();
    Y3DSceneFile f;
    f.header.geometry = 1;
    std::vector<std::vector<uint8_t>> materials;
    for (int t = 0; t < kPaneTextures; ++t) {
        Y3DMaterial m;
        m.layers = {{1, PaneTextureName(t)}};
        m.options = 1;  // the first pass blends by the texture's alpha
        materials.push_back(m.Build());
    }
    f.materials = BuildMaterialList(materials);
    f.vertexBuffers = BuildVertexBufferBlock({Vertices(d.paneVertices, kPaneFvf)});
    IndexRecord ir;
    ir.count = uint32_t(d.paneIndices.size());
    ir.indices = d.paneIndices;
    f.indexBuffers = BuildIndexBufferBlock({ir});
    std::vector<Y3DMesh> meshes;
    for (int p = 0; p < kPanes; ++p) {
        Y3DMesh mesh;
        mesh.material = uint32_t(SceneData::PaneTexture(p));
        mesh.startIndex = uint32_t(p * kPaneTriangles * 3);
        mesh.triangleCount = uint16_t(kPaneTriangles);
        mesh.minVertex = uint16_t(p * kPaneVertices);
        mesh.maxVertex = uint16_t(mesh.minVertex + kPaneVertices - 1);
        CollisionMeshDesc faces;
        for (int t = 0; t < kPaneTriangles; ++t) {
            const size_t at = size_t(mesh.startIndex) + size_t(t) * 3;
            std::vector<Vec3> corners;
            for (size_t k = 0; k < 3; ++k) {
                const PaneVertex& v = d.paneVertices[d.paneIndices[at + k]];
                corners.push_back({v.x, v.y, v.z});
            }
            faces.AddFace(0, corners, d.paneNormal);
            mesh.centres.push_back(d.paneCentres[size_t(p * kPaneTriangles + t)]);
        }
        mesh.flags = 1;  // a collision mesh follows
        AppendCollisionMesh(&mesh.collision, faces, 320);
        meshes.push_back(mesh);
    }
    f.meshList = BuildMeshList(meshes);
    const int32_t corner[3] = {-64, -64, -64};
    std::vector<OctreeNodeDesc> render = GridOctree(0, corner, 8);
    render[0].first = 0;
    render[0].itemCount = kPanes;
    render[0].polygonCount = kPanes * kPaneTriangles;
    f.renderOctree = BuildRenderOctreeBlock(render);
    f.collisionOctree = BuildCollisionOctreeBlock(GridOctree(0, corner, 8), {}, 320);
    return f.Build();
}

std::vector<uint8_t> LightsFile() {
    Y3DSceneFile f;
    Y3DLight sun;
    sun.name = "Luz(SOL)";
    sun.type = 0x200;
    sun.position = {40, 50, 0};
    sun.direction = {0.3f, -1.0f, 0.4f};
    sun.colour[0] = 1.0f, sun.colour[1] = 0.95f, sun.colour[2] = 0.85f;
    f.records.push_back(LightRecord(sun));
    for (int i = 0; i < 3; ++i) {
        Y3DLight p;
        p.name = "Point" + std::to_string(i);
        p.type = 0x201;
        p.position = {30.0f + 10.0f * float(i), 3.0f, 8.0f};
        p.colour[0] = 0.6f, p.colour[1] = 0.4f + 0.2f * float(i), p.colour[2] = 0.3f;
        const float ranges[4] = {2, 6, 20, 60};
        std::memcpy(p.ranges, ranges, sizeof ranges);
        f.records.push_back(LightRecord(p));
    }
    return f.Build();
}

std::vector<uint8_t> CharacterFile() {
    const SceneData& d = FrameSceneData();
    Y3DSkinnedModel f;
    Y3DMaterial m;
    m.layers = {{1, TextureName(kCharacterTexture)}, {64, ""}};
    f.materials = {m.Build()};
    f.vertexBuffers = {Vertices(d.skinVertices, kSkinFvf)};
    IndexRecord ir;
    ir.count = uint32_t(d.skinIndices.size());
    ir.indices = d.skinIndices;
    f.indexBuffers = {ir};
    Y3DSubMesh s;
    s.primitiveCount = uint16_t(d.skinIndices.size() / 3);
    s.maxVertex = uint16_t(d.skinVertices.size() - 1);
    s.matrixCount = 2;
    s.bones = {0, 1, 0, 0};
    f.subMeshes = {s};
    f.skeleton = TwoBoneSkeleton();
    return f.Build();
}

std::vector<uint8_t> ShadowFile() {
    const SceneData& d = FrameSceneData();
    Y3DShadowModel f;
    f.triangles = d.shadowTriangles;
    for (const SkinVertex& v : d.skinVertices)
        f.vertices.push_back({{v.x, v.y, v.z}, {{0, v.weight}, {1, 1.0f - v.weight}}});
    f.skeleton = TwoBoneSkeleton();
    return f.Build();
}

}  // namespace

uint32_t TextureColour(int t) {
    return 0xFF000000u | uint32_t((t * 97 + 40) % 256) << 16 | uint32_t((t * 53 + 90) % 256) << 8 |
           uint32_t((t * 29 + 150) % 256);
}

std::string TextureName(int t) {
    char name[16];
    std::snprintf(name, sizeof name, "T%02d.TGA", t);
    return name;
}

uint32_t PaneTextureColour(int t) {
    return uint32_t(0x60 + 0x20 * (t % 4)) << 24 | uint32_t((t * 71 + 200) % 256) << 16 |
           uint32_t((t * 113 + 60) % 256) << 8 | uint32_t((t * 37 + 120) % 256);
}

std::string PaneTextureName(int t) {
    char name[16];
    std::snprintf(name, sizeof name, "P%02d.TGA", t);
    return name;
}

SceneData::SceneData() {
    std::vector<uint16_t> grid;
    for (int z = 0; z < kQuadsZ; ++z)
        for (int x = 0; x < kQuadsX; ++x) {
            const uint16_t a = uint16_t(z * (kQuadsX + 1) + x), b = uint16_t(a + 1), c = uint16_t(a + kQuadsX + 1),
                           d = uint16_t(c + 1);
            grid.insert(grid.end(), {a, c, b, b, c, d});
        }
    groupVertices.resize(kGroups);
    groupIndices.resize(kGroups);
    for (int m = 0; m < kMeshes; ++m) {
        const float x0 = 20.0f + kPatch * float(m % 20), z0 = kPatch * float(m / 20);
        std::vector<WorldVertex>& v = groupVertices[size_t(Group(m))];
        const size_t first = v.size();
        for (int z = 0; z <= kQuadsZ; ++z)
            for (int x = 0; x <= kQuadsX; ++x) {
                const float px = x0 + kPatch * float(x) / kQuadsX, pz = z0 + kPatch * float(z) / kQuadsZ;
                const float h = 0.2f * std::sin(px * 0.7f) * std::cos(pz * 0.9f);
                v.push_back({px, h, pz, -0.14f * std::cos(px * 0.7f) * std::cos(pz * 0.9f), 1.0f,
                             0.18f * std::sin(px * 0.7f) * std::sin(pz * 0.9f), float(x) / kQuadsX,
                             float(z) / kQuadsZ});
            }
        meshBoxes.push_back({v[first].x, -0.3f, v[first].z, v.back().x, 0.3f, v.back().z});
        for (uint16_t i : grid) groupIndices[size_t(Group(m))].push_back(uint16_t(first + i));
    }
    // A capsule two high around the hip (bone 0) and the chest one unit up (bone 1).
    for (int r = 0; r < kRings; ++r) {
        const float phi = float(M_PI) * float(r + 1) / float(kRings + 1);
        const float height = 1.0f - std::cos(phi);
        for (int s = 0; s < kSegments; ++s) {
            const float theta = 2.0f * float(M_PI) * float(s) / float(kSegments);
            const float nx = std::sin(phi) * std::cos(theta), ny = -std::cos(phi), nz = std::sin(phi) * std::sin(theta);
            skinVertices.push_back({0.4f * nx, height, 0.4f * nz, std::clamp(1.0f - height * 0.5f, 0.0f, 1.0f), nx, ny,
                                    nz, float(s) / kSegments, height * 0.5f});
        }
    }
    auto at = [](int r, int s) { return uint16_t(r * kSegments + (s % kSegments)); };
    for (int r = 0; r + 1 < kRings; ++r)
        for (int s = 0; s < kSegments; ++s) {
            skinIndices.insert(skinIndices.end(), {at(r, s), at(r + 1, s + 1), at(r + 1, s)});
            skinIndices.insert(skinIndices.end(), {at(r, s), at(r, s + 1), at(r + 1, s + 1)});
        }
    // The shadow mesh is the same capsule closed by two caps.
    for (size_t i = 0; i < skinIndices.size(); i += 3)
        shadowTriangles.push_back({skinIndices[i], skinIndices[i + 1], skinIndices[i + 2]});
    for (int s = 1; s + 1 < kSegments; ++s) {
        shadowTriangles.push_back({at(0, 0), at(0, s + 1), at(0, s)});
        shadowTriangles.push_back({at(kRings - 1, 0), at(kRings - 1, s), at(kRings - 1, s + 1)});
    }
    // The panes square to the view, in two rows of four that overlap on the screen, each at a
    // distance of its own and as large as its distance makes it look alike.
    const Vec3 forward = Vec3Normalize(Vec3Sub(kTarget, kEye));
    const Vec3 right = Vec3Normalize(Vec3Cross({0, 1, 0}, forward));
    const Vec3 up = Vec3Cross(forward, right);
    paneNormal = Vec3Scale(forward, -1.0f);
    const int depthRank[kPanes] = {3, 6, 1, 4, 7, 0, 5, 2};
    for (int p = 0; p < kPanes; ++p) {
        const float d = 10.0f + 2.0f * float(depthRank[p]);
        // The view reaches 0.61 of the distance to either side and 0.46 up and down.
        const float halfW = 0.2f * d, halfH = 0.16f * d;
        const Vec3 centre = Vec3Add(Vec3Add(kEye, Vec3Scale(forward, d)),
                                    Vec3Add(Vec3Scale(right, (float(p % 4) - 1.5f) * 0.26f * d),
                                            Vec3Scale(up, (p < 4 ? 0.13f : -0.13f) * d)));
        const uint16_t first = uint16_t(paneVertices.size());
        for (int j = 0; j <= kPaneQuadsY; ++j)
            for (int i = 0; i <= kPaneQuadsX; ++i) {
                const float x = -halfW + 2 * halfW * float(i) / kPaneQuadsX;
                const float y = -halfH + 2 * halfH * float(j) / kPaneQuadsY;
                const Vec3 at = Vec3Add(centre, Vec3Add(Vec3Scale(right, x), Vec3Scale(up, y)));
                paneVertices.push_back({at.x, at.y, at.z, float(i) / kPaneQuadsX, 1.0f - float(j) / kPaneQuadsY});
            }
        // Clockwise as the eye sees them: upper left, upper right, lower right; then upper
        // left, lower right, lower left.
        for (int j = 0; j < kPaneQuadsY; ++j)
            for (int i = 0; i < kPaneQuadsX; ++i) {
                const uint16_t a = uint16_t(first + j * (kPaneQuadsX + 1) + i), b = uint16_t(a + 1),
                               c = uint16_t(a + kPaneQuadsX + 1), e = uint16_t(c + 1);
                for (const std::array<uint16_t, 3>& t : {std::array<uint16_t, 3>{c, e, b}, std::array<uint16_t, 3>{c, b, a}}) {
                    paneIndices.insert(paneIndices.end(), t.begin(), t.end());
                    Vec3 sum{0, 0, 0};
                    for (uint16_t k : t) sum = Vec3Add(sum, {paneVertices[k].x, paneVertices[k].y, paneVertices[k].z});
                    paneCentres.push_back(Vec3Scale(sum, 1.0f / 3.0f));
                }
            }
    }
}

const SceneData& FrameSceneData() {
    static const SceneData data;
    return data;
}

bool LightSet::operator==(const LightSet& o) const {
    return count == o.count && std::memcmp(lights, o.lights, sizeof(gfx::Light) * size_t(count)) == 0;
}

GameScene::GameScene(benchmark::State& state, const FrameConfig& config)
    : rig_(state, config.depth16 ? gfx::D3DFMT_D16 : gfx::D3DFMT_D24S8), config_(config) {
    if (!rig_.device) return;
    for (int t = 0; t < kTextures; ++t)
        WriteBytes((dir_.path() / TextureName(t)).string(), TgaFile(SolidPicture(64, 64, TextureColour(t))));
    WriteBytes((dir_.path() / "WORLD.Y3D").string(), WorldFile(config.lit));
    WriteBytes((dir_.path() / "LIGHTS.Y3D").string(), LightsFile());
    WriteBytes((dir_.path() / "CHAR.Y3D").string(), CharacterFile());
    WriteBytes((dir_.path() / "CHARshadow.Y3D").string(), ShadowFile());
    if (config.panes) {
        for (int t = 0; t < kPaneTextures; ++t)
            WriteBytes((dir_.path() / PaneTextureName(t)).string(),
                       TgaFile(SolidPicture(64, 64, PaneTextureColour(t)), TgaOptions{32}));
        WriteBytes((dir_.path() / "PANES.Y3D").string(), PanesFile());
    }
    saved_ = g_Settings;
    savedRow_ = g_Scenario.row;
    // A scenario's darkness, so that the shadows show in the picture.
    row_.alpha = kShadowDarkness;
    g_Scenario.row = &row_;
    g_Video.Zero();
    g_Video.device = rig_.device;
    g_Video.screenRect = {0, 0, int32_t(kFrameWidth) - 1, int32_t(kFrameHeight) - 1};
    g_Video.halfWidth = kFrameWidth / 2;
    g_Video.halfHeight = kFrameHeight / 2;
    g_Video.present = rig_.params.present;
    rig_.device->GetDeviceCaps(&g_Video.caps);
    rig_.device->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &g_Video.renderTarget);
    rig_.device->GetDepthStencilSurface(&g_Video.depthSurface);
    g_Video.RestoreStates();
    g_Clocks = ClockSet();
    g_Settings.mode = 0;
    g_Settings.textureBpp = 32;
    g_Settings.characterShadow = config.shadows ? 1 : 0;
    if (!g_Scene.Create()) {
        state.SkipWithError("no scene");
        return;
    }
    if (!g_Scene.LoadModel("LIGHTS.Y3D", "", 0, false) || !g_Scene.sun) {
        state.SkipWithError("the lights did not load");
        return;
    }
    if (config.world && !g_Scene.LoadModel("WORLD.Y3D", "", 0, false)) {
        state.SkipWithError("the world did not load");
        return;
    }
    if (config.panes && (!g_Scene.LoadModel("PANES.Y3D", "", 0, false) || !g_Scene.renderOctree)) {
        state.SkipWithError("the panes did not load");
        return;
    }
    if (config.characters)
        for (int i = 0; i < kCharacters; ++i) {
            CharacterModel* model = g_Scene.LoadCharacterModel("CHAR.Y3D", "", 0, false);
            if (!model) {
                state.SkipWithError("a character did not load");
                return;
            }
            model->position = {34.0f + 4.0f * float(i % 4), 0.0f, 2.0f + 2.5f * float(i / 4)};
            model->basePosition = model->position;
            g_Scene.characterModels->Add(model);
        }
    g_Scene.camera->Set(kEye, kTarget, 0, 1.1f, 0.5f, 200.0f);
    g_Scene.camera->Update();
    ready_ = true;
}

GameScene::~GameScene() {
    g_Scene.Destroy(true);
    if (g_Video.renderTarget) g_Video.renderTarget->Release();
    if (g_Video.depthSurface) g_Video.depthSurface->Release();
    g_Video.Zero();
    g_Settings = saved_;
    g_Scenario.row = savedRow_;
    g_Clocks = ClockSet();
    ResetFrameStats();
}

void GameScene::Frame() {
    // A frame of its own for the poses, as the render frame counts them.
    ++g_FrameStats.frameCounter;
    g_Video.device->BeginScene();
    g_Video.Clear(0xFF1A334Du);
    g_Scene.Render();
    g_Video.device->EndScene();
    g_Video.Present();
    glFinish();
}

LightSet GameScene::LightsForBox(const float box[6]) const {
    LightSet set;
    if (!g_Scene.lightSlots || !g_Video.device) return set;
    g_Scene.lightSlots->SelectForBox(box);
    for (uint32_t i = 0; i < uint32_t(LIGHT_SLOT_COUNT); ++i) {
        bool on = false;
        if (g_Video.device->GetLightEnable(i, &on) != gfx::D3D_OK || !on) continue;
        g_Video.device->GetLight(i, &set.lights[set.count++]);
    }
    g_Scene.lightSlots->DisableAll();
    return set;
}

bool GameScene::Mipmapped() const {
    // The game loads every texture alike: the characters' one, or the panes' first where only
    // they are loaded.
    const Texture* sample = g_Scene.textures->Get(g_Scene.textures->Find(TextureName(kCharacterTexture).c_str()));
    if (!sample) sample = g_Scene.textures->Get(g_Scene.textures->Find(PaneTextureName(0).c_str()));
    return sample && sample->levels > 1;
}

std::vector<uint32_t> GameScene::Picture() const {
    std::vector<uint32_t> pixels;
    gfx::Surface* image = nullptr;
    if (g_Video.device->CreateImageSurface(kFrameWidth, kFrameHeight, gfx::D3DFMT_A8R8G8B8, &image) != gfx::D3D_OK)
        return pixels;
    gfx::LockedRect locked{};
    if (g_Video.device->GetFrontBuffer(image) == gfx::D3D_OK && image->LockRect(&locked, nullptr, 0) == gfx::D3D_OK) {
        pixels.resize(size_t(kFrameWidth) * kFrameHeight);
        const auto* rows = static_cast<const uint8_t*>(locked.pBits);
        for (uint32_t y = 0; y < kFrameHeight; ++y)
            std::memcpy(&pixels[size_t(y) * kFrameWidth], rows + size_t(y) * size_t(locked.Pitch), size_t(kFrameWidth) * 4);
        image->UnlockRect();
    }
    image->Release();
    return pixels;
}

}  // namespace benchsupport
