// A live mirror on the real device shows a coloured quad standing in front of it.
#include "glow_picture_fixture.h"
#include "scene/mirror.h"
#include "scene/object_list.h"

namespace {

using namespace fxtest;
class MirrorPictureTest : public FxPictureTest {
protected:
    // The square (+-1, +-1) in the plane z = 0 facing -z, wound clockwise as seen from there.
    Mirror* PlaceMirror() {
        MirrorRecordFields fields;
        fields.sizeByte = 32;   // a 32-texel target: the whole screen
        SurfaceVertex c[4] = {{-1, -1, 0, 0xFFFFFFFF, 0, 1},
                              {-1, 1, 0, 0xFFFFFFFF, 0, 0},
                              {1, 1, 0, 0xFFFFFFFF, 1, 0},
                              {1, -1, 0, 0xFFFFFFFF, 1, 1}};
        auto f = datakit::EntryOf(Concat({MirrorRecord(fields), QuadBuffers(c)}));
        Mirror* m = new Mirror();
        EXPECT_TRUE(m->Load(f->Reader(), {}, 0, 0));
        g_Scene.mirrors->Add(m);
        return m;
    }
};

TEST_F(MirrorPictureTest, MirrorShowsTheQuadInFrontOfIt) {
    AllowReflections();
    g_Settings.mirrors = 1;
    // The eye 2 units in front: the mirror covers the middle half of the screen. The quad stands
    // behind the eye, facing the mirror, so only the mirror can show it.
    AimCamera({0, 0, -2}, {0, 0, 0});
    const Vec3 q[4] = {{-50, -50, -20}, {-50, 50, -20}, {50, 50, -20}, {50, -50, -20}};
    g_Scene.objects->Add(new ColourQuad(q, 0xFF00FF00));
    Mirror* m = PlaceMirror();
    ASSERT_NE(m->texture, nullptr);
    Clear(0xFF202020);
    g_Scene.Render();
    // The quad fills the middle of the reflected view (the target's edge of 32 widens it).
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 16), 0xFF00FF00, 8));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(15, 17), 0xFF00FF00, 8));
    // Outside the mirror the quad is not seen: the back buffer was cleared after the reflection.
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(2, 2), 0xFF000000, 8));
}

}  // namespace
