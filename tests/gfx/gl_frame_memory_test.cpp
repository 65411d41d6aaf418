// What frames do to the process's heap on the OpenGL device.
#include <malloc.h>

#include <cstring>

#include "gl_fixture.h"

namespace gfxtest {
namespace {

// The software rasteriser bins a frame's triangles into heap memory and frees it when the next
// frame starts. The heap that a frame grew stays for the next one: nothing is given back to the
// system between frames and taken again (fresh pages, faulted in one by one).
TEST_F(GLDeviceTest, TheNextFrameDrawsInTheHeapTheLastOneGrew) {
    // 10000 small triangles over the whole buffer: megabytes of binned triangles a frame.
    std::vector<TLVertex> v;
    for (int i = 0; i < 10000; ++i) {
        const float x = float(i % 31), y = float(i / 31 % 31);
        const uint32_t colour = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
        v.push_back({x, y, 0.5f, 1, colour, 0, 0});
        v.push_back({x + 1.5f, y, 0.5f, 1, colour, 1, 0});
        v.push_back({x, y + 1.5f, 0.5f, 1, colour, 0, 1});
    }
    PlainStates();
    ASSERT_EQ(device->SetVertexShader(kTLFvf), D3D_OK);
    // The first frames grow the heap to what the frames in flight hold at once.
    constexpr int kSettling = 3, kFrames = 8;
    size_t cleared[kFrames], drawn[kFrames];
    for (int f = 0; f < kFrames; ++f) {
        Clear(0xFF000000);
        cleared[f] = mallinfo2().arena;
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, uint32_t(v.size() / 3), v.data(), sizeof(TLVertex)),
                  D3D_OK);
        drawn[f] = mallinfo2().arena;
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }
    if (drawn[0] == 0) GTEST_SKIP() << "the allocator does not report its heap";
    // Then a clear gives nothing back, and the drawing takes nothing more.
    for (int f = kSettling; f < kFrames; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(cleared[f], drawn[f - 1]);
        EXPECT_EQ(drawn[f], cleared[f]);
    }
}

// A static buffer drawn by OpenGL keeps its bytes there and lets go of its memory copy: the heap
// holds one copy of them, not two.
TEST_F(GLDeviceTest, ABufferDrawnByOpenGLHoldsItsBytesOnce) {
    constexpr uint32_t kVertices = 300000;
    constexpr size_t kBytes = kVertices * sizeof(ColorVertex);
    if (mallinfo2().uordblks == 0) GTEST_SKIP() << "the allocator does not report its heap";
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(uint32_t(kBytes), D3DUSAGE_WRITEONLY, kColorFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    // Let go of on every way out, so that a failed step leaks nothing into the tests after it.
    struct Unbind {
        Device* device;
        VertexBuffer* vb;
        ~Unbind() {
            device->SetStreamSource(0, nullptr, 0);
            vb->Release();
        }
    } unbind{device, vb};
    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memset(p, 0, kBytes);
    vb->Unlock();
    PlainStates();
    ASSERT_EQ(device->SetVertexShader(kColorFvf), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, vb, sizeof(ColorVertex)), D3D_OK);
    const size_t before = mallinfo2().uordblks;
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    const size_t after = mallinfo2().uordblks;
    // OpenGL's copy came in, ours went.
    EXPECT_LT(after, before + kBytes / 2) << before << " -> " << after;
}

}  // namespace
}  // namespace gfxtest
