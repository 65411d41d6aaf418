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

TEST_F(DynamicVertexBufferTest, CreateTakesStrideCapacityAndUsage) {
    struct Case {
        uint8_t hardware;
        uint32_t usage;
    } cases[] = {{1, 0x200}, {0, 0x210}};
    for (const Case& c : cases) {
        g_Video.hardwareVertexProcessing = c.hardware;
        rec->ClearLog();
        DynamicVertexBuffer b(1500, kFvf);
        ASSERT_NE(b.buffer, nullptr);
        EXPECT_EQ(b.stride, 24);
        EXPECT_EQ(b.capacity, 1500u);
        EXPECT_EQ(b.primitiveType, uint32_t(D3DPT_TRIANGLELIST));
        EXPECT_EQ(b.pending, 0u);
        EXPECT_EQ(b.base, 0u);
        std::vector<Call> created = rec->CallsOf(CallKind::CreateVertexBuffer);
        ASSERT_EQ(created.size(), 1u);
        EXPECT_EQ(created[0].args[0], 24u * 1500u);
        EXPECT_EQ(created[0].args[1], c.usage);
        EXPECT_EQ(rec->LiveResources(D3DPOOL_DEFAULT), 1u);
    }
    EXPECT_EQ(rec->LiveResources(D3DPOOL_DEFAULT), 0u);   // destructors released them
}

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

TEST_F(DynamicVertexBufferTest, PrimitiveCountsByType) {
    struct Case {
        uint32_t type, n, count;
    } cases[] = {{D3DPT_POINTLIST, 7, 7},      {D3DPT_LINELIST, 7, 3},      {D3DPT_LINESTRIP, 7, 6},
                 {D3DPT_TRIANGLELIST, 7, 2},   {D3DPT_TRIANGLESTRIP, 7, 5}, {D3DPT_TRIANGLEFAN, 7, 5},
                 {D3DPT_TRIANGLESTRIP, 1, 0},  {D3DPT_LINESTRIP, 0, 0},     {99, 7, 0}};
    for (const Case& c : cases) EXPECT_EQ(PrimitiveCountFor(c.type, c.n), c.count) << c.type << " " << c.n;
}

TEST_F(DynamicVertexBufferTest, ChangingTheTypeDrawsTheOpenRun) {
    DynamicVertexBuffer b(1500, kFvf);
    Bind(b);
    Append(b, 7);
    b.SetPrimitiveType(D3DPT_TRIANGLELIST);   // same type: nothing happens
    EXPECT_EQ(rec->Draws().size(), 0u);
    b.SetPrimitiveType(D3DPT_LINELIST);
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].primitiveCount, 2u);   // the seventh vertex goes with the run
    EXPECT_EQ(b.primitiveType, uint32_t(D3DPT_LINELIST));
    EXPECT_EQ(b.base, 7u);
    Append(b, 4);
    EXPECT_TRUE(b.Flush());
    ASSERT_EQ(rec->Draws().size(), 2u);
    EXPECT_EQ(rec->Draws()[1].type, D3DPT_LINELIST);
    EXPECT_EQ(rec->Draws()[1].startVertex, 7u);
    EXPECT_EQ(rec->Draws()[1].primitiveCount, 2u);
}

TEST_F(DynamicVertexBufferTest, EmptyFlushSucceedsWithoutDrawing) {
    DynamicVertexBuffer b(1500, kFvf);
    EXPECT_TRUE(b.Flush());
    EXPECT_EQ(rec->CountCalls(CallKind::DrawPrimitive), 0u);
}

TEST_F(DynamicVertexBufferTest, UnlockCountsNoMoreThanWasLocked) {
    DynamicVertexBuffer b(30, kFvf);
    ASSERT_NE(b.Lock(6), nullptr);
    b.Unlock(600);
    EXPECT_EQ(b.pending, 6u);
    b.Unlock(3);   // no open lock
    EXPECT_EQ(b.pending, 6u);
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

TEST_F(DynamicVertexBufferTest, DeviceLossReleasesAndRestoresTheBuffer) {
    DynamicVertexBuffer b(30, kFvf);
    Append(b, 6);
    b.ReleaseBuffer();
    EXPECT_EQ(b.buffer, nullptr);
    EXPECT_EQ(rec->LiveResources(D3DPOOL_DEFAULT), 0u);
    EXPECT_EQ(b.Lock(3), nullptr);   // no device buffer: a clean refusal
    b.Unlock(3);
    EXPECT_FALSE(b.Flush());
    EXPECT_EQ(b.pending, 0u);
    EXPECT_TRUE(b.RestoreBuffer());
    ASSERT_NE(b.buffer, nullptr);
    EXPECT_EQ(rec->CountCalls(CallKind::CreateVertexBuffer), 2u);
    EXPECT_EQ(b.capacity, 30u);
    EXPECT_TRUE(b.RestoreBuffer());   // already held: no second buffer
    EXPECT_EQ(rec->CountCalls(CallKind::CreateVertexBuffer), 2u);
    b.Free();
    EXPECT_EQ(b.buffer, nullptr);
    EXPECT_EQ(b.capacity, 0u);
    EXPECT_EQ(b.stride, 0u);
    EXPECT_EQ(b.primitiveType, 0u);
    EXPECT_EQ(rec->LiveResources(D3DPOOL_DEFAULT), 0u);
}

TEST_F(DynamicVertexBufferTest, CreateFailureLeavesNoBuffer) {
    rec->FailNext(CallKind::CreateVertexBuffer, D3DERR_OUTOFVIDEOMEMORY);
    DynamicVertexBuffer b;
    EXPECT_FALSE(b.Create(30, kFvf));
    EXPECT_EQ(b.buffer, nullptr);
    EXPECT_EQ(b.Lock(3), nullptr);
}

TEST_F(DynamicVertexBufferTest, EffectFlushReachesTheScenesBuffer) {
    FlushDynamicVertexBuffer();   // no scene buffer: nothing
    DynamicVertexBuffer b(30, kFvf);
    Bind(b);
    g_Scene.dynamicBuffer = &b;
    Append(b, 9);
    FlushDynamicVertexBuffer();
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].primitiveCount, 3u);
    EXPECT_EQ(b.pending, 0u);
}

}  // namespace
