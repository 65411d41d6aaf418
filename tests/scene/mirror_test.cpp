// Mirrors: the record and the reflected camera.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/mirror.h"
#include "scene/object_list.h"
#include "scene_element_records.h"

namespace {

using namespace fxtest;

class MirrorTest : public FxDeviceTest {
protected:
    static std::vector<uint8_t> MirrorBytes(const MirrorRecordFields& fields) {
        return Concat({MirrorRecord(fields), FlatQuad(0, 1)});
    }
};

TEST_F(MirrorTest, LoadKeepsTheRecordAndBuildsTheWorldToMirrorMatrix) {
    MirrorRecordFields fields;
    fields.reflection = {0.5f, 0.25f, 1};
    fields.position = {1, 2, 3};
    fields.material = 2;
    std::vector<uint8_t> bytes = MirrorBytes(fields);
    bytes.push_back(0x42);
    auto f = datakit::EntryOf(bytes);
    Mirror m;
    ASSERT_TRUE(m.Load(f->Reader(), {5, 6, 7}, 0, 0));
    EXPECT_EQ(long(f->Reader().Tell()), long(bytes.size() - 1));
    EXPECT_EQ(m.reflection.y, 0.25f);
    EXPECT_EQ(m.materialId, 7);
    // Columns X, Y, Z; last row -(p.X), -(p.Y), -(p.Z) = (1, -2, 3).
    const float expected[4][4] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {1, -2, 3, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(m.worldToMirror.m[r][c], expected[r][c]) << r << "," << c;
    // The adapter allows no render target here: a plain surface.
    EXPECT_EQ(m.reflectionOn, 0);
    EXPECT_EQ(m.texture, nullptr);
}

TEST_F(MirrorTest, ShortRecordsAndBadMaterialIndicesAreHandled) {
    ExpectEveryPrefixRefused(MirrorBytes({}), 7, [](BinaryReader& f) { return Mirror().Load(f, {1}, 0, 0); });
    MirrorRecordFields fields;
    fields.material = 1;
    auto f = datakit::EntryOf(MirrorBytes(fields));
    Mirror m;
    ASSERT_TRUE(m.Load(f->Reader(), {1}, 0, 0));
    EXPECT_EQ(m.materialId, -1);
}

TEST_F(MirrorTest, ReflectedCameraMatchesTheHandComputedMirrorImage) {
    AllowReflections();
    g_Settings.mirrors = 1;
    // A mirror in the plane z = 0.
    auto f = datakit::EntryOf(MirrorBytes({}));
    Mirror* m = new Mirror();
    g_Scene.mirrors->Add(m);
    ASSERT_TRUE(m->Load(f->Reader(), {}, 0, 0));
    struct Case {
        Vec3 eye;
        Vec3 mirroredEye;
        float distance;   // eye to plane
    };
    const Case cases[] = {{{3, 2, -10}, {3, 2, 10}, 10}, {{0, 0, -4}, {0, 0, 4}, 4}};
    for (const Case& c : cases) {
        AimCamera(c.eye.x, c.eye.y, c.eye.z, 0, 0, 0);
        Camera* current = g_Scene.camera;
        m->RenderReflection();
        ASSERT_NE(m->mirroredCamera, nullptr);
        const Camera& r = *m->mirroredCamera;
        EXPECT_NEAR(r.eye.x, c.mirroredEye.x, 1e-4);
        EXPECT_NEAR(r.eye.y, c.mirroredEye.y, 1e-4);
        EXPECT_NEAR(r.eye.z, c.mirroredEye.z, 1e-4);
        EXPECT_NEAR(r.nearPlane, c.distance, 1e-4);
        EXPECT_NEAR(r.farPlane, c.distance + 100.0f, 1e-3);
        // The mirror's edge (2) seen from the distance fills the view.
        EXPECT_NEAR(r.fovX, 2.0f * std::atan(1.0f / c.distance), 1e-5);
        EXPECT_EQ(g_Scene.camera, current);
        EXPECT_EQ(g_Scene.savedCamera, nullptr);
    }
}

}  // namespace
