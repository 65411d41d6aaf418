// Frame cost of the character shadows: 16 characters, each with a closed 2000-vertex shadow mesh
// (a capsule of 40 rings by 50 segments) skinned over a bent three-bone chain, lit from above.
// One frame builds every volume; the drawn variant also counts them into the recording device.
// On the OpenGL device, the same capsules loaded as the game loads its characters are drawn frame
// after frame by the scene, in blocks with the shadows off and on, for the shadows' share of the
// main thread's time and what the frames do to the heap.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/binary_reader.h"
#include "core/settings.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "datakit/y3d_model_builder.h"
#include "datakit/y3d_octree_builder.h"
#include "frame_compare.h"
#include "frame_scene.h"
#include "support/two_bone_skeleton.h"
#include "gl_rig.h"
#include "recording_video.h"
#include "scene/bone.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"
#include "scene/collision_octree.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "support/temp_dir.h"

namespace {

constexpr int kCharacters = 16;
constexpr int kRings = 40;
constexpr int kSegments = 50;
constexpr int kBones = 3;

// A point of a capsule of radius 0.4 whose rings run from pole to pole over a height of 2.
struct CapsulePoint {
    Vec3 position, normal;
    float around;  // 0 .. 1 along the ring
};

std::vector<CapsulePoint> CapsulePoints() {
    std::vector<CapsulePoint> points;
    for (int r = 0; r < kRings; ++r) {
        const float phi = float(M_PI) * float(r + 1) / float(kRings + 1);
        for (int s = 0; s < kSegments; ++s) {
            const float theta = 2.0f * float(M_PI) * float(s) / float(kSegments);
            const Vec3 n{std::sin(phi) * std::cos(theta), -std::cos(phi), std::sin(phi) * std::sin(theta)};
            points.push_back({{0.4f * n.x, 1.0f + n.y, 0.4f * n.z}, n, float(s) / float(kSegments)});
        }
    }
    return points;
}

// The capsule's sides, clockwise seen from outside; with caps, fans over the first and the last
// ring close it.
std::vector<std::array<uint16_t, 3>> CapsuleTriangles(bool caps) {
    std::vector<std::array<uint16_t, 3>> triangles;
    auto at = [](int r, int s) { return uint16_t(r * kSegments + (s % kSegments)); };
    for (int r = 0; r + 1 < kRings; ++r)
        for (int s = 0; s < kSegments; ++s) {
            triangles.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1)});
            triangles.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1)});
        }
    for (int s = 1; caps && s + 1 < kSegments; ++s) {
        triangles.push_back({at(0, 0), at(0, s), at(0, s + 1)});
        triangles.push_back({at(kRings - 1, 0), at(kRings - 1, s + 1), at(kRings - 1, s)});
    }
    return triangles;
}

struct ShadowCharacter {
    CharacterModel model;
    ModelLoader shadow;

    explicit ShadowCharacter(int index) {
        // A chain hip -> spine -> head, one unit apart, the upper two bent a little.
        model.root = new Bone();
        Bone* bone = model.root;
        bone->owner = &model;
        for (int b = 1; b < kBones; ++b) {
            bone->childCount = 1;
            bone->children = new Bone[1];
            Bone* child = &bone->children[0];
            child->parent = bone;
            child->owner = &model;
            child->index = b;
            bone = child;
        }
        model.boneCount = kBones;
        model.BuildBoneTable();
        const float x = float(index % 4) * 3.0f, z = float(index / 4) * 3.0f;
        model.position = {x, 0.0f, z};
        for (int b = 0; b < kBones; ++b) {
            model.bones[b]->worldMatrix =
                Mat4Mul(Mat4RotationZ(0.15f * float(b)), Mat4Translation(x, float(b), z));
            shadow.inverseBinds.push_back(Mat4Translation(0.0f, -float(b), 0.0f));
        }
        // Each vertex blends the two bones nearest to its height.
        for (const CapsulePoint& p : CapsulePoints()) {
            const int lower = std::min(int(p.position.y), kBones - 2);
            const float w = p.position.y - float(lower);
            ShadowVertex v;
            v.position = p.position;
            v.influences = {{uint8_t(lower), 1.0f - w}, {uint8_t(lower + 1), w}};
            shadow.vertices.push_back(v);
        }
        for (const auto& t : CapsuleTriangles(true)) shadow.triangles.insert(shadow.triangles.end(), t.begin(), t.end());
        shadow.vertexCount = uint32_t(shadow.vertices.size());
        shadow.triangleCount = uint32_t(shadow.triangles.size() / 3);
    }
};

// A recording device behind the video object and the sixteen characters, for one benchmark.
class DeviceRig : public benchsupport::RecordingVideo {
public:
    explicit DeviceRig(benchmark::State& state) : RecordingVideo(state) {
        if (!device) return;
        for (int i = 0; i < kCharacters; ++i) characters.push_back(std::make_unique<ShadowCharacter>(i));
    }
    ~DeviceRig() { characters.clear(); }
    std::vector<std::unique_ptr<ShadowCharacter>> characters;
};

void BM_BuildSixteenCharacterShadows(benchmark::State& state) {
    DeviceRig rig(state);
    if (!rig.device) return;
    uint64_t edges = 0;
    for (auto _ : state) {
        for (auto& c : rig.characters) {
            c->shadow.volumeCount = 0;
            c->shadow.BuildShadowVolume(&c->model);
            benchmark::DoNotOptimize(c->shadow.volume.data());
            edges += c->shadow.edgeCount;
        }
    }
    state.counters["edgesPerCharacter"] = double(edges) / double(state.iterations() * kCharacters);
}
BENCHMARK(BM_BuildSixteenCharacterShadows)->Unit(benchmark::kMicrosecond);

void BM_BuildAndDrawSixteenCharacterShadows(benchmark::State& state) {
    DeviceRig rig(state);
    if (!rig.device) return;
    for (auto _ : state) {
        for (auto& c : rig.characters) {
            c->shadow.volumeCount = 0;
            c->shadow.BuildShadowVolume(&c->model);
            c->shadow.DrawShadowVolume();
        }
        state.PauseTiming();
        rig.device->ClearLog();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildAndDrawSixteenCharacterShadows)->Unit(benchmark::kMicrosecond);

// ---- On the OpenGL device ----

constexpr uint32_t kFrameWidth = 1024, kFrameHeight = 768;
constexpr int kBlockFrames = 8;  // frames of one setting before the other takes over

// A skinned vertex as the game's characters have them: position, the hip's weight, normal and
// one texture pair.
struct SkinVertex {
    float x, y, z, hip, nx, ny, nz, u, v;
};
constexpr uint32_t kSkinFvf = 0x116;

// The hip's weight at a height: all of it at the foot, none at the top.
float HipWeight(float height) { return std::clamp(1.0f - height * 0.5f, 0.0f, 1.0f); }

std::vector<uint8_t> CapsuleCharacterFile() {
    datakit::Y3DSkinnedModel f;
    datakit::Y3DMaterial m;
    m.layers = {{1, "SKIN.TGA"}};
    f.materials = {m.Build()};
    std::vector<SkinVertex> vertices;
    for (const CapsulePoint& p : CapsulePoints())
        vertices.push_back({p.position.x, p.position.y, p.position.z, HipWeight(p.position.y), p.normal.x, p.normal.y,
                            p.normal.z, p.around, p.position.y * 0.5f});
    datakit::VertexRecord vr;
    vr.count = uint32_t(vertices.size());
    vr.fvf = kSkinFvf;
    vr.vertices.resize(vertices.size() * sizeof(SkinVertex));
    std::memcpy(vr.vertices.data(), vertices.data(), vr.vertices.size());
    f.vertexBuffers = {vr};
    datakit::IndexRecord ir;
    for (const auto& t : CapsuleTriangles(false)) ir.indices.insert(ir.indices.end(), t.begin(), t.end());
    ir.count = uint32_t(ir.indices.size());
    f.indexBuffers = {ir};
    datakit::Y3DSubMesh sub;
    sub.primitiveCount = uint16_t(ir.count / 3);
    sub.maxVertex = uint16_t(vertices.size() - 1);
    sub.matrixCount = 2;
    sub.bones = {0, 1, 0, 0};
    f.subMeshes = {sub};
    f.skeleton = TwoBoneSkeleton();
    return f.Build();
}

std::vector<uint8_t> CapsuleShadowFile() {
    datakit::Y3DShadowModel f;
    f.triangles = CapsuleTriangles(true);
    for (const CapsulePoint& p : CapsulePoints()) {
        const float hip = HipWeight(p.position.y);
        f.vertices.push_back({p.position, {{0, hip}, {1, 1.0f - hip}}});
    }
    f.skeleton = TwoBoneSkeleton();
    return f.Build();
}

// A sun and one point light among the characters.
std::vector<uint8_t> LightsFile() {
    datakit::Y3DSceneFile f;
    datakit::Y3DLight sun;
    sun.name = "Luz(SOL)";
    sun.type = 0x200;
    sun.position = {0, 50, 0};
    sun.direction = {0.3f, -1.0f, 0.4f};
    f.records.push_back(datakit::LightRecord(sun));
    datakit::Y3DLight point;
    point.name = "Point";
    point.position = {4, 3, 4};
    const float ranges[4] = {2, 6, 20, 60};
    std::memcpy(point.ranges, ranges, sizeof ranges);
    f.records.push_back(datakit::LightRecord(point));
    return f.Build();
}

// Flat ground at height 0 under the characters, as the collision octree of a scenario: one leaf
// over [-32, 32] in each axis.
bool LoadGround(CollisionOctree* tree) {
    const int32_t corner[3] = {-32, -32, -32};
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 6);
    nodes[0].first = 0;
    nodes[0].itemCount = 1;
    datakit::CollisionMeshDesc floor;
    floor.AddFace(0, {{-30, 0, -30}, {30, 0, -30}, {30, 0, 30}, {-30, 0, 30}}, {0, 1, 0});
    const std::vector<uint8_t> block = datakit::BuildCollisionOctreeBlock(nodes, {floor}, 320);
    BinaryReader in(block.data(), block.size());
    return tree->Read(in, 320);
}

// The heap's size taken from the system, in bytes (every arena, not the mapped blocks).
double HeapBytes() { return double(mallinfo2().arena); }

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// Sixteen capsule characters loaded by the scene's own loader, with their shadow models, on the
// OpenGL device of a hidden 1024 x 768 window; standing on collision ground or over none; seen
// from high above the group, or close up from a fighter's height at its corner, looking across
// it, where the nearest volumes cover much of the screen.
class CharacterScene {
public:
    CharacterScene(benchmark::State& state, bool ground, bool close) : rig_(state) {
        if (!rig_.device) return;
        datakit::WriteBytes((dir_.path() / "SKIN.TGA").string(), datakit::TgaFile(datakit::SolidPicture(64, 64, 0xFFB08060)));
        datakit::WriteBytes((dir_.path() / "LIGHTS.Y3D").string(), LightsFile());
        datakit::WriteBytes((dir_.path() / "CHAR.Y3D").string(), CapsuleCharacterFile());
        datakit::WriteBytes((dir_.path() / "CHARshadow.Y3D").string(), CapsuleShadowFile());
        saved_ = g_Settings;
        rig_.AttachVideo();
        rig_.device->GetDeviceCaps(&g_Video.caps);
        g_Settings.mode = 0;
        g_Settings.textureBpp = 32;
        if (!g_Scene.Create() || !g_Scene.LoadModel("LIGHTS.Y3D", "", 0, false) || !g_Scene.sun) {
            state.SkipWithError("the scene did not load");
            return;
        }
        if (ground && !LoadGround(g_Scene.collisionOctree)) {
            state.SkipWithError("the ground did not load");
            return;
        }
        for (int i = 0; i < kCharacters; ++i) {
            CharacterModel* model = g_Scene.LoadCharacterModel("CHAR.Y3D", "", 0, false);
            if (!model || !model->shadow) {
                state.SkipWithError("a character did not load with its shadow");
                delete model;
                return;
            }
            model->position = model->basePosition = {2.5f * float(i % 4), 0.0f, 2.5f * float(i / 4)};
            g_Scene.characterModels->Add(model);
            models_.push_back(model);
        }
        if (close)
            g_Scene.camera->Set({-1.0f, 1.5f, -1.0f}, {5.0f, 0.0f, 5.0f}, 0, 1.1f, 0.5f, 200.0f);
        else
            g_Scene.camera->Set({4, 14, -10}, {4, 0, 4}, 0, 1.1f, 0.5f, 200.0f);
        g_Scene.camera->Update();
        ready_ = true;
    }
    ~CharacterScene() {
        g_Scene.Destroy(true);
        if (rig_.device) rig_.DetachVideo();
        g_Settings = saved_;
    }
    bool Ready() const { return ready_; }

    // Returns how far the heap grew between the clear, where the driver lets go of the frame
    // before, and the end of the drawing, before the present hands the frame on.
    double Frame(bool shadows) {
        g_Settings.characterShadow = shadows ? 1 : 0;
        for (CharacterModel* m : models_) m->shadow->volumeCount = 0;
        g_Video.device->BeginScene();
        g_Video.Clear(0xFF1A334Du);
        const double cleared = HeapBytes();
        g_Scene.Render();
        const double drawn = HeapBytes();
        g_Video.device->EndScene();
        g_Video.Present();
        glFinish();
        return std::max(0.0, drawn - cleared);
    }
    // Characters whose shadow the last frame drew.
    int Cast() const {
        return int(std::count_if(models_.begin(), models_.end(), [](CharacterModel* m) { return m->shadow->volumeCount > 0; }));
    }

private:
    benchsupport::GLRig<kFrameWidth, kFrameHeight> rig_;
    ScopedWorkDir dir_;
    Settings saved_{};
    std::vector<CharacterModel*> models_;
    bool ready_ = false;
};

// Blocks of frames without and with the sixteen shadows, alternating. Reported per frame for each
// setting: main-thread CPU, wall time, the heap's growth in the frame (from its clear to the end
// of its drawing), the main thread's minor page faults; and the shadows' share of the main thread
// (target: at most 1.5 ms, seen from above and close up) and the heap's growth over the whole run
// (target: none). Over ground the volumes end on it, as in a scenario; over none they reach their
// full length, past the far plane. Every character must cast in every frame (shadows_cast 16), or
// the figures would be those of fewer shadows.
void BM_SixteenShadowsOnTheOpenGLDevice(benchmark::State& state) {
    // As measured for the targets: two cores for the software rasteriser.
    setenv("LP_NUM_THREADS", "2", 0);
    const bool ground = state.range(0) != 0, close = state.range(1) != 0;
    state.SetLabel(std::string(ground ? "ground" : "no_ground") + (close ? " close" : ""));
    CharacterScene scene(state, ground, close);
    if (!scene.Ready()) return;
    struct Totals {
        double cpu = 0, wall = 0, growth = 0;
        long faults = 0, cast = 0;
        int frames = 0;
    } totals[2];
    auto block = [&](bool shadows) {
        Totals& t = totals[shadows];
        for (int f = 0; f < kBlockFrames; ++f) {
            const double cpu = benchsupport::Seconds(CLOCK_THREAD_CPUTIME_ID);
            const double wall = benchsupport::Seconds(CLOCK_MONOTONIC);
            const long faults = MinorFaults();
            t.growth += scene.Frame(shadows);
            t.cpu += benchsupport::Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
            t.wall += benchsupport::Seconds(CLOCK_MONOTONIC) - wall;
            t.faults += MinorFaults() - faults;
            t.cast += scene.Cast();
            ++t.frames;
        }
    };
    // First frames of each, so that uploads and first uses stay out of the count.
    block(false);
    block(true);
    totals[0] = totals[1] = Totals{};
    const double heapBefore = HeapBytes();
    bool shadowsFirst = false;
    for (auto _ : state) {
        block(shadowsFirst);
        block(!shadowsFirst);
        shadowsFirst = !shadowsFirst;
    }
    state.counters["heap_kept_kb"] = (HeapBytes() - heapBefore) / 1024.0;
    for (const bool shadows : {false, true}) {
        const Totals& t = totals[shadows];
        const std::string tag = shadows ? "shadows_" : "none_";
        const double n = std::max(t.frames, 1);
        state.counters[tag + "cpu_ms"] = 1000.0 * t.cpu / n;
        state.counters[tag + "ms"] = 1000.0 * t.wall / n;
        state.counters[tag + "heap_growth_kb"] = t.growth / n / 1024.0;
        state.counters[tag + "page_faults"] = double(t.faults) / n;
    }
    state.counters["shadows_cast"] = double(totals[1].cast) / std::max(totals[1].frames, 1);
    if (totals[1].cast != long(kCharacters) * totals[1].frames) state.SkipWithError("not every character cast its shadow");
    state.counters["shadow_cpu_ms"] = state.counters["shadows_cpu_ms"] - state.counters["none_cpu_ms"];
    state.counters["shadow_ms"] = state.counters["shadows_ms"] - state.counters["none_ms"];
}
BENCHMARK(BM_SixteenShadowsOnTheOpenGLDevice)->Args({1, 0})->Args({0, 0})->Args({1, 1})->Args({0, 1})->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
