#include <gtest/gtest.h>

#include <vector>

#include "common/binary_reader.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/light_node.h"

using namespace gfx;

namespace {

class LightTest : public ::testing::Test {
protected:
    RecordingDevice* rec = nullptr;

    void SetUp() override {
        g_Video.Zero();
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 64), &rec), D3D_OK);
        g_Video.device = rec;
    }
    void TearDown() override {
        g_Video.device = nullptr;
        if (rec) rec->Release();
        g_Video.Zero();
    }
};

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
