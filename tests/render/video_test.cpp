#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gfx/adapters.h"
#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "core/settings.h"

using namespace gfx;

namespace {

// An adapter with a chosen mode list whose devices are recording devices.
class FakeDirect3D : public Direct3D {
public:
    static std::vector<DisplayMode> modes;
    static uint32_t failCreations;
    static std::vector<DevType> createdTypes;
    static std::vector<uint32_t> createdBehaviours;
    static Caps caps;

    uint32_t GetAdapterModeCount(uint32_t) override { return uint32_t(modes.size()); }
    Result EnumAdapterModes(uint32_t, uint32_t i, DisplayMode* out) override {
        if (i >= modes.size()) return D3DERR_INVALIDCALL;
        *out = modes[i];
        return D3D_OK;
    }
    Result GetAdapterDisplayMode(uint32_t, DisplayMode* out) override {
        *out = {1280, 1024, 60, D3DFMT_X8R8G8B8};
        return D3D_OK;
    }
    Result CheckDeviceType(uint32_t, DevType, Format, Format, bool) override { return D3D_OK; }
    Result GetDeviceCaps(uint32_t, DevType, Caps* out) override {
        *out = caps;
        return D3D_OK;
    }
    Result CreateDevice(uint32_t adapter, DevType type, void*, uint32_t behaviour, PresentParameters* params,
                        Device** device) override {
        createdTypes.push_back(type);
        createdBehaviours.push_back(behaviour);
        if (failCreations > 0) {
            --failCreations;
            return D3DERR_NOTAVAILABLE;
        }
        DeviceParams dp;
        dp.present = *params;
        dp.adapter = adapter;
        dp.deviceType = type;
        dp.behaviorFlags = behaviour;
        return CreateRecordingDevice(dp, device);
    }
};
std::vector<DisplayMode> FakeDirect3D::modes;
uint32_t FakeDirect3D::failCreations = 0;
std::vector<DevType> FakeDirect3D::createdTypes;
std::vector<uint32_t> FakeDirect3D::createdBehaviours;
Caps FakeDirect3D::caps{};

Direct3D* CreateFake() { return new FakeDirect3D(); }

class VideoTest : public ::testing::Test {
protected:
    os::WindowHandle window = nullptr;
    Video video;

    void SetUp() override {
        ASSERT_TRUE(os::Init());
        os::WindowDesc desc;
        desc.title = "video";
        desc.proc = [](os::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
            return os::DefWindowProc(w, m, wp, lp);
        };
        desc.width = 64;
        desc.height = 48;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        g_Settings.Clear();
        g_Direct3DCreate = CreateFake;
        ResetRecordingFactory();
        FakeDirect3D::modes = {
            {640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_R5G6B5},   {800, 600, 60, D3DFMT_X8R8G8B8},
            {800, 600, 75, D3DFMT_A8R8G8B8}, {1024, 768, 60, D3DFMT_X1R5G5B5},
        };
        FakeDirect3D::failCreations = 0;
        FakeDirect3D::createdTypes.clear();
        FakeDirect3D::createdBehaviours.clear();
        FakeDirect3D::caps = Caps{};
        FakeDirect3D::caps.MaxAnisotropy = 8;
    }
    void TearDown() override {
        video.Destroy();
        g_Direct3DCreate = Direct3DCreate;
        g_Settings.Clear();
        os::Shutdown();
    }

    VideoSettings Windowed() {
        VideoSettings vs{};
        vs.window = window;
        vs.windowed = 1;
        vs.bitsPerPixel = 32;
        return vs;
    }
    VideoSettings FullScreen(int w, int h, int bits) {
        VideoSettings vs{};
        vs.window = window;
        vs.width = w;
        vs.height = h;
        vs.bitsPerPixel = uint8_t(bits);
        return vs;
    }
    RecordingDevice* Rec() { return AsRecordingDevice(video.device); }
};

// ---- creation ----------------------------------------------------------------------

TEST_F(VideoTest, WindowedBackBufferIsTheClientArea) {
    ASSERT_TRUE(video.Create(Windowed()));
    EXPECT_EQ(video.present.BackBufferWidth, 64u);
    EXPECT_EQ(video.present.BackBufferHeight, 48u);
    EXPECT_EQ(video.present.Windowed, 1);
    EXPECT_EQ(video.present.BackBufferFormat, D3DFMT_X8R8G8B8);  // the desktop's
    EXPECT_EQ(video.screenRect.left, 0);
    EXPECT_EQ(video.screenRect.right, 63);
    EXPECT_EQ(video.screenRect.bottom, 47);
    EXPECT_EQ(video.halfWidth, 32);
    EXPECT_EQ(video.halfHeight, 24);
    EXPECT_EQ(video.present.AutoDepthStencilFormat, D3DFMT_D16);

    // Resizing the window and changing the mode in place follows the new client area.
    VideoSettings vs = Windowed();
    vs.depthStencil = 1;
    ASSERT_TRUE(video.ChangeMode(vs));
    EXPECT_EQ(video.present.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(video.present.BackBufferWidth, 64u);
    EXPECT_EQ(Rec()->PresentParams().BackBufferWidth, 64u);
}

TEST_F(VideoTest, FullScreenTakesFirstListedModeOfTheRightBits) {
    struct Case {
        int w, h, bits;
        Format expected;
    };
    const Case cases[] = {
        {800, 600, 32, D3DFMT_X8R8G8B8},  // listed before the A8R8G8B8 mode of the same size
        {800, 600, 16, D3DFMT_R5G6B5},
        {1024, 768, 16, D3DFMT_X1R5G5B5},
    };
    for (const Case& c : cases) {
        Video v;
        g_Settings.waitRetrace = 1;
        ASSERT_TRUE(v.Create(FullScreen(c.w, c.h, c.bits))) << c.w << "x" << c.h << "x" << c.bits;
        EXPECT_EQ(v.present.BackBufferFormat, c.expected);
        EXPECT_EQ(v.present.Windowed, 0);
        EXPECT_EQ(v.present.FullScreen_RefreshRateInHz, 0u);
        EXPECT_EQ(v.present.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_ONE);
        EXPECT_EQ(v.screenRect.right, c.w - 1);
        v.Destroy();
    }
}

TEST_F(VideoTest, FullScreenWithoutMatchingModeFailsAndDestroys) {
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(video.Create(FullScreen(1024, 768, 32)));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Unable to initialize requested video mode"), std::string::npos);
    EXPECT_EQ(video.device, nullptr);
    EXPECT_EQ(video.d3d, nullptr);
    EXPECT_TRUE(FakeDirect3D::createdTypes.empty());
}

TEST_F(VideoTest, NoWindowIsAnInvalidArgument) {
    VideoSettings vs = Windowed();
    vs.window = nullptr;
    EXPECT_FALSE(video.Create(vs));
    EXPECT_EQ(video.lastResult, E_INVALIDARG);

    // A window already gone is no window either: no device is asked for, so no "no hardware" box.
    ASSERT_TRUE(os::DestroyWindow(window));
    EXPECT_FALSE(video.Create(Windowed()));
    EXPECT_EQ(video.lastResult, E_INVALIDARG);
    EXPECT_EQ(FakeDirect3D::createdTypes.size(), 0u);
    window = nullptr;
}

TEST_F(VideoTest, RenderTargetPushIsOneLevelDeep) {
    ASSERT_TRUE(video.Create(Windowed()));
    Surface* target = nullptr;
    ASSERT_EQ(video.device->CreateRenderTarget(16, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, false, &target), D3D_OK);
    Surface* original = video.renderTarget;
    EXPECT_FALSE(video.PushRenderTarget(nullptr, nullptr));
    EXPECT_FALSE(video.PopRenderTarget());
    ASSERT_TRUE(video.PushRenderTarget(target, nullptr));
    EXPECT_EQ(video.screenRect.right, 15);
    EXPECT_EQ(video.screenRect.bottom, 7);
    EXPECT_FALSE(video.PushRenderTarget(target, nullptr));
    ASSERT_TRUE(video.PopRenderTarget());
    EXPECT_EQ(video.renderTarget, original);
    EXPECT_EQ(video.screenRect.right, 63);

    // A failed reset lets go of the current target: a push then has nothing to return to.
    video.device->SimulateLoss(true);
    Rec()->FailNext(CallKind::Reset, D3DERR_INVALIDCALL);
    ASSERT_FALSE(video.Reset());
    ASSERT_EQ(video.renderTarget, nullptr);
    EXPECT_FALSE(video.PushRenderTarget(target, nullptr));
    EXPECT_EQ(video.savedRenderTarget, nullptr);
    EXPECT_EQ(target->AddRef(), 2u);   // no reference kept by the refused push
    target->Release();
    target->Release();
}

TEST_F(VideoTest, RenderTargetPushWithoutADeviceIsRefused) {
    Surface* target = nullptr;
    ASSERT_TRUE(video.Create(Windowed()));
    ASSERT_EQ(video.device->CreateRenderTarget(16, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, false, &target), D3D_OK);
    Video never;
    EXPECT_FALSE(never.PushRenderTarget(target, nullptr));
    EXPECT_FALSE(never.PopRenderTarget());
    target->Release();
}

// ---- on the real device ------------------------------------------------------------

TEST_F(VideoTest, PictureClearAndPresentOnOpenGL) {
    g_Direct3DCreate = Direct3DCreate;
    ASSERT_TRUE(video.Create(Windowed()));
    ASSERT_TRUE(video.Clear(0xFF3366CCu));
    Surface* back = video.GetBackBuffer();
    ASSERT_NE(back, nullptr);
    LockedRect locked{};
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint8_t* bytes = static_cast<const uint8_t*>(locked.pBits);
    uint32_t pixel = *reinterpret_cast<const uint32_t*>(bytes + 20 * locked.Pitch + 4 * 30);
    back->UnlockRect();
    EXPECT_EQ(pixel & 0xFFFFFFu, 0x3366CCu);
    EXPECT_TRUE(video.Present());
}

}  // namespace
