// The demo data's solid shapes: every face is wound the way its normal points (the device culls
// the other side), boxes and spheres face outwards, and a checkered floor covers its rectangle.
#include <gtest/gtest.h>

#include <cmath>

#include "data/geometry.h"

namespace {

using demodata::Geometry;

Vec3 Corner(const Geometry& g, size_t i) { return g.Vertices()[g.Indices()[i]].p; }

// For each triangle: its winding normal, its stored normal and its centre.
struct Face {
    Vec3 wound, stored, centre;
    float area;
};

std::vector<Face> Faces(const Geometry& g) {
    std::vector<Face> faces;
    for (size_t i = 0; i + 2 < g.Indices().size(); i += 3) {
        const Vec3 a = Corner(g, i), b = Corner(g, i + 1), c = Corner(g, i + 2);
        const Vec3 cross = Vec3Cross(Vec3Sub(b, a), Vec3Sub(c, a));
        faces.push_back({cross, g.Vertices()[g.Indices()[i]].n, Vec3Scale(Vec3Add(Vec3Add(a, b), c), 1.0f / 3),
                         0.5f * Vec3Length(cross)});
    }
    return faces;
}

TEST(DemoGeometryTest, BoxesAndSpheresAreWoundOutwardsWithTheirNormals) {
    const Vec3 centre{1.0f, 2.0f, -3.0f};
    Geometry box, sphere;
    box.Box({0.0f, 1.5f, -4.0f}, {2.0f, 2.5f, -2.0f}, 0xFF808080);
    sphere.Sphere(centre, 0.75f, 5, 8, 0xFF808080);
    for (const Geometry* g : {&box, &sphere}) {
        const std::vector<Face> faces = Faces(*g);
        ASSERT_FALSE(faces.empty());
        EXPECT_EQ(g->Centres().size(), faces.size());
        for (const Face& f : faces) {
            if (f.area < 1e-6f) continue;   // the poles' slivers
            EXPECT_GT(Vec3Dot(f.wound, Vec3Sub(f.centre, centre)), 0.0f);
            EXPECT_GT(Vec3Dot(f.wound, f.stored), 0.0f);
        }
    }
    // Twelve triangles, six outward directions, each used by two of them.
    EXPECT_EQ(box.TriangleCount(), 12);
}

TEST(DemoGeometryTest, ACheckeredFloorCoversItsRectangleFacingUpInTwoColours) {
    Geometry floor;
    floor.Checker(0.0f, 0.0f, 10.0f, 6.0f, 2.0f, 4.0f, 0xFFFF0000, 0xFF0000FF);
    float area = 0.0f;
    for (const Face& f : Faces(floor)) {
        EXPECT_GT(f.wound.y, 0.0f);
        EXPECT_NEAR(f.centre.y, 2.0f, 1e-5f);
        area += f.area;
    }
    EXPECT_NEAR(area, 60.0f, 1e-3f);
    // Tiles of 4 over 10 x 6: three by two, the last ones cut to the edge; neighbours differ.
    EXPECT_EQ(floor.TriangleCount(), 12);
    EXPECT_NE(floor.Vertices()[0].colour, floor.Vertices()[4].colour);
}

TEST(DemoGeometryTest, ShadingDarkensSidesAndKeepsAlphaAndHue) {
    Geometry g;
    g.Box({0, 0, 0}, {1, 1, 1}, 0x80C08040);
    uint32_t top = 0, side = 0;
    for (const auto& v : g.Vertices()) {
        if (v.n.y > 0.9f) top = v.colour;
        if (std::fabs(v.n.x) > 0.9f) side = v.colour;
    }
    EXPECT_EQ(top >> 24, 0x80u);
    EXPECT_GT(top & 0xFF0000, side & 0xFF0000);
    // Red stays above green above blue.
    EXPECT_GT((side >> 16) & 0xFF, (side >> 8) & 0xFF);
    EXPECT_GT((side >> 8) & 0xFF, side & 0xFF);
    EXPECT_EQ(demodata::Shade(0xFF204080, 2.0f), 0xFF4080FFu);
}

}  // namespace
