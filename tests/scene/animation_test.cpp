// Animation files and key sampling.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scene/animation.h"
#include "datakit/y3d_builder.h"

using namespace datakit;

namespace {

constexpr float kS45 = 0.70710678f;   // sin 45 = cos 45
const Quat kIdentity{0, 0, 0, 1};
const Quat kTurnZ90{0, 0, kS45, kS45};

Y3DKey PosKey(uint16_t frame, float x) { return Y3DKey{frame, std::nullopt, Vec3{x, 0, 0}}; }
Y3DKey RotKey(uint16_t frame, Quat q) { return Y3DKey{frame, q, std::nullopt}; }

Animation Load(const Y3DAnimation& file) {
    std::vector<uint8_t> bytes = file.Build();
    Animation a;
    EXPECT_TRUE(a.ReadBytes(bytes.data(), bytes.size()));
    return a;
}

Animation OneTrack(std::vector<Y3DKey> keys, int32_t length = 30) {
    Y3DAnimation file;
    file.header.length = length;
    file.nodes.push_back(AnimTrackObject("root", std::move(keys)));
    return Load(file);
}

void ExpectQuat(const Quat& q, float x, float y, float z, float w) {
    EXPECT_NEAR(q.x, x, 1e-5f);
    EXPECT_NEAR(q.y, y, 1e-5f);
    EXPECT_NEAR(q.z, z, 1e-5f);
    EXPECT_NEAR(q.w, w, 1e-5f);
}

float SampleX(const Animation& a, float time, bool interpolate = true) {
    Vec3 p{};
    EXPECT_TRUE(a.SampleNodePosition(0, time, &p, interpolate));
    return p.x;
}

}  // namespace

TEST(AnimationSample, PositionsBetweenAndAtKeys) {
    Animation a = OneTrack({PosKey(0, 0), PosKey(1, 10), PosKey(2, 20)});
    struct Case {
        float time, x;
    } cases[] = {{0.0f, 0.0f}, {0.25f, 2.5f}, {1.0f, 10.0f}, {1.5f, 15.0f}, {2.0f, 20.0f}, {2.5f, 20.0f}, {3e9f, 20.0f}};
    for (const Case& c : cases) EXPECT_NEAR(SampleX(a, c.time), c.x, 1e-5f) << c.time;
}

TEST(AnimationSample, RotationTakesTheShorterArc) {
    // The second key is the quarter turn stored with the opposite sign.
    Animation a = OneTrack({RotKey(0, kIdentity), RotKey(1, Quat{0, 0, -kS45, -kS45})});
    Quat q{};
    ASSERT_TRUE(a.SampleNodeRotation(0, 0.5f, &q, true));
    // 0.5*(0,0,0,1) + 0.5*(0,0,s,s), unnormalised.
    ExpectQuat(q, 0, 0, 0.5f * kS45, 0.5f + 0.5f * kS45);
}

TEST(AnimationSample, CyclicBlendsTowardsTheFirstKey) {
    Animation a = OneTrack({RotKey(0, kIdentity), RotKey(19, kTurnZ90)}, 20);
    Quat q{};
    a.SampleNodeRotation(0, 19.5f, &q, true);
    ExpectQuat(q, 0, 0, kS45, kS45);   // not cyclic: holds the last key
    a.flags = ANIM_CYCLIC;
    a.SampleNodeRotation(0, 19.5f, &q, false);   // the switch is ignored
    ExpectQuat(q, 0, 0, 0.5f * kS45, 0.5f + 0.5f * kS45);
    a.SampleNodeRotation(0, 19.0f, &q, false);
    ExpectQuat(q, 0, 0, kS45, kS45);
}

TEST(AnimationRead, HandMadeBytes) {
    // One node track with one key carrying both values, laid out byte by byte.
    std::vector<uint8_t> b(1024 + 276 + 573 + 3 + 16 + 12, 0);
    std::memcpy(b.data(), "QTXMAX", 7);
    b[7] = 0x40;   // version 320
    b[8] = 0x01;
    b[16] = 1;     // one object
    b[20] = 9;     // nine frames
    b[25] = 0x04;  // first object at 1024
    const size_t node = 1024 + 276;
    b[node + 504] = 3;
    b[node + 505] = 1;   // one key (unaligned)
    size_t k = node + 573;
    b[k] = 0;
    b[k + 2] = 3;
    const float values[7] = {0, 0, 0, 1, 2.5f, -1, 4};
    std::memcpy(b.data() + k + 3, values, sizeof values);   // little-endian host
    Animation a;
    ASSERT_TRUE(a.ReadBytes(b.data(), b.size()));
    EXPECT_EQ(a.length, 9);
    EXPECT_EQ(a.nodeTrackCount, 1);
    Vec3 p{};
    a.SampleNodePosition(0, 4.0f, &p, true);
    EXPECT_EQ(p.x, 2.5f);
    EXPECT_EQ(p.y, -1.0f);
    EXPECT_EQ(p.z, 4.0f);
}

TEST(AnimationRead, MalformedFilesLeaveAnEmptyAnimation) {
    struct Case {
        const char* what;
        void (*damage)(Y3DAnimation*);
        size_t cut;   // bytes cut off the end
    } cases[] = {
        {"signature", [](Y3DAnimation* f) { f->header.signature = "QTXMAY"; }, 0},
        {"version 321", [](Y3DAnimation* f) { f->header.version = 321; }, 0},
        {"fewer objects than nodes", [](Y3DAnimation* f) { f->header.objectCount = 1; }, 0},
        {"object count past the file", [](Y3DAnimation* f) { f->header.objectCount = 0xFFFFFFFF; }, 0},
        {"key count past the file", [](Y3DAnimation* f) { f->nodes[1].keyCount = 65535; }, 0},
        {"keys cut short", [](Y3DAnimation*) {}, 5},
        {"header cut short", [](Y3DAnimation*) {}, 100000},
    };
    for (const Case& c : cases) {
        Y3DAnimation file;
        file.header.length = 10;
        file.nodes = {AnimTrackObject("root", {PosKey(0, 1)}), AnimTrackObject("arm", {PosKey(0, 1), PosKey(1, 2)})};
        c.damage(&file);
        std::vector<uint8_t> bytes = file.Build();
        bytes.resize(c.cut < bytes.size() ? bytes.size() - c.cut : 10);
        Animation a;
        EXPECT_FALSE(a.ReadBytes(bytes.data(), bytes.size())) << c.what;
        EXPECT_EQ(a.length, 0) << c.what;
        EXPECT_EQ(a.nodeTrackCount, 0) << c.what;
        EXPECT_TRUE(a.nodeTracks.empty()) << c.what;
        EXPECT_EQ(a.namedTrackCount, 0) << c.what;
    }
    {
        Y3DAnimation file;
        file.nodes = {AnimTrackObject("root", {PosKey(0, 1)})};
        std::vector<uint8_t> bytes = file.Build();
        bytes[27] = 0x7F;   // first object far past the end
        Animation a;
        EXPECT_FALSE(a.ReadBytes(bytes.data(), bytes.size()));
        EXPECT_EQ(a.nodeTrackCount, 0);
    }
}
