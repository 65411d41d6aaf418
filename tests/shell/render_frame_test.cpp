#include <gtest/gtest.h>

#include <vector>

#include "fighters/character.h"
#include "frontend/menu.h"
#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "shell/control.h"
#include "shell/render_frame.h"
#include "core/settings.h"
#include "render/debug_draw.h"
#include "support/path_map_builder.h"
#include "world/scenario.h"

using namespace gfx;

namespace {

uint32_t g_now = 0;

class RenderFrameTest : public ::testing::Test {
protected:
    RecordingDevice* rec = nullptr;
    Character fighter;

    void SetUp() override {
        ResetRecordingFactory();
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 48), &rec), D3D_OK);
        g_Video.Zero();
        g_Video.device = rec;
        g_Settings.Clear();
        g_Settings.backgroundColour = 0xFF102030;
        ResetMenu();
        g_Control = Control();
        ResetScenario();
        ResetFrameStats();
        g_now = 1000;
        os::SetTimeSource([] { return g_now; });
        rec->ClearLog();
    }
    void TearDown() override {
        g_Video.device = nullptr;
        g_Video.Zero();
        rec->Release();
        os::SetTimeSource({});
    }
    std::vector<uint32_t> ClearColours() {
        std::vector<uint32_t> colours;
        for (const Call& c : rec->CallsOf(CallKind::Clear)) colours.push_back(c.args[2]);
        return colours;
    }
};

TEST_F(RenderFrameTest, GameWithoutMenuOrFighterPresentsNothing) {
    g_Settings.mode = 0;
    RenderFrame();
    EXPECT_EQ(rec->Counters().presents, 0u);
    EXPECT_EQ(rec->Counters().clears, 0u);

    g_Control.localCharacter = &fighter;
    RenderFrame();
    EXPECT_EQ(rec->Counters().presents, 1u);
    // An unknown mode draws nothing, not even a clear.
    g_Settings.mode = 7;
    RenderFrame();
    EXPECT_EQ(rec->Counters().presents, 1u);
}

TEST_F(RenderFrameTest, ClearColoursByScenarioExceptInTheCharacterViewer) {
    struct Case {
        int mode, scenario;
        uint32_t colour;
    };
    const Case cases[] = {
        {2, 7, 0xFF6A7376}, {2, 18, 0xFF9B892E}, {2, 3, 0xFF102030}, {3, 7, 0xFF6A7376}, {1, 7, 0xFF102030},
    };
    for (const Case& c : cases) {
        rec->ClearLog();
        g_Settings.mode = c.mode;
        g_Scenario.number = c.scenario;
        RenderFrame();
        ASSERT_EQ(ClearColours().size(), 1u) << c.mode << " " << c.scenario;
        EXPECT_EQ(ClearColours()[0], c.colour) << c.mode << " " << c.scenario;
        EXPECT_EQ(rec->CountCalls(CallKind::Present), 1u);
        EXPECT_FALSE(rec->InScene());
    }
    EXPECT_EQ(g_FrameStats.frameCounter, 5u) << "every begun frame counts";
}

// The vertices of every triangle list drawn from memory since the log was cleared.
std::vector<DebugVertex> DebugTriangles(const RecordingDevice& rec) {
    std::vector<DebugVertex> out;
    for (const DrawRecord& d : rec.Draws()) {
        if (d.type != D3DPT_TRIANGLELIST || d.stride != sizeof(DebugVertex)) continue;
        const size_t n = d.vertexData.size() / sizeof(DebugVertex);
        const auto* v = reinterpret_cast<const DebugVertex*>(d.vertexData.data());
        out.insert(out.end(), v, v + n);
    }
    return out;
}

TEST_F(RenderFrameTest, TheTestOverlaysDrawTheLoadedMapsLayersSectorsAndJumps) {
    // Cell (0, 0) has two floors; a jump leads from its lower floor to cell (1, 0).
    g_Scenario.number = 4;
    testsupport::PathMapBuilder(2, 1, 0.5f, 0.0f)
        .Floor(0, 0, 1.0f, 0)
        .Floor(0, 0, 4.0f, 1)
        .Floor(1, 0, 2.0f, 1)
        .Colour(1, 0x80123456)
        .Jump({0, 0, 0}, {1, 0, 0})
        .Build(&g_Scenario.pathMap);
    g_Settings.test = 1;
    g_Settings.pathDebug1 = 1;
    ASSERT_EQ(rec->BeginScene(), D3D_OK);
    DrawTestOverlays();
    std::vector<DebugVertex> v = DebugTriangles(*rec);
    ASSERT_EQ(v.size(), 18u) << "two triangles per layer";
    const uint32_t layerColours[3] = {0x800000FF, 0x8000FF00, 0x800000FF};
    const float floors[3] = {1.0f, 4.0f, 2.0f};
    const float left[3] = {-0.5f, -0.5f, 0.5f};   // cell x - offX
    for (int q = 0; q < 3; ++q) {
        SCOPED_TRACE(q);
        EXPECT_EQ(v[size_t(q) * 6].colour, layerColours[q]);
        EXPECT_NEAR(v[size_t(q) * 6].y, floors[q], 0.1f) << "drawn at the corner heights";
        EXPECT_FLOAT_EQ(v[size_t(q) * 6].x, left[q]);
    }

    rec->ClearLog();
    g_Settings.pathDebug1 = 0;
    g_Settings.pathDebug2 = 1;
    DrawTestOverlays();
    v = DebugTriangles(*rec);
    ASSERT_EQ(v.size(), 18u);
    EXPECT_EQ(v[0].colour, 0x80FF0000u) << "a jump start";
    EXPECT_EQ(v[6].colour, 0x80123456u) << "its sector's colour";
    EXPECT_EQ(v[12].colour, 0x80800000u) << "a landing";
    EXPECT_EQ(rec->CountCalls(CallKind::DrawPrimitiveUP), 2u) << "the cells, then the jump's line";
    rec->EndScene();
    g_Settings.test = 0;
    g_Settings.pathDebug2 = 0;
}

TEST_F(RenderFrameTest, FrameRateWaitsForMoreThanHalfASecond) {
    UpdateFrameRate();  // first call only stores the time
    EXPECT_EQ(g_FrameStats.frameRate, 0.0f);
    g_FrameStats.frameCounter = 30;
    g_now += 500;
    UpdateFrameRate();
    EXPECT_EQ(g_FrameStats.frameRate, 0.0f);
    g_now += 100;  // 0.6 s after the stored time
    UpdateFrameRate();
    EXPECT_FLOAT_EQ(g_FrameStats.frameRate, 50.0f);
    g_FrameStats.frameCounter = 40;
    g_now += 400;
    UpdateFrameRate();
    EXPECT_FLOAT_EQ(g_FrameStats.frameRate, 50.0f);  // kept until the next half second
    g_now += 600;
    UpdateFrameRate();
    EXPECT_FLOAT_EQ(g_FrameStats.frameRate, 10.0f);
}

}  // namespace
