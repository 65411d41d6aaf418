// How far the OpenGL device lets the program run ahead of the rasteriser: a present returns once
// the frame before it is drawn, on every renderer, and on a software rasteriser a hand-over of a
// long frame returns once the part before it is; a hardware renderer gets a long frame whole.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "gl_fixture.h"

namespace gfxtest {
namespace {

// Renderer names the devices are made under, whatever the driver beneath them.
constexpr const char* kSoftware = "llvmpipe (LLVM 15.0.6, 256 bits)";
constexpr const char* kHardware = "Mesa Intel(R) UHD Graphics 620 (KBL GT2)";

TEST(SoftwareRasteriserTest, SoftwareRasterisersAreToldByTheirNames) {
    for (const char* name :
         {"llvmpipe (LLVM 15.0.6, 256 bits)", "Gallium 0.4 on llvmpipe (LLVM 3.4, 128 bits)", "softpipe",
          "Gallium 0.4 on softpipe", "Software Rasterizer", "SWR (LLVM 6.0.0, 256 bits)", "Gallium 0.4 on SWR",
          "swrast", "GDI Generic", "Apple Software Renderer", "Google SwiftShader", "Mesa X11", "Mesa OffScreen",
          // Layered drivers over a software one, in whatever case they give its name.
          "zink Vulkan 1.3(llvmpipe (LLVM 15.0.6, 256 bits) (MESA_LLVMPIPE))", "zink (lavapipe)",
          "virgl (LLVMPIPE (LLVM 15.0.6, 256 bits))", "D3D12 (Microsoft Basic Render Driver)",
          // "swr" standing alone at either end, or after the same letters inside a longer word.
          "SWR", "zink (SWR)", "ANSWR-2 on SWR"}) {
        EXPECT_TRUE(IsSoftwareRasteriser(name)) << name;
    }
}

TEST(SoftwareRasteriserTest, HardwareAndLayeredDriversAreNot) {
    for (const char* name :
         {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "AMD Radeon RX 6800 (navi21, LLVM 15.0.7, DRM 3.49, 6.1.0)",
          "NVIDIA GeForce RTX 3080/PCIe/SSE2", "Mali-G78", "Adreno (TM) 650", "Apple M1", "PowerVR Rogue GE8320",
          "SVGA3D; build: RELEASE;  LLVM;", "virgl", "virgl (Mesa Intel(R) UHD Graphics 620 (KBL GT2))", "zink",
          "zink Vulkan 1.3(NVIDIA GeForce RTX 3080 (NVIDIA_PROPRIETARY))", "D3D12 (NVIDIA GeForce RTX 3080)", "",
          // The letters of "swr" inside a longer word, at its start, middle and end.
          "SWRX 9100 Graphics", "Mesa GSWR2 (rev 3)", "virgl (Radeon ANSWR)", "Vendor 7SWR"}) {
        EXPECT_FALSE(IsSoftwareRasteriser(name)) << name;
    }
    EXPECT_FALSE(IsSoftwareRasteriser(nullptr));
}

// A mark put after the work handed over so far, deleted on every way out of a test.
struct Mark {
    Mark() = default;
    ~Mark() {
        if (sync) glDeleteSync(sync);
    }
    Mark(const Mark&) = delete;
    Mark& operator=(const Mark&) = delete;
    // Whether the work before it is drawn, without waiting for it.
    bool Passed() const {
        const GLenum r = glClientWaitSync(sync, 0, 0);
        return r == GL_ALREADY_SIGNALED || r == GL_CONDITION_SATISFIED;
    }
    // Why the rasteriser cannot be seen still drawing the heavy work before a mark just put after
    // it; empty where it can.
    std::string WhyUnseen() const {
        if (Passed())
            return "the rasteriser drew what it was handed at once (no threads of its own): a wait looks like none";
        return {};
    }
    GLsync sync = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
};

class GLFramePacingTest : public GLDeviceTest {
protected:
    void SetUp() override {}

    // A device taking `renderer` for its driver's name, on a buffer large enough that blended
    // quads over the whole of it keep the rasteriser busy for a while after they are handed over.
    // The rasteriser gets threads of its own even on one CPU, as the frame benchmarks give it:
    // without them it draws inside the calls that hand work over, and no wait can be seen.
    bool CreateAs(const char* renderer) {
        setenv("LP_NUM_THREADS", "2", 0);
        OverrideGLRendererName(renderer);
        const bool made = CreateDevice(512, 512, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8);
        OverrideGLRendererName(nullptr);
        return made;
    }

    void HeavyQuads(int n) {
        PlainStates();
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        for (int i = 0; i < n; ++i) FullScreenQuad(0x08FFFFFFu);
    }
    void TinyQuads(int n) {
        for (int i = 0; i < n; ++i) DrawRect(0, 0, 1, 1, 0xFFFFFFFF);
    }
};

// The bound on how far a frame runs ahead stays on every renderer.
class GLPresentPacingTest : public GLFramePacingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(GLPresentPacingTest, APresentReturnsOnceTheFrameBeforeItIsDrawn) {
    ASSERT_TRUE(CreateAs(GetParam()));
    Clear(0xFF000000);
    HeavyQuads(int(kGLDrawsPerHandOver) - 1);
    Mark heavy;
    ASSERT_NE(heavy.sync, nullptr);
    const std::string unseen = heavy.WhyUnseen();
    if (!unseen.empty()) GTEST_SKIP() << unseen;
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    if (heavy.Passed()) GTEST_SKIP() << "this window system draws a frame whole at its swap";
    // An empty frame after it: its present waits for the heavy one.
    Clear(0xFF000000);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(heavy.Passed());
}

INSTANTIATE_TEST_SUITE_P(SoftwareAndHardware, GLPresentPacingTest, ::testing::Values(kSoftware, kHardware));

TEST_F(GLFramePacingTest, AHandOverReturnsOnceThePartBeforeItIsDrawn) {
    ASSERT_TRUE(CreateAs(kSoftware));
    // Half a part in the frame before: the parts count from each frame's start.
    Clear(0xFF000000);
    TinyQuads(int(kGLDrawsPerHandOver) / 2);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    Clear(0xFF000000);
    // The first part: heavy draws, then one more that hands it over.
    HeavyQuads(int(kGLDrawsPerHandOver) - 1);
    Mark heavy;
    ASSERT_NE(heavy.sync, nullptr);
    const std::string unseen = heavy.WhyUnseen();
    if (!unseen.empty()) GTEST_SKIP() << unseen;
    TinyQuads(1);
    EXPECT_FALSE(heavy.Passed()) << "the hand-over waited for its own part";
    // The second part's draws are quick; the draw that hands it over waits for the first.
    TinyQuads(int(kGLDrawsPerHandOver) - 1);
    EXPECT_FALSE(heavy.Passed()) << "the first part was drawn before its wait: the check says nothing";
    TinyQuads(1);
    EXPECT_TRUE(heavy.Passed());
    // A heavy third part: the draw that hands it over waits for the quick second part, not for it.
    HeavyQuads(int(kGLDrawsPerHandOver) - 1);
    Mark heavyThird;
    ASSERT_NE(heavyThird.sync, nullptr);
    TinyQuads(1);
    EXPECT_FALSE(heavyThird.Passed()) << "the hand-over waited for its own part";
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

// A hardware renderer is neither made to wait inside a frame nor flushed there (a tiled GPU would
// write out and read back every tile). Seen through the software rasteriser standing in for one:
// it keeps the work of every draw until the draws are handed over, so through a frame of two parts
// and more the heap grows and falls nowhere (short of the rasteriser's own limit, 36 MB in Mesa
// 22, which it hands over at by itself).
TEST_F(GLFramePacingTest, AHardwareRendererIsHandedALongFrameWhole) {
    ASSERT_TRUE(CreateAs(kHardware));
    if (mallinfo2().uordblks == 0) GTEST_SKIP() << "the allocator does not report its heap";
    // Two textures taken in turn, as the sprites of two effects: each draw's work is tens of kilobytes.
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
    constexpr int kBlock = 16, kBlocks = 2 * int(kGLDrawsPerHandOver) / kBlock + 2;
    constexpr size_t kFall = size_t(1) << 20;
    auto sprites = [&](int n) {
        for (int i = 0; i < n; ++i) {
            device->SetTexture(0, textures[i & 1]);
            const float x = float(i % 24);
            DrawRect(x, 2, x + 8, 30, 0xFFFFFFFF);
        }
    };
    // What the first frames make once (shaders, upload buffers) stays out of the count. Two empty
    // frames after them: the second's present returns once the first is drawn, and so once the
    // rasteriser has let go of the long frames before it.
    for (int f = 0; f < 2; ++f) {
        Clear(0xFF000000);
        sprites(kBlock * kBlocks);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }
    for (int f = 0; f < 2; ++f) ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    Clear(0xFF000000);
    const size_t start = mallinfo2().uordblks;
    size_t last = start, most = start, largestFall = 0;
    for (int b = 0; b < kBlocks; ++b) {
        sprites(kBlock);
        const size_t now = mallinfo2().uordblks;
        if (now < last) largestFall = std::max(largestFall, last - now);
        most = std::max(most, now);
        last = now;
    }
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    if (largestFall < kFall && most - start < kFall)
        GTEST_SKIP() << "the renderer keeps nothing of the draws in the heap: a hand-over cannot be seen";
    EXPECT_LT(largestFall, kFall) << "bytes let go of inside the frame; the heap grew by " << most - start;
}

}  // namespace
}  // namespace gfxtest
