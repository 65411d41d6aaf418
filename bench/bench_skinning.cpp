// Speed of skinning on the processor: 16 characters whose shadow meshes have about 2000
// vertices (a closed sphere of 40 rings by 50 segments over two bones), skinned vertex by vertex,
// and the whole shadow volume (skinning, silhouette, extrusion) built per character.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "render/geometry.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"

namespace {

constexpr int kCharacters = 16;
constexpr int kRings = 40;
constexpr int kSegments = 50;

struct Character {
    CharacterModel model;
    ModelLoader shadow;

    Character() {
        model.root = new Bone();
        Bone* root = model.root;
        root->owner = &model;
        root->childCount = 1;
        root->children = new Bone[1];
        Bone* arm = &root->children[0];
        arm->parent = root;
        arm->owner = &model;
        arm->index = 1;
        model.boneCount = 2;
        model.BuildBoneTable();
        root->worldMatrix = Mat4Translation(0.0f, 0.2f, 0.0f);
        arm->worldMatrix = Mat4Mul(Mat4RotationZ(0.3f), Mat4Translation(0.0f, 1.0f, 0.0f));
        shadow.inverseBinds = {Mat4Identity(), Mat4Translation(0.0f, -1.0f, 0.0f)};
        // Rings from pole to pole; the upper half leans on the arm.
        for (int r = 0; r < kRings; ++r) {
            const float phi = float(M_PI) * float(r + 1) / float(kRings + 1);
            for (int s = 0; s < kSegments; ++s) {
                const float theta = 2.0f * float(M_PI) * float(s) / float(kSegments);
                ShadowVertex v;
                v.position = {std::sin(phi) * std::cos(theta), 1.0f + std::cos(phi), std::sin(phi) * std::sin(theta)};
                const float w = float(r) / float(kRings - 1);
                v.influences = {{0, 1.0f - w}, {1, w}};
                shadow.vertices.push_back(v);
            }
        }
        auto at = [](int r, int s) { return uint16_t(r * kSegments + (s % kSegments)); };
        for (int r = 0; r + 1 < kRings; ++r) {
            for (int s = 0; s < kSegments; ++s) {
                shadow.triangles.insert(shadow.triangles.end(), {at(r, s), at(r + 1, s), at(r + 1, s + 1)});
                shadow.triangles.insert(shadow.triangles.end(), {at(r, s), at(r + 1, s + 1), at(r, s + 1)});
            }
        }
        shadow.vertexCount = uint32_t(shadow.vertices.size());
        shadow.triangleCount = uint32_t(shadow.triangles.size() / 3);
    }
    ~Character() { model.shadow = nullptr; }
};

void BM_SkinSixteenShadowMeshes(benchmark::State& state) {
    std::vector<std::unique_ptr<Character>> characters;
    for (int i = 0; i < kCharacters; ++i) characters.push_back(std::make_unique<Character>());
    for (auto _ : state) {
        for (auto& c : characters) {
            for (uint32_t v = 0; v < c->shadow.vertexCount; ++v) {
                Vec3 p = c->shadow.SkinVertex(c->model, v);
                benchmark::DoNotOptimize(p);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kCharacters * kRings * kSegments);
}
BENCHMARK(BM_SkinSixteenShadowMeshes);

void BM_BuildSixteenShadowVolumes(benchmark::State& state) {
    std::vector<std::unique_ptr<Character>> characters;
    for (int i = 0; i < kCharacters; ++i) characters.push_back(std::make_unique<Character>());
    for (auto _ : state) {
        for (auto& c : characters) {
            c->shadow.BuildShadowVolume(&c->model);
            benchmark::DoNotOptimize(c->shadow.volumeCount);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCharacters * kRings * kSegments);
}
BENCHMARK(BM_BuildSixteenShadowVolumes);

void BM_SkinMatricesOfSixteenModels(benchmark::State& state) {
    std::vector<std::unique_ptr<Character>> characters;
    for (int i = 0; i < kCharacters; ++i) characters.push_back(std::make_unique<Character>());
    for (auto _ : state) {
        for (auto& c : characters) {
            c->model.BuildSkinMatrices();
            benchmark::DoNotOptimize(c->model.skinMatrices.data());
        }
    }
}
BENCHMARK(BM_SkinMatricesOfSixteenModels);

}  // namespace
