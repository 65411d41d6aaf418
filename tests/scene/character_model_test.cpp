// Character models: loading detail levels, skinning through the device's vertex blending, the
// choice of detail level, root motion, copies and attachments.
#include "character_model_fixture.h"
#include "render/material.h"
#include "scene/sub_mesh.h"

namespace modeltest {
namespace {

using gfx::CallKind;

constexpr float kEps = 1e-4f;

void ExpectNear(const Vec3& a, const Vec3& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, kEps) << what;
    EXPECT_NEAR(a.y, b.y, kEps) << what;
    EXPECT_NEAR(a.z, b.z, kEps) << what;
}

// The same vertex three times: all on the arm, all on the hip, half and half.
std::vector<SkinnedVertex> ThreeWeights() {
    return {{1, 1, 0, 0.0f, 0xFFFFFFFF}, {1, 1, 0, 1.0f, 0xFFFFFFFF}, {1, 1, 0, 0.5f, 0xFFFFFFFF}};
}

class CharacterModelTest : public ModelTest {
protected:
    void LoadTwoBoneModel() {
        ASSERT_TRUE(LoadSkeleton(&model));
        ASSERT_TRUE(LoadDetail(&model, DetailFile(ThreeWeights()).Build()));
    }
};

// Posed at (2, 0, 5) on frame 0 of the walk: the hip's track holds the model at height 0.5 and
// the arm stands turned half round z about its own origin, one unit above the hip.
TEST_F(CharacterModelTest, SkinnedVerticesLandWhereTheBonesTakeThem) {
    LoadTwoBoneModel();
    ASSERT_TRUE(model.PlayAnimation(0, 0, 0, 30.0f, true));
    model.position = {2, 0, 5};
    NextFrame();
    model.UpdatePose(true);
    ExpectNear(model.position, {2, 0.5f, 5}, "model");

    rec->ClearLog();
    ASSERT_TRUE(model.Draw());
    Mat4 world[2];
    bool seen[2] = {false, false};
    for (const gfx::Call& c : rec->CallsOf(CallKind::SetTransform)) {
        const uint32_t slot = c.args[0] - 256;
        if (slot < 2 && !seen[slot]) {
            world[slot] = c.matrix;
            seen[slot] = true;
        }
    }
    ASSERT_TRUE(seen[0] && seen[1]);
    // What the device's blending makes of each vertex: weight w on matrix 0, 1 - w on matrix 1.
    const Vec3 expected[3] = {{1, 1.5f, 5}, {3, 1.5f, 5}, {2, 1.5f, 5}};
    const std::vector<SkinnedVertex> v = ThreeWeights();
    for (int i = 0; i < 3; ++i) {
        const Vec3 p{v[i].x, v[i].y, v[i].z};
        const Vec3 blended = Vec3Add(Vec3Scale(Vec3TransformCoord(p, world[0]), v[i].weight),
                                     Vec3Scale(Vec3TransformCoord(p, world[1]), 1.0f - v[i].weight));
        ExpectNear(blended, expected[i], ("vertex " + std::to_string(i)).c_str());
    }
    EXPECT_EQ(rec->RenderStateSends(gfx::D3DRS_VERTEXBLEND), (std::vector<uint32_t>{1, 0}));
    ASSERT_EQ(rec->CountCalls(CallKind::DrawIndexedPrimitive), 1u);
}

struct RootMotionCase {
    const char* name;
    float rate;
    float startFrame;
    int32_t stepMs;
    float expectedX;
};

// The hip's track runs x = frame over 10 frames; 100 ms at 30 frames a second is 3 frames.
TEST_F(CharacterModelTest, RootMotionFollowsTheTrackAcrossWrapsInBothDirections) {
    const RootMotionCase cases[] = {
        {"forward", 30.0f, 2.0f, 100, 3.0f},
        {"forward over the end", 30.0f, 8.0f, 100, 3.0f},       // 8 -> 10, then 0 -> 1
        {"backward", -30.0f, 8.0f, 100, -3.0f},                  // time goes down without a wrap
        {"backward over the start", -30.0f, 2.0f, 100, -3.0f},  // 2 -> 0, then 10 -> 9
    };
    LoadTwoBoneModel();
    for (const RootMotionCase& c : cases) {
        ASSERT_TRUE(model.PlayAnimation(0, 0, 0, c.rate, true));
        model.SetAnimationFrame(0, c.startFrame, true);
        model.position = {0, 0, 0};
        model.root->controller->Advance(c.stepMs);
        NextFrame();
        model.UpdatePose(true);
        EXPECT_NEAR(model.position.x, c.expectedX, kEps) << c.name;
    }
}

struct LevelCase {
    int lod;
    uint8_t lowest;
    int expectedLevel;
};

// Level 0 draws two triangles, level 1 one: what is drawn tells the level apart.
TEST_F(CharacterModelTest, ALevelThatIsNotLoadedDrawsTheNearestLoadedOne) {
    ASSERT_TRUE(LoadSkeleton(&model));
    std::vector<SkinnedVertex> six = ThreeWeights();
    six.insert(six.end(), six.begin(), six.end());
    ASSERT_TRUE(LoadDetail(&model, DetailFile(six, 2).Build()));
    ASSERT_TRUE(LoadDetail(&model, DetailFile(ThreeWeights(), 1).Build()));
    const LevelCase cases[] = {{0, 0, 0}, {1, 0, 1}, {4, 0, 1}, {0, 1, 1}, {9, 0, 1}};
    for (const LevelCase& c : cases) {
        model.lod = uint8_t(c.lod);
        g_SceneLowestDetail = c.lowest;
        EXPECT_EQ(model.DrawLevel(), c.expectedLevel) << c.lod << "/" << int(c.lowest);
        rec->ClearLog();
        model.Draw();
        ASSERT_EQ(rec->Draws().size(), 1u);
        EXPECT_EQ(rec->Draws()[0].primitiveCount, c.expectedLevel == 0 ? 2u : 1u) << c.lod;
    }
    g_SceneLowestDetail = 0;
    // Gaps are filled from either side, the finer level first on a tie.
    model.levels[1].loaded = false;
    model.levels[3].loaded = true;
    const int expected[5] = {0, 0, 3, 3, 3};
    for (int wanted = 0; wanted < 5; ++wanted) EXPECT_EQ(model.ResolveLevel(wanted), expected[wanted]) << wanted;
    model.levels[3].loaded = false;
    model.levels[0].loaded = false;
    EXPECT_EQ(model.ResolveLevel(2), -1);
    rec->ClearLog();
    model.Draw();
    EXPECT_TRUE(rec->Draws().empty());
}

TEST_F(CharacterModelTest, BadDetailFilesAreRefused) {
    ASSERT_TRUE(LoadSkeleton(&model));
    struct Bad {
        const char* name;
        Y3DSkinnedModel file;
    };
    std::vector<Bad> cases;
    cases.push_back({"signature", DetailFile(ThreeWeights())});
    cases.back().file.header.signature = "QTXMAY";
    cases.push_back({"version", DetailFile(ThreeWeights())});
    cases.back().file.header.version = 321;
    cases.push_back({"no skinned mesh", DetailFile(ThreeWeights())});
    cases.back().file.withMesh = false;
    cases.push_back({"header type", DetailFile(ThreeWeights())});
    cases.back().file.meshHeaderType = 0x100;
    cases.push_back({"bone outside the skeleton", DetailFile(ThreeWeights())});
    cases.back().file.subMeshes[0].bones = {0, 2, 0, 0};
    for (const Bad& c : cases) {
        EXPECT_FALSE(LoadDetail(&model, c.file.Build())) << c.name;
        EXPECT_FALSE(model.levels[0].loaded) << c.name;
    }
    // Five levels fill every slot; a sixth is refused.
    for (int i = 0; i < MODEL_LOD_COUNT; ++i) ASSERT_TRUE(LoadDetail(&model, DetailFile(ThreeWeights()).Build()));
    EXPECT_FALSE(LoadDetail(&model, DetailFile(ThreeWeights()).Build()));
}

TEST_F(CharacterModelTest, AnimationApiAnswersForBadBones) {
    LoadTwoBoneModel();
    for (int bad : {-1, 2, 300}) {
        EXPECT_EQ(model.GetAnimationIndex(bad), -1) << bad;
        EXPECT_EQ(model.GetAnimationFrame(bad), -1.0f) << bad;
        EXPECT_EQ(model.HasAnimationWrapped(bad), 0) << bad;
        EXPECT_FALSE(model.AnimationPassedFrame(bad, 0.0f)) << bad;
        EXPECT_EQ(model.GetAnimationLength(bad), -1) << bad;
        EXPECT_FALSE(model.PlayAnimation(bad, 0, 0, 30.0f, true)) << bad;
        model.SetAnimationFrame(bad, 3.0f, true);
    }
    EXPECT_TRUE(model.HasAnimation(0));
    EXPECT_FALSE(model.HasAnimation(5));
    // An animation the group lacks leaves every controller alone.
    ASSERT_TRUE(model.PlayAnimation(0, 1, 0, 30.0f, true));
    EXPECT_FALSE(model.PlayAnimation(0, 5, 0, 30.0f, true));
    EXPECT_EQ(model.GetAnimationIndex(0), 1);
    EXPECT_EQ(model.GetAnimationIndex(1), 1);
    EXPECT_EQ(model.GetAnimationLength(1), 4);
    model.SetAnimationFrame(1, 2.0f, false);
    EXPECT_EQ(model.GetAnimationFrame(1), 2.0f);
    EXPECT_EQ(model.GetAnimationFrame(0), 0.0f);
    model.SetAnimationFrame(0, -1.0f, true);   // negative times are ignored
    EXPECT_EQ(model.GetAnimationFrame(1), 2.0f);
}

TEST_F(CharacterModelTest, FadeSetsTheBlendOfEveryMaterialAndBack) {
    LoadTwoBoneModel();
    Material* m = g_Scene.materials->Get(model.levels[0].subMeshes[0]->materialId);
    ASSERT_NE(m, nullptr);
    ASSERT_GE(m->passCount, 1u);
    model.SetAlpha(128);
    EXPECT_EQ(model.alpha, 128);
    EXPECT_EQ(m->passes[0].blendPreset, 5u);
    EXPECT_EQ(m->passes[0].factorAlpha, 128);
    model.SetAlpha(255);
    EXPECT_EQ(m->passes[0].blendPreset, 0u);
    // The same alpha again changes nothing.
    m->passes[0].blendPreset = 7;
    model.SetAlpha(255);
    EXPECT_EQ(m->passes[0].blendPreset, 7u);
}

TEST_F(CharacterModelTest, AnAttachmentFollowsItsBone) {
    LoadTwoBoneModel();
    SceneNode piece;
    piece.SetName("helmet");
    model.SetAttachment(0x103, &piece, nullptr, 1);   // slot 3 by its low byte
    EXPECT_EQ(model.attachments[3].object, &piece);
    EXPECT_EQ(model.attachments[3].inUse, 0);
    model.attachments[3].inUse = 1;
    ASSERT_TRUE(model.PlayAnimation(0, 1, 0, 30.0f, true));
    model.position = {2, 0, 5};
    NextFrame();
    model.UpdatePose(true);
    ExpectNear(model.attachments[3].placedPosition, {2, 1, 5}, "at rest");
    model.position = {-1, 0, 3};
    NextFrame();
    model.UpdatePose(true);
    ExpectNear(model.attachments[3].placedPosition, {-1, 1, 3}, "moved");
    // Slots past the sixteenth are ignored.
    model.SetAttachment(16, &piece, "track", 0);
    for (const CharacterAttachment& a : model.attachments) EXPECT_STRNE(a.trackName, "track");
}

TEST_F(CharacterModelTest, ACopyHasItsOwnBonesAndMaterialsAndSharesTheShadow) {
    LoadTwoBoneModel();
    model.shadow = g_ModelLoaders.Create();
    model.position = {1, 2, 3};
    CharacterModel copy;
    ASSERT_TRUE(copy.CopyModel(&model));
    EXPECT_EQ(copy.boneCount, 2);
    ASSERT_EQ(copy.bones.size(), 2u);
    EXPECT_NE(copy.bones[1], model.bones[1]);
    EXPECT_EQ(copy.bones[1]->owner, &copy);
    EXPECT_EQ(copy.shadow, model.shadow);
    EXPECT_EQ(g_ModelLoaders.RefCount(model.shadow), 2);
    ASSERT_EQ(copy.levels[0].subMeshes.size(), 1u);
    const int32_t own = copy.levels[0].subMeshes[0]->materialId, source = model.levels[0].subMeshes[0]->materialId;
    EXPECT_NE(own, source);
    ASSERT_NE(g_Scene.materials->Get(own), nullptr);
    EXPECT_EQ(g_Scene.materials->Get(own)->refCount, 1);
    EXPECT_EQ(g_Scene.materials->Get(own)->passCount, g_Scene.materials->Get(source)->passCount);
    // Fading the copy leaves the original's material alone.
    copy.SetAlpha(100);
    EXPECT_EQ(g_Scene.materials->Get(own)->passes[0].factorAlpha, 100);
    EXPECT_EQ(g_Scene.materials->Get(source)->passes[0].blendPreset, 0u);
    EXPECT_EQ(copy.position.z, 3.0f);
    copy.Release();
    EXPECT_EQ(g_ModelLoaders.RefCount(model.shadow), 1);
    EXPECT_EQ(g_Scene.materials->Get(own), nullptr);   // its last reference went with the copy
    copy.Release();   // again: nothing left to free
    EXPECT_EQ(copy.boneCount, 0);
}

}  // namespace
}  // namespace modeltest
