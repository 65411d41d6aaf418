#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/binary_reader.h"
#include "platform/gfx/recording_device.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/light_node.h"
#include "scene/light_slots.h"
#include "scene/scene.h"

using namespace gfx;

namespace {

struct RayCall {
    Ray ray;
    float length;
    uint32_t mask;
};
std::vector<RayCall> g_rays;
// Blocks every ray whose origin lies at x below this (a wall on the negative x side).
float g_wallX = -1e30f;

bool FakeRayQuery(Ray* ray, float length, uint32_t mask) {
    g_rays.push_back({*ray, length, mask});
    return ray->origin.x < g_wallX;
}

PointLight* MakePoint(float x, float y, float z, float r0, float r1, float r2, float r3, bool shadow = false) {
    auto* p = new PointLight();
    const float rr[4] = {r0, r1, r2, r3};
    p->SetFull("point", 0.25f, 0.5f, 0.75f, 2.0f, x, y, z, shadow, rr);
    return p;
}

DirectionalLight* MakeDirectional(Vec3 dir, bool shadow = false, DirectionalLight* into = nullptr) {
    DirectionalLight* d = into ? into : new DirectionalLight();
    const float dist[4] = {1, 2, 3, 4};
    d->SetFull("sun", 0.5f, 0.6f, 0.7f, 3.0f, 0, 10, 0, shadow, dir, dist, 1.0f, 2.0f);
    return d;
}

class LightTest : public ::testing::Test {
protected:
    RecordingDevice* rec = nullptr;
    std::vector<LightNode*> owned;
    LightSlots slots;

    void SetUp() override {
        g_Video.Zero();
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 64), &rec), D3D_OK);
        g_Video.device = rec;
        g_rays.clear();
        g_wallX = -1e30f;
        g_LightRayQuery = FakeRayQuery;
    }
    void TearDown() override {
        slots.DisableAll();
        g_Scene.sun = nullptr;
        g_Scene.lights.clear();
        for (LightNode* l : owned) delete l;
        g_LightRayQuery = CollisionLightRayQuery;
        g_Video.device = nullptr;
        if (rec) rec->Release();
        g_Video.Zero();
    }
    template <typename T>
    T* Own(T* l) {
        owned.push_back(l);
        return l;
    }
    bool Enabled(uint32_t i) const { return rec->State().lights[i].enabled; }
    const Light& DeviceLight(uint32_t i) const { return rec->State().lights[i].light; }
};

// ---- LightSlots ----

TEST_F(LightTest, SunFirstThenListOrderAndTheRestStayDark) {
    DirectionalLight* sun = Own(MakeDirectional({0, -1, 0}));
    g_Scene.sun = sun;
    std::vector<PointLight*> pts;
    for (int i = 0; i < 5; ++i) {
        pts.push_back(Own(MakePoint(float(i), 0, 0, 1, 2, 3, 50)));
        g_Scene.lights.push_back(pts.back());
    }
    const float box[6] = {-1, -1, -1, 1, 1, 1};
    EXPECT_TRUE(slots.SelectForBox(box));
    EXPECT_EQ(slots.slots[0], sun);
    EXPECT_EQ(slots.slots[1], pts[0]);
    EXPECT_EQ(slots.slots[2], pts[1]);
    EXPECT_EQ(slots.slots[3], pts[2]);
    for (uint32_t i = 0; i < 4; ++i) EXPECT_TRUE(Enabled(i)) << i;
    EXPECT_FALSE(Enabled(4));
    EXPECT_EQ(rec->CountCalls(CallKind::SetLight), 4u);
    EXPECT_EQ(DeviceLight(0).Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(DeviceLight(1).Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(DeviceLight(2).Position.x, 1.0f);
    EXPECT_FALSE(slots.Assign(pts[4], 0, 0, 0));   // all four held

    // The next object starts from dark slots.
    rec->ClearLog();
    g_Scene.sun = nullptr;
    EXPECT_TRUE(slots.SelectForBox(box));
    std::vector<Call> offs = rec->CallsOf(CallKind::LightEnable);
    ASSERT_GE(offs.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(offs[i].args[0], i);
        EXPECT_EQ(offs[i].args[1], 0u);
    }
    EXPECT_EQ(slots.slots[0], pts[0]);
    EXPECT_EQ(slots.slots[3], pts[3]);
}

TEST_F(LightTest, OutOfReachAndBlockedLightsGiveTheirSlotAway) {
    PointLight* far = Own(MakePoint(100, 0, 0, 1, 2, 3, 10));
    AimedLight* blocked = Own(new AimedLight());
    MakeDirectional({1, 0, 0}, true, blocked);
    blocked->position = {-20, 0, 0};   // the wall stands between it and the object
    PointLight* near = Own(MakePoint(2, 0, 0, 1, 2, 3, 10));
    g_Scene.lights = {far, blocked, near};
    g_wallX = -100.0f;
    const float box[6] = {0, 0, 0, 0, 0, 0};
    slots.SelectForBox(box);
    EXPECT_EQ(slots.slots[0], near);
    EXPECT_EQ(slots.slots[1], nullptr);
    ASSERT_EQ(g_rays.size(), 1u);   // only the shadowed light casts a ray
    EXPECT_FLOAT_EQ(g_rays[0].ray.direction.x, 1.0f);
    EXPECT_FLOAT_EQ(g_rays[0].ray.origin.x, -10000.0f);
    EXPECT_FLOAT_EQ(g_rays[0].length, 10000.0f);
    EXPECT_EQ(g_rays[0].mask, 263u);

    g_wallX = -1e30f;   // wall gone: the aimed light takes the first slot
    slots.SelectForBox(box);
    EXPECT_EQ(slots.slots[0], blocked);
    EXPECT_EQ(slots.slots[1], near);
}

TEST_F(LightTest, TheSameLightIsAppliedOnce) {
    PointLight* p = Own(MakePoint(0, 0, 0, 1, 2, 3, 10));
    EXPECT_TRUE(slots.Assign(p, 1, 0, 0));
    EXPECT_TRUE(slots.Assign(p, 1, 0, 0));
    EXPECT_EQ(rec->CountCalls(CallKind::SetLight), 1u);
    EXPECT_EQ(slots.slots[1], nullptr);
    EXPECT_FALSE(slots.Assign(nullptr, 0, 0, 0));
}

// ---- Lights ----

TEST_F(LightTest, PointLightColourByDistance) {
    PointLight p;
    const float ranges[4] = {2, 4, 6, 10};
    p.SetFull("point", 0.25f, 0.5f, 0.75f, 2.0f, 0, 0, 0, false, ranges);
    struct Case {
        float s;
        float boost;   // added to each channel before the intensity
        float scale;   // multiplies each channel before the intensity
    } cases[] = {
        {1.0f, 1.0f, 1.0f},    // inside R0
        {3.0f, 0.5f, 1.0f},    // half way from R0 to R1
        {5.0f, 0.0f, 1.0f},    // between R1 and R2: the plain colour
        {6.0f, 0.0f, 1.0f},    // at R2
        {8.0f, 0.0f, 0.5f},    // half way to the cut-off
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(p.Apply(2, c.s, 0, 0)) << c.s;
        const Light& l = rec->State().lights[2].light;
        EXPECT_EQ(l.Type, D3DLIGHT_POINT);
        EXPECT_NEAR(l.Diffuse.r, (0.25f * c.scale + c.boost) * 2.0f, 1e-5f) << c.s;
        EXPECT_NEAR(l.Diffuse.g, (0.5f * c.scale + c.boost) * 2.0f, 1e-5f) << c.s;
        EXPECT_NEAR(l.Diffuse.b, (0.75f * c.scale + c.boost) * 2.0f, 1e-5f) << c.s;
        EXPECT_FLOAT_EQ(l.Range, 10.0f);
        EXPECT_TRUE(rec->State().lights[2].enabled);
    }
}

TEST_F(LightTest, PointLightPreparedRecordAndEqualRadii) {
    PointLight* p = Own(MakePoint(1, 2, 3, 2, 4, 6, 10));
    EXPECT_EQ(p->deviceLight.Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(p->deviceLight.Range, 4.0f);
    EXPECT_FLOAT_EQ(p->deviceLight.Attenuation1, 0.25f);
    EXPECT_FLOAT_EQ(p->deviceLight.Position.z, 3.0f);
    EXPECT_FLOAT_EQ(p->deviceLight.Diffuse.g, 0.5f);   // intensity not applied here

    // All radii equal, even zero: no division by zero anywhere.
    PointLight* q = Own(MakePoint(0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(q->deviceLight.Attenuation1, 0.0f);
    EXPECT_FALSE(q->Apply(0, 0, 0, 0));
    PointLight* e = Own(MakePoint(0, 0, 0, 3, 3, 3, 3));
    EXPECT_TRUE(e->Apply(0, 2.9f, 0, 0));
    EXPECT_TRUE(std::isfinite(DeviceLight(0).Diffuse.r));
    int32_t r = 0, g = 0, b = 0;
    e->AccumulateVertexLight({2.9f, 0, 0}, {-1, 0, 0}, &r, &g, &b, false);
    EXPECT_GT(r, 0);
    p->Release();
    EXPECT_TRUE(p->name.empty());
    EXPECT_EQ(p->ranges[3], 0.0f);
}

TEST_F(LightTest, DirectionalShadowRayAndBeamSums) {
    DirectionalLight* d = Own(MakeDirectional({0, -1, 0}, true));
    EXPECT_TRUE(d->Reaches(3, 0, 0));
    ASSERT_EQ(g_rays.size(), 1u);
    EXPECT_FLOAT_EQ(g_rays[0].ray.origin.y, 10000.0f);
    EXPECT_FLOAT_EQ(g_rays[0].ray.direction.y, -1.0f);
    EXPECT_EQ(g_rays[0].mask, 263u);
    g_rays.clear();

    // Beam from (0, 10, 0) downwards; d = 1, 2, 3, 4; radii 1, 2; colour 0.5, 0.6, 0.7 x 3.
    struct Case {
        Vec3 p;
        int32_t r;   // red sum: base 382
    } cases[] = {
        {{0, 9.5f, 0}, 382 + 255},          // t 0.5: full boost
        {{0, 8.5f, 0}, 382 + 127},          // t 1.5: half boost
        {{0, 7.5f, 0}, 382},                // t 2.5
        {{0, 6.5f, 0}, 191},                // t 3.5: half faded
        {{1.5f, 7.5f, 0}, 191},             // half way out of the beam
        {{2.5f, 7.5f, 0}, 0},               // outside the outer radius
        {{0, 10.5f, 0}, 0},                 // behind the light
        {{0, 5.5f, 0}, 0},                  // beyond d4
    };
    for (const Case& c : cases) {
        int32_t r = 0, g = 0, b = 0;
        d->AccumulateVertexLight(c.p, {0, 1, 0}, &r, &g, &b, false);
        EXPECT_EQ(r, c.r) << c.p.x << "," << c.p.y;
    }
    EXPECT_TRUE(g_rays.empty());   // useShadow off
    int32_t r = 0, g = 0, b = 0;
    g_wallX = 1.0f;
    d->AccumulateVertexLight({0.5f, 7.5f, 0}, {0, 1, 0}, &r, &g, &b, true);
    EXPECT_EQ(r, 0);
    ASSERT_EQ(g_rays.size(), 1u);
    EXPECT_FLOAT_EQ(g_rays[0].ray.origin.y, 10.0f);
    EXPECT_NEAR(g_rays[0].length, 2.5f - 0.005f, 1e-5f);
    AimedLight* a = Own(new AimedLight());
    MakeDirectional({0, -1, 0}, false, a);
    a->AccumulateVertexLight({0, 7.5f, 0}, {0, 1, 0}, &r, &g, &b, false);
    EXPECT_EQ(r, 0);
}

TEST_F(LightTest, TailsAreReadFieldByField) {
    BinaryWriter w;
    for (float v : {1.0f, 2.0f, 3.0f, 0.1f, 0.2f, 0.3f, 1.5f}) w.PutF32(v);
    w.PutU8(1);
    for (float v : {4.0f, 5.0f, 6.0f, 7.0f}) w.PutF32(v);
    std::vector<uint8_t> bytes = w.Data();
    BinaryReader rd(bytes.data(), bytes.size());
    PointLight p;
    ASSERT_TRUE(p.LoadTail(rd, "LUZ"));
    EXPECT_EQ(rd.Remaining(), 0u);
    EXPECT_FLOAT_EQ(p.position.z, 3.0f);
    EXPECT_FLOAT_EQ(p.intensity, 1.5f);
    EXPECT_EQ(p.shadowTest, 1);
    EXPECT_FLOAT_EQ(p.ranges[3], 7.0f);
    EXPECT_FLOAT_EQ(p.deviceLight.Range, 5.0f);

    // Every truncation fails and leaves the defaults.
    for (size_t n = 0; n < bytes.size(); ++n) {
        BinaryReader shortRd(bytes.data(), n);
        PointLight q;
        EXPECT_FALSE(q.LoadTail(shortRd, "x")) << n;
        EXPECT_EQ(q.colour[0], 1.0f);
    }
}

}  // namespace
