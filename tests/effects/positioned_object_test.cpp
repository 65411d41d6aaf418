#include <gtest/gtest.h>

#include "common/math.h"
#include "effects/positioned_object.h"

namespace {

TEST(PositionedObject, StartsZeroed) {
    PositionedObject o;
    EXPECT_EQ(o.x, 0.0f);
    EXPECT_EQ(o.y, 0.0f);
    EXPECT_EQ(o.z, 0.0f);
    EXPECT_EQ(o.finished, 0);
    EXPECT_EQ(o.kind, 0u);
    EXPECT_EQ(KIND_SCREEN_SPACE, 0x100u);
}

TEST(PositionedObject, BaseOperations) {
    PositionedObject o;
    o.Release();
    EXPECT_TRUE(o.Queue());
    EXPECT_TRUE(o.Render());
    EXPECT_FALSE(o.Load(nullptr));
    // Update and IsFinished report the finished byte.
    EXPECT_EQ(o.Update(16), 0);
    EXPECT_FALSE(o.IsFinished());
    o.finished = 1;
    EXPECT_NE(o.Update(16), 0);
    EXPECT_TRUE(o.IsFinished());
}

TEST(PositionedObject, PositionAccess) {
    PositionedObject o;
    o.SetPosition({1.5f, -2.0f, 3.25f});
    Vec3 p{};
    o.GetPosition(&p);
    EXPECT_EQ(p.x, 1.5f);
    EXPECT_EQ(p.y, -2.0f);
    EXPECT_EQ(p.z, 3.25f);
    o.GetPosition(nullptr);  // tolerated

    float* ptr = o.GetPositionPtr();
    EXPECT_EQ(ptr, &o.x);
    EXPECT_EQ(ptr[1], -2.0f);
    EXPECT_EQ(ptr[2], 3.25f);

    o.MoveTo({7.0f, 8.0f, 9.0f});
    EXPECT_EQ(o.x, 7.0f);
    EXPECT_EQ(o.y, 8.0f);
    EXPECT_EQ(o.z, 9.0f);
}

}  // namespace
