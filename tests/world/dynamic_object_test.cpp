// The prop pools: spawning by kind, slot and machine, placing on the ground, the host's
// synchronisation, received events, the templates' files, and records that start clean.
#include <cstring>

#include "core/pack_file.h"
#include "prop_fixture.h"
#include "scene/object_list.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "datakit/y3d_builder.h"

namespace proptest {
namespace {

using fightertest::kStartTime;

float F32At(const std::vector<uint8_t>& e, size_t at) {
    float f;
    std::memcpy(&f, e.data() + at, sizeof f);
    return f;
}
uint32_t U32At(const std::vector<uint8_t>& e, size_t at) {
    uint32_t u;
    std::memcpy(&u, e.data() + at, sizeof u);
    return u;
}

TEST_F(PropTest, SpawnsRefuseFullPoolsTakenSlotsAndUnknownModels) {
    for (int i = 0; i < PROP_BOX_COUNT; ++i)
        ASSERT_EQ(SpawnDynamicObject(-1, int(PROP_KIND_BOX), int(PROP_TYPE_SMALL), {2.0f + i % 10, 0, 2.0f + i / 10},
                                     nullptr),
                  i);
    const uint32_t listed = g_Scene.objects->count;
    struct Case {
        const char* what;
        int32_t slot;
        int kind, type;
    } refused[] = {
        {"a 41st box", -1, int(PROP_KIND_BOX), 0},
        {"a slot past the pool: the first free, none", 500, int(PROP_KIND_BOX), 0},
        {"a ball into a used slot", 0, int(PROP_KIND_BALL), 0},
        {"pool kind 1", -1, 1, 0},
        {"model type 2", -1, int(PROP_KIND_BALL), 2},
    };
    ASSERT_EQ(SpawnDynamicObject(0, int(PROP_KIND_BALL), 0, {4, 0, 4}, nullptr), 0);
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SpawnDynamicObject(c.slot, c.kind, c.type, {4, 0, 4}, nullptr), -1);
    }
    EXPECT_EQ(g_Scene.objects->count, listed + 1);
    // Sizes by the model table: a small box has edge 0.75.
    EXPECT_FLOAT_EQ(g_Boxes[0].radius, 0.375f);
    EXPECT_FLOAT_EQ(g_Boxes[0].mass, 0.75f * 0.75f * 0.75f * 200.0f);
    EXPECT_EQ(g_Boxes[0].state, uint32_t(PROP_FLYING));
}

TEST_F(PropTest, ClientsSpawnOnlyWhileTheHostsEventsAreAppliedAndTheHostTellsThem) {
    Network(true, false);
    EXPECT_EQ(SpawnDynamicObject(-1, 0, 0, {4, 0, 4}, nullptr), -1);
    Network(true, false, true);
    EXPECT_EQ(SpawnDynamicObject(-1, 0, 0, {4, 0, 4}, nullptr), 0);
    EXPECT_TRUE(testsupport::Recorder().events.empty());

    Network(true, true);
    Character& thrower = Spawned(5, 0, {8, 0, 8});
    ASSERT_EQ(SpawnDynamicObject(7, int(PROP_KIND_BALL), int(PROP_TYPE_SMALL), {6, 3, 6}, &thrower), 7);
    const auto events = EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT);
    ASSERT_EQ(events.size(), 1u);
    const std::vector<uint8_t>& e = events[0];
    ASSERT_EQ(e.size(), 20u);
    EXPECT_EQ(U32At(e, 1), 7u);
    EXPECT_EQ(e[5], PROP_KIND_BALL);
    EXPECT_EQ(e[6], PROP_TYPE_SMALL);
    EXPECT_FLOAT_EQ(F32At(e, 11), 0.1f) << "placed on the floor";
    EXPECT_EQ(e[19], 5);
}

TEST_F(PropTest, APropIsPlacedOnTheGroundFoundFromOneUnitAboveThePoint) {
    testsupport::AddCollidableBox({8, 0.5f, 12}, 0.5f);
    struct Case {
        const char* what;
        Vec3 at;
        uint32_t type;
        float y;
    } cases[] = {
        {"in the air over the floor", {4, 5, 4}, PROP_TYPE_LARGE, 1.0f},
        {"just under the platform's top", {22, 1.5f, 4}, PROP_TYPE_SMALL, 2.1f},
        {"over a movable box", {8, 3, 12}, PROP_TYPE_SMALL, 1.1f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int slot = SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(c.type), c.at, nullptr);
        ASSERT_GE(slot, 0);
        EXPECT_NEAR(g_Balls[slot].position.y, c.y, 1e-5f);
        EXPECT_EQ(g_Balls[slot].mesh->transform.translation.y, g_Balls[slot].position.y);
        EXPECT_EQ(g_Balls[slot].mesh->transformValid, 0u);
    }
}

TEST_F(PropTest, TheHostSendsMovingBallsAtMostEvery50MsAndRestingOnesNever) {
    Network(true, true);
    Ball(PROP_TYPE_LARGE, {4, 1.02f, 4}, PROP_RESTING, {0, 0, 0});
    DynamicObject& rolling = Ball(PROP_TYPE_LARGE, {4, 1.02f, 10}, PROP_ROLLING, {-8, 0, 0});
    testsupport::Recorder().events.clear();
    uint32_t now = kStartTime;
    std::vector<size_t> sentAt;
    for (int frame = 1; frame <= 10; ++frame) {
        now += 20;
        SetTime(now);
        const size_t before = testsupport::Recorder().events.size();
        UpdateDynamicObjects();
        if (testsupport::Recorder().events.size() > before) sentAt.push_back(size_t(frame));
    }
    // The first frame already lies more than 50 ms after time 0; then every third frame.
    EXPECT_EQ(sentAt, (std::vector<size_t>{1, 4, 7, 10}));
    for (const auto& e : testsupport::Recorder().events) {
        ASSERT_EQ(e.size(), 17u);
        EXPECT_EQ(U32At(e, 1), rolling.slot) << "the resting ball is never sent";
    }
    EXPECT_EQ(EventsOfType(EVENT_SET_DYNAMIC_OBJECT_VELOCITY).size(), 4u);
    EXPECT_EQ(rolling.lastSentPosition.x, F32At(EventsOfType(EVENT_SET_DYNAMIC_OBJECT_POSITION).back(), 5));
}

TEST_F(PropTest, RollRateFollowsHorizontalSpeedUpToTwelve) {
    struct Case {
        uint32_t type;
        Vec3 velocity;
        float rate;
    } cases[] = {
        {PROP_TYPE_LARGE, {30, 0, 0}, 12.0f},
        {PROP_TYPE_LARGE, {0.3f, -50, 0.4f}, 0.5f},
        {PROP_TYPE_SMALL, {0.6f, 0, 0.8f}, 10.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        DynamicObject& ball = Ball(c.type, {4, 3, 4}, PROP_FLYING, c.velocity);
        EXPECT_FLOAT_EQ(ball.rollRate, c.rate);
        ball.Despawn();
    }
}

TEST_F(PropTest, AReusedRecordStartsStill) {
    DynamicObject& ball = Ball(PROP_TYPE_LARGE, {4, 3, 4}, PROP_ROLLING, {5, 0, 3});
    const uint32_t slot = ball.slot;
    ball.Despawn();
    EXPECT_EQ(ball.velocity.x, 0.0f);
    EXPECT_EQ(ball.rollRate, 0.0f);
    ASSERT_EQ(SpawnDynamicObject(int32_t(slot), 0, 0, {4, 3, 4}, nullptr), int(slot));
    EXPECT_EQ(ball.velocity.x, 0.0f);
    EXPECT_EQ(ball.velocity.z, 0.0f);
    EXPECT_EQ(ball.rollAxis.z, 0.0f);
}

TEST_F(PropTest, ReceivedEventsStayInThePoolsAndASpawnReplacesAUsedSlot) {
    Network(true, false, true);
    ASSERT_EQ(ApplySpawnDynamicObjectEvent(3, PROP_KIND_BALL, PROP_TYPE_LARGE, {4, 0, 4}), 3);
    const uint32_t listed = g_Scene.objects->count;
    // The host freed its fallen ball and made a new one in the same slot.
    ASSERT_EQ(ApplySpawnDynamicObjectEvent(3, PROP_KIND_BALL, PROP_TYPE_SMALL, {8, 0, 8}), 3);
    EXPECT_EQ(g_Scene.objects->count, listed);
    EXPECT_EQ(g_Balls[3].type, PROP_TYPE_SMALL);
    EXPECT_FLOAT_EQ(g_Balls[3].position.x, 8.0f);

    EXPECT_EQ(ApplySpawnDynamicObjectEvent(PROP_BALL_COUNT, PROP_KIND_BALL, 0, {4, 0, 4}), -1);
    EXPECT_EQ(ApplySpawnDynamicObjectEvent(PROP_BOX_COUNT, PROP_KIND_BOX, 0, {4, 0, 4}), -1);
    EXPECT_EQ(ApplySpawnDynamicObjectEvent(0, 1, 0, {4, 0, 4}), -1);
    EXPECT_EQ(ApplySpawnDynamicObjectEvent(0, PROP_KIND_BOX, 7, {4, 0, 4}), -1);
    EXPECT_FALSE(ApplyDynamicObjectPositionEvent(0xFFFFFFFFu, {1, 2, 3}));
    EXPECT_FALSE(ApplyDynamicObjectVelocityEvent(PROP_BALL_COUNT, {1, 2, 3}));
    ASSERT_TRUE(ApplyDynamicObjectPositionEvent(3, {5, 6, 7}));
    EXPECT_FLOAT_EQ(g_Balls[3].mesh->transform.translation.z, 7.0f);
    ASSERT_TRUE(ApplyDynamicObjectVelocityEvent(3, {0, 0, 0.5f}));
    EXPECT_FLOAT_EQ(g_Balls[3].rollRate, 5.0f);
}

TEST_F(PropTest, BallsAnswerRaysWithinTheLengthAndBoxesNever) {
    DynamicObject& ball = Ball(PROP_TYPE_LARGE, {4, 3, 4}, PROP_RESTING, {0, 0, 0});
    const int box = SpawnDynamicObject(-1, int(PROP_KIND_BOX), 0, {4, 3, 8}, nullptr);
    ASSERT_GE(box, 0);
    Vec3 point{}, normal{};
    EXPECT_TRUE(ball.IntersectRay({{1, 0, 0}, {0, 3, 4}}, 10.0f, &point, &normal));
    EXPECT_FLOAT_EQ(point.x, 3.0f);
    EXPECT_FLOAT_EQ(normal.x, -1.0f);
    EXPECT_FALSE(ball.IntersectRay({{1, 0, 0}, {0, 3, 4}}, 2.5f, &point, &normal));
    EXPECT_FALSE(g_Boxes[box].IntersectRay({{0, 0, 1}, {4, 1, 0}}, 10.0f, &point, &normal));
}

TEST_F(PropTest, TemplatesComeFromTheirFilesAndNeverStayInTheObjectList) {
    ResetDynamicObjects();
    ScopedWorkDir dir;
    std::filesystem::create_directories(dir.path() / "Modelos" / "Objetos Dinamicos");
    // Only the two balls' files exist.
    for (const char* name : {"Bola de 2m", "Bola de 20cm"}) {
        datakit::Y3DSceneFile file;
        datakit::Y3DMeshNode node;
        node.name = std::string(name) + " (DIN)";
        node.type = 0x101;
        file.records.push_back(datakit::MeshNodeRecord(node));
        ASSERT_TRUE(datakit::WriteBytes((dir.path() / "Modelos" / "Objetos Dinamicos" / (std::string(name) + ".y3d")).string(),
                               file.Build()));
    }
    const uint32_t listed = g_Scene.objects->count;
    LoadDynamicObjectModels();
    ResetPackFiles();
    ASSERT_NE(g_DynamicObjectModels[0], nullptr);
    EXPECT_STREQ(g_DynamicObjectModels[1]->name, "Bola de 20cm (DIN)");
    EXPECT_EQ(g_DynamicObjectModels[2], nullptr);
    EXPECT_EQ(g_Scene.objects->count, listed);

    EXPECT_EQ(SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(PROP_TYPE_SMALL), {4, 0, 4}, nullptr), 0);
    EXPECT_EQ(SpawnDynamicObject(-1, int(PROP_KIND_BOX), int(PROP_TYPE_LARGE), {4, 0, 4}, nullptr), -1);
    FreeDynamicObjects();
    EXPECT_EQ(g_DynamicObjectModels[0], nullptr);
    EXPECT_FALSE(g_Balls[0].InUse());
    EXPECT_EQ(g_Scene.objects->count, listed);
}

}  // namespace
}  // namespace proptest
