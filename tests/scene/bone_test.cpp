// Bones: loading, the skeleton limit, cloning, posing with animations and blends, locks per subtree.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "shell/render_frame.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_builder.h"

using namespace datakit;

namespace {

constexpr float kS45 = 0.70710678f;
const Quat kTurnZ90{0, 0, kS45, kS45};

// Group 5: animation 0 turns the root and moves the chain; animation 1 only has a root track.
Animation g_chain;
Animation g_short;
Animation* Lookup(int32_t group, int32_t index) {
    if (group != 5) return nullptr;
    if (index == 0) return &g_chain;
    if (index == 1) return &g_short;
    return nullptr;
}

Y3DBone Leaf(const char* name, Vec3 t) {
    Y3DBone b;
    b.name = name;
    b.parts.translation = t;
    return b;
}

void ExpectMatrix(const Mat4& m, const float (&e)[4][4], const char* what) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(m.m[r][c], e[r][c], 1e-5f) << what << " [" << r << "][" << c << "]";
}

class BoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAnimationLookup(Lookup);
        ResetFrameStats();
        Y3DAnimation chain;
        chain.header.length = 10;
        chain.nodes = {AnimTrackObject("root", {Y3DKey{0, kTurnZ90, Vec3{50, 50, 50}}}),
                       AnimTrackObject("A", {Y3DKey{0, Quat{0, 0, 0, 1}, Vec3{2, 0, 0}},
                                             Y3DKey{3, Quat{0, 0, 0, 1}, Vec3{6, 0, 0}}}),
                       AnimTrackObject("B", {Y3DKey{0, Quat{0, 0, 0, 1}, Vec3{0, 3, 0}}})};
        std::vector<uint8_t> bytes = chain.Build();
        ASSERT_TRUE(g_chain.ReadBytes(bytes.data(), bytes.size()));
        Y3DAnimation shortAnim;
        shortAnim.header.length = 10;
        shortAnim.nodes = {AnimTrackObject("root", {Y3DKey{0, kTurnZ90, std::nullopt}})};
        bytes = shortAnim.Build();
        ASSERT_TRUE(g_short.ReadBytes(bytes.data(), bytes.size()));
    }
    void TearDown() override {
        root.reset();
        SetAnimationLookup(nullptr);
        g_AnimControllers.Clear();
        ResetFrameStats();
    }

    // root -> A -> B, with rest translations that differ from the animation's.
    bool LoadChain() {
        Y3DBone b = Leaf("B", {0, 1, 0});
        Y3DBone a = Leaf("A", {1, 0, 0});
        a.children.push_back(b);
        Y3DBone r = Leaf("root", {9, 9, 9});
        r.children.push_back(a);
        return LoadSkeleton(r, 5);
    }
    bool LoadSkeleton(const Y3DBone& tree, uint32_t group) {
        auto f = EntryOf(BuildSkeletonRecords(tree, group));
        root = std::make_unique<Bone>();
        uint8_t counter = 0;
        return root->Load(f->Reader(), nullptr, &model, &counter);
    }
    void NextFrame() { ++g_FrameStats.frameCounter; }
    Bone* A() { return &root->children[0]; }
    Bone* B() { return &root->children[0].children[0]; }

    CharacterModel model;
    std::unique_ptr<Bone> root;
};

}  // namespace

TEST_F(BoneTest, ThreeBoneChainAgainstHandComputedMatrices) {
    ASSERT_TRUE(LoadChain());
    model.poseMatrix = Mat4Translation(5, 0, 0);
    root->PlayAnimation(0, 0, 30.0f, true);
    NextFrame();
    root->UpdatePose(true);
    // The root's quarter turn about z maps x to -y and y to x (the file's convention).
    const float rootWorld[4][4] = {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {5, 0, 0, 1}};
    const float aWorld[4][4] = {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {5, -2, 0, 1}};
    const float bWorld[4][4] = {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {8, -2, 0, 1}};
    ExpectMatrix(root->worldMatrix, rootWorld, "root");
    ExpectMatrix(A()->worldMatrix, aWorld, "A");
    ExpectMatrix(B()->worldMatrix, bWorld, "B");
    // Accumulated rotation from the root.
    EXPECT_NEAR(B()->poseParts.rotation.z, kS45, 1e-5f);

    // A's keys sit on frames 0 and 3: it holds 2 until frame 2, then moves towards 6.
    g_AnimControllers.AdvanceAll(75);   // frame 2.25: a quarter of the way
    NextFrame();
    root->UpdatePose(true);
    EXPECT_NEAR(A()->localPosition.x, 3.0f, 1e-5f);
    EXPECT_NEAR(A()->worldMatrix.m[3][1], -3.0f, 1e-5f);
}

TEST_F(BoneTest, BlendMovesAShareOfTheWayEachFrame) {
    ASSERT_TRUE(LoadChain());
    NextFrame();
    root->UpdatePose(true);   // rest: A at (1, 0, 0), root unturned
    root->PlayAnimation(0, 300, 30.0f, true);
    const float expectedX[] = {1.0f + (2.0f - 1.0f) / 3.0f, 0.0f};
    g_AnimControllers.AdvanceAll(100);
    NextFrame();
    root->UpdatePose(true);
    EXPECT_NEAR(A()->localPosition.x, expectedX[0], 1e-5f);
    // s = 1/3 of a 90-degree slerp from identity: a 30-degree turn about z.
    EXPECT_NEAR(root->localRotation.z, std::sin(15.0f * 3.14159265f / 180.0f), 1e-5f);
    EXPECT_NEAR(root->localRotation.w, std::cos(15.0f * 3.14159265f / 180.0f), 1e-5f);

    g_AnimControllers.AdvanceAll(100);
    NextFrame();
    root->UpdatePose(true);
    // s = 1/2 of the rest of the way.
    EXPECT_NEAR(A()->localPosition.x, (expectedX[0] + 2.0f) / 2.0f, 1e-5f);
    EXPECT_NEAR(root->localRotation.z, std::sin(30.0f * 3.14159265f / 180.0f), 1e-5f);

    g_AnimControllers.AdvanceAll(100);   // ends the blend: time reaches frame 3
    EXPECT_EQ(A()->controller->state, ANIM_STATE_PLAYING);
    NextFrame();
    root->UpdatePose(true);
    EXPECT_NEAR(A()->localPosition.x, 6.0f, 1e-5f);
    EXPECT_NEAR(root->localRotation.z, kS45, 1e-5f);
}

TEST_F(BoneTest, LockedSubtreeKeepsItsAnimation) {
    Y3DBone a = Leaf("A", {});
    a.children.push_back(Leaf("A1", {}));
    Y3DBone r = Leaf("root", {});
    r.children = {a, Leaf("B", {})};
    ASSERT_TRUE(LoadSkeleton(r, 5));
    root->PlayAnimation(1, 0, 30.0f, true);
    Bone* table[4] = {};
    root->CollectByIndex(table);
    EXPECT_TRUE(table[1]->SetLocked(true, false));
    root->PlayAnimation(0, 0, 30.0f, true);
    EXPECT_EQ(table[0]->controller->animIndex, 0);
    EXPECT_EQ(table[1]->controller->animIndex, 1);
    EXPECT_EQ(table[2]->controller->animIndex, 1);   // below a locked bone
    EXPECT_EQ(table[3]->controller->animIndex, 0);
    root->SetSpeed(10.0f, true);
    EXPECT_EQ(table[2]->controller->rate, 30.0f);
    root->SetLocked(false, true);
    EXPECT_EQ(table[2]->locked, 0);
}

TEST_F(BoneTest, CloneMakesFreshControllers) {
    ASSERT_TRUE(LoadChain());
    root->PlayAnimation(0, 0, 30.0f, true);
    CharacterModel other;
    Bone copy;
    ASSERT_TRUE(copy.Clone(root.get(), nullptr, &other));
    EXPECT_EQ(g_AnimControllers.Count(), 6);
    ASSERT_EQ(copy.childCount, 1);
    EXPECT_EQ(copy.children[0].children[0].name, "B");
    EXPECT_EQ(copy.children[0].children[0].index, 2);
    EXPECT_EQ(copy.children[0].children[0].owner, &other);
    EXPECT_EQ(copy.children[0].parent, &copy);
    EXPECT_EQ(copy.children[0].controller->animIndex, -1);
    EXPECT_NE(copy.children[0].controller, A()->controller);
    copy.Release();
    copy.Release();   // again: nothing left to free
    EXPECT_EQ(g_AnimControllers.Count(), 3);
}

TEST_F(BoneTest, MissingTrackKeepsRest) {
    ASSERT_TRUE(LoadChain());
    root->PlayAnimation(1, 0, 30.0f, true);   // only the root has a track
    NextFrame();
    root->UpdatePose(true);
    EXPECT_NEAR(A()->localPosition.x, 1.0f, 1e-6f);
    EXPECT_NEAR(B()->localPosition.y, 1.0f, 1e-6f);
    EXPECT_NEAR(root->localRotation.z, kS45, 1e-6f);
}

TEST_F(BoneTest, WorldPositionPosesTheChainOncePerFrame) {
    ASSERT_TRUE(LoadChain());
    model.poseMatrix = Mat4Translation(5, 0, 0);
    NextFrame();
    Vec3 first{}, second{};
    B()->GetWorldPosition(&first);
    EXPECT_EQ(root->poseStamp, g_FrameStats.frameCounter);
    root->PlayAnimation(0, 0, 30.0f, true);
    B()->GetWorldPosition(&second);   // same frame: no new pose
    EXPECT_EQ(first.x, second.x);
    EXPECT_EQ(first.y, second.y);
    NextFrame();
    B()->GetWorldPosition(&second);
    EXPECT_NEAR(second.x, 8.0f, 1e-5f);
    EXPECT_NEAR(second.y, -2.0f, 1e-5f);
}

TEST_F(BoneTest, PoseFlags) {
    ASSERT_TRUE(LoadChain());
    root->PlayAnimation(0, 0, 30.0f, true);
    A()->poseFlags = BONE_SKIP_NEXT_POSE;
    NextFrame();
    root->UpdatePose(true);
    EXPECT_EQ(A()->poseFlags, 0);
    EXPECT_EQ(A()->poseStamp, 0u);
    EXPECT_EQ(B()->poseStamp, 0u);   // no descent past a skipped bone

    NextFrame();
    root->UpdatePose(true);
    EXPECT_EQ(B()->poseStamp, g_FrameStats.frameCounter);
    A()->poseFlags = BONE_STOP_DESCENT;
    B()->poseFlags = BONE_SKIP_NEXT_POSE;
    root->UpdatePose(true);   // A is already posed this frame: it passes nothing on
    EXPECT_EQ(B()->poseFlags, BONE_SKIP_NEXT_POSE);
    B()->poseFlags = 0;
    NextFrame();
    A()->poseFlags = BONE_STOP_DESCENT;
    // A is posed (clearing its flags) before the descent test, so the descent continues.
    root->UpdatePose(true);
    EXPECT_EQ(B()->poseStamp, g_FrameStats.frameCounter);
}

TEST_F(BoneTest, SpeedAndFramePerSubtree) {
    Y3DBone a = Leaf("A", {});
    a.children.push_back(Leaf("A1", {}));
    Y3DBone r = Leaf("root", {});
    r.children = {a, Leaf("B", {})};
    ASSERT_TRUE(LoadSkeleton(r, 5));
    Bone* table[4] = {};
    root->CollectByIndex(table);
    root->PlayAnimation(0, 0, 30.0f, true);
    table[1]->SetSpeed(60.0f, true);
    g_AnimControllers.AdvanceAll(100);
    const float times[] = {3, 6, 6, 3};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(table[i]->controller->time, times[i], 1e-5f) << i;
    table[1]->SetFrame(2.0f, false);
    EXPECT_EQ(table[1]->controller->time, 2.0f);
    EXPECT_EQ(table[1]->controller->prevTime, 2.0f);
    EXPECT_FALSE(table[1]->controller->PassedFrame(2.0f));
    EXPECT_NEAR(table[2]->controller->time, 6.0f, 1e-5f);
}

TEST_F(BoneTest, BadSkeletonsAreRefused) {
    Y3DBone r = Leaf("root", {});
    r.children = {Leaf("A", {}), Leaf("B", {})};
    std::vector<uint8_t> bytes = BuildSkeletonRecords(r, 0);

    struct Case {
        const char* what;
        size_t cut;        // bytes cut off the end
        size_t typeAt;     // object whose type is changed, or SIZE_MAX
    } cases[] = {{"last child cut short", 10, SIZE_MAX},
                 {"child of another type", 0, 2},
                 {"root of another type", 0, 0}};
    for (const Case& c : cases) {
        std::vector<uint8_t> b = bytes;
        if (c.typeAt != SIZE_MAX) b[c.typeAt * (Y3D_RECORD_SIZE + Y3D_NODE_HEADER_SIZE) + 256] = 0x01;
        b.resize(b.size() - c.cut);
        auto f = EntryOf(b);
        Bone bone;
        uint8_t counter = 0;
        EXPECT_FALSE(bone.Load(f->Reader(), nullptr, &model, &counter)) << c.what;
        EXPECT_EQ(bone.childCount, 0) << c.what;
        EXPECT_EQ(bone.controller, nullptr) << c.what;
        EXPECT_EQ(g_AnimControllers.Count(), 0) << c.what;
    }
}

TEST_F(BoneTest, AtMost255Bones) {
    for (int count : {255, 256}) {
        Y3DBone r = Leaf("root", {});
        Y3DBone* tail = &r;
        // A chain, so that the child count byte never overflows.
        for (int i = 1; i < count; ++i) {
            tail->children.push_back(Leaf("b", {}));
            tail = &tail->children[0];
        }
        EXPECT_EQ(LoadSkeleton(r, 0), count == 255) << count;
        EXPECT_EQ(g_AnimControllers.Count(), count == 255 ? 255 : 0) << count;
        root.reset();
    }
}
