// Frame cost of the character shadows: 16 characters, each with a closed 2000-vertex shadow mesh
// (a capsule of 40 rings by 50 segments) skinned over a bent three-bone chain, lit from above.
// One frame builds every volume; the drawn variant also counts them into the recording device.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "recording_video.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"

namespace {

constexpr int kCharacters = 16;
constexpr int kRings = 40;
constexpr int kSegments = 50;
constexpr int kBones = 3;

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
        // Rings from pole to pole over a height of 2; each vertex blends the two nearest bones.
        for (int r = 0; r < kRings; ++r) {
            const float phi = float(M_PI) * float(r + 1) / float(kRings + 1);
            const float height = 1.0f - std::cos(phi);
            const int lower = std::min(int(height), kBones - 2);
            const float w = height - float(lower);
            for (int s = 0; s < kSegments; ++s) {
                const float theta = 2.0f * float(M_PI) * float(s) / float(kSegments);
                ShadowVertex v;
                v.position = {0.4f * std::sin(phi) * std::cos(theta), height, 0.4f * std::sin(phi) * std::sin(theta)};
                v.influences = {{uint8_t(lower), 1.0f - w}, {uint8_t(lower + 1), w}};
                shadow.vertices.push_back(v);
            }
        }
        auto at = [](int r, int s) { return uint16_t(r * kSegments + (s % kSegments)); };
        const auto add = [&](uint16_t a, uint16_t b, uint16_t c) { shadow.triangles.insert(shadow.triangles.end(), {a, b, c}); };
        for (int r = 0; r + 1 < kRings; ++r) {
            for (int s = 0; s < kSegments; ++s) {
                add(at(r, s), at(r + 1, s), at(r + 1, s + 1));
                add(at(r, s), at(r + 1, s + 1), at(r, s + 1));
            }
        }
        // Caps close the mesh: fans over the first and the last ring.
        for (int s = 1; s + 1 < kSegments; ++s) {
            add(at(0, 0), at(0, s), at(0, s + 1));
            add(at(kRings - 1, 0), at(kRings - 1, s + 1), at(kRings - 1, s));
        }
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

}  // namespace
