#include <gtest/gtest.h>

#include <cstring>

#include "platform/gfx/recording_device.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/video.h"
#include "scene/scene.h"

using namespace gfx;

namespace {

constexpr uint32_t kFvf = 0x142;   // position, diffuse, one texture set: 24 bytes

class DynamicVertexBufferTest : public ::testing::Test {
protected:
    RecordingDevice* rec = nullptr;

    void SetUp() override {
        g_Video.Zero();
        g_PolygonsDrawn = 0;
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 64), &rec), D3D_OK);
        g_Video.device = rec;
        ASSERT_EQ(rec->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        g_Scene.dynamicBuffer = nullptr;
        g_Video.device = nullptr;
        if (rec) rec->Release();
        g_Video.Zero();
        g_PolygonsDrawn = 0;
    }
    void Bind(DynamicVertexBuffer& b) {
        rec->SetVertexShader(b.fvf);
        rec->SetStreamSource(0, b.buffer, b.stride);
    }
    // Locks, writes a recognisable byte and unlocks n vertices.
    void Append(DynamicVertexBuffer& b, uint32_t n) {
        void* p = b.Lock(n);
        ASSERT_NE(p, nullptr) << n;
        std::memset(p, 0x5A, size_t(n) * b.stride);
        b.Unlock(n);
    }
    std::vector<Call> Locks() const { return rec->CallsOf(CallKind::LockVertexBuffer); }
};

TEST_F(DynamicVertexBufferTest, AppendsBehindTheRunAndWrapsWithDiscard) {
    DynamicVertexBuffer b(1500, kFvf);
    Bind(b);
    Append(b, 600);
    Append(b, 600);
    EXPECT_EQ(rec->CountCalls(CallKind::DrawPrimitive), 0u);
    EXPECT_EQ(b.pending, 1200u);
    Append(b, 400);   // does not fit: the first 1200 are drawn, the new run starts at 0

    std::vector<Call> locks = Locks();
    ASSERT_EQ(locks.size(), 3u);
    EXPECT_EQ(locks[0].args[0], 0u);
    EXPECT_EQ(locks[0].args[2], 0x1000u);
    EXPECT_EQ(locks[1].args[0], 600u * 24u);
    EXPECT_EQ(locks[1].args[1], 600u * 24u);
    EXPECT_EQ(locks[1].args[2], 0x1000u);
    EXPECT_EQ(locks[2].args[0], 0u);
    EXPECT_EQ(locks[2].args[1], 400u * 24u);
    EXPECT_EQ(locks[2].args[2], 0x2000u);

    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].startVertex, 0u);
    EXPECT_EQ(draws[0].primitiveCount, 400u);
    EXPECT_EQ(b.base, 0u);
    EXPECT_EQ(b.pending, 400u);
    EXPECT_EQ(g_PolygonsDrawn, 400u);

    EXPECT_TRUE(b.Flush());
    ASSERT_EQ(rec->Draws().size(), 2u);
    EXPECT_EQ(rec->Draws()[1].startVertex, 0u);
    EXPECT_EQ(rec->Draws()[1].primitiveCount, 133u);
    EXPECT_EQ(b.base, 400u);
    EXPECT_EQ(b.pending, 0u);
    EXPECT_EQ(g_PolygonsDrawn, 533u);
}

TEST_F(DynamicVertexBufferTest, RefusedLocksDrawNothing) {
    DynamicVertexBuffer b(1500, kFvf);
    Bind(b);
    Append(b, 3);
    EXPECT_EQ(b.Lock(1501), nullptr);
    EXPECT_EQ(b.Lock(0), nullptr);
    EXPECT_EQ(rec->CountCalls(CallKind::DrawPrimitive), 0u);
    EXPECT_EQ(b.pending, 3u);
    // The full capacity still fits after a wrap.
    EXPECT_NE(b.Lock(1500), nullptr);
    b.Unlock(1500);
    EXPECT_EQ(b.pending, 1500u);
}

TEST_F(DynamicVertexBufferTest, FailedFlushDropsTheRun) {
    DynamicVertexBuffer b(30, kFvf);
    Bind(b);
    Append(b, 6);
    rec->FailNext(CallKind::DrawPrimitive, D3DERR_INVALIDCALL);
    EXPECT_FALSE(b.Flush());
    EXPECT_EQ(b.pending, 0u);
    EXPECT_EQ(g_PolygonsDrawn, 0u);
    EXPECT_TRUE(b.Flush());   // nothing stale left to draw
    EXPECT_EQ(rec->Draws().size(), 0u);

    // A failed draw while wrapping does not leave the old count on the discarded buffer.
    Append(b, 18);
    rec->FailNext(CallKind::DrawPrimitive, D3DERR_INVALIDCALL);
    Append(b, 15);
    EXPECT_EQ(b.base, 0u);
    EXPECT_EQ(b.pending, 15u);
    EXPECT_TRUE(b.Flush());
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].startVertex, 0u);
    EXPECT_EQ(rec->Draws()[0].primitiveCount, 5u);
}

}  // namespace
