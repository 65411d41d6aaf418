// The frame yardstick: one generated scene (100k triangles in 200 textured meshes over 50
// textures, a sun and three point lights, 16 skinned characters of 2000 vertices with shadow
// models) loaded by the game's own loaders and drawn by Scene::Render on the OpenGL device at
// 1024x768, beside a minimal hand-written OpenGL copy drawing the same batches straight into the
// window. Each iteration draws one frame of each, alternating, each finished with glFinish.
// Reported: the time ratio (game / raw) and difference, OpenGL calls per draw on both sides and
// both frames' main-thread CPU time. The last configuration, an empty frame, is a clear and a
// present beside a clear and a plain window swap.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <cstdlib>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings.h"
#include "frame_compare.h"
#include "gl_rig.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"
#include "scene/light_slots.h"
#include "scene/object_list.h"
#include "render/texture_manager.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_model_builder.h"

namespace {

using namespace datakit;
namespace fs = std::filesystem;

constexpr uint32_t kWidth = 1024, kHeight = 768;
constexpr int kMeshes = 200, kTextures = 50;
constexpr int kQuadsX = 25, kQuadsZ = 10;  // 500 triangles a mesh
constexpr int kMeshVertices = (kQuadsX + 1) * (kQuadsZ + 1);
constexpr int kCharacters = 16;
constexpr int kRings = 40, kSegments = 50;  // 2000 vertices a character
constexpr float kPatch = 2.0f;             // meshes lie in a 20 x 10 grid of 2 x 2 patches
constexpr uint32_t kWorldFvf = 0x112;      // position, normal, one texture pair
constexpr uint32_t kSkinFvf = 0x116;       // position, one blend weight, normal, one texture pair
const Vec3 kEye{40, 22, -12}, kTarget{40, 0, 9};

struct WorldVertex {
    float x, y, z, nx, ny, nz, u, v;
};
struct SkinVertex {
    float x, y, z, weight, nx, ny, nz, u, v;
};
static_assert(sizeof(WorldVertex) == 32 && sizeof(SkinVertex) == 36);

uint32_t TextureColour(int t) {
    return 0xFF000000u | uint32_t((t * 97 + 40) % 256) << 16 | uint32_t((t * 53 + 90) % 256) << 8 |
           uint32_t((t * 29 + 150) % 256);
}
std::string TextureName(int t) {
    char name[16];
    std::snprintf(name, sizeof name, "T%02d.TGA", t);
    return name;
}

// The scene's data, kept for the raw copy as well.
struct SceneData {
    std::vector<std::vector<WorldVertex>> meshVertices;
    std::vector<std::array<float, 6>> meshBoxes;  // minimum x, y, z, maximum x, y, z
    std::vector<uint16_t> meshIndices;  // the same grid indices for every mesh
    std::vector<SkinVertex> skinVertices;
    std::vector<uint16_t> skinIndices;
    std::vector<std::array<uint16_t, 3>> shadowTriangles;

    SceneData() {
        for (int z = 0; z < kQuadsZ; ++z)
            for (int x = 0; x < kQuadsX; ++x) {
                const uint16_t a = uint16_t(z * (kQuadsX + 1) + x), b = uint16_t(a + 1), c = uint16_t(a + kQuadsX + 1),
                               d = uint16_t(c + 1);
                meshIndices.insert(meshIndices.end(), {a, c, b, b, c, d});
            }
        for (int m = 0; m < kMeshes; ++m) {
            const float x0 = 20.0f + kPatch * float(m % 20), z0 = kPatch * float(m / 20);
            std::vector<WorldVertex> v;
            for (int z = 0; z <= kQuadsZ; ++z)
                for (int x = 0; x <= kQuadsX; ++x) {
                    const float px = x0 + kPatch * float(x) / kQuadsX, pz = z0 + kPatch * float(z) / kQuadsZ;
                    const float h = 0.2f * std::sin(px * 0.7f) * std::cos(pz * 0.9f);
                    v.push_back({px, h, pz, -0.14f * std::cos(px * 0.7f) * std::cos(pz * 0.9f), 1.0f,
                                 0.18f * std::sin(px * 0.7f) * std::sin(pz * 0.9f), float(x) / kQuadsX,
                                 float(z) / kQuadsZ});
                }
            meshBoxes.push_back({v.front().x, -0.3f, v.front().z, v.back().x, 0.3f, v.back().z});
            meshVertices.push_back(std::move(v));
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
    }
};

const SceneData& Data() {
    static const SceneData data;
    return data;
}

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
    const SceneData& d = Data();
    Y3DSceneFile f;
    std::vector<std::vector<uint8_t>> materials;
    for (int t = 0; t < kTextures; ++t) {
        Y3DMaterial m;
        m.layers = {{1, TextureName(t)}};
        materials.push_back(m.Build());
    }
    f.materials = BuildMaterialList(materials);
    std::vector<VertexRecord> vbs;
    std::vector<IndexRecord> ibs;
    for (int m = 0; m < kMeshes; ++m) {
        vbs.push_back(Vertices(d.meshVertices[size_t(m)], kWorldFvf));
        IndexRecord ir;
        ir.count = uint32_t(d.meshIndices.size());
        ir.vertexBuffer = uint32_t(m);
        ir.indices = d.meshIndices;
        ibs.push_back(ir);
    }
    f.vertexBuffers = BuildVertexBufferBlock(vbs);
    f.indexBuffers = BuildIndexBufferBlock(ibs);
    for (int m = 0; m < kMeshes; ++m) {
        Y3DMeshNode node;
        node.name = "Patch" + std::to_string(m);
        if (movable) node.type = 0x101;
        std::memcpy(node.box, d.meshBoxes[size_t(m)].data(), sizeof node.box);
        const WorldVertex& lo = d.meshVertices[size_t(m)].front();
        const WorldVertex& hi = d.meshVertices[size_t(m)].back();
        Y3DMesh mesh;
        mesh.material = uint32_t(m % kTextures);
        mesh.indexBuffer = mesh.vertexBuffer = uint32_t(m);
        mesh.triangleCount = uint16_t(d.meshIndices.size() / 3);
        mesh.maxVertex = uint16_t(kMeshVertices - 1);
        mesh.centres.assign(mesh.triangleCount, Vec3{(lo.x + hi.x) / 2, 0, (lo.z + hi.z) / 2});
        node.meshes = {mesh};
        f.records.push_back(MeshNodeRecord(node));
    }
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

Y3DBone Skeleton() {
    Y3DBone chest;
    chest.name = "chest";
    chest.parts.translation = {0, 1, 0};
    chest.world = Mat4Translation(0, 1, 0);
    Y3DBone hip;
    hip.name = "hip";
    hip.children = {chest};
    return hip;
}

std::vector<uint8_t> CharacterFile() {
    const SceneData& d = Data();
    Y3DSkinnedModel f;
    Y3DMaterial m;
    m.layers = {{1, TextureName(7)}};
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
    f.skeleton = Skeleton();
    return f.Build();
}

std::vector<uint8_t> ShadowFile() {
    const SceneData& d = Data();
    Y3DShadowModel f;
    f.triangles = d.shadowTriangles;
    for (const SkinVertex& v : d.skinVertices)
        f.vertices.push_back({{v.x, v.y, v.z}, {{0, v.weight}, {1, 1.0f - v.weight}}});
    f.skeleton = Skeleton();
    return f.Build();
}

// Which parts of the scene a configuration draws.
struct Config {
    const char* name;
    bool world, lit, characters, shadows;
};
constexpr Config kConfigs[] = {
    {"world_unlit", true, false, false, false},    {"world_lit", true, true, false, false},
    {"characters", false, false, true, false},     {"characters_shadows", false, false, true, true},
    {"full_frame", true, true, true, true},         {"empty_frame", false, false, false, false},
};

// ---- The hand-written copy ----

// A window and context of its own beside the device's, so neither side disturbs the other's
// state or framebuffer; its depth and stencil are those of the device's back buffer.
class RawCopy {
public:
    // mipmapped: whether the game's textures carry their mip chains, so that both sample alike.
    RawCopy(const Config& config, bool mipmapped) : config_(config), window_(int(kWidth), int(kHeight), false) {
        if (!window_.Ready()) return;
        const SceneData& d = Data();
        glGenTextures(kTextures, textures_);
        for (int t = 0; t < kTextures; ++t) {
            std::vector<uint32_t> pixels(64 * 64, TextureColour(t));
            glBindTexture(GL_TEXTURE_2D, textures_[t]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
            if (mipmapped) glGenerateMipmap(GL_TEXTURE_2D);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        }
        glGenBuffers(kMeshes, meshBuffers_);
        glGenBuffers(1, &meshIndices_);
        for (int m = 0; m < kMeshes; ++m) {
            glBindBuffer(GL_ARRAY_BUFFER, meshBuffers_[m]);
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(kMeshVertices * sizeof(WorldVertex)), d.meshVertices[size_t(m)].data(),
                         GL_STATIC_DRAW);
        }
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, meshIndices_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(d.meshIndices.size() * 2), d.meshIndices.data(), GL_STATIC_DRAW);
        glGenBuffers(1, &skinBuffer_);
        glGenBuffers(1, &skinIndices_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skinIndices_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(d.skinIndices.size() * 2), d.skinIndices.data(), GL_STATIC_DRAW);
        glGenBuffers(1, &volumeBuffer_);
        skinned_.resize(d.skinVertices.size());
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        window_.Restore();
    }
    ~RawCopy() {
        if (!window_.Ready()) return;
        window_.MakeCurrent();
        glDeleteTextures(kTextures, textures_);
        glDeleteBuffers(kMeshes, meshBuffers_);
        GLuint others[4] = {meshIndices_, skinBuffer_, skinIndices_, volumeBuffer_};
        glDeleteBuffers(4, others);
    }
    bool Ready() const { return window_.Ready(); }

    // One frame, the same batches as the game's: the matrices, lights, character poses and
    // shadow volumes are taken from the scene the game just drew.
    void Frame() {
        window_.MakeCurrent();
        const SceneData& d = Data();
        glViewport(0, 0, GLsizei(kWidth), GLsizei(kHeight));
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        glClearStencil(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glMatrixMode(GL_PROJECTION);
        Mat4 depth = Mat4Identity();
        depth.m[2][2] = 2.0f, depth.m[3][2] = -1.0f;
        const Mat4 projection = Mat4Mul(g_Scene.camera->projection, depth);
        glLoadMatrixf(&projection.m[0][0]);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(&g_Scene.camera->view.m[0][0]);
        Lights();
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (config_.world) {
            if (config_.lit) glEnable(GL_LIGHTING);
            else glDisable(GL_LIGHTING);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, meshIndices_);
            for (int m = 0; m < kMeshes; ++m) {
                // The game's nodes skip what lies outside the view; so does the copy.
                const auto& box = d.meshBoxes[size_t(m)];
                if (!g_Scene.camera->BoxVisible(AxisBox{{box[3], box[4], box[5]}, {box[0], box[1], box[2]}})) continue;
                glBindTexture(GL_TEXTURE_2D, textures_[m % kTextures]);
                glBindBuffer(GL_ARRAY_BUFFER, meshBuffers_[m]);
                glVertexPointer(3, GL_FLOAT, sizeof(WorldVertex), nullptr);
                glNormalPointer(GL_FLOAT, sizeof(WorldVertex), reinterpret_cast<const void*>(12));
                glTexCoordPointer(2, GL_FLOAT, sizeof(WorldVertex), reinterpret_cast<const void*>(24));
                glDrawElements(GL_TRIANGLES, GLsizei(d.meshIndices.size()), GL_UNSIGNED_SHORT, nullptr);
            }
        }
        if (config_.characters && config_.shadows) Shadows();
        if (config_.characters) Characters();
        window_.Swap();
        glFinish();
    }

private:
    void Lights() {
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, std::array<float, 4>{0.2f, 0.2f, 0.2f, 1}.data());
        for (int i = 0; i < 4; ++i) {
            const GLenum light = GLenum(GL_LIGHT0 + i);
            const float colour[4] = {0.8f, 0.8f, 0.7f, 1};
            glLightfv(light, GL_DIFFUSE, colour);
            if (i == 0) {
                const float towards[4] = {-0.3f, 1.0f, -0.4f, 0};
                glLightfv(light, GL_POSITION, towards);
            } else {
                const float at[4] = {30.0f + 10.0f * float(i - 1), 3.0f, 8.0f, 1};
                glLightfv(light, GL_POSITION, at);
                glLightf(light, GL_LINEAR_ATTENUATION, 0.1f);
            }
            glEnable(light);
        }
    }
    void Characters() {
        const SceneData& d = Data();
        glEnable(GL_LIGHTING);
        glBindTexture(GL_TEXTURE_2D, textures_[7]);
        glBindBuffer(GL_ARRAY_BUFFER, skinBuffer_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skinIndices_);
        for (ObjectListNode* n = g_Scene.characterModels->head; n; n = n->next) {
            auto* model = static_cast<CharacterModel*>(n->object);
            if (model->skinMatrices.size() < 2) continue;
            const Mat4& a = model->skinMatrices[0];
            const Mat4& b = model->skinMatrices[1];
            for (size_t i = 0; i < d.skinVertices.size(); ++i) {
                const SkinVertex& v = d.skinVertices[i];
                const float w = v.weight, u = 1.0f - w;
                const Vec3 p{v.x, v.y, v.z}, nn{v.nx, v.ny, v.nz};
                const Vec3 pa = Vec3TransformCoord(p, a), pb = Vec3TransformCoord(p, b);
                const Vec3 na = Vec3TransformNormal(nn, a), nb = Vec3TransformNormal(nn, b);
                skinned_[i] = {pa.x * w + pb.x * u, pa.y * w + pb.y * u, pa.z * w + pb.z * u, 0,
                               na.x * w + nb.x * u, na.y * w + nb.y * u, na.z * w + nb.z * u, v.u, v.v};
            }
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(skinned_.size() * sizeof(SkinVertex)), skinned_.data(), GL_STREAM_DRAW);
            glVertexPointer(3, GL_FLOAT, sizeof(SkinVertex), nullptr);
            glNormalPointer(GL_FLOAT, sizeof(SkinVertex), reinterpret_cast<const void*>(16));
            glTexCoordPointer(2, GL_FLOAT, sizeof(SkinVertex), reinterpret_cast<const void*>(28));
            glDrawElements(GL_TRIANGLES, GLsizei(d.skinIndices.size()), GL_UNSIGNED_SHORT, nullptr);
        }
    }
    void Shadows() {
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, volumeBuffer_);
        glEnable(GL_STENCIL_TEST);
        glDepthMask(GL_FALSE);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glStencilFunc(GL_ALWAYS, 1, 0xFFFFFFFFu);
        for (ObjectListNode* n = g_Scene.characterModels->head; n; n = n->next) {
            auto* model = static_cast<CharacterModel*>(n->object);
            if (!model->shadow || model->shadow->volumeCount == 0) continue;
            const ModelLoader& s = *model->shadow;
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(s.volumeCount * sizeof(Vec3)), s.volume.data(), GL_STREAM_DRAW);
            glVertexPointer(3, GL_FLOAT, 0, nullptr);
            glCullFace(GL_BACK);
            glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
            glDrawArrays(GL_TRIANGLES, 0, GLsizei(s.volumeCount));
            glCullFace(GL_FRONT);
            glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
            glDrawArrays(GL_TRIANGLES, 0, GLsizei(s.volumeCount));
        }
        glCullFace(GL_BACK);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        // The darkening quad over the whole window where the count is at least 1.
        glStencilFunc(GL_LEQUAL, 1, 0xFFFFFFFFu);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        const float quad[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glColor4f(0, 0, 0, 0.5f);
        glVertexPointer(2, GL_FLOAT, 0, quad);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glColor4f(1, 1, 1, 1);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_STENCIL_TEST);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }

    Config config_;
    benchsupport::RawWindow window_;
    GLuint textures_[kTextures] = {};
    GLuint meshBuffers_[kMeshes] = {};
    GLuint meshIndices_ = 0, skinBuffer_ = 0, skinIndices_ = 0, volumeBuffer_ = 0;
    std::vector<SkinVertex> skinned_;
};

// ---- The game's side ----

class GameScene {
public:
    GameScene(benchmark::State& state, const Config& config) : rig_(state), config_(config) {
        if (!rig_.device) return;
        for (int t = 0; t < kTextures; ++t)
            WriteBytes((dir_.path() / TextureName(t)).string(), TgaFile(SolidPicture(64, 64, TextureColour(t))));
        WriteBytes((dir_.path() / "WORLD.Y3D").string(), WorldFile(config.lit));
        WriteBytes((dir_.path() / "LIGHTS.Y3D").string(), LightsFile());
        WriteBytes((dir_.path() / "CHAR.Y3D").string(), CharacterFile());
        WriteBytes((dir_.path() / "CHARshadow.Y3D").string(), ShadowFile());
        saved_ = g_Settings;
        g_Video.Zero();
        g_Video.device = rig_.device;
        g_Video.screenRect = {0, 0, int32_t(kWidth) - 1, int32_t(kHeight) - 1};
        g_Video.halfWidth = kWidth / 2;
        g_Video.halfHeight = kHeight / 2;
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
    ~GameScene() {
        g_Scene.Destroy(true);
        if (g_Video.renderTarget) g_Video.renderTarget->Release();
        if (g_Video.depthSurface) g_Video.depthSurface->Release();
        g_Video.Zero();
        g_Settings = saved_;
        g_Clocks = ClockSet();
    }
    bool Ready() const { return ready_; }

    void Frame() {
        g_Video.device->BeginScene();
        g_Video.Clear(0xFF1A334Du);
        g_Scene.Render();
        g_Video.device->EndScene();
        g_Video.Present();
        glFinish();
    }

private:
    benchsupport::GLRig<kWidth, kHeight> rig_;
    Config config_;
    ScopedWorkDir dir_;
    Settings saved_{};
    bool ready_ = false;
};

void BM_FrameBesideRawOpenGL(benchmark::State& state) {
    // As measured for the targets: two cores for the software rasteriser.
    setenv("LP_NUM_THREADS", "2", 0);
    const Config& config = kConfigs[state.range(0)];
    state.SetLabel(config.name);
    GameScene game(state, config);
    if (!game.Ready()) return;
    const Texture* sample = g_Scene.textures->Get(g_Scene.textures->Find(TextureName(7).c_str()));
    RawCopy raw(config, sample && sample->levels > 1);
    if (!raw.Ready()) {
        state.SkipWithError("no second OpenGL context");
        return;
    }
    // One frame of each first, so that uploads and first-use costs stay out of the count.
    game.Frame();
    raw.Frame();
    benchsupport::CompareFrames(state, [&] { game.Frame(); }, [&] { raw.Frame(); });
}
BENCHMARK(BM_FrameBesideRawOpenGL)->DenseRange(0, 5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
