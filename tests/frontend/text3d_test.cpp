// Outlines of DejaVu Sans Bold, their tessellation and extrusion, and the 3D words built from
// them on the recording device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "frontend/text3d.h"
#include "platform/os/os.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "shell/mouse.h"

namespace {

constexpr const char* kFace = "DejaVu Sans";

struct FontDeleter {
    void operator()(text::Font* f) const { text::DeleteFont(f); }
};
using FontPtr = std::unique_ptr<text::Font, FontDeleter>;

FontPtr BoldFont(int32_t cellHeight) {
    text::FontDesc d;
    d.height = cellHeight;
    d.weight = text::FW_BOLD;
    d.face = kFace;
    return FontPtr(text::CreateFont(d));
}

double Area(const text::OutlineContour& c) {
    double a = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        const auto &p = c[i], &q = c[(i + 1) % c.size()];
        a += double(p.x) * q.y - double(q.x) * p.y;
    }
    return std::fabs(a) * 0.5;
}

double TriangleArea(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
    return ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) * 0.5;
}

TEST(LetterOutlineTest, CountersAreHolesAndDottedLettersHaveSeveralContours) {
    FontPtr font = BoldFont(100);
    ASSERT_NE(font, nullptr);
    struct Case {
        char c;
        size_t contours;
    } cases[] = {{'O', 2}, {'A', 2}, {'B', 3}, {'i', 2}, {'l', 1}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.c);
        std::vector<text::OutlineContour> contours;
        ASSERT_TRUE(text::GetGlyphOutline(font.get(), uint8_t(k.c), &contours));
        EXPECT_EQ(contours.size(), k.contours);
        for (const auto& contour : contours) {
            EXPECT_GE(contour.size(), 3u);
            for (const auto& p : contour) {   // inside the cell, the baseline at the ascent
                EXPECT_GE(p.y, 0);
                EXPECT_LE(p.y, 100);
            }
        }
    }
    std::vector<text::OutlineContour> blank{{{1, 1}}};
    ASSERT_TRUE(text::GetGlyphOutline(font.get(), ' ', &blank));
    EXPECT_TRUE(blank.empty());
    EXPECT_FALSE(text::GetGlyphOutline(nullptr, 'A', &blank));
}

TEST(LetterOutlineTest, TheFrontFaceCoversTheOutlineLessItsHoles) {
    FontPtr font = BoldFont(100);
    for (char c : {'O', 'B', 'A', 'e'}) {
        SCOPED_TRACE(c);
        std::vector<text::OutlineContour> contours;
        ASSERT_TRUE(text::GetGlyphOutline(font.get(), uint8_t(c), &contours));
        std::vector<double> areas;
        for (const auto& contour : contours) areas.push_back(Area(contour));
        std::sort(areas.rbegin(), areas.rend());
        double expected = areas[0];
        for (size_t i = 1; i < areas.size(); ++i) expected -= areas[i];
        TessellatedMesh mesh;
        ASSERT_TRUE(mesh.Build(contours, 100));
        ASSERT_GT(mesh.frontTriangles, 0u);
        double front = 0;
        for (uint32_t t = 0; t < mesh.frontTriangles * 3; t += 3) {
            const double a = TriangleArea(mesh.vertices[mesh.indices[t]], mesh.vertices[mesh.indices[t + 1]],
                                          mesh.vertices[mesh.indices[t + 2]]);
            EXPECT_LE(a, 0.0);   // clockwise seen from in front
            front -= a;
        }
        EXPECT_NEAR(front, expected, expected * 1e-6);
    }
}

TEST(LetterExtrusionTest, ASquareGetsFlatWallsAndAReversedBack) {
    const std::vector<text::OutlineContour> square{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
    TessellatedMesh mesh;
    ASSERT_TRUE(mesh.Build(square, 40));
    EXPECT_FLOAT_EQ(mesh.depth, 10.0f);
    // 4 front, 4 back, and at each of the 4 sharp corners two wall pairs.
    EXPECT_EQ(mesh.vertices.size(), 4u + 4u + 16u);
    EXPECT_EQ(mesh.frontTriangles, 2u);
    EXPECT_EQ(mesh.indices.size(), 3u * (2 + 2 + 8));
    for (uint32_t t = 0; t < 6; t += 3) {
        EXPECT_EQ(mesh.indices[6 + t], mesh.indices[t] + 4);
        EXPECT_EQ(mesh.indices[6 + t + 1], mesh.indices[t + 2] + 4);
        EXPECT_EQ(mesh.indices[6 + t + 2], mesh.indices[t + 1] + 4);
        EXPECT_EQ(mesh.vertices[mesh.indices[6 + t]].z, 10.0);
        EXPECT_EQ(mesh.vertices[mesh.indices[6 + t]].nz, 1.0);
    }
    // Corner (10, 0) of the outline, (10, 0) in the mesh: its two wall pairs face +x and +y or
    // the other way round, each pointing away from the square's middle (5, -5).
    for (size_t v = 8; v < mesh.vertices.size(); v += 2) {
        const MeshVertex& f = mesh.vertices[v];
        const MeshVertex& b = mesh.vertices[v + 1];
        EXPECT_EQ(f.z, 0.0);
        EXPECT_EQ(b.z, 10.0);
        EXPECT_EQ(f.nx, b.nx);
        EXPECT_NEAR(std::hypot(f.nx, f.ny), 1.0, 1e-9);
        EXPECT_EQ(std::fabs(f.nx) + std::fabs(f.ny), 1.0);   // along an axis: a flat wall
        EXPECT_GT(f.nx * (f.x - 5) + f.ny * (f.y + 5), 0.0);
    }
    // Each wall triangle is seen clockwise from outside: its normal (by the winding, in the
    // left-handed frame) points the way of its vertices' normals.
    for (size_t t = 12; t < mesh.indices.size(); t += 3) {
        const MeshVertex &a = mesh.vertices[mesh.indices[t]], &b = mesh.vertices[mesh.indices[t + 1]],
                         &c = mesh.vertices[mesh.indices[t + 2]];
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz;
        EXPECT_GT(nx * a.nx + ny * a.ny, 0.0) << "triangle " << t / 3;
    }
}

TEST(LetterExtrusionTest, ACurveSharesOneNormalPerPoint) {
    text::OutlineContour circle;
    for (int i = 0; i < 32; ++i) {
        const double a = i * 2 * 3.14159265358979 / 32;
        circle.push_back({int32_t(std::lround(1000 * std::cos(a))), int32_t(std::lround(1000 * std::sin(a)))});
    }
    TessellatedMesh mesh;
    ASSERT_TRUE(mesh.Build({circle}, 40));
    EXPECT_EQ(mesh.vertices.size(), 32u + 32u + 64u);
    for (size_t j = 0; j < 32; ++j) {
        const MeshVertex& f = mesh.vertices[64 + 2 * j];
        const double r = std::hypot(f.x, f.y);
        EXPECT_NEAR(f.nx * f.x / r + f.ny * f.y / r, 1.0, 0.01) << j;   // radial, outward
    }
}

class Text3DTest : public fxtest::FxDeviceTest {
protected:
    uint32_t now = 10000;
    void SetUp() override {
        FxDeviceTest::SetUp();
        os::SetTimeSource([this] { return now; });
        g_Clocks = ClockSet();
        g_Clocks.active = CLOCK_MENU;
        ResetText3DRates();
        SeedRandom(7);
        // Near enough that a pixel is a small part of a letter.
        AimCamera(0, 0, -2, 0, 0, 0);
    }
    void TearDown() override {
        word.Release();
        os::SetTimeSource({});
        g_Mouse = MouseState();
        FxDeviceTest::TearDown();
    }
    // Frames of 16 ms until the letters rest, at most ten simulated seconds.
    int RunUntilStill() {
        int frames = 0;
        do {
            now += 16;
            word.Update3DText();
        } while (word.animation != TEXT3D_STILL && ++frames < 625);
        return frames;
    }
    Text3D word;
};

TEST_F(Text3DTest, BlanksAdvanceAThirdOfTheScaleAndLeaveNoLetter) {
    ASSERT_TRUE(word.Create(25, "I I", kFace, "Text3D.bmp", -1));
    ASSERT_EQ(word.letterCount, 2);
    EXPECT_FLOAT_EQ(word.scale, 0.25f);
    const float advance = word.letters[0].boxMax.x - word.letters[0].boxMin.x;
    EXPECT_NEAR(word.totalWidth, 2 * advance + 0.25f / 3 + 3 * 0.05f, 1e-5);
    // The pen puts the second I one blank and two gaps after the first.
    EXPECT_NEAR(word.letters[1].home.x - word.letters[0].home.x, advance + 0.05f + 0.25f / 3 + 0.05f, 1e-5);
    EXPECT_TRUE(g_Scene.objects->Contains(word.letters[0].mesh));
    DynamicMesh* first = word.letters[0].mesh;
    const uint32_t before = g_Scene.objects->count;
    word.Release();
    EXPECT_EQ(g_Scene.objects->count, before - 2);
    EXPECT_FALSE(g_Scene.objects->Contains(first));
}

TEST_F(Text3DTest, WordsWithoutOutlinesHaveAnEmptyBoxAndNoWave) {
    for (const char* blank : {"", "   "}) {
        SCOPED_TRACE(blank);
        ASSERT_TRUE(word.Create(25, blank, kFace, "Text3D.bmp", -1));
        EXPECT_EQ(word.letterCount, 0);
        EXPECT_EQ(word.boxMax.x, 0.0f);
        EXPECT_EQ(word.boxMin.x, 0.0f);
        word.StartAnimation(TEXT3D_WAVE);
        word.StartAnimation(TEXT3D_FLY_IN);
        EXPECT_EQ(word.animation, TEXT3D_STILL);
        word.Update3DText();
    }
}

TEST_F(Text3DTest, PlacedWordsSitUnderTheScreenPointAndAnswerTheCursor) {
    ASSERT_TRUE(word.Create(25, "cD", kFace, "Text3D.bmp", -1));
    int32_t sx = 0, sy = 0;
    word.PlaceAtScreen(0.5f, 0.524f, 'c');
    WorldToScreen(word.position.x, word.position.y, word.position.z, &sx, &sy, *g_Scene.camera);
    EXPECT_NEAR(sx, 32, 1);
    EXPECT_NEAR(sy, 33, 1);   // 64 x 0.524
    word.PlaceAtScreen(0.5f, 0.524f, 'D');
    const Vec3 end = Vec3Add(word.position, Vec3{word.totalWidth * 0.5f, 0, 0});
    WorldToScreen(end.x, end.y, end.z, &sx, &sy, *g_Scene.camera);
    EXPECT_NEAR(sx, 32, 1);

    word.PlaceAtScreen(0.5f, 0.5f, 'c');
    word.Update3DText();
    // The letters stand on the line: aim at the middle of the word's box.
    const Vec3 middle = Vec3Add(word.position, Vec3Scale(Vec3Add(word.boxMin, word.boxMax), 0.5f));
    WorldToScreen(middle.x, middle.y, middle.z, &g_Mouse.x, &g_Mouse.y, *g_Scene.camera);
    EXPECT_TRUE(word.IsUnderCursor());
    g_Mouse.x = 2;
    EXPECT_FALSE(word.IsUnderCursor());
    // The letters' meshes carry the world matrix the text wrote.
    EXPECT_EQ(word.letters[0].mesh->world.m[3][0], word.letters[0].world.m[3][0]);
    EXPECT_EQ(word.letters[0].mesh->transformValid, 1);
}

TEST_F(Text3DTest, TheWaveRunsThroughTheWordOncePerPeriodAndStops) {
    ASSERT_TRUE(word.Create(25, "AB", kFace, "Text3D.bmp", -1));
    word.Update3DText();
    word.StartAnimation(TEXT3D_WAVE);
    const float amplitude = 0.25f * 0.2f;
    now += 125;   // a quarter period into the first letter; the second starts at 250 ms
    word.Update3DText();
    EXPECT_NEAR(word.letters[0].offset.y - word.letters[0].home.y, amplitude, 1e-4);
    EXPECT_EQ(word.letters[1].offset.y, word.letters[1].home.y);
    now += 250;
    word.Update3DText();
    EXPECT_NEAR(word.letters[0].offset.y - word.letters[0].home.y, -amplitude, 1e-4);
    EXPECT_NEAR(word.letters[1].offset.y - word.letters[1].home.y, amplitude, 1e-4);
    word.stop = 1;
    EXPECT_LT(RunUntilStill(), 60);
    EXPECT_EQ(word.stop, 0);
}

TEST_F(Text3DTest, FlightsInAndOutComeToRest) {
    ASSERT_TRUE(word.Create(25, "Menu", kFace, "Text3D.bmp", -1));
    word.PlaceAtScreen(0.5f, 0.5f, 'c');
    word.Update3DText();
    word.StartAnimation(TEXT3D_FLY_IN);
    EXPECT_EQ(word.animation, TEXT3D_FLY_IN);
    for (const Letter3D& l : word.letters) EXPECT_GT(Vec3Length(Vec3Sub(l.offset, l.home)), 5.0f);
    RunUntilStill();
    ASSERT_EQ(word.animation, TEXT3D_STILL);
    for (const Letter3D& l : word.letters) {
        EXPECT_EQ(l.offset.x, l.home.x);
        EXPECT_EQ(l.offset.y, l.home.y);
        EXPECT_EQ(l.angles.x, 0.0f);
        EXPECT_EQ(l.angles.y, 0.0f);
    }
    word.StartAnimation(TEXT3D_FLY_OUT);
    RunUntilStill();
    ASSERT_EQ(word.animation, TEXT3D_STILL);
    for (size_t i = 0; i < word.letters.size(); ++i)
        EXPECT_LT(Vec3Length(Vec3Sub(word.letters[i].offset, word.homes[i])), word.halfScale);
}

TEST_F(Text3DTest, ADirectionThatNeverLeavesTheViewStillEnds) {
    ASSERT_TRUE(word.Create(25, "X", kFace, "Text3D.bmp", -1));
    word.Update3DText();
    // Looking at the word from far away: no nearby point is out of view.
    AimCamera(0, 0, -1000, 0, 0, 0);
    word.StartAnimation(TEXT3D_FLY_OUT);
    RunUntilStill();
    EXPECT_EQ(word.animation, TEXT3D_STILL);
}

}  // namespace
