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

TEST_F(VideoTest, SoftwareSettingAsksForReferenceDeviceWithSoftwareProcessing) {
    FakeDirect3D::caps.DevCaps = D3DDEVCAPS_PUREDEVICE;
    ASSERT_TRUE(video.Create(Windowed()));
    EXPECT_EQ(FakeDirect3D::createdTypes.back(), D3DDEVTYPE_HAL);
    EXPECT_EQ(FakeDirect3D::createdBehaviours.back(), D3DCREATE_MIXED_VERTEXPROCESSING);
    video.Destroy();

    g_Settings.software = 1;
    ASSERT_TRUE(video.Create(Windowed()));
    EXPECT_EQ(FakeDirect3D::createdTypes.back(), D3DDEVTYPE_REF);
    EXPECT_EQ(FakeDirect3D::createdBehaviours.back(), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    EXPECT_EQ(video.hardwareVertexProcessing, 0);
}

TEST_F(VideoTest, DeviceCreationIsTriedTwice) {
    FakeDirect3D::failCreations = 1;
    ASSERT_TRUE(video.Create(Windowed()));
    EXPECT_EQ(FakeDirect3D::createdTypes.size(), 2u);
    video.Destroy();

    FakeDirect3D::failCreations = 2;
    FakeDirect3D::createdTypes.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(video.Create(Windowed()));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Hardware aceleration not found!"), std::string::npos);
    EXPECT_EQ(FakeDirect3D::createdTypes.size(), 2u);
    EXPECT_EQ(video.device, nullptr);
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

TEST_F(VideoTest, DestroyTwiceOrNeverCreatedIsHarmless) {
    Video never;
    never.Destroy();
    never.Destroy();
    ASSERT_TRUE(video.Create(Windowed()));
    video.Destroy();
    video.Destroy();
    EXPECT_EQ(video.device, nullptr);
    EXPECT_TRUE(video.modes.empty());
}

// ---- reset and scenes --------------------------------------------------------------

TEST_F(VideoTest, ResetOnlyWhenTheDeviceAsksForIt) {
    EXPECT_FALSE(video.Reset());  // no device
    ASSERT_TRUE(video.Create(Windowed()));
    video.device->SimulateLoss(false);
    EXPECT_FALSE(video.Reset());
    EXPECT_NE(video.renderTarget, nullptr);  // nothing changed

    video.device->SimulateLoss(true);
    video.SetAmbient(0x00404040);
    Rec()->ClearLog();
    ASSERT_TRUE(video.Reset());
    EXPECT_EQ(video.device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(Rec()->RenderState(D3DRS_AMBIENT), 0x00404040u);
    EXPECT_NE(video.renderTarget, nullptr);
    EXPECT_NE(video.depthSurface, nullptr);
}

TEST_F(VideoTest, ScenesNestAndEndOnlyWhenOpen) {
    ASSERT_TRUE(video.Create(Windowed()));
    video.EndScene();
    EXPECT_EQ(Rec()->Counters().scenesEnded, 0u);
    video.BeginScene();
    video.BeginScene();
    EXPECT_EQ(Rec()->Counters().scenesBegun, 2u);
    EXPECT_EQ(Rec()->Counters().scenesEnded, 1u);
    video.EndScene();
    EXPECT_FALSE(Rec()->InScene());
}

TEST_F(VideoTest, ClearAndPresentReachTheFrontBuffer) {
    ASSERT_TRUE(video.Create(Windowed()));
    ASSERT_TRUE(video.Clear(0xFF203040u));
    ASSERT_TRUE(video.Present());
    Surface* copy = nullptr;
    ASSERT_EQ(video.device->CreateImageSurface(64, 48, D3DFMT_A8R8G8B8, &copy), D3D_OK);
    ASSERT_EQ(video.device->GetFrontBuffer(copy), D3D_OK);
    LockedRect locked{};
    ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint32_t* row = static_cast<const uint32_t*>(locked.pBits);
    EXPECT_EQ(row[0] & 0xFFFFFFu, 0x203040u);
    copy->UnlockRect();
    copy->Release();
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

// ---- the state cache ---------------------------------------------------------------

class VideoCacheTest : public VideoTest {
protected:
    Texture* tex[3] = {};
    void SetUp() override {
        VideoTest::SetUp();
        ASSERT_TRUE(video.Create(Windowed()));
        for (Texture*& t : tex) ASSERT_EQ(video.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
        Rec()->ClearLog();
    }
    void TearDown() override {
        video.RestoreStates();
        for (Texture* t : tex) t->Release();
        VideoTest::TearDown();
    }
    std::vector<uint32_t> ColorOps(int stage) { return Rec()->StageStateSends(uint32_t(stage), D3DTSS_COLOROP); }
};

TEST_F(VideoCacheTest, TextureChainMarksLowerStagesWithoutTouchingTheirOperations) {
    video.SetTexture(2, tex[0]);
    EXPECT_EQ(video.stages[0].inUse, 1);
    EXPECT_EQ(video.stages[1].inUse, 1);
    EXPECT_EQ(video.stages[2].inUse, 1);
    EXPECT_EQ(video.highestStage, 2);
    EXPECT_TRUE(ColorOps(0).empty());
    EXPECT_TRUE(ColorOps(1).empty());

    video.SetColorOp(2, D3DTOP_MODULATE);
    video.SetTexture(1, nullptr);
    EXPECT_EQ(ColorOps(2), (std::vector<uint32_t>{D3DTOP_MODULATE, D3DTOP_DISABLE}));
    EXPECT_EQ(video.stages[2].inUse, 0);
    EXPECT_EQ(video.highestStage, 1);
}

TEST_F(VideoCacheTest, RemovingStageZeroTextureDisablesIt) {
    video.SetTexture(0, tex[0]);
    video.SetColorOp(0, D3DTOP_MODULATE);
    video.SetTexture(0, nullptr);
    EXPECT_EQ(ColorOps(0).back(), uint32_t(D3DTOP_DISABLE));
    EXPECT_EQ(Rec()->TextureAt(0), nullptr);
}

TEST_F(VideoCacheTest, FrozenStageKeepsItsTextureAndPassesColourOn) {
    video.SetTexture(0, tex[0]);
    video.stages[0].frozen = 1;
    video.stages[0].inUse = 0;
    video.SetTexture(0, tex[1]);
    EXPECT_EQ(Rec()->TextureAt(0), tex[0]);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetTexture), 1u);

    video.SetTexture(1, tex[2]);
    EXPECT_EQ(ColorOps(0), (std::vector<uint32_t>{D3DTOP_SELECTARG2}));
    video.stages[0].frozen = 0;
}

TEST_F(VideoCacheTest, AllStagesAndOutOfRangeStages) {
    video.SetTexture(-1, tex[0]);
    for (uint32_t s = 0; s < 6; ++s) EXPECT_EQ(Rec()->TextureAt(s), tex[0]) << s;
    size_t sends = Rec()->CountCalls(CallKind::SetTexture);
    video.SetTexture(6, tex[1]);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetTexture), sends);
}

TEST_F(VideoCacheTest, CullModeIsOnlyRecordedWhileCullingIsOff) {
    video.EnableCulling(false);
    EXPECT_EQ(Rec()->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_NONE));
    video.SetCullMode(D3DCULL_CW);
    EXPECT_EQ(Rec()->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_NONE));
    video.EnableCulling(true);
    EXPECT_EQ(Rec()->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CW));
}

TEST_F(VideoCacheTest, BlendPresetsAreSentOnce) {
    video.SetBlendMode(7);
    video.SetBlendMode(7);
    EXPECT_EQ(Rec()->StageStateSends(1, D3DTSS_ALPHAOP).size(), 1u);

    video.SetBlendMode(2);
    EXPECT_EQ(Rec()->RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(Rec()->RenderState(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(Rec()->StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_SELECTARG1));
    EXPECT_EQ(Rec()->RenderState(D3DRS_SRCBLEND), uint32_t(D3DBLEND_ONE));
    EXPECT_EQ(Rec()->RenderState(D3DRS_DESTBLEND), uint32_t(D3DBLEND_INVSRCCOLOR));

    // Preset 0 leaves the blend factors as preset 2 left them.
    video.SetBlendMode(0);
    EXPECT_EQ(Rec()->RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(Rec()->RenderState(D3DRS_SRCBLEND), uint32_t(D3DBLEND_ONE));

    video.SetBlendMode(5);
    EXPECT_EQ(Rec()->RenderState(D3DRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(Rec()->StageState(0, D3DTSS_ALPHAARG2), D3DTA_TFACTOR);
}

TEST_F(VideoCacheTest, RestoreStatesLetsTheNextWorldMatrixThrough) {
    static const Matrix m = {{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {1, 2, 3, 1}}};
    video.SetWorldMatrix(&m, 0, true);
    EXPECT_TRUE(video.HasWorldMatrix());
    video.RestoreStates();
    EXPECT_TRUE(video.HasWorldMatrix());  // unset counts as having one
    Rec()->ClearLog();
    video.SetWorldMatrix(nullptr, 0, true);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetTransform), 1u);
    EXPECT_FALSE(video.HasWorldMatrix());
    video.SetWorldMatrix(nullptr, 0, true);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetTransform), 1u);
}

TEST_F(VideoCacheTest, LockedLightingIgnoresRequests) {
    video.lightingLocked = 1;
    video.SetLighting(true);
    EXPECT_EQ(video.lighting, 0);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetRenderState), 0u);
    video.lightingLocked = 0;
    video.SetLighting(true);
    EXPECT_EQ(Rec()->RenderState(D3DRS_LIGHTING), 1u);
}

TEST_F(VideoCacheTest, StreamCacheComparesBuffersNotStridesAndSoftwareProcessingClearsIt) {
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(video.device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(video.device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    video.SetStreamSource(0, vb, 16);
    video.SetStreamSource(0, vb, 32);
    video.SetIndices(ib);
    video.SetIndices(ib);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetStreamSource), 1u);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetIndices), 1u);

    video.SetSoftwareVertexProcessing(true);
    video.SetStreamSource(0, vb, 16);
    video.SetIndices(ib);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetStreamSource), 2u);
    EXPECT_EQ(Rec()->CountCalls(CallKind::SetIndices), 2u);
    video.RestoreStates();
    vb->Release();
    ib->Release();
}

TEST_F(VideoCacheTest, TwoDimensionalPairOrder) {
    video.Begin2D();
    EXPECT_EQ(Rec()->RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(Rec()->RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(video.vertexShader, 0x1C4u);
    EXPECT_EQ(Rec()->StageState(0, D3DTSS_ADDRESSU), uint32_t(D3DTADDRESS_CLAMP));
    video.End2D();
    EXPECT_EQ(Rec()->RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(Rec()->RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(Rec()->StageState(0, D3DTSS_ADDRESSV), uint32_t(D3DTADDRESS_WRAP));
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
