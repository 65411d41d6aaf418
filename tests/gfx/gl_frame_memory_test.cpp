// What frames do to the process's heap on the OpenGL device.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

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

// The software rasteriser keeps the work of each draw until what it was handed is drawn: tens of
// kilobytes a draw that changes texture. A frame of thousands of draws (effect sprites in a burst)
// is handed over in parts as it is made, each waiting for the one before it, so the renderer lets
// go of its work every few hundred draws instead of holding the frame's up to its own limit of
// tens of megabytes.
TEST_F(GLDeviceTest, ALongFrameIsHandedOverAsItIsMade) {
    if (mallinfo2().uordblks == 0) GTEST_SKIP() << "the allocator does not report its heap";
    // Two textures taken in turn, as the sprites of two effects drawn back to front.
    Texture* textures[2] = {TextureFromColors(2, 2, std::vector<uint32_t>(4, 0x80FF0000u)),
                            TextureFromColors(2, 2, std::vector<uint32_t>(4, 0x8000FF00u))};
    struct Release {
        Device* device;
        Texture** t;
        ~Release() {
            device->SetTexture(0, nullptr);
            for (int i = 0; i < 2; ++i)
                if (t[i]) t[i]->Release();
        }
    } release{device, textures};
    ASSERT_TRUE(textures[0] && textures[1]);
    PlainStates();
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    constexpr int kBlock = 32, kBlocks = 100;
    // A part, and the blocks in which the renderer lets go of the one before it.
    constexpr int kMostHeld = int(kGLDrawsPerHandOver) + 3 * kBlock;
    auto sprites = [&](int n) {
        for (int i = 0; i < n; ++i) {
            device->SetTexture(0, textures[i & 1]);
            const float x = float(i % 24);
            DrawRect(x, 2, x + 8, 30, 0xFFFFFFFF);
        }
    };
    // What the first frames make once (shaders, upload buffers) stays out of the count.
    for (int f = 0; f < 2; ++f) {
        Clear(0xFF000000);
        sprites(kBlock * kBlocks);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // Each block is followed by a pause in which the renderer may draw what it was handed; a fall
    // of a megabyte or more is work let go of.
    Clear(0xFF000000);
    size_t last = mallinfo2().uordblks, low = last;
    size_t mostHeld = 0;
    int held = 0, longest = 0, parts = 0;
    for (int b = 0; b < kBlocks; ++b) {
        sprites(kBlock);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const size_t now = mallinfo2().uordblks;
        if (now + (size_t(1) << 20) < last) {
            held = kBlock;
            low = now;
        } else {
            held += kBlock;
        }
        if (held == 4 * kBlock) ++parts;
        longest = std::max(longest, held);
        if (now > low) mostHeld = std::max(mostHeld, now - low);
        last = now;
    }
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // In parts of hundreds of draws, not draw by draw: each hand-over costs the renderer a start.
    EXPECT_GE(mostHeld, size_t(4) << 20) << "bytes held at most";
    EXPECT_LE(longest, kMostHeld) << "draws whose work was held at once; most held " << mostHeld << " bytes";
    EXPECT_GE(parts, kBlock * kBlocks / kMostHeld) << "parts of " << 4 * kBlock << " draws or more";
}

}  // namespace
}  // namespace gfxtest
