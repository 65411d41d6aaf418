// The compound effect: its places, its moves and its culling against the camera.
#include <gtest/gtest.h>

#include <vector>

#include "effect_fixture.h"
#include "effects/effect_group.h"
#include "effects/sprite_mover.h"
#include "render/render_queue.h"
#include "scene/scene.h"

namespace {

using efftest::EffectDeviceTest;
using efftest::ExpectNear;

// A child that counts its calls and can be told to ask for deletion.
struct ChildLog {
    int updates = 0, queues = 0, renders = 0, deleted = 0;
};
class Child : public PositionedObject {
public:
    Child(ChildLog* log, float px, float py, float pz) : log_(log) { SetPosition(Vec3{px, py, pz}); }
    ~Child() override { ++log_->deleted; }
    int Update(uint32_t) override {
        ++log_->updates;
        return answer;
    }
    bool Queue() override { return ++log_->queues; }
    bool Render() override { return ++log_->renders; }
    int answer = 0;

private:
    ChildLog* log_;
};

using EffectGroupTest = EffectDeviceTest;

TEST_F(EffectGroupTest, ChildrenTakeTheFirstEmptyPlaceAndBecomeAbsolute) {
    ChildLog log;
    EffectGroup group;
    ASSERT_TRUE(group.Init(1, 2, 3, 3, 0, 0));
    auto* a = new Child(&log, 1, 0, 0);
    EXPECT_EQ(group.Add(a), 0);
    ExpectNear(Vec3{a->x, a->y, a->z}, Vec3{2, 2, 3});
    auto* b = new Child(&log, -1, 0, 0);
    auto* c = new Child(&log, 0, 0, 0);
    EXPECT_EQ(group.Add(b), 1);
    EXPECT_EQ(group.Add(c), 2);
    // Full: the child stays with the caller.
    Child extra(&log, 0, 0, 0);
    EXPECT_EQ(group.Add(&extra), -1);
    ExpectNear(Vec3{extra.x, extra.y, extra.z}, Vec3{0, 0, 0});

    // The first child asks to go; its place is the first empty one again.
    a->answer = 1;
    EXPECT_EQ(group.Update(16), 0);
    EXPECT_EQ(log.deleted, 1);
    auto* d = new Child(&log, 0, 0, 0);
    EXPECT_EQ(group.Add(d), 0);

    // Moving the group moves every child by the same offset.
    group.SetPosition(Vec3{2, 2, 2});
    ExpectNear(Vec3{b->x, b->y, b->z}, Vec3{1, 2, 2});
    ExpectNear(Vec3{d->x, d->y, d->z}, Vec3{2, 2, 2});
    group.Release();
    EXPECT_EQ(log.deleted, 4);
    EXPECT_TRUE(group.IsFinished());
}

TEST_F(EffectGroupTest, AGroupEndsWithItsLastChild) {
    EffectGroup empty;
    empty.Init(0, 0, 0, 0, REMOVE_WHEN_FINISHED, 0);
    EXPECT_EQ(empty.Update(16), 1);   // no places: finished at once
    EXPECT_TRUE(empty.IsFinished());

    // A child that has ended but stays in its place no longer keeps the group alive.
    EffectGroup group;
    group.Init(0, 0, 0, 2, 0, 0);
    auto* sprite = new SpriteMover;
    SpriteMoverTemplate t{.lifetime = 100};
    sprite->Init(&t, 0);
    group.Add(sprite);
    EXPECT_EQ(group.Update(100), 0);
    EXPECT_FALSE(group.IsFinished());
    EXPECT_EQ(group.Update(1), 0);   // the pool's groups are never deleted by their list
    EXPECT_TRUE(group.IsFinished());
    EXPECT_FALSE(group.Queue());
    EXPECT_FALSE(group.Render());
}

TEST_F(EffectGroupTest, OutOfViewTheGroupFreezesAndHides) {
    // The eye at (0, 0, -10) looks along +z, 50 units deep.
    struct Case {
        const char* name;
        AxisBox box;
        float cullDistance;   // 0: off
        Vec3 at;
        bool visible;
    } cases[] = {
        {"no cull box", {{1, 1, -29}, {-1, -1, -31}}, 0, {0, 0, 0}, true},
        {"box behind the eye", {{1, 1, -29}, {-1, -1, -31}}, 0, {0, 0, 0}, false},
        {"box in view", {{1, 1, 1}, {-1, -1, -1}}, 0, {0, 0, 0}, true},
        {"on the cut", {{1, 1, 1}, {-1, -1, -1}}, 10, {0, 0, 0}, true},
        {"just beyond the cut", {{1, 1, 1}, {-1, -1, -1}}, 10, {0, 0, 0.001f}, false},
        {"short of the cut", {{1, 1, 1}, {-1, -1, -1}}, 10, {5, 5, -0.5f}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChildLog log;
        EffectGroup group;
        group.Init(c.at.x, c.at.y, c.at.z, 1, 0, 0);
        auto* sprite = new SpriteMover;
        SpriteMoverTemplate t{.lifetime = 1000};
        sprite->Init(&t, 0);
        group.Add(sprite);
        if (std::string(c.name) != "no cull box") group.SetCullBox(c.box);
        if (c.cullDistance > 0) group.SetCullDistance(c.cullDistance);
        g_Scene.renderQueue->Clear();
        group.Update(400);
        group.Queue();
        EXPECT_EQ(sprite->age, c.visible ? 400u : 0u);
        EXPECT_EQ(g_Scene.renderQueue->count, 0u);   // an opaque sprite draws at once
        EXPECT_EQ(rec->Draws().size(), c.visible ? 1u : 0u);
        rec->ClearLog();
    }
}

TEST_F(EffectGroupTest, QueuedWholeOrChildByChild) {
    for (uint32_t mode : {0u, GROUP_QUEUE_WHOLE}) {
        SCOPED_TRACE(mode);
        ChildLog log;
        EffectGroup group;
        group.Init(0, 0, 0, 2, 0, mode);
        group.Add(new Child(&log, 0, 0, 0));
        group.Add(new Child(&log, 0, 0, 0));
        g_Scene.renderQueue->Clear();
        EXPECT_TRUE(group.Queue());
        EXPECT_EQ(log.queues, mode ? 0 : 2);
        ASSERT_EQ(g_Scene.renderQueue->count, mode ? 1u : 0u);
        if (!mode) continue;
        EXPECT_EQ(g_Scene.renderQueue->entries[0].kind, RQ_EFFECT_GROUP);
        g_Scene.renderQueue->Flush();
        EXPECT_EQ(log.renders, 2);
        g_Scene.renderQueue->Clear();
    }
}

}  // namespace
