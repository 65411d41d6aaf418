// The stencil question behind the character-shadow switch, asked of a fake adapter that says yes
// or no and of the real headless one.
#include <gtest/gtest.h>

#include <vector>

#include "core/settings.h"
#include "frontend/menu.h"
#include "platform/gfx/adapters.h"
#include "render/video.h"
#include "support/temp_dir.h"

namespace {

// The render-target and depth-stencil questions, as asked.
struct Asked {
    uint32_t usage;
    gfx::Format display, format;
};

struct FakeAnswers {
    gfx::Format stencilDisplay = gfx::D3DFMT_X8R8G8B8;   // the one display with a D24S8 buffer
    bool match = true;
    std::vector<Asked> asked;
};
FakeAnswers g_answers;

class StencilAdapter : public gfx::Direct3D {
public:
    gfx::Result CheckDeviceFormat(uint32_t, gfx::DevType, gfx::Format display, uint32_t usage, gfx::ResourceType,
                                  gfx::Format check) override {
        g_answers.asked.push_back({usage, display, check});
        if (usage == gfx::D3DUSAGE_RENDERTARGET) return gfx::D3D_OK;
        const bool ok = usage == gfx::D3DUSAGE_DEPTHSTENCIL && check == gfx::D3DFMT_D24S8 &&
                        display == g_answers.stencilDisplay;
        return ok ? gfx::D3D_OK : gfx::D3DERR_NOTAVAILABLE;
    }
    gfx::Result CheckDepthStencilMatch(uint32_t, gfx::DevType, gfx::Format, gfx::Format, gfx::Format) override {
        return g_answers.match ? gfx::D3D_OK : gfx::D3DERR_NOTAVAILABLE;
    }
};

gfx::Direct3D* CreateStencilAdapter() { return new StencilAdapter(); }
gfx::Direct3D* CreateNoAdapter() { return nullptr; }

class StencilSupportTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_Direct3DCreate;
        g_answers = FakeAnswers{};
        ResetSettingsCalls();
        g_Settings.Clear();
    }
    void TearDown() override {
        g_Direct3DCreate = saved_;
        g_Settings.Clear();
    }
    // The shadow switch after loading a windowed or full-screen file with SOMBRA_PERSONAJE on.
    uint8_t ShadowAfterLoading(const char* ini) {
        ScopedWorkDir dir;
        dir.Write("Brimvale.ini", ini);
        g_Settings.LoadIni();
        return g_Settings.characterShadow;
    }
    Direct3DFactory saved_ = nullptr;
};

}  // namespace

TEST_F(StencilSupportTest, AsksForD24S8WithTheBackBufferOfThatDepth) {
    g_Direct3DCreate = CreateStencilAdapter;
    struct Case {
        int bpp;
        gfx::Format stencilDisplay;
        bool match;
        gfx::Format asked;
        bool supported;
    } cases[] = {
        {16, gfx::D3DFMT_R5G6B5, true, gfx::D3DFMT_R5G6B5, true},
        {16, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_R5G6B5, false},
        {32, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_X8R8G8B8, true},
        {-1, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_X8R8G8B8, true},
        {32, gfx::D3DFMT_X8R8G8B8, false, gfx::D3DFMT_X8R8G8B8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, stencil on " << c.stencilDisplay << ", match " << c.match);
        g_answers = FakeAnswers{c.stencilDisplay, c.match, {}};
        EXPECT_EQ(IsStencilSupported(c.bpp), c.supported);
        ASSERT_EQ(g_answers.asked.size(), 2u);
        for (const Asked& a : g_answers.asked) {
            EXPECT_EQ(a.display, c.asked);
            EXPECT_EQ(a.format, a.usage == gfx::D3DUSAGE_DEPTHSTENCIL ? gfx::D3DFMT_D24S8 : c.asked);
        }
    }
    g_Direct3DCreate = CreateNoAdapter;
    EXPECT_FALSE(IsStencilSupported(32));
}

TEST_F(StencilSupportTest, ShadowSwitchFollowsTheAdapterNotTheFile) {
    g_Direct3DCreate = CreateStencilAdapter;
    g_answers.stencilDisplay = gfx::D3DFMT_R5G6B5;
    EXPECT_EQ(ShadowAfterLoading("MODO=1\nFULL_SCREEN=1\nBPP=16\nSOMBRA_PERSONAJE=0\n"), 1);
    EXPECT_EQ(ShadowAfterLoading("MODO=1\nFULL_SCREEN=1\nBPP=32\nSOMBRA_PERSONAJE=1\n"), 0);
    g_Direct3DCreate = CreateNoAdapter;
    EXPECT_EQ(ShadowAfterLoading("MODO=1\nFULL_SCREEN=1\nBPP=32\nSOMBRA_PERSONAJE=1\n"), 0);
}

TEST_F(StencilSupportTest, TheHeadlessAdapterOffersStencilAtBothDepths) {
    gfx::ResetAdapterCache();
    gfx::Caps caps{};
    if (gfx::GetDeviceCaps(0, gfx::D3DDEVTYPE_HAL, &caps) != gfx::D3D_OK) GTEST_SKIP() << "no OpenGL here";
    // OpenGL always has a 24-bit depth buffer with 8 stencil bits, whatever the colour depth.
    EXPECT_TRUE(IsStencilSupported(16));
    EXPECT_TRUE(IsStencilSupported(32));
    EXPECT_EQ(ShadowAfterLoading("MODO=1\nFULL_SCREEN=1\nBPP=16\nSOMBRA_PERSONAJE=0\n"), 1);
}
