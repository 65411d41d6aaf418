// Device loss and reset on the recording device, scenes and presents, the creation factory, and
// injected failures: the roads a video object must survive.
#include "recording_fixture.h"

using namespace gfx;
using rectest::RecordingTest;

namespace {

using RecordingLossTest = RecordingTest;

TEST_F(RecordingLossTest, CooperativeLevelGoesLostThenResettableThenOk) {
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    dev->SimulateLoss(false);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    PresentParameters pp = dev->PresentParams();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);  // not yet resettable
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);

    dev->SimulateLoss(true);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_FALSE(dev->IsLost());
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev->Counters().resets, 1u);
    EXPECT_EQ(dev->Counters().presents, 1u);
}

TEST_F(RecordingLossTest, ResetWaitsForDefaultPoolResourcesAndStaysResettable) {
    Texture* rt = nullptr;
    Texture* managed = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed), D3D_OK);
    ASSERT_EQ(dev->SetTexture(0, rt), D3D_OK);
    dev->SimulateLoss(true);
    PresentParameters pp = dev->PresentParams();

    rt->Release();  // the stage still holds it
    EXPECT_EQ(dev->LiveResources(D3DPOOL_DEFAULT), 1u);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);  // the next turn may try again

    ASSERT_EQ(dev->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(dev->LiveResources(D3DPOOL_DEFAULT), 0u);
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    // Managed resources survive a reset.
    EXPECT_EQ(dev->LiveResources(D3DPOOL_MANAGED), 1u);
    LockedRect lr{};
    EXPECT_EQ(managed->LockRect(0, &lr, nullptr, 0), D3D_OK);
    managed->UnlockRect(0);
    managed->Release();
}

TEST_F(RecordingLossTest, ResetWaitsUntilTheCallerLetsGoOfTheImplicitSurfaces) {
    Surface* target = nullptr;
    Surface* depth = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(&target), D3D_OK);
    ASSERT_EQ(dev->GetDepthStencilSurface(&depth), D3D_OK);
    dev->SimulateLoss(true);
    PresentParameters pp = dev->PresentParams();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    target->Release();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);  // the depth surface is still held
    depth->Release();
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    // New implicit surfaces, taken again after the reset.
    ASSERT_EQ(dev->GetRenderTarget(&target), D3D_OK);
    EXPECT_EQ(target, dev->BackBuffer());
    target->Release();
}

TEST_F(RecordingLossTest, ResetTakesTheNewSizeAndReturnsToTheDefaults) {
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    dev->SetRenderState(D3DRS_AMBIENT, 0xFF101010u);
    VertexBuffer* vb = BindVertices(3);
    uint32_t token = 0;
    ASSERT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &token), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);

    PresentParameters pp = dev->PresentParams();
    pp.BackBufferWidth = 100;
    pp.BackBufferHeight = 50;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    SurfaceDesc desc{};
    ASSERT_EQ(dev->BackBuffer()->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 100u);
    EXPECT_EQ(desc.Height, 50u);
    EXPECT_EQ(dev->PresentParams().BackBufferWidth, 100u);
    EXPECT_EQ(dev->State().viewport.Width, 100u);
    EXPECT_EQ(dev->State().viewport.Height, 50u);
    EXPECT_EQ(dev->RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(dev->RenderState(D3DRS_AMBIENT), 0u);
    EXPECT_EQ(dev->State().streams[0], nullptr);
    EXPECT_FALSE(dev->InScene());
    ASSERT_EQ(dev->DepthStencil()->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 100u);

    // State blocks survive a reset.
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->RenderState(D3DRS_AMBIENT), 0xFF101010u);
    EXPECT_EQ(dev->State().streams[0], vb);
    dev->DeleteStateBlock(token);
    vb->Release();
}

TEST_F(RecordingLossTest, WindowedSizeZeroTakesTheWindowAndIsWrittenBack) {
    dev->Config().windowWidth = 320;
    dev->Config().windowHeight = 200;
    PresentParameters pp = dev->PresentParams();
    pp.BackBufferWidth = pp.BackBufferHeight = 0;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 320u);
    EXPECT_EQ(pp.BackBufferHeight, 200u);
    EXPECT_EQ(pp.BackBufferFormat, dev->Config().desktopMode.Format);

    PresentParameters full = pp;
    full.Windowed = 0;
    full.BackBufferWidth = 0;
    EXPECT_EQ(dev->Reset(&full), D3DERR_INVALIDCALL);  // full screen needs a size
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    full.BackBufferWidth = 800;
    full.BackBufferHeight = 600;
    full.FullScreen_RefreshRateInHz = 75;
    ASSERT_EQ(dev->Reset(&full), D3D_OK);
    DisplayMode mode{};
    ASSERT_EQ(dev->GetDisplayMode(&mode), D3D_OK);  // full screen: the back buffer's mode
    EXPECT_EQ(mode.Width, 800u);
    EXPECT_EQ(mode.RefreshRate, 75u);
}

TEST_F(RecordingLossTest, ScenesOpenAndCloseOnceAtATime) {
    EXPECT_EQ(dev->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_TRUE(dev->InScene());
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    EXPECT_EQ(dev->Counters().scenesBegun, 2u);
    EXPECT_EQ(dev->Counters().scenesEnded, 2u);
    EXPECT_EQ(dev->CountCalls(CallKind::BeginScene), 3u);
}

TEST_F(RecordingLossTest, InjectedFailuresSkipCountAndLeaveStateAlone) {
    const Matrix m = rectest::Translation(1, 1, 1);
    // Let the first transform through, fail the next two, then work again.
    dev->FailNext(CallKind::SetTransform, E_FAIL, 2, 1);
    EXPECT_EQ(dev->SetTransform(D3DTS_WORLD, &m), D3D_OK);
    EXPECT_EQ(dev->SetTransform(D3DTS_VIEW, &m), E_FAIL);
    EXPECT_EQ(dev->SetTransform(D3DTS_PROJECTION, &m), E_FAIL);
    EXPECT_EQ(dev->SetTransform(D3DTS_PROJECTION, &m), D3D_OK);
    EXPECT_TRUE(rectest::SameMatrix(dev->Transform(D3DTS_WORLD), m));
    EXPECT_FALSE(rectest::SameMatrix(dev->Transform(D3DTS_VIEW), m));  // the failed call changed nothing
    EXPECT_EQ(dev->LogLines()[1], "SetTransform(VIEW, [1 0 0 0; 0 1 0 0; 0 0 1 0; 1 1 1 1]) -> E_FAIL");

    // Failures of other kinds do not interfere; creation failures hand out nothing.
    dev->FailNext(CallKind::CreateTexture, D3DERR_OUTOFVIDEOMEMORY);
    dev->FailNext(CallKind::Present, D3DERR_DEVICELOST);
    Texture* tex = reinterpret_cast<Texture*>(uintptr_t(1));
    EXPECT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(dev->LiveResources(), 0u);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev->Counters().presents, 1u);

    // Resource calls fail the same way.
    VertexBuffer* vb = BindVertices(2);
    dev->FailNext(CallKind::LockVertexBuffer, D3DERR_INVALIDCALL);
    uint8_t* p = reinterpret_cast<uint8_t*>(uintptr_t(1));
    EXPECT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);  // nothing was locked

    dev->FailNext(CallKind::SetRenderState, E_FAIL, 5);
    dev->ClearFailures();
    EXPECT_EQ(dev->SetRenderState(D3DRS_ZENABLE, 0), D3D_OK);
    vb->Release();
}

TEST_F(RecordingLossTest, AnInjectedResetFailureLeavesTheDeviceResettable) {
    dev->SimulateLoss(true);
    dev->FailNext(CallKind::Reset, D3DERR_OUTOFVIDEOMEMORY);
    PresentParameters pp = dev->PresentParams();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);

    // A failed reset of a working device (a mode change) loses it.
    dev->FailNext(CallKind::Reset, D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
}

TEST_F(RecordingLossTest, TheFactoryFailsCreationsOnRequestAndCountsThem) {
    RecordingFactory& f = GetRecordingFactory();
    const uint32_t before = f.creationCalls;
    f.failCreations = 1;
    f.createResult = D3DERR_NOTAVAILABLE;
    Device* d = reinterpret_cast<Device*>(uintptr_t(1));
    EXPECT_EQ(CreateRecordingDevice(RecordingDeviceParams(), &d), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d, nullptr);
    // A second, identical attempt succeeds.
    ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(), &d), D3D_OK);
    EXPECT_EQ(f.creationCalls, before + 2);
    ASSERT_NE(AsRecordingDevice(d), nullptr);
    d->Release();

    // New devices start from the factory's configuration.
    f.config.caps.DevCaps |= D3DDEVCAPS_PUREDEVICE | D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    f.config.caps.MaxSimultaneousTextures = 2;
    DeviceParams p = RecordingDeviceParams();
    p.deviceType = D3DDEVTYPE_REF;
    p.adapter = 1;
    RecordingDevice* r = nullptr;
    ASSERT_EQ(CreateRecordingDevice(p, &r), D3D_OK);
    Caps caps{};
    ASSERT_EQ(r->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_PUREDEVICE);
    EXPECT_EQ(caps.MaxSimultaneousTextures, 2u);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(caps.AdapterOrdinal, 1u);
    r->Release();

    ResetRecordingFactory();
    EXPECT_EQ(GetRecordingFactory().failCreations, 0u);
    EXPECT_EQ(GetRecordingFactory().config.caps.MaxSimultaneousTextures,
              DefaultRecordingConfig().caps.MaxSimultaneousTextures);
}

TEST_F(RecordingLossTest, BadCreationParametersAreRefused) {
    struct Case {
        const char* what;
        void (*change)(PresentParameters&);
    };
    const Case cases[] = {
        {"full screen without a size", [](PresentParameters& p) { p.Windowed = 0, p.BackBufferWidth = 0; }},
        {"a back buffer that cannot be drawn into", [](PresentParameters& p) { p.BackBufferFormat = D3DFMT_DXT1; }},
        {"a colour format for the depth buffer", [](PresentParameters& p) { p.AutoDepthStencilFormat = D3DFMT_R5G6B5; }},
        {"four back buffers", [](PresentParameters& p) { p.BackBufferCount = 4; }},
        {"an enormous back buffer", [](PresentParameters& p) { p.BackBufferHeight = 20000; }},
    };
    for (const Case& c : cases) {
        DeviceParams p = RecordingDeviceParams();
        c.change(p.present);
        RecordingDevice* d = nullptr;
        EXPECT_EQ(CreateRecordingDevice(p, &d), D3DERR_INVALIDCALL) << c.what;
        EXPECT_EQ(d, nullptr) << c.what;
    }
}

}  // namespace
