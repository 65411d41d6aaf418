#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "render/debug_draw.h"
#include "render/video.h"
#include "world/path_map.h"

using namespace gfx;

namespace {

class DebugDrawTest : public ::testing::Test {
protected:
    RecordingDevice* rec = nullptr;

    void SetUp() override {
        g_Video.Zero();
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 64), &rec), D3D_OK);
        g_Video.device = rec;
        ASSERT_EQ(rec->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        g_Video.device = nullptr;
        if (rec) rec->Release();
        g_Video.Zero();
    }
    static std::vector<DebugVertex> Vertices(const DrawRecord& d) {
        std::vector<DebugVertex> v(d.vertexData.size() / sizeof(DebugVertex));
        if (!v.empty()) std::memcpy(v.data(), d.vertexData.data(), v.size() * sizeof(DebugVertex));
        return v;
    }
};

TEST_F(DebugDrawTest, PolygonIsAFanWithTheDebugStates) {
    rec->SetRenderState(D3DRS_LIGHTING, 1);
    rec->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    Matrix m = IdentityMatrix;
    m.m[3][0] = 5.0f;
    g_Video.SetWorldMatrix(&m, 0, true);
    const Vec3 pts[5] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 1, 0}};
    DrawDebugPolygon(pts, 5, 0xFF112233);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.kind, CallKind::DrawPrimitiveUP);
    EXPECT_EQ(d.type, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(d.primitiveCount, 3u);
    EXPECT_EQ(d.vertexShader, 0x42u);
    EXPECT_EQ(d.stride, 16u);
    EXPECT_EQ(d.world.m[3][0], 0.0f);
    for (const Texture* t : d.textures) EXPECT_EQ(t, nullptr);
    EXPECT_EQ(d.RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(d.RenderState(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(g_Video.blendPreset, 1);
    // Lighting and culling stay as the caller left them.
    EXPECT_EQ(d.RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(d.RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));
    std::vector<DebugVertex> v = Vertices(d);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[4].x, -1.0f);
    for (const DebugVertex& x : v) EXPECT_EQ(x.colour, 0xFF112233u);
    // The video object's stream cache still tells the truth about the device.
    EXPECT_EQ(g_Video.streams[0], rec->State().streams[0]);
}

TEST_F(DebugDrawTest, PolygonCountIsTakenModulo256) {
    std::vector<Vec3> pts(260, Vec3{0, 0, 0});
    struct Case {
        int count;
        uint32_t triangles;   // 0: nothing drawn
    } cases[] = {{3, 1}, {259, 1}, {260, 2}, {2, 0}, {256, 0}, {258, 0}, {-5, 0}};
    for (const Case& c : cases) {
        size_t before = rec->Draws().size();
        DrawDebugPolygon(pts.data(), c.count, 0xFFFFFFFF);
        if (c.triangles == 0) {
            EXPECT_EQ(rec->Draws().size(), before) << c.count;
        } else {
            ASSERT_EQ(rec->Draws().size(), before + 1) << c.count;
            EXPECT_EQ(rec->Draws().back().primitiveCount, c.triangles) << c.count;
        }
    }
    DrawDebugPolygon(nullptr, 4, 0);
    DrawDebugTriangleList(nullptr, 2);
    EXPECT_EQ(rec->Draws().size(), 3u);
}

TEST_F(DebugDrawTest, GridCellsFollowTheCornerHeights) {
    PathLayer flat{{0.0f, 0.0f, 0.0f, 0.0f}};
    PathLayer tilted{{1.0f, 2.0f, 3.0f, 4.0f}};
    const CellRef cells[2] = {{10, 20, 0}, {11, 20, 1}};
    const PathLayer* layers[2] = {&flat, &tilted};
    const uint32_t colours[2] = {0xFFFF0000, 0xFF00FF00};
    DrawGridCellLayers(cells, layers, colours, 2, 4, 8);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(d.primitiveCount, 4u);
    std::vector<DebugVertex> v = Vertices(d);
    ASSERT_EQ(v.size(), 12u);
    // Second cell: x0 = 7, z0 = 12; A B C D A C.
    const float expect[6][3] = {{7, 1.015f, 12}, {7, 2.015f, 13}, {8, 3.015f, 13},
                                {8, 4.015f, 12}, {7, 1.015f, 12}, {8, 3.015f, 13}};
    for (int i = 0; i < 6; ++i) {
        const DebugVertex& x = v[size_t(6 + i)];
        EXPECT_FLOAT_EQ(x.x, expect[i][0]) << i;
        EXPECT_FLOAT_EQ(x.y, expect[i][1]) << i;
        EXPECT_FLOAT_EQ(x.z, expect[i][2]) << i;
        EXPECT_EQ(x.colour, 0xFF00FF00u);
        EXPECT_EQ(v[size_t(i)].colour, 0xFFFF0000u);
        EXPECT_FLOAT_EQ(v[size_t(i)].y, 0.015f);
    }
    EXPECT_FLOAT_EQ(v[0].x, 6.0f);
    EXPECT_FLOAT_EQ(v[0].z, 12.0f);
}

TEST_F(DebugDrawTest, NoCellsOrNoMapDrawNothing) {
    PathLayer flat{{0, 0, 0, 0}};
    const PathLayer* layers[1] = {&flat};
    const CellRef cell{1, 1, 0};
    const uint32_t colour = 0xFFFFFFFF;
    DrawGridCellLayers(&cell, layers, &colour, 0, 0, 0);
    const PathLayer* none[1] = {nullptr};
    DrawGridCellLayers(&cell, none, &colour, 1, 0, 0);
    DrawGridCells(&cell, &colour, 1);   // no scenario path map loaded
    DrawGridCell(cell, colour);
    EXPECT_EQ(rec->Draws().size(), 0u);
    Vec3 q[4];
    GridCellCorners(flat, 0, 0, cell, q);
    EXPECT_FLOAT_EQ(q[2].x, 2.0f);
    EXPECT_FLOAT_EQ(q[2].z, 2.0f);
}

TEST_F(DebugDrawTest, LineDrawsInsideARestoredStateBlock) {
    rec->SetRenderState(D3DRS_LIGHTING, 1);
    rec->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    rec->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    rec->SetRenderState(D3DRS_FOGENABLE, 1);
    rec->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rec->SetVertexShader(0x142);
    BeginDebugDraw(1, 2, 3, 4, 5, 6, 0x80FFFFFF);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.type, D3DPT_LINELIST);
    EXPECT_EQ(d.primitiveCount, 1u);
    EXPECT_EQ(d.vertexShader, 0x42u);
    EXPECT_EQ(d.RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(d.RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_NONE));
    EXPECT_EQ(d.RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(d.RenderState(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(d.RenderState(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(d.StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_SELECTARG1));
    EXPECT_EQ(d.StageState(0, D3DTSS_COLORARG1), D3DTA_DIFFUSE);
    EXPECT_EQ(d.StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_DISABLE));
    EXPECT_EQ(d.StageState(1, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
    std::vector<DebugVertex> v = Vertices(d);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1].z, 6.0f);
    EXPECT_EQ(v[0].colour, 0x80FFFFFFu);
    // Everything is back and the block is gone.
    EXPECT_EQ(rec->RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(rec->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CW));
    EXPECT_EQ(rec->RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(rec->RenderState(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(rec->StageState(1, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    EXPECT_EQ(rec->State().vertexShader, 0x142u);
    EXPECT_EQ(rec->StateBlockCount(), 0u);
    EXPECT_EQ(rec->CountCalls(CallKind::CreateStateBlock), 1u);
    EXPECT_EQ(rec->CountCalls(CallKind::DeleteStateBlock), 1u);
}

TEST_F(DebugDrawTest, LineWithoutDeviceDoesNothing) {
    rec->ClearLog();
    g_Video.device = nullptr;
    BeginDebugDraw(0, 0, 0, 1, 1, 1, 0);
    DrawDebugPolygon(nullptr, 0, 0);
    g_Video.device = rec;
    EXPECT_EQ(rec->Log().size(), 0u);
}

TEST(DebugCursorTest, ShowMouseCursorLoopsUntilTheCountFlips) {
    ASSERT_TRUE(os::Init());
    int start = ShowMouseCursor(false);
    EXPECT_LT(start, 0);
    EXPECT_EQ(ShowMouseCursor(true), 0);
    os::ShowCursor(false);
    os::ShowCursor(false);
    os::ShowCursor(false);
    EXPECT_EQ(ShowMouseCursor(true), 0);   // one call after three hides
    EXPECT_EQ(ShowMouseCursor(false), -1);
    EXPECT_EQ(ShowMouseCursor(true), 0);
    os::Shutdown();
}

}  // namespace
