// Adapter, mode and format enumeration (SDL's displays under the offscreen driver), and the
// adapter table filled from a fake adapter object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "core/settings.h"
#include "platform/gfx/adapters.h"
#include "platform/gfx/gl_present.h"
#include "platform/os/os.h"
#include "render/adapter_table.h"
#include "render/video.h"

namespace {

TEST(AdapterEnumeration, DisplaysModesAndDesktopBeforeAnyWindow) {
    gfx::ResetAdapterCache();
    ASSERT_GE(gfx::GetAdapterCount(), 1u);
    gfx::AdapterIdentifier id{};
    ASSERT_EQ(gfx::GetAdapterIdentifier(0, gfx::D3DENUM_NO_WHQL_LEVEL, &id), gfx::D3D_OK);
    if (const char* driver = std::getenv("SDL_VIDEODRIVER")) {
        EXPECT_STREQ(id.Driver, driver);
    }
    EXPECT_EQ(id.WHQLLevel, 0u);

    gfx::DisplayMode desktop{};
    ASSERT_EQ(gfx::GetAdapterDisplayMode(0, &desktop), gfx::D3D_OK);
    EXPECT_GT(desktop.Width, 0u);
    EXPECT_GT(desktop.Height, 0u);
    EXPECT_GT(desktop.RefreshRate, 0u);

    const uint32_t n = gfx::GetAdapterModeCount(0);
    ASSERT_GE(n, 2u);
    std::vector<gfx::DisplayMode> modes(n);
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(gfx::EnumAdapterModes(0, i, &modes[i]), gfx::D3D_OK);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> wide, narrow;  // (w, h, rate) per format
    bool desktopListed = false;
    for (uint32_t i = 0; i < n; ++i) {
        const gfx::DisplayMode& m = modes[i];
        EXPECT_GT(m.Width, 0u);
        EXPECT_GT(m.Height, 0u);
        EXPECT_GT(m.RefreshRate, 0u);
        ASSERT_TRUE(m.Format == gfx::D3DFMT_X8R8G8B8 || m.Format == gfx::D3DFMT_R5G6B5) << m.Format;
        (m.Format == gfx::D3DFMT_X8R8G8B8 ? wide : narrow).insert({m.Width, m.Height, m.RefreshRate});
        if (m.Width == desktop.Width && m.Height == desktop.Height && m.Format == gfx::D3DFMT_X8R8G8B8)
            desktopListed = true;
        if (i > 0) {
            const gfx::DisplayMode& p = modes[i - 1];
            // Ordered by size, then 16-bit before 32-bit, then rate.
            auto key = [](const gfx::DisplayMode& d) {
                return std::make_tuple(d.Width, d.Height, d.Format == gfx::D3DFMT_X8R8G8B8, d.RefreshRate);
            };
            EXPECT_LT(key(p), key(m)) << "mode " << i;
        }
    }
    EXPECT_TRUE(desktopListed);
    // Every size is offered in both formats with the same rates.
    EXPECT_EQ(wide, narrow);

    gfx::DisplayMode m{};
    EXPECT_EQ(gfx::EnumAdapterModes(0, n, &m), gfx::D3DERR_INVALIDCALL);
    EXPECT_EQ(gfx::EnumAdapterModes(99, 0, &m), gfx::D3DERR_INVALIDCALL);
    EXPECT_EQ(gfx::GetAdapterModeCount(99), 0u);
    EXPECT_EQ(gfx::GetAdapterIdentifier(99, 0, &id), gfx::D3DERR_INVALIDCALL);
}

TEST(AdapterEnumeration, FormatQuestions) {
    gfx::ResetAdapterCache();
    // Multisampling is never offered; no samples always is.
    EXPECT_EQ(gfx::CheckDeviceMultiSampleType(0, gfx::D3DDEVTYPE_HAL, gfx::D3DFMT_X8R8G8B8, false,
                                              gfx::D3DMULTISAMPLE_NONE),
              gfx::D3D_OK);
    for (uint32_t t = 2; t <= 16; ++t)
        EXPECT_EQ(gfx::CheckDeviceMultiSampleType(0, gfx::D3DDEVTYPE_HAL, gfx::D3DFMT_X8R8G8B8, false,
                                                  gfx::MultiSampleType(t)),
                  gfx::D3DERR_NOTAVAILABLE);
    EXPECT_EQ(gfx::CheckDeviceFormat(5, gfx::D3DDEVTYPE_HAL, gfx::D3DFMT_X8R8G8B8, 0, gfx::D3DRTYPE_TEXTURE,
                                     gfx::D3DFMT_A8R8G8B8),
              gfx::D3DERR_INVALIDCALL);

    gfx::Caps caps{};
    if (gfx::GetDeviceCaps(0, gfx::D3DDEVTYPE_HAL, &caps) != gfx::D3D_OK)
        GTEST_SKIP() << "no OpenGL here: the format questions all answer 'not available'";
    EXPECT_EQ(caps.DeviceType, gfx::D3DDEVTYPE_HAL);
    gfx::Caps ref{};
    ASSERT_EQ(gfx::GetDeviceCaps(0, gfx::D3DDEVTYPE_REF, &ref), gfx::D3D_OK);
    EXPECT_EQ(ref.DeviceType, gfx::D3DDEVTYPE_REF);
    EXPECT_EQ(ref.MaxTextureWidth, caps.MaxTextureWidth);

    const auto hal = gfx::D3DDEVTYPE_HAL;
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8, false), gfx::D3D_OK);
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_R5G6B5, gfx::D3DFMT_R5G6B5, false), gfx::D3D_OK);
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_A8R8G8B8, true), gfx::D3D_OK);
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_R5G6B5, gfx::D3DFMT_X8R8G8B8, false),
              gfx::D3DERR_NOTAVAILABLE);
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_P8, gfx::D3DFMT_P8, false), gfx::D3DERR_NOTAVAILABLE);
    // Depth buffers the device uses, with either display format.
    for (gfx::Format display : {gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_R5G6B5}) {
        for (gfx::Format depth : {gfx::D3DFMT_D16, gfx::D3DFMT_D24S8, gfx::D3DFMT_D24X8}) {
            EXPECT_EQ(gfx::CheckDeviceFormat(0, hal, display, gfx::D3DUSAGE_DEPTHSTENCIL, gfx::D3DRTYPE_SURFACE, depth),
                      gfx::D3D_OK)
                << display << "/" << depth;
            EXPECT_EQ(gfx::CheckDepthStencilMatch(0, hal, display, display, depth), gfx::D3D_OK);
        }
        EXPECT_EQ(gfx::CheckDeviceFormat(0, hal, display, gfx::D3DUSAGE_RENDERTARGET, gfx::D3DRTYPE_TEXTURE,
                                         gfx::D3DFMT_X8R8G8B8),
                  gfx::D3D_OK);
    }
    // A colour format is no depth buffer; a palettised display does not exist.
    EXPECT_EQ(gfx::CheckDepthStencilMatch(0, hal, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8),
              gfx::D3DERR_NOTAVAILABLE);
    EXPECT_EQ(gfx::CheckDeviceFormat(0, hal, gfx::D3DFMT_P8, 0, gfx::D3DRTYPE_TEXTURE, gfx::D3DFMT_A8R8G8B8),
              gfx::D3DERR_NOTAVAILABLE);
}

TEST(AdapterEnumeration, Direct3DObjectForwardsAndCounts) {
    gfx::Direct3D* d3d = gfx::Direct3DCreate();
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->GetAdapterCount(), gfx::GetAdapterCount());
    EXPECT_EQ(d3d->GetAdapterModeCount(0), gfx::GetAdapterModeCount(0));
    gfx::Device* device = reinterpret_cast<gfx::Device*>(0x1);
    EXPECT_EQ(d3d->CreateDevice(0, gfx::D3DDEVTYPE_HAL, nullptr, 0, nullptr, &device), gfx::D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
}

// ---- The adapter table, from a fake adapter object ----

struct FakeAdapters {
    uint32_t count = 1;
    std::vector<gfx::DisplayMode> modes;
    gfx::Caps caps{};
    bool depthFormatOk = true;
    bool depthMatchOk = true;
    bool renderTargetOk = true;
    bool dxt1On32Only = true;
    bool multisampleAll = true;
    int created = 0, released = 0;
};
FakeAdapters g_fake;

class FakeDirect3D : public gfx::Direct3D {
public:
    ~FakeDirect3D() override { ++g_fake.released; }
    uint32_t GetAdapterCount() override { return g_fake.count; }
    gfx::Result GetAdapterIdentifier(uint32_t a, uint32_t, gfx::AdapterIdentifier* id) override {
        *id = gfx::AdapterIdentifier{};
        std::snprintf(id->Description, sizeof id->Description, "fake %u", a);
        return gfx::D3D_OK;
    }
    uint32_t GetAdapterModeCount(uint32_t) override { return uint32_t(g_fake.modes.size()); }
    gfx::Result EnumAdapterModes(uint32_t, uint32_t i, gfx::DisplayMode* m) override {
        if (i >= g_fake.modes.size()) return gfx::D3DERR_INVALIDCALL;
        *m = g_fake.modes[i];
        return gfx::D3D_OK;
    }
    gfx::Result GetDeviceCaps(uint32_t, gfx::DevType, gfx::Caps* c) override {
        *c = g_fake.caps;
        return gfx::D3D_OK;
    }
    gfx::Result CheckDeviceFormat(uint32_t, gfx::DevType, gfx::Format display, uint32_t usage, gfx::ResourceType,
                                  gfx::Format check) override {
        bool ok = false;
        if (usage == gfx::D3DUSAGE_DEPTHSTENCIL) ok = g_fake.depthFormatOk;
        else if (usage == gfx::D3DUSAGE_RENDERTARGET) ok = g_fake.renderTargetOk && check == gfx::D3DFMT_X8R8G8B8;
        else if (check == gfx::D3DFMT_DXT1) ok = !g_fake.dxt1On32Only || display == gfx::D3DFMT_X8R8G8B8;
        return ok ? gfx::D3D_OK : gfx::D3DERR_NOTAVAILABLE;
    }
    gfx::Result CheckDepthStencilMatch(uint32_t, gfx::DevType, gfx::Format, gfx::Format, gfx::Format) override {
        return g_fake.depthMatchOk ? gfx::D3D_OK : gfx::D3DERR_NOTAVAILABLE;
    }
    gfx::Result CheckDeviceMultiSampleType(uint32_t, gfx::DevType, gfx::Format, bool,
                                           gfx::MultiSampleType) override {
        return g_fake.multisampleAll ? gfx::D3D_OK : gfx::D3DERR_NOTAVAILABLE;
    }
};

gfx::Direct3D* CreateFake() {
    ++g_fake.created;
    return new FakeDirect3D();
}
gfx::Direct3D* CreateNothing() { return nullptr; }

class AdapterTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_Direct3DCreate;
        g_Direct3DCreate = CreateFake;
        g_fake = FakeAdapters{};
        g_AdapterTable.Reset();
    }
    void TearDown() override {
        g_Direct3DCreate = saved_;
        g_AdapterTable.Reset();
    }
    Direct3DFactory saved_ = nullptr;
};

gfx::DisplayMode Mode(uint32_t w, uint32_t h, uint32_t hz, gfx::Format f) { return {w, h, hz, f}; }

TEST_F(AdapterTableTest, ModesGroupBySizeAndFormatInFirstListedOrder) {
    g_fake.modes = {Mode(640, 480, 60, gfx::D3DFMT_X8R8G8B8), Mode(640, 480, 75, gfx::D3DFMT_X8R8G8B8),
                    Mode(640, 480, 60, gfx::D3DFMT_R5G6B5), Mode(640, 480, 85, gfx::D3DFMT_X8R8G8B8),
                    Mode(800, 600, 60, gfx::D3DFMT_X8R8G8B8), Mode(640, 480, 100, gfx::D3DFMT_R5G6B5)};
    g_AdapterTable.Enumerate();
    ASSERT_EQ(g_AdapterTable.adapterCount, 1u);
    const AdapterRecord& r = g_AdapterTable.adapters[0];
    ASSERT_EQ(r.modeGroupCount, 3u);
    const DisplayModeGroup& a = r.modeGroups[0];
    EXPECT_EQ(a.width, 640u);
    EXPECT_EQ(a.format, uint32_t(gfx::D3DFMT_X8R8G8B8));
    ASSERT_EQ(a.rateCount, 3u);
    EXPECT_EQ(a.rates[0], 60u);
    EXPECT_EQ(a.rates[1], 75u);
    EXPECT_EQ(a.rates[2], 85u);
    // The 16-bit group, joined again by the mode listed after 800 x 600.
    const DisplayModeGroup& b = r.modeGroups[1];
    EXPECT_EQ(b.format, uint32_t(gfx::D3DFMT_R5G6B5));
    ASSERT_EQ(b.rateCount, 2u);
    EXPECT_EQ(b.rates[1], 100u);
    EXPECT_EQ(r.modeGroups[2].width, 800u);
    EXPECT_STREQ(r.identifier.Description, "fake 0");
    EXPECT_EQ(g_fake.created, 1);
    EXPECT_EQ(g_fake.released, 1);
}

TEST_F(AdapterTableTest, StorageLimitsAreKept) {
    g_fake.count = 6;
    for (uint32_t i = 0; i < 130; ++i) g_fake.modes.push_back(Mode(100 + i, 100, 60, gfx::D3DFMT_X8R8G8B8));
    for (uint32_t hz = 0; hz < 40; ++hz) g_fake.modes.push_back(Mode(100, 100, 61 + hz, gfx::D3DFMT_X8R8G8B8));
    g_AdapterTable.Enumerate();
    EXPECT_EQ(g_AdapterTable.adapterCount, 4u);
    for (uint32_t a = 0; a < 4; ++a) {
        const AdapterRecord& r = g_AdapterTable.adapters[a];
        EXPECT_EQ(r.modeGroupCount, 128u);
        EXPECT_EQ(r.modeGroups[127].width, 227u);
        EXPECT_EQ(r.modeGroups[0].rateCount, 32u);
        EXPECT_EQ(r.modeGroups[0].rates[31], 91u);  // 60, then 61..91
    }
    // AddMode says what it could not keep.
    AdapterRecord rec{};
    for (uint32_t hz = 0; hz < 32; ++hz) EXPECT_TRUE(AdapterTable::AddMode(&rec, Mode(1, 1, hz, gfx::D3DFMT_R5G6B5)));
    EXPECT_FALSE(AdapterTable::AddMode(&rec, Mode(1, 1, 99, gfx::D3DFMT_R5G6B5)));
}

TEST_F(AdapterTableTest, CapabilityFlagsAndFormatAnswers) {
    g_fake.modes = {Mode(1024, 768, 60, gfx::D3DFMT_X8R8G8B8)};
    g_fake.caps.DevCaps = gfx::D3DDEVCAPS_PUREDEVICE;
    g_fake.caps.Caps2 = gfx::D3DCAPS2_CANRENDERWINDOWED | gfx::D3DCAPS2_DYNAMICTEXTURES;
    g_fake.caps.MaxSimultaneousTextures = 4;
    g_fake.caps.RasterCaps = gfx::D3DPRASTERCAPS_ANISOTROPY;
    g_fake.caps.MaxAnisotropy = 8;
    g_fake.caps.TextureOpCaps = gfx::D3DTEXOPCAPS_BUMPENVMAP;
    g_AdapterTable.Enumerate();
    const AdapterRecord& r = g_AdapterTable.adapters[0];
    EXPECT_EQ(r.hardwareVertexProcessing, 1);
    EXPECT_EQ(r.canRenderWindowed, 1);
    EXPECT_EQ(r.fullScreenGamma, 0);
    EXPECT_EQ(r.dynamicTextures, 1);
    EXPECT_EQ(r.maxSimultaneousTextures, 4u);
    EXPECT_EQ(r.anisotropic, 1);
    EXPECT_EQ(r.maxAnisotropy, 8u);
    EXPECT_EQ(r.bumpEnvMap, 1);
    EXPECT_EQ(r.d24s8With16BitDisplay, 1);
    EXPECT_EQ(r.d24s8With32BitDisplay, 1);
    EXPECT_EQ(r.dxt1With16BitDisplay, 0);
    EXPECT_EQ(r.dxt1With32BitDisplay, 1);
    // Every multisample type answers yes, but entry 0 stays 0.
    EXPECT_EQ(r.multisample16[0], 0);
    EXPECT_EQ(r.multisample32[0], 0);
    for (int i = 1; i < 16; ++i) {
        EXPECT_EQ(r.multisample16[i], 1) << i;
        EXPECT_EQ(r.multisample32[i], 1) << i;
    }
    // Only X8R8G8B8 render-target textures: entries 1 and 3.
    EXPECT_EQ(r.renderTargetTextures[0], 0);
    EXPECT_EQ(r.renderTargetTextures[1], 1);
    EXPECT_EQ(r.renderTargetTextures[2], 0);
    EXPECT_EQ(r.renderTargetTextures[3], 1);

    // Without anisotropy the maximum reads 0; a depth format without the match is no D24S8.
    g_fake.caps.RasterCaps = 0;
    g_fake.depthMatchOk = false;
    g_fake.multisampleAll = false;
    g_AdapterTable.Reset();
    g_AdapterTable.Enumerate();
    EXPECT_EQ(g_AdapterTable.adapters[0].anisotropic, 0);
    EXPECT_EQ(g_AdapterTable.adapters[0].maxAnisotropy, 0u);
    EXPECT_EQ(g_AdapterTable.adapters[0].d24s8With32BitDisplay, 0);
    EXPECT_EQ(g_AdapterTable.adapters[0].multisample32[1], 0);
}

TEST_F(AdapterTableTest, NoAdapterObjectLeavesTheTableEmpty) {
    g_Direct3DCreate = CreateNothing;
    g_AdapterTable.Enumerate();
    EXPECT_EQ(g_AdapterTable.adapterCount, 0u);
    EXPECT_EQ(g_AdapterTable.adapters[0].modeGroupCount, 0u);
}

TEST_F(AdapterTableTest, CheckVideoFormatLaterFailureWins) {
    const uint32_t x8 = gfx::D3DFMT_X8R8G8B8, d24s8 = gfx::D3DFMT_D24S8;
    EXPECT_EQ(CheckVideoFormat(x8, x8, d24s8), 0);
    g_fake.renderTargetOk = false;
    EXPECT_EQ(CheckVideoFormat(x8, x8, d24s8), 2);
    g_fake.depthMatchOk = false;
    EXPECT_EQ(CheckVideoFormat(x8, x8, d24s8), 3);
    g_fake.renderTargetOk = true;
    EXPECT_EQ(CheckVideoFormat(x8, x8, d24s8), 3);
    g_fake.depthMatchOk = true;
    g_fake.depthFormatOk = false;
    EXPECT_EQ(CheckVideoFormat(x8, x8, d24s8), 3);
    EXPECT_EQ(g_fake.created, g_fake.released);
    g_Direct3DCreate = CreateNothing;
    EXPECT_EQ(CheckVideoFormat(x8, x8, d24s8), 1);
}

TEST(AdapterTableReal, EnumeratesTheOffscreenDisplay) {
    gfx::ResetAdapterCache();
    AdapterTable& t = g_AdapterTable;
    t.Reset();
    t.Enumerate();
    ASSERT_GE(t.adapterCount, 1u);
    const AdapterRecord& r = t.adapters[0];
    // Each listed size comes in two formats.
    EXPECT_GE(r.modeGroupCount, 2u);
    EXPECT_EQ(r.modeGroupCount % 2, 0u);
    EXPECT_EQ(r.multisample32[0], 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r.multisample32[i], 0) << "multisampling is reported absent";
    if (r.caps.MaxTextureWidth > 0) {
        // OpenGL answered: the stencil format the shadows need is there with both displays.
        EXPECT_EQ(r.d24s8With32BitDisplay, 1);
        EXPECT_EQ(r.d24s8With16BitDisplay, 1);
        EXPECT_EQ(CheckVideoFormat(gfx::D3DFMT_R5G6B5, gfx::D3DFMT_R5G6B5, gfx::D3DFMT_D24S8), 0);
        EXPECT_EQ(CheckVideoFormat(gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8), 3);
        EXPECT_EQ(CheckVideoFormat(gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_P8, gfx::D3DFMT_D24S8), 2);
    }
    t.Reset();
}

// ---- Full-screen sizes the display has no mode for ----

TEST(FitPicture, KeepsTheShapeCentredWithBars) {
    struct Case {
        uint32_t pw, ph;
        int32_t sw, sh;
        gfx::Rect want;
    };
    const Case cases[] = {
        {800, 600, 1024, 768, {0, 0, 1024, 768}},       // same shape: the whole screen
        {640, 480, 1920, 1080, {240, 0, 1680, 1080}},   // 4:3 on 16:9: 1440 wide, bars left and right
        {1280, 1024, 1024, 768, {32, 0, 992, 768}},     // 5:4 on 4:3: 960 wide
        {1600, 1200, 1280, 1024, {0, 32, 1280, 992}},   // 4:3 on 5:4: 960 high, bars above and below
        {100, 300, 200, 200, {66, 0, 133, 200}},        // 66.67 wide rounds to 67; the left bar 66.5 to 66
        {640, 480, 0, 768, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pw << "x" << c.ph << " on " << c.sw << "x" << c.sh);
        gfx::Rect r = gfx::FitPicture(c.pw, c.ph, c.sw, c.sh);
        EXPECT_EQ(r.left, c.want.left);
        EXPECT_EQ(r.top, c.want.top);
        EXPECT_EQ(r.right, c.want.right);
        EXPECT_EQ(r.bottom, c.want.bottom);
    }
}

TEST(FullScreenWithoutTheMode, AStandardSizeIsListedAndShownScaledOnTheDesktop) {
    gfx::ResetAdapterCache();
    gfx::DisplayMode desktop{};
    ASSERT_EQ(gfx::GetAdapterDisplayMode(0, &desktop), gfx::D3D_OK);
    if (desktop.Width < 800 || desktop.Height < 600 || gfx::IsNativeDisplayMode(0, 800, 600))
        GTEST_SKIP() << "the display has 800 x 600 itself, or is smaller";
    ASSERT_TRUE(os::Init());
    os::WindowDesc desc;
    desc.title = "full screen";
    // Made at the desktop's size: the offscreen driver's drawing surface keeps the size the
    // window was made with.
    desc.width = int(desktop.Width);
    desc.height = int(desktop.Height);
    os::WindowHandle window = os::CreateMainWindow(desc);
    ASSERT_NE(window, nullptr);
    os::ShowWindow(window, true);
    g_Settings.Clear();
    {
        Video video;
        VideoSettings vs{};
        vs.window = window;
        vs.width = 800;
        vs.height = 600;
        vs.bitsPerPixel = 32;
        ASSERT_TRUE(video.Create(vs));
        EXPECT_EQ(video.present.Windowed, 0);
        EXPECT_EQ(video.present.BackBufferWidth, 800u);
        EXPECT_EQ(video.screenRect.bottom, 599);
        // Left half blue, right half red in the back buffer; on the screen the halves are
        // scaled with the picture.
        gfx::Rect left{0, 0, 400, 600}, right{400, 0, 800, 600};
        video.device->Clear(1, &left, gfx::D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
        video.device->Clear(1, &right, gfx::D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
        ASSERT_EQ(video.device->Present(nullptr, nullptr, nullptr, nullptr), gfx::D3D_OK);
        int w = 0, h = 0;
        os::GetClientSize(window, &w, &h);
        const gfx::Rect shown = gfx::FitPicture(800, 600, w, h);
        const int centre = (shown.left + shown.right) / 2, y = (shown.top + shown.bottom) / 2;
        uint8_t blue[4] = {}, red[4] = {};
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadPixels(centre - 3, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, blue);
        glReadPixels(shown.right - 2, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, red);
        EXPECT_EQ(blue[2], 255);
        EXPECT_EQ(blue[0], 0);
        EXPECT_EQ(red[0], 255);
        EXPECT_EQ(red[2], 0);
        video.Destroy();
    }
    os::DestroyWindow(window);
    os::Shutdown();
}

}  // namespace
