// Adapter, mode and format enumeration (SDL's displays under the offscreen driver), the adapter
// table's mode groups, and full-screen sizes the display has no mode for.
#include <gtest/gtest.h>

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

TEST(AdapterEnumeration, DisplaysModesAndFormatQuestionsBeforeAnyWindow) {
    gfx::ResetAdapterCache();
    gfx::DisplayMode desktop{};
    ASSERT_EQ(gfx::GetAdapterDisplayMode(0, &desktop), gfx::D3D_OK);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> wide, narrow;  // (w, h, rate) per format
    std::tuple<uint32_t, uint32_t, bool, uint32_t> previous{};
    for (uint32_t i = 0; i < gfx::GetAdapterModeCount(0); ++i) {
        gfx::DisplayMode m{};
        ASSERT_EQ(gfx::EnumAdapterModes(0, i, &m), gfx::D3D_OK);
        ASSERT_TRUE(m.Format == gfx::D3DFMT_X8R8G8B8 || m.Format == gfx::D3DFMT_R5G6B5) << m.Format;
        (m.Format == gfx::D3DFMT_X8R8G8B8 ? wide : narrow).insert({m.Width, m.Height, m.RefreshRate});
        // Ordered by size, then 16-bit before 32-bit, then rate.
        auto key = std::make_tuple(m.Width, m.Height, m.Format == gfx::D3DFMT_X8R8G8B8, m.RefreshRate);
        if (i > 0) {
            EXPECT_LT(previous, key) << "mode " << i;
        }
        previous = key;
    }
    // Every size in both formats with the same rates; the desktop and the standard sizes that
    // fit it among them, nothing larger than the desktop.
    EXPECT_EQ(wide, narrow);
    std::set<std::pair<uint32_t, uint32_t>> sizes;
    for (const auto& [w, h, rate] : wide) sizes.insert({w, h});
    EXPECT_TRUE(sizes.count({desktop.Width, desktop.Height}));
    EXPECT_EQ(sizes.count({800, 600}), desktop.Width >= 800 && desktop.Height >= 600 ? 1u : 0u);

    const auto hal = gfx::D3DDEVTYPE_HAL;
    EXPECT_EQ(gfx::CheckDeviceMultiSampleType(0, hal, gfx::D3DFMT_X8R8G8B8, false, gfx::MultiSampleType(2)),
              gfx::D3DERR_NOTAVAILABLE);
    gfx::Caps caps{};
    if (gfx::GetDeviceCaps(0, hal, &caps) != gfx::D3D_OK) GTEST_SKIP() << "no OpenGL here";
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_R5G6B5, gfx::D3DFMT_R5G6B5, false), gfx::D3D_OK);
    EXPECT_EQ(gfx::CheckDeviceType(0, hal, gfx::D3DFMT_R5G6B5, gfx::D3DFMT_X8R8G8B8, false), gfx::D3DERR_NOTAVAILABLE);
    // The stencil the shadows need and the compressed textures, with either display.
    for (gfx::Format display : {gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_R5G6B5}) {
        EXPECT_EQ(CheckVideoFormat(display, display, gfx::D3DFMT_D24S8), 0);
        EXPECT_EQ(gfx::CheckDeviceFormat(0, hal, display, 0, gfx::D3DRTYPE_TEXTURE, gfx::D3DFMT_DXT1), gfx::D3D_OK);
    }
    EXPECT_EQ(CheckVideoFormat(gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8), 3);
    // The table the rest of the game reads holds the same answers.
    g_AdapterTable.Reset();
    g_AdapterTable.Enumerate();
    const AdapterRecord& r = g_AdapterTable.adapters[0];
    EXPECT_EQ(r.modeGroupCount, 2 * sizes.size());
    EXPECT_EQ(r.dxt1With32BitDisplay, 1);
    EXPECT_EQ(r.d24s8With16BitDisplay, 1);
    EXPECT_EQ(r.multisample32[1], 0);
    g_AdapterTable.Reset();
}

// ---- The adapter table ----

gfx::DisplayMode Mode(uint32_t w, uint32_t h, uint32_t hz, gfx::Format f) { return {w, h, hz, f}; }

TEST(AdapterTable, ModesGroupBySizeAndFormatInFirstListedOrderWithinTheStorage) {
    AdapterRecord r{};
    for (const gfx::DisplayMode& m :
         {Mode(640, 480, 60, gfx::D3DFMT_X8R8G8B8), Mode(640, 480, 75, gfx::D3DFMT_X8R8G8B8),
          Mode(640, 480, 60, gfx::D3DFMT_R5G6B5), Mode(640, 480, 85, gfx::D3DFMT_X8R8G8B8),
          Mode(800, 600, 60, gfx::D3DFMT_X8R8G8B8), Mode(640, 480, 100, gfx::D3DFMT_R5G6B5)})
        EXPECT_TRUE(AdapterTable::AddMode(&r, m));
    ASSERT_EQ(r.modeGroupCount, 3u);
    const DisplayModeGroup &a = r.modeGroups[0], &b = r.modeGroups[1];
    EXPECT_EQ(a.format, uint32_t(gfx::D3DFMT_X8R8G8B8));
    EXPECT_EQ(std::vector<uint32_t>(a.rates, a.rates + a.rateCount), (std::vector<uint32_t>{60, 75, 85}));
    // The 16-bit group, joined again by the mode listed after 800 x 600.
    EXPECT_EQ(b.format, uint32_t(gfx::D3DFMT_R5G6B5));
    EXPECT_EQ(std::vector<uint32_t>(b.rates, b.rates + b.rateCount), (std::vector<uint32_t>{60, 100}));
    EXPECT_EQ(r.modeGroups[2].width, 800u);

    // 32 rates a group, 128 groups: the rest is left out.
    for (uint32_t hz = 3; hz < 32; ++hz) EXPECT_TRUE(AdapterTable::AddMode(&r, Mode(640, 480, hz, gfx::D3DFMT_X8R8G8B8)));
    EXPECT_FALSE(AdapterTable::AddMode(&r, Mode(640, 480, 99, gfx::D3DFMT_X8R8G8B8)));
    for (uint32_t w = 3; w < 128; ++w) EXPECT_TRUE(AdapterTable::AddMode(&r, Mode(w, 1, 60, gfx::D3DFMT_R5G6B5)));
    EXPECT_FALSE(AdapterTable::AddMode(&r, Mode(999, 1, 60, gfx::D3DFMT_R5G6B5)));
    EXPECT_EQ(r.modeGroups[127].width, 127u);
}

// ---- Full-screen sizes the display has no mode for ----

TEST(FitPicture, KeepsTheShapeCentredWithBars) {
    const struct {
        uint32_t pw, ph;
        int32_t sw, sh;
        gfx::Rect want;
    } cases[] = {
        {800, 600, 1024, 768, {0, 0, 1024, 768}},      // same shape: the whole screen
        {640, 480, 1920, 1080, {240, 0, 1680, 1080}},  // 4:3 on 16:9: 1440 wide, bars left and right
        {1600, 1200, 1280, 1024, {0, 32, 1280, 992}},  // 4:3 on 5:4: 960 high, bars above and below
        {100, 300, 200, 200, {66, 0, 133, 200}},       // 66.67 wide rounds to 67; the left bar 66.5 to 66
        {640, 480, 0, 768, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        gfx::Rect r = gfx::FitPicture(c.pw, c.ph, c.sw, c.sh);
        EXPECT_EQ(std::vector<int32_t>({r.left, r.top, r.right, r.bottom}),
                  std::vector<int32_t>({c.want.left, c.want.top, c.want.right, c.want.bottom}))
            << c.pw << "x" << c.ph << " on " << c.sw << "x" << c.sh;
    }
}

// A bare X server (xvfb-run's) starts over whenever its last client leaves, and refuses
// connections meanwhile: the displays and the capabilities are read on one connection, so the
// capability question never meets that gap and the shadows' stencil stays on offer. Every round
// after the first starts while the server starts over from the one before; a start-over compiles
// the server's keymap anew, so a few rounds are all a loaded machine runs in good time.
TEST(AdapterEnumeration, X11ServerThatResetsBetweenQueriesStillGetsItsCapabilitiesAsked) {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || std::strcmp(driver, "x11") != 0) GTEST_SKIP() << "needs SDL_VIDEODRIVER=x11";
    const auto hal = gfx::D3DDEVTYPE_HAL;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        gfx::ResetAdapterCache();
        ASSERT_GT(gfx::GetAdapterCount(), 0u);
        gfx::Caps caps{};
        ASSERT_EQ(gfx::GetDeviceCaps(0, hal, &caps), gfx::D3D_OK);
        EXPECT_GT(caps.MaxSimultaneousTextures, 0u);
        EXPECT_EQ(CheckVideoFormat(gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_D24S8), 0);
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
    // Made at the desktop's size: the offscreen driver's drawing surface keeps the size the
    // window was made with.
    desc.width = int(desktop.Width);
    desc.height = int(desktop.Height);
    os::WindowHandle window = os::CreateMainWindow(desc);
    ASSERT_NE(window, nullptr);
    os::ShowWindow(window, true);
    g_Settings.Clear();
    Video video;
    VideoSettings vs{};
    vs.window = window;
    vs.width = 800;
    vs.height = 600;
    vs.bitsPerPixel = 32;
    ASSERT_TRUE(video.Create(vs));
    EXPECT_EQ(video.present.Windowed, 0);
    EXPECT_EQ(video.screenRect.right, 799);
    // Left half blue, right half red in the back buffer; on the screen the halves are scaled
    // with the picture.
    gfx::Rect left{0, 0, 400, 600}, right{400, 0, 800, 600};
    video.device->Clear(1, &left, gfx::D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
    video.device->Clear(1, &right, gfx::D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
    ASSERT_EQ(video.device->Present(nullptr, nullptr, nullptr, nullptr), gfx::D3D_OK);
    const gfx::Rect shown = gfx::FitPicture(800, 600, int32_t(desktop.Width), int32_t(desktop.Height));
    const int centre = (shown.left + shown.right) / 2, y = (shown.top + shown.bottom) / 2;
    uint8_t blue[4] = {}, red[4] = {};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(centre - 3, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, blue);
    glReadPixels(shown.right - 2, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, red);
    EXPECT_EQ(std::vector<uint8_t>(blue, blue + 3), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(red, red + 3), (std::vector<uint8_t>{255, 0, 0}));
    video.Destroy();
    os::DestroyWindow(window);
    os::Shutdown();
}

}  // namespace
