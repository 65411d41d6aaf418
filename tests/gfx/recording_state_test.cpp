// The recording device keeps what it is given: render and stage states, transforms, lights,
// material, clip planes, viewport, vertex input and render targets, and refuses what the real
// device refuses without changing anything.
#include "recording_fixture.h"

using namespace gfx;
using rectest::RecordingTest;
using rectest::SameMatrix;
using rectest::Translation;

namespace {

using RecordingStateTest = RecordingTest;

TEST_F(RecordingStateTest, StartsWithTheFixedFunctionDefaults) {
    // Depth testing follows the automatic depth buffer; only stage 0 runs, each stage reads its
    // own coordinate set; lighting is on.
    EXPECT_EQ(dev->RenderState(D3DRS_ZENABLE), uint32_t(D3DZB_TRUE));
    EXPECT_EQ(dev->RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(dev->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));
    EXPECT_EQ(dev->StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    for (uint32_t s = 1; s < kMaxTextureStages; ++s) EXPECT_EQ(dev->StageState(s, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
    for (uint32_t s = 0; s < kMaxTextureStages; ++s) EXPECT_EQ(dev->StageState(s, D3DTSS_TEXCOORDINDEX), s);
    const Viewport& vp = dev->State().viewport;
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 32u);

    DeviceParams noDepth = RecordingDeviceParams(16, 16);
    noDepth.present.EnableAutoDepthStencil = 0;
    RecordingDevice* other = nullptr;
    ASSERT_EQ(CreateRecordingDevice(noDepth, &other), D3D_OK);
    EXPECT_EQ(other->RenderState(D3DRS_ZENABLE), uint32_t(D3DZB_FALSE));
    EXPECT_EQ(other->DepthStencil(), nullptr);
    other->Release();
}

TEST_F(RecordingStateTest, RenderAndStageStatesAreKeptAndReadBack) {
    struct Case {
        RenderStateType state;
        uint32_t value;
    };
    const Case cases[] = {
        {D3DRS_ALPHABLENDENABLE, 1},         {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_TEXTUREFACTOR, 0x80FF0000u},  {D3DRS_FOGSTART, FloatBits(12.5f)},
        {D3DRS_STENCILMASK, 0},              {D3DRS_NORMALORDER, 7},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(dev->SetRenderState(c.state, c.value), D3D_OK);
        uint32_t back = 0xDEADu;
        ASSERT_EQ(dev->GetRenderState(c.state, &back), D3D_OK);
        EXPECT_EQ(back, c.value) << "state " << c.state;
    }
    EXPECT_EQ(BitsFloat(dev->RenderState(D3DRS_FOGSTART)), 12.5f);

    ASSERT_EQ(dev->SetTextureStageState(3, D3DTSS_ALPHAARG2, D3DTA_TFACTOR | D3DTA_COMPLEMENT), D3D_OK);
    ASSERT_EQ(dev->SetTextureStageState(7, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL | 1), D3D_OK);
    uint32_t v = 0;
    ASSERT_EQ(dev->GetTextureStageState(3, D3DTSS_ALPHAARG2, &v), D3D_OK);
    EXPECT_EQ(v, D3DTA_TFACTOR | D3DTA_COMPLEMENT);
    EXPECT_EQ(dev->StageState(7, D3DTSS_TEXCOORDINDEX), D3DTSS_TCI_CAMERASPACENORMAL | 1);
    // The same state of the neighbouring stages is untouched.
    EXPECT_EQ(dev->StageState(2, D3DTSS_ALPHAARG2), D3DTA_CURRENT);
    EXPECT_EQ(dev->StageState(6, D3DTSS_TEXCOORDINDEX), 6u);
}

TEST_F(RecordingStateTest, OutOfRangeIdsAreRefusedAndChangeNothing) {
    const uint32_t before = dev->RenderState(D3DRS_ZENABLE);
    EXPECT_EQ(dev->SetRenderState(RenderStateType(kRenderStateCount), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(kMaxTextureStages, D3DTSS_COLOROP, D3DTOP_ADD), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(0, TextureStageStateType(kTextureStageStateCount), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTexture(kMaxTextureStages, nullptr), D3DERR_INVALIDCALL);
    const Matrix m = Translation(1, 2, 3);
    EXPECT_EQ(dev->SetTransform(TransformStateType(4), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTransform(TransformStateType(D3DTS_WORLD + 256), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    Light light{};
    light.Type = D3DLIGHT_POINT;
    EXPECT_EQ(dev->SetLight(kMaxLights, &light), D3DERR_INVALIDCALL);
    light.Type = LightType(0);
    EXPECT_EQ(dev->SetLight(0, &light), D3DERR_INVALIDCALL);
    const float plane[4] = {0, 1, 0, 0};
    EXPECT_EQ(dev->SetClipPlane(kMaxClipPlanes, plane), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSource(kMaxStreams, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->RenderState(D3DRS_ZENABLE), before);
    EXPECT_TRUE(SameMatrix(dev->Transform(D3DTS_VIEW), dev->Transform(D3DTS_PROJECTION)));  // both identity
    EXPECT_EQ(dev->State().lights[0].light.Type, 0u);
}

TEST_F(RecordingStateTest, EveryTransformSlotIsKeptApart) {
    const TransformStateType ids[] = {D3DTS_VIEW,   D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE7, D3DTS_WORLD,
                                      D3DTS_WORLD1, D3DTS_WORLD2,     D3DTS_WORLD3,   D3DTS_WORLDMATRIX(255)};
    float k = 1.0f;
    for (TransformStateType id : ids) {
        Matrix m = Translation(k, -k, 2 * k);
        ASSERT_EQ(dev->SetTransform(id, &m), D3D_OK) << id;
        k += 1.0f;
    }
    k = 1.0f;
    for (TransformStateType id : ids) {
        Matrix back{};
        ASSERT_EQ(dev->GetTransform(id, &back), D3D_OK);
        EXPECT_TRUE(SameMatrix(back, Translation(k, -k, 2 * k))) << id;
        EXPECT_TRUE(SameMatrix(dev->Transform(id), back));
        k += 1.0f;
    }
}

TEST_F(RecordingStateTest, MultiplyTransformAppliesTheGivenMatrixFirst) {
    const Matrix t = Translation(10, 0, 0);
    const Matrix s = rectest::Scaling(2);
    ASSERT_EQ(dev->SetTransform(D3DTS_WORLD, &t), D3D_OK);
    ASSERT_EQ(dev->MultiplyTransform(D3DTS_WORLD, &s), D3D_OK);
    // Row vectors: p x (S x T) scales first, then moves by 10: the translation row stays 10.
    const Matrix& w = dev->Transform(D3DTS_WORLD);
    EXPECT_FLOAT_EQ(w.m[0][0], 2.0f);
    EXPECT_FLOAT_EQ(w.m[3][0], 10.0f);
}

TEST_F(RecordingStateTest, LightsMaterialAndClipPlanesAreKept) {
    Light light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    light.Position = {1, 2, 3};
    light.Range = 40.0f;
    ASSERT_EQ(dev->SetLight(2, &light), D3D_OK);
    ASSERT_EQ(dev->LightEnable(2, true), D3D_OK);
    Light back{};
    ASSERT_EQ(dev->GetLight(2, &back), D3D_OK);
    EXPECT_EQ(back.Type, D3DLIGHT_POINT);
    EXPECT_EQ(back.Range, 40.0f);
    EXPECT_EQ(back.Position.z, 3.0f);
    bool on = false;
    ASSERT_EQ(dev->GetLightEnable(2, &on), D3D_OK);
    EXPECT_TRUE(on);

    // A light switched on without ever being set is the white directional default.
    ASSERT_EQ(dev->LightEnable(5, true), D3D_OK);
    EXPECT_EQ(dev->State().lights[5].light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(dev->State().lights[5].light.Direction.z, 1.0f);
    EXPECT_EQ(dev->State().lights[5].light.Diffuse.r, 1.0f);

    Material mat{};
    mat.Diffuse = {1, 0.5f, 0.25f, 1};
    mat.Power = 8.0f;
    ASSERT_EQ(dev->SetMaterial(&mat), D3D_OK);
    Material mback{};
    ASSERT_EQ(dev->GetMaterial(&mback), D3D_OK);
    EXPECT_EQ(mback.Diffuse.g, 0.5f);
    EXPECT_EQ(mback.Power, 8.0f);

    const float plane[4] = {0.0f, 1.0f, 0.0f, -5.0f};
    ASSERT_EQ(dev->SetClipPlane(0, plane), D3D_OK);
    float pback[4] = {};
    ASSERT_EQ(dev->GetClipPlane(0, pback), D3D_OK);
    EXPECT_EQ(pback[1], 1.0f);
    EXPECT_EQ(pback[3], -5.0f);
}

TEST_F(RecordingStateTest, ViewportMustLieInsideTheRenderTarget) {
    Viewport ok{8, 4, 56, 28, 0.0f, 1.0f};  // exactly up to the 64 x 32 edge
    EXPECT_EQ(dev->SetViewport(&ok), D3D_OK);
    Viewport tooWide{8, 0, 57, 32, 0.0f, 1.0f};
    Viewport empty{0, 0, 0, 10, 0.0f, 1.0f};
    Viewport badDepth{0, 0, 10, 10, 0.5f, 0.25f};
    EXPECT_EQ(dev->SetViewport(&tooWide), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetViewport(&empty), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetViewport(&badDepth), D3DERR_INVALIDCALL);
    Viewport back{};
    ASSERT_EQ(dev->GetViewport(&back), D3D_OK);
    EXPECT_EQ(back.X, 8u);
    EXPECT_EQ(back.Width, 56u);
}

TEST_F(RecordingStateTest, BoundResourcesAreHeldUntilUnbound) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    VertexBuffer* vb = BindVertices(4);
    ASSERT_EQ(dev->SetTexture(1, tex), D3D_OK);
    EXPECT_EQ(RecordingDevice::RefCountOf(tex), 2u);
    EXPECT_EQ(RecordingDevice::RefCountOf(vb), 2u);
    tex->Release();
    vb->Release();
    // Still alive through the bindings.
    EXPECT_EQ(dev->LiveResources(), 2u);
    EXPECT_EQ(dev->TextureAt(1), tex);

    Texture* got = nullptr;
    ASSERT_EQ(dev->GetTexture(1, &got), D3D_OK);
    EXPECT_EQ(got, tex);
    EXPECT_EQ(RecordingDevice::RefCountOf(tex), 2u);  // the getter hands out a reference
    got->Release();

    ASSERT_EQ(dev->SetTexture(1, nullptr), D3D_OK);
    ASSERT_EQ(dev->SetStreamSource(0, nullptr, 0), D3D_OK);
    EXPECT_EQ(dev->LiveResources(), 0u);
}

TEST_F(RecordingStateTest, ResourcesOfAnotherDeviceAreRefused) {
    RecordingDevice* other = nullptr;
    ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(8, 8), &other), D3D_OK);
    Texture* foreign = nullptr;
    VertexBuffer* foreignVb = nullptr;
    ASSERT_EQ(other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign), D3D_OK);
    ASSERT_EQ(other->CreateVertexBuffer(64, 0, kFvf, D3DPOOL_MANAGED, &foreignVb), D3D_OK);
    EXPECT_EQ(dev->SetTexture(0, foreign), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSource(0, foreignVb, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TextureAt(0), nullptr);
    foreign->Release();
    foreignVb->Release();
    other->Release();
}

TEST_F(RecordingStateTest, VertexFormatsAndDeclarationHandles) {
    EXPECT_EQ(dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1), D3D_OK);
    EXPECT_EQ(dev->State().vertexShader, 0x1C4u);
    EXPECT_EQ(dev->SetVertexShader(D3DFVF_XYZ | (9u << D3DFVF_TEXCOUNT_SHIFT)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShader(0x1235), D3DERR_INVALIDCALL);  // odd: an unknown handle
    EXPECT_EQ(dev->State().vertexShader, 0x1C4u);

    const uint32_t decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                             D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    uint32_t handle = 0;
    ASSERT_EQ(dev->CreateVertexShader(decl, nullptr, &handle, 0), D3D_OK);
    EXPECT_EQ(handle & 1u, 1u);
    ASSERT_EQ(dev->SetVertexShader(handle), D3D_OK);
    ASSERT_EQ(dev->DeleteVertexShader(handle), D3D_OK);
    EXPECT_EQ(dev->State().vertexShader, 0u);  // the deleted handle is no longer current
    EXPECT_EQ(dev->SetVertexShader(handle), D3DERR_INVALIDCALL);

    const uint32_t function[] = {0};
    const uint32_t noPosition[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    const uint32_t stream1[] = {D3DVSD_STREAM(1), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3), D3DVSD_END()};
    EXPECT_EQ(dev->CreateVertexShader(decl, function, &handle, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexShader(noPosition, nullptr, &handle, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexShader(stream1, nullptr, &handle, 0), D3DERR_INVALIDCALL);
}

TEST_F(RecordingStateTest, RenderTargetsSwapAndResetTheViewport) {
    Texture* rt = nullptr;
    ASSERT_EQ(dev->CreateTexture(32, 16, 0, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    EXPECT_EQ(rt->GetLevelCount(), 1u);  // render targets have one level
    Surface* level = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
    Surface* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(32, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &depth), D3D_OK);

    ASSERT_EQ(dev->SetRenderTarget(level, depth), D3D_OK);
    EXPECT_EQ(dev->RenderTarget(), level);
    EXPECT_EQ(dev->DepthStencil(), depth);
    EXPECT_EQ(dev->State().viewport.Width, 32u);
    EXPECT_EQ(dev->State().viewport.Height, 16u);
    Surface* got = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(&got), D3D_OK);
    EXPECT_EQ(got, level);
    got->Release();

    // Null target keeps the colour target; null depth renders without depth.
    ASSERT_EQ(dev->SetRenderTarget(nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev->RenderTarget(), level);
    EXPECT_EQ(dev->GetDepthStencilSurface(&got), D3DERR_NOTFOUND);
    EXPECT_EQ(got, nullptr);

    // Wrong kinds and a depth buffer smaller than the target are refused.
    Surface* small = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &small), D3D_OK);
    EXPECT_EQ(dev->SetRenderTarget(dev->BackBuffer(), small), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderTarget(depth, nullptr), D3DERR_INVALIDCALL);
    Surface* image = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(32, 16, D3DFMT_X8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(dev->SetRenderTarget(image, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->RenderTarget(), level);

    EXPECT_EQ(dev->SetRenderTarget(dev->BackBuffer(), depth), D3DERR_INVALIDCALL);  // depth 32x16 < 64x32
    ASSERT_EQ(dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &got), D3D_OK);
    ASSERT_EQ(dev->SetRenderTarget(got, nullptr), D3D_OK);
    got->Release();
    EXPECT_EQ(dev->RenderTarget(), dev->BackBuffer());
    EXPECT_EQ(dev->State().viewport.Width, 64u);

    for (RefCounted* o : std::initializer_list<RefCounted*>{image, small, depth, level, rt}) o->Release();
    EXPECT_EQ(dev->LiveResources(), 0u);
}

TEST_F(RecordingStateTest, GammaRampAndCreationFactsAreKept) {
    GammaRamp identity{};
    dev->GetGammaRamp(&identity);
    EXPECT_EQ(identity.red[255], 65535u);
    EXPECT_EQ(identity.green[128], 128u * 257u);

    GammaRamp ramp{};
    for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = uint16_t(i * 100);
    dev->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
    EXPECT_EQ(dev->GammaFlags(), D3DSGR_CALIBRATE);
    EXPECT_EQ(dev->Gamma().blue[200], 20000u);

    DeviceCreationParameters cp{};
    ASSERT_EQ(dev->GetCreationParameters(&cp), D3D_OK);
    EXPECT_EQ(cp.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(cp.BehaviorFlags, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    DisplayMode mode{};
    ASSERT_EQ(dev->GetDisplayMode(&mode), D3D_OK);  // windowed: the desktop's mode
    EXPECT_EQ(mode.Width, dev->Config().desktopMode.Width);
}

}  // namespace
