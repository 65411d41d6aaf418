// Character shadows: the shadow file, the silhouette and its extrusion.
#include <algorithm>
#include <array>
#include <cmath>

#include "character_model_fixture.h"
#include "datakit/y3d_octree_builder.h"
#include "scene/collision_world.h"
#include "scene/light_node.h"
#include "scene/scene.h"

namespace modeltest {
namespace {

class CharacterShadowTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ASSERT_TRUE(LoadSkeleton(&model));
    }
    bool LoadShadow(const Y3DShadowModel& file) {
        if (!model.shadow) model.shadow = g_ModelLoaders.Create();
        auto f = EntryOf(file.Build());
        return LoadModel(model.shadow, f->Reader(), &model);
    }
    void PlaceAt(const Vec3& p) {
        model.position = model.basePosition = p;
        NextFrame();
        model.UpdatePose(true);
        model.box[0] = p.x - 1, model.box[1] = p.y - 1, model.box[2] = p.z - 1;
        model.box[3] = p.x + 1, model.box[4] = p.y + 1, model.box[5] = p.z + 1;
    }
};

TEST_F(CharacterShadowTest, TheBoxCastsFourEdgesDownToAFixedLengthWithoutGround) {
    ASSERT_TRUE(LoadShadow(BoxShadow()));
    ModelLoader* s = model.shadow;
    PlaceAt({3, 0, 2});
    s->BuildShadowVolume(&model);
    EXPECT_FLOAT_EQ(s->direction.y, -1.0f);
    EXPECT_EQ(s->edgeCount, 4u);
    ASSERT_EQ(s->volumeCount, 24u);
    EXPECT_FLOAT_EQ(s->length, SHADOW_NO_GROUND_LENGTH);
    // The silhouette lies on one face of the box (moved with the model); each quad of the volume
    // runs from an edge straight down by the length.
    const float faceY = s->volume[0].y;
    EXPECT_TRUE(std::fabs(faceY - 1.0f) < 1e-4f || std::fabs(faceY - 2.0f) < 1e-4f) << faceY;
    for (uint32_t i = 0; i < s->volumeCount; i += 6) {
        const Vec3* q = &s->volume[i];
        EXPECT_FLOAT_EQ(q[1].y, faceY);
        EXPECT_NEAR(q[2].x, q[0].x, 1e-4f);
        EXPECT_NEAR(q[2].y, faceY - SHADOW_NO_GROUND_LENGTH, 1e-2f);
        EXPECT_NEAR(q[4].z, q[1].z, 1e-4f);
        EXPECT_TRUE(std::fabs(std::fabs(q[0].x - 3.0f) - 0.5f) < 1e-4f || std::fabs(std::fabs(q[0].z - 2.0f) - 0.5f) < 1e-4f);
    }
}

TEST_F(CharacterShadowTest, BadShadowFilesAreRefused) {
    struct Bad {
        const char* name;
        Y3DShadowModel file;
    };
    std::vector<Bad> cases;
    cases.push_back({"signature", BoxShadow()});
    cases.back().file.header.signature = "NOTY3D";
    cases.push_back({"version", BoxShadow()});
    cases.back().file.header.version = 321;
    cases.push_back({"triangle vertex", BoxShadow()});
    cases.back().file.triangles[5][1] = 8;
    cases.push_back({"influence bone", BoxShadow()});
    cases.back().file.vertices[3].influences[0].first = 2;
    cases.push_back({"triangle count", BoxShadow()});
    cases.back().file.triangleCount = 0x40000000;
    cases.push_back({"vertex count", BoxShadow()});
    cases.back().file.vertexCount = 100000;
    for (const Bad& c : cases) {
        EXPECT_FALSE(LoadShadow(c.file)) << c.name;
        EXPECT_EQ(model.shadow->triangleCount, 0u) << c.name;
        EXPECT_EQ(model.shadow->vertexCount, 0u) << c.name;
    }
}

TEST_F(CharacterShadowTest, AVolumeTooBigForTheBufferIsCut) {
    // Separate small triangles, each facing down: three silhouette edges apiece.
    Y3DShadowModel f;
    f.skeleton = TwoBones();
    const uint16_t n = 3600;
    for (uint16_t t = 0; t < n; ++t) {
        const float x = float(t % 60), z = float(t / 60);
        const uint16_t b = uint16_t(3 * t);
        f.vertices.push_back({{x, 1, z}, {{0, 1.0f}}});
        f.vertices.push_back({{x + 0.5f, 1, z}, {{0, 1.0f}}});
        f.vertices.push_back({{x, 1, z + 0.5f}, {{0, 1.0f}}});
        f.triangles.push_back({b, uint16_t(b + 1), uint16_t(b + 2)});
    }
    ASSERT_TRUE(LoadShadow(f));
    PlaceAt({0, 0, 0});
    model.shadow->BuildShadowVolume(&model);
    // Whichever way the triangles face, either all of them or none are lit from above.
    if (model.shadow->edgeCount == 0) {
        for (auto& t : f.triangles) std::swap(t[1], t[2]);
        ASSERT_TRUE(LoadShadow(f));
        model.shadow->BuildShadowVolume(&model);
    }
    EXPECT_EQ(model.shadow->edgeCount, 3u * n);
    EXPECT_EQ(model.shadow->volumeCount, (SHADOW_MAX_VOLUME / 6) * 6);
    EXPECT_LE(model.shadow->volume.size(), size_t(SHADOW_MAX_VOLUME));
}

// A ball of rings between two poles, the upper rings leaning on the arm; open, it lacks its top
// cap, so the top ring's edges have one triangle each.
Y3DShadowModel Ball(bool closed) {
    const int rings = 6, segments = 8;
    Y3DShadowModel f;
    f.skeleton = TwoBones();
    f.vertices.push_back({{0, 0, 0}, {{0, 1.0f}}});
    for (int r = 0; r < rings; ++r) {
        const float phi = 3.14159f * float(r + 1) / float(rings + 1), w = float(r) / float(rings - 1);
        for (int k = 0; k < segments; ++k) {
            const float theta = 6.28318f * float(k) / float(segments);
            f.vertices.push_back({{std::sin(phi) * std::cos(theta), 1 - std::cos(phi), std::sin(phi) * std::sin(theta)},
                                  {{0, 1 - w}, {1, w}}});
        }
    }
    f.vertices.push_back({{0, 2, 0}, {{1, 1.0f}}});
    const auto at = [&](int r, int k) { return uint16_t(1 + r * segments + k % segments); };
    const uint16_t top = uint16_t(f.vertices.size() - 1);
    for (int k = 0; k < segments; ++k) {
        f.triangles.push_back({0, at(0, k + 1), at(0, k)});
        for (int r = 0; r + 1 < rings; ++r) {
            f.triangles.push_back({at(r, k), at(r, k + 1), at(r + 1, k + 1)});
            f.triangles.push_back({at(r, k), at(r + 1, k + 1), at(r + 1, k)});
        }
        if (closed) f.triangles.push_back({top, at(rings - 1, k), at(rings - 1, k + 1)});
    }
    return f;
}

// The volume's quads (six vertices each, in their own order) sorted, so that volumes whose quads
// come in different orders compare equal: the stencil counts do not depend on that order.
using Quad = std::array<float, 18>;
std::vector<Quad> Quads(const Vec3* v, size_t count) {
    std::vector<Quad> quads(count / 6);
    for (size_t q = 0; q < quads.size(); ++q)
        for (int k = 0; k < 6; ++k) {
            quads[q][3 * k] = v[6 * q + k].x;
            quads[q][3 * k + 1] = v[6 * q + k].y;
            quads[q][3 * k + 2] = v[6 * q + k].z;
        }
    std::sort(quads.begin(), quads.end());
    return quads;
}

// The plain steps along the direction and length the volume was built with: each vertex skinned
// on its own, every facing triangle's edges toggled in the list, the remaining edges extruded.
std::vector<Vec3> PlainVolume(const ModelLoader& s, const CharacterModel& m) {
    std::vector<Vec3> p(s.vertexCount), out;
    for (uint32_t v = 0; v < s.vertexCount; ++v) p[v] = s.SkinVertex(m, v);
    std::vector<uint16_t> edges(s.triangleCount * 6 + 2);
    uint32_t count = 0;
    for (uint32_t t = 0; t < s.triangleCount; ++t) {
        const uint16_t* i = &s.triangles[3 * t];
        if (Vec3Dot(Vec3Cross(Vec3Sub(p[i[2]], p[i[1]]), Vec3Sub(p[i[1]], p[i[0]])), s.direction) >= 0) continue;
        for (int k = 0; k < 3; ++k) ToggleEdge(edges.data(), &count, i[k], i[(k + 1) % 3]);
    }
    const Vec3 offset = Vec3Scale(s.direction, s.length);
    for (uint32_t e = 0; e < count; ++e) {
        const Vec3 a = p[edges[2 * e]], b = p[edges[2 * e + 1]];
        const Vec3 a2 = Vec3Add(a, offset), b2 = Vec3Add(b, offset);
        out.insert(out.end(), {a, b, a2, b, b2, a2});
    }
    return out;
}

// Also with a bone matrix that projects (w not 1), whose positions are divided by w.
TEST_F(CharacterShadowTest, ClosedAndOpenMeshesGiveThePlainStepsVolumeExactly) {
    for (int variant = 0; variant < 3; ++variant) {
        const bool closed = variant != 1, projecting = variant == 2;
        SCOPED_TRACE(variant);
        ASSERT_TRUE(LoadShadow(Ball(closed)));
        PlaceAt({1, 0, 2});
        model.bones[0]->worldMatrix = Mat4Mul(Mat4RotationX(0.4f), Mat4Translation(1, 0, 2));
        model.bones[1]->worldMatrix = Mat4Mul(Mat4RotationZ(0.7f), Mat4Translation(1, 1, 2));
        if (projecting) model.bones[1]->worldMatrix.m[1][3] = 0.25f;
        ModelLoader* s = model.shadow;
        s->BuildShadowVolume(&model);
        const std::vector<Vec3> plain = PlainVolume(*s, model);
        ASSERT_GT(plain.size(), 0u);
        ASSERT_EQ(s->volumeCount, plain.size());
        EXPECT_EQ(Quads(s->volume.data(), s->volumeCount), Quads(plain.data(), plain.size()));
    }
}

// Pages of a book around its spine (0, 1): the spine is an edge of every page, the pages' outer
// edges of one page each; wound both ways, with a page folded onto the spine (0, 1, 0). Turned
// through many poses, each edge is listed as often and as the toggles leave it, whatever number of
// its triangles face.
TEST_F(CharacterShadowTest, EdgesOnOneOrOnSeveralTrianglesAreKeptAsTheTogglesLeaveThem) {
    Y3DShadowModel f;
    f.skeleton = TwoBones();
    f.vertices.push_back({{0, 0, 0}, {{0, 1.0f}}});
    f.vertices.push_back({{0, 1, 0}, {{0, 1.0f}}});
    const int pages = 5;
    for (int k = 0; k < pages; ++k) {
        const float angle = 1.1f * float(k) + 0.3f;
        f.vertices.push_back({{std::cos(angle), 0.5f, std::sin(angle)}, {{0, 1.0f}}});
        const uint16_t p = uint16_t(2 + k);
        if (k % 2) f.triangles.push_back({0, 1, p});
        else f.triangles.push_back({1, 0, p});
    }
    f.triangles.push_back({0, 1, 0});
    ASSERT_TRUE(LoadShadow(f));
    int listedSpine = 0;
    for (int pose = 0; pose < 24; ++pose) {
        SCOPED_TRACE(pose);
        PlaceAt({0, 0, 0});
        model.bones[0]->worldMatrix = Mat4Mul(Mat4RotationX(0.5f * float(pose)), Mat4RotationZ(0.9f * float(pose)));
        ModelLoader* s = model.shadow;
        s->BuildShadowVolume(&model);
        const std::vector<Vec3> plain = PlainVolume(*s, model);
        ASSERT_EQ(s->volumeCount, plain.size());
        EXPECT_EQ(Quads(s->volume.data(), s->volumeCount), Quads(plain.data(), plain.size()));
        for (uint32_t e = 0; e < s->edgeCount; ++e)
            listedSpine += std::min(s->edges[2 * e], s->edges[2 * e + 1]) == 0 && std::max(s->edges[2 * e], s->edges[2 * e + 1]) == 1;
    }
    // Some poses leave the spine listed and some do not, so both parities were met.
    EXPECT_GT(listedSpine, 0);
    EXPECT_LT(listedSpine, 24);
}

// Triangles that hold the light's direction, seen edge-on by it, each alone: whether one faces
// comes down to the rounding of its facing product, which must be the plain steps' to the bit.
TEST_F(CharacterShadowTest, TrianglesEdgeOnToASlantingSunFaceAsThePlainStepsHaveThem) {
    DirectionalLight sun;
    sun.direction = {0.37f, -0.21f, 0.53f};
    g_Scene.sun = &sun;
    const Vec3 raw{sun.direction.x, sun.direction.y - 1.0f, sun.direction.z};
    const Vec3 l = Vec3Scale(raw, 1.0f / Vec3Length(raw));
    Y3DShadowModel f;
    f.skeleton = TwoBones();
    for (int t = 0; t < 400; ++t) {
        const Vec3 a{0.01f * float(t % 37) - 0.2f, 0.5f + 0.003f * float(t % 53), 0.02f * float(t % 11) - 0.1f};
        const Vec3 b = Vec3Add(a, Vec3Scale(l, 0.1f + 0.001f * float(t)));
        const Vec3 c = Vec3Add(a, {0.05f * float(t % 7 + 1), 0.03f * float(t % 5), -0.04f * float(t % 3 + 1)});
        for (const Vec3& v : {a, b, c}) f.vertices.push_back({v, {{0, 1.0f}}});
        const uint16_t first = uint16_t(3 * t);
        f.triangles.push_back({first, uint16_t(first + 1), uint16_t(first + 2)});
    }
    const bool loaded = LoadShadow(f);
    if (loaded) {
        PlaceAt({0, 0, 0});
        model.shadow->BuildShadowVolume(&model);
    }
    g_Scene.sun = nullptr;
    ASSERT_TRUE(loaded);
    const ModelLoader& s = *model.shadow;
    const std::vector<Vec3> plain = PlainVolume(s, model);
    // Rounding leaves some facing and some not, so the test decides between the two.
    EXPECT_GT(plain.size(), 18u * 20);
    EXPECT_LT(plain.size(), 18u * 380);
    ASSERT_EQ(s.volumeCount, plain.size());
    EXPECT_EQ(Quads(s.volume.data(), s.volumeCount), Quads(plain.data(), plain.size()));
}

// A sun along (1, -1, 2) sends the shadow along (1, -2, 2), a unit (1, -2, 2) / 3; from the
// model's feet at y 0, stepped back one unit against it, the ray meets the ground at y -5 after
// 8.5, and the volume runs half a unit past: 9 along the unit, (3, -6, 6). The box seen that way
// shows a six-edged outline: the edges between its faces towards -x, +y and -z and the others.
TEST_F(CharacterShadowTest, TheVolumeRunsAlongTheUnitSunDirectionToJustPastTheGround) {
    datakit::CollisionMeshDesc ground;
    ground.AddFace(0, collisiontest::Square({0, -5, 0}, {0, 1, 0}, 8, 8), {0, 1, 0});
    const int32_t corner[3] = {-8, -8, -8};
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 4);
    nodes[0].first = 0;
    nodes[0].itemCount = 1;
    ASSERT_TRUE(collisiontest::LoadTree(g_Scene.collisionOctree, nodes, {ground}));
    ASSERT_TRUE(LoadShadow(BoxShadow()));
    DirectionalLight sun;
    sun.direction = {1, -1, 2};
    g_Scene.sun = &sun;
    PlaceAt({1, 0, -2});
    ModelLoader* s = model.shadow;
    s->BuildShadowVolume(&model);
    g_Scene.sun = nullptr;

    EXPECT_NEAR(s->direction.x, 1.0f / 3, 1e-6f);
    EXPECT_NEAR(s->direction.y, -2.0f / 3, 1e-6f);
    EXPECT_NEAR(s->direction.z, 2.0f / 3, 1e-6f);
    EXPECT_NEAR(s->length, 9.0f, 1e-4f);
    // The outline's corners, in the order it runs round, moved with the model.
    const Vec3 outline[6] = {{0.5f, 1, -2.5f}, {0.5f, 1, -1.5f}, {0.5f, 2, -1.5f},
                             {1.5f, 2, -1.5f}, {1.5f, 2, -2.5f}, {1.5f, 1, -2.5f}};
    auto cornerOf = [&](const Vec3& p) {
        for (int k = 0; k < 6; ++k)
            if (Vec3Length(Vec3Sub(p, outline[k])) < 1e-4f) return k;
        return -1;
    };
    ASSERT_EQ(s->volumeCount, 36u);
    std::vector<int> sides;
    for (uint32_t i = 0; i < s->volumeCount; i += 6) {
        SCOPED_TRACE(i);
        const Vec3* q = &s->volume[i];
        const int a = cornerOf(q[0]), b = cornerOf(q[1]);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        sides.push_back(std::min(a, b) == 0 && std::max(a, b) == 5 ? 5 : std::min(a, b));
        EXPECT_EQ(std::abs(a - b) % 4, 1) << "not a side of the outline";
        const Vec3 run{3, -6, 6};
        for (const auto& [far, near] : {std::pair{q[2], q[0]}, {q[4], q[1]}, {q[5], q[0]}}) {
            EXPECT_NEAR(far.x, near.x + run.x, 1e-4f);
            EXPECT_NEAR(far.y, near.y + run.y, 1e-4f);
            EXPECT_NEAR(far.z, near.z + run.z, 1e-4f);
        }
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

// One triangle whose corners blend both bones, one of them also with a weight too small to count.
Y3DShadowModel BlendedTriangle() {
    Y3DShadowModel f;
    f.skeleton = TwoBones();
    f.vertices.push_back({{0, 0, 0}, {{0, 0.5f}, {1, 0.5f}}});
    f.vertices.push_back({{1, 0, 0}, {{0, 0.25f}, {1, 0.75f}}});
    f.vertices.push_back({{0, 0, 1}, {{1, 0.00005f}, {0, 0.5f}, {1, 0.5f}}});
    f.triangles.push_back({0, 1, 2});
    return f;
}

// The volume of one facing triangle: its three edges as the triangle holds them, each run
// straight down.
void ExpectTriangleVolume(const ModelLoader& s, const Vec3 (&corners)[3]) {
    ASSERT_EQ(s.volumeCount, 18u);
    std::vector<Vec3> expected;
    for (int e = 0; e < 3; ++e) {
        const Vec3 from = corners[e], to = corners[(e + 1) % 3];
        const Vec3 fromDown{from.x, from.y - SHADOW_NO_GROUND_LENGTH, from.z}, toDown{to.x, to.y - SHADOW_NO_GROUND_LENGTH, to.z};
        expected.insert(expected.end(), {from, to, fromDown, to, toDown, fromDown});
    }
    EXPECT_EQ(Quads(s.volume.data(), s.volumeCount), Quads(expected.data(), expected.size()));
}

// The hip moved 2 along x; the arm (bound 1 up) raised to 3 up, and in the second case also
// projecting with w = 2, which halves its points. Worked out by hand from the weights.
TEST_F(CharacterShadowTest, CornersBlendingSeveralBonesAreSkinnedToTheWeightedSum) {
    const struct {
        float w;
        Vec3 corners[3];
    } cases[] = {{1.0f, {{1, 1, 0}, {1.5f, 1.5f, 0}, {1, 1, 1}}}, {2.0f, {{1, 0.5f, 0}, {1.125f, 0.75f, 0}, {1, 0.5f, 0.75f}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.w);
        ASSERT_TRUE(LoadShadow(BlendedTriangle()));
        PlaceAt({0, 0, 0});
        model.bones[0]->worldMatrix = Mat4Translation(2, 0, 0);
        model.bones[1]->worldMatrix = Mat4Translation(0, 3, 0);
        model.bones[1]->worldMatrix.m[3][3] = c.w;
        model.shadow->BuildShadowVolume(&model);
        // Lit from above the triangle faces away: all three edges, as the triangle holds them.
        ExpectTriangleVolume(*model.shadow, c.corners);
    }
}

// Influences on a bone without an inverse bind, or whose bone is gone, count for nothing.
TEST_F(CharacterShadowTest, InfluencesOnMissingBonesAreLeftOut) {
    ASSERT_TRUE(LoadShadow(BlendedTriangle()));
    PlaceAt({0, 0, 0});
    model.bones[0]->worldMatrix = Mat4Translation(2, 0, 0);
    model.bones[1]->worldMatrix = Mat4Translation(0, 3, 0);
    // Wound the other way so that, with only the hip's half of each weight, it still faces away.
    ModelLoader direct;
    direct.vertices = model.shadow->vertices;
    direct.vertexCount = model.shadow->vertexCount;
    direct.triangles = {0, 2, 1};
    direct.triangleCount = 1;
    direct.inverseBinds = {Mat4Identity()};
    direct.BuildShadowVolume(&model);
    const Vec3 hipOnly[3] = {{1, 0, 0}, {1, 0, 0.5f}, {0.75f, 0, 0}};
    ExpectTriangleVolume(direct, hipOnly);
    // The same with the arm's bind kept but the arm itself gone.
    direct.inverseBinds = model.shadow->inverseBinds;
    Bone* arm = model.bones[1];
    model.bones[1] = nullptr;
    direct.BuildShadowVolume(&model);
    model.bones[1] = arm;
    ExpectTriangleVolume(direct, hipOnly);
}

// A mesh put into a loader field by field (no file) casts the same volume as the loaded one.
TEST_F(CharacterShadowTest, AMeshFilledInDirectlyCastsTheSameVolumeAsTheLoadedOne) {
    ASSERT_TRUE(LoadShadow(Ball(true)));
    PlaceAt({1, 0, 2});
    model.bones[0]->worldMatrix = Mat4Mul(Mat4RotationX(0.4f), Mat4Translation(1, 0, 2));
    model.bones[1]->worldMatrix = Mat4Mul(Mat4RotationZ(0.7f), Mat4Translation(1, 1, 2));
    ModelLoader* loaded = model.shadow;
    loaded->BuildShadowVolume(&model);
    ModelLoader direct;
    direct.vertices = loaded->vertices;
    direct.vertexCount = loaded->vertexCount;
    direct.triangles = loaded->triangles;
    direct.triangleCount = loaded->triangleCount;
    direct.inverseBinds = loaded->inverseBinds;
    direct.BuildShadowVolume(&model);
    ASSERT_GT(loaded->volumeCount, 0u);
    ASSERT_EQ(direct.volumeCount, loaded->volumeCount);
    for (uint32_t i = 0; i < loaded->volumeCount; ++i) {
        EXPECT_EQ(direct.volume[i].x, loaded->volume[i].x) << i;
        EXPECT_EQ(direct.volume[i].y, loaded->volume[i].y) << i;
        EXPECT_EQ(direct.volume[i].z, loaded->volume[i].z) << i;
    }
}

}  // namespace
}  // namespace modeltest
