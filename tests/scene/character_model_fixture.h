// A two-bone character built from test files: hip (the root, at the origin) and arm (one unit up
// the hip), with hand-made animation keys, on the recording device and a made scene.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"
#include "scene/scene.h"
#include "shell/render_frame.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_model_builder.h"
#include "scene_element_records.h"
#include "support/two_bone_skeleton.h"

namespace modeltest {

using namespace datakit;

constexpr int32_t kGroup = 7;

inline Y3DBone TwoBones() { return TwoBoneSkeleton(); }

// Animation 0: the hip walks 1 unit along x per frame over 10 frames at height 0.5; the arm
// stands turned half round the z axis.
// Animation 1: everything at rest, 4 frames long.
inline Animation& Walk() {
    static Animation a;
    return a;
}
inline Animation& Rest() {
    static Animation a;
    return a;
}
inline Animation* Lookup(int32_t group, int32_t index) {
    if (group != kGroup) return nullptr;
    return index == 0 ? &Walk() : index == 1 ? &Rest() : nullptr;
}

inline void BuildAnimations() {
    const auto both = ANIM_HAS_ROTATION | ANIM_HAS_POSITION;
    Animation& w = Walk();
    w.Free();
    w.length = 10;
    w.nodeTrackCount = 2;
    w.nodeTracks.assign(2, AnimTrack{});
    // The sampler blends neighbouring frames only: one key per frame.
    for (uint16_t f = 0; f <= 10; ++f) {
        w.nodeTracks[0].keys.push_back(AnimKey{f, both, {0, 0, 0, 1}, {float(f), 0.5f, 0}});
        w.nodeTracks[1].keys.push_back(AnimKey{f, both, {0, 0, 1, 0}, {0, 1, 0}});
    }
    for (AnimTrack& t : w.nodeTracks) t.flags = both, t.keyCount = uint16_t(t.keys.size());
    Animation& r = Rest();
    r.Free();
    r.length = 4;
    r.nodeTrackCount = 2;
    r.nodeTracks.assign(2, AnimTrack{});
    r.nodeTracks[0].keys.push_back(AnimKey{0, both, {0, 0, 0, 1}, {0, 0, 0}});
    r.nodeTracks[1].keys.push_back(AnimKey{0, both, {0, 0, 0, 1}, {0, 1, 0}});
    for (AnimTrack& t : r.nodeTracks) t.flags = both, t.keyCount = uint16_t(t.keys.size());
}

// One triangle over three skinned vertices blended between bones (0, 1), drawn with one
// vertex-colour material.
inline Y3DSkinnedModel DetailFile(std::vector<SkinnedVertex> vertices, uint16_t triangles = 1) {
    Y3DSkinnedModel f;
    Y3DMaterial material;
    material.layers = {Y3DMaterialLayer{64, ""}};
    f.materials = {material.Build()};
    f.vertexBuffers = {SkinnedVertices(vertices)};
    f.indexBuffers = {SequentialIndices(uint32_t(vertices.size()), 0)};
    Y3DSubMesh s;
    s.primitiveCount = triangles;
    s.maxVertex = uint16_t(vertices.size() - 1);
    s.matrixCount = 2;
    s.bones = {0, 1, 0, 0};
    f.subMeshes = {s};
    f.skeleton = TwoBones();
    return f;
}

// A box over x, z in [-0.5, 0.5], y in [1, 2], every face wound the same way, all on the hip.
inline Y3DShadowModel BoxShadow() {
    Y3DShadowModel f;
    const float c[8][3] = {{-.5f, 1, -.5f}, {.5f, 1, -.5f}, {.5f, 2, -.5f}, {-.5f, 2, -.5f},
                           {-.5f, 1, .5f},  {.5f, 1, .5f},  {.5f, 2, .5f},  {-.5f, 2, .5f}};
    for (const auto& p : c) f.vertices.push_back({{p[0], p[1], p[2]}, {{0, 1.0f}}});
    const uint16_t faces[6][4] = {{0, 1, 5, 4}, {3, 7, 6, 2}, {0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}};
    for (const auto& q : faces) {
        f.triangles.push_back({q[0], q[1], q[2]});
        f.triangles.push_back({q[0], q[2], q[3]});
    }
    f.skeleton = TwoBones();
    return f;
}

class ModelTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        BuildAnimations();
        SetAnimationLookup(Lookup);
        g_SceneLowestDetail = 0;
    }
    void TearDown() override {
        model.Release();
        g_ModelLoaders.Clear();
        SetAnimationLookup(nullptr);
        g_SceneLowestDetail = 0;
        fxtest::FxDeviceTest::TearDown();
    }

    void NextFrame() { ++g_FrameStats.frameCounter; }

    bool LoadSkeleton(CharacterModel* m) {
        auto f = EntryOf(BuildSkeletonRecords(TwoBones(), kGroup));
        return m->LoadSkeleton(f->Reader());
    }
    bool LoadDetail(CharacterModel* m, const std::vector<uint8_t>& bytes) {
        auto f = EntryOf(bytes);
        return m->LoadDetailLevel(f->Reader());
    }

    CharacterModel model;
};

}  // namespace modeltest
