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

// ---- Point lights ----

TEST_F(LightTest, PointLightColourByDistance) {
    PointLight* p = Own(MakePoint(0, 0, 0, 2, 4, 6, 10));
    // colour 0.25, 0.5, 0.75, intensity 2
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
        ASSERT_TRUE(p->Apply(2, c.s, 0, 0)) << c.s;
        const Light& l = DeviceLight(2);
        EXPECT_EQ(l.Type, D3DLIGHT_POINT);
        EXPECT_NEAR(l.Diffuse.r, (0.25f * c.scale + c.boost) * 2.0f, 1e-5f) << c.s;
        EXPECT_NEAR(l.Diffuse.g, (0.5f * c.scale + c.boost) * 2.0f, 1e-5f) << c.s;
        EXPECT_NEAR(l.Diffuse.b, (0.75f * c.scale + c.boost) * 2.0f, 1e-5f) << c.s;
        EXPECT_EQ(l.Diffuse.a, 0.0f);
        EXPECT_FLOAT_EQ(l.Range, 10.0f);
        EXPECT_FLOAT_EQ(l.Attenuation0, 1.0f);
        EXPECT_EQ(l.Attenuation1, 0.0f);
        EXPECT_TRUE(Enabled(2));
    }
}

// ---- Directional and aimed lights ----

// ---- Reading ----

TEST_F(LightTest, TailsAreReadFieldByField) {
    BinaryWriter w;
    for (float v : {1.0f, 2.0f, 3.0f, 0.1f, 0.2f, 0.3f, 1.5f}) w.PutF32(v);
    w.PutU8(1);
    for (float v : {4.0f, 5.0f, 6.0f, 7.0f}) w.PutF32(v);
    std::vector<uint8_t> bytes = w.Data();
    BinaryReader rd(bytes.data(), bytes.size());
    PointLight* p = Own(new PointLight());
    ASSERT_TRUE(p->LoadTail(rd, "LUZ"));
    EXPECT_EQ(rd.Remaining(), 0u);
    EXPECT_EQ(p->name, "LUZ");
    EXPECT_FLOAT_EQ(p->position.z, 3.0f);
    EXPECT_FLOAT_EQ(p->colour[1], 0.2f);
    EXPECT_FLOAT_EQ(p->intensity, 1.5f);
    EXPECT_EQ(p->shadowTest, 1);
    EXPECT_FLOAT_EQ(p->ranges[3], 7.0f);
    EXPECT_FLOAT_EQ(p->deviceLight.Range, 5.0f);

    // Every truncation fails and leaves the defaults.
    for (size_t n = 0; n < bytes.size(); ++n) {
        BinaryReader shortRd(bytes.data(), n);
        PointLight q;
        EXPECT_FALSE(q.LoadTail(shortRd, "x")) << n;
        EXPECT_EQ(q.colour[0], 1.0f);
    }

    BinaryWriter wd;
    for (float v : {0.0f, 5.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f}) wd.PutF32(v);
    wd.PutU8(0);
    for (float v : {3.0f, 0.0f, 4.0f, 1.0f, 2.0f, 3.0f, 4.0f, 0.5f, 1.5f}) wd.PutF32(v);
    std::vector<uint8_t> db = wd.Data();
    BinaryReader rdd(db.data(), db.size());
    DirectionalLight* d = Own(new DirectionalLight());
    ASSERT_TRUE(d->LoadTail(rdd, "SOL"));
    EXPECT_EQ(rdd.Remaining(), 0u);
    EXPECT_FLOAT_EQ(d->direction.x, 0.6f);
    EXPECT_FLOAT_EQ(d->direction.z, 0.8f);
    EXPECT_FLOAT_EQ(d->planes[0][0], 3.0f);   // not normalised
    EXPECT_FLOAT_EQ(d->distances[3], 4.0f);
    EXPECT_FLOAT_EQ(d->outerRadius, 1.5f);
    EXPECT_EQ(d->RecordType(), 0x200u);
    EXPECT_EQ(Own(new AimedLight())->RecordType(), 0x202u);
    EXPECT_EQ(p->RecordType(), 0x201u);
}

}  // namespace
