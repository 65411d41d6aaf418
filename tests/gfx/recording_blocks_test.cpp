// The device state and its blocks, kept by the device base and seen through the recording
// device: what blocks record, capture and apply, the references they hold, and refused calls
// that must change nothing.
#include "recording_fixture.h"

using namespace gfx;
using rectest::RecordingTest;
using rectest::SameMatrix;
using rectest::Translation;

namespace {

using RecordingBlockTest = RecordingTest;

TEST_F(RecordingBlockTest, ARecordedBlockAppliesOnlyWhatWasSetWhileRecording) {
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    const Matrix w = Translation(0, 3, 0);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);
    dev->SetTransform(D3DTS_WORLD2, &w);
    uint32_t token = 0;
    ASSERT_EQ(dev->EndStateBlock(&token), D3D_OK);
    EXPECT_NE(token, 0u);
    // Nothing reached the device while recording.
    EXPECT_EQ(dev->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));
    EXPECT_EQ(dev->StageState(2, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));

    dev->SetRenderState(D3DRS_LIGHTING, 0);  // not in the block
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_NONE));
    EXPECT_EQ(dev->StageState(2, D3DTSS_COLOROP), uint32_t(D3DTOP_ADD));
    EXPECT_TRUE(SameMatrix(dev->Transform(D3DTS_WORLD2), w));
    EXPECT_EQ(dev->RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(dev->StageState(2, D3DTSS_ALPHAOP), uint32_t(D3DTOP_DISABLE));

    // Capture refreshes only the block's own states: the saved-state pattern.
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    ASSERT_EQ(dev->CaptureStateBlock(token), D3D_OK);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CW));
    EXPECT_EQ(dev->RenderState(D3DRS_LIGHTING), 0u);  // never part of the block
}

// The pattern of a debug draw: capture everything, change freely, put everything back.
TEST_F(RecordingBlockTest, AnAllBlockRestoresEveryKindOfState) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    VertexBuffer* vb = BindVertices(3);
    dev->SetTexture(0, tex);
    const Matrix view = Translation(0, 0, 9);
    dev->SetTransform(D3DTS_VIEW, &view);

    uint32_t token = 0;
    ASSERT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &token), D3D_OK);
    dev->SetTexture(0, nullptr);
    dev->SetStreamSource(0, nullptr, 0);
    dev->SetVertexShader(D3DFVF_XYZRHW);
    const Matrix other = Translation(4, 4, 4);
    dev->SetTransform(D3DTS_VIEW, &other);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, 1);

    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    ASSERT_EQ(dev->DeleteStateBlock(token), D3D_OK);
    const DeviceState& s = dev->State();
    EXPECT_EQ(s.textures[0], tex);
    EXPECT_EQ(s.streams[0], vb);
    EXPECT_EQ(s.vertexShader, kFvf);
    EXPECT_TRUE(SameMatrix(dev->Transform(D3DTS_VIEW), view));
    EXPECT_EQ(s.renderStates[D3DRS_ALPHATESTENABLE], 0u);
    // Deleting the block dropped its references: the device's bindings are the only ones left.
    EXPECT_EQ(RecordingDevice::RefCountOf(tex), 2u);
    tex->Release();
    vb->Release();
}

TEST_F(RecordingBlockTest, MisusedBlocksAreRefused) {
    uint32_t token = 0;
    EXPECT_EQ(dev->EndStateBlock(&token), D3DERR_INVALIDCALL);  // not recording
    EXPECT_EQ(dev->ApplyStateBlock(0), D3DERR_INVALIDCALL);     // 0 is never a block
    EXPECT_EQ(dev->CreateStateBlock(StateBlockType(9), &token), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &token), D3D_OK);
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    uint32_t other = 0;
    EXPECT_EQ(dev->BeginStateBlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &other), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->ApplyStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CaptureStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DeleteStateBlock(token), D3DERR_INVALIDCALL);
    PresentParameters pp = dev->PresentParams();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->EndStateBlock(&other), D3D_OK);
    EXPECT_NE(other, token);
    ASSERT_EQ(dev->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->DeleteStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->ApplyStateBlock(token), D3DERR_INVALIDCALL);
}

TEST_F(RecordingBlockTest, RefusedSetsChangeNothing) {
    RecordingDevice* other = nullptr;
    ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(8, 8), &other), D3D_OK);
    Texture* foreign = nullptr;
    ASSERT_EQ(other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign), D3D_OK);
    const Matrix m = Translation(1, 2, 3);
    Light light{};
    const float plane[4] = {0, 1, 0, 0};
    const Viewport inverted{0, 0, 10, 10, 0.5f, 0.25f};
    EXPECT_EQ(dev->SetTexture(0, foreign), D3DERR_INVALIDCALL);  // another device's
    EXPECT_EQ(dev->SetRenderState(RenderStateType(kRenderStateCount), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(kMaxTextureStages, D3DTSS_COLOROP, D3DTOP_ADD), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTransform(TransformStateType(4), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTransform(TransformStateType(D3DTS_WORLD + 256), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetLight(0, &light), D3DERR_INVALIDCALL);  // no light type
    EXPECT_EQ(dev->SetClipPlane(kMaxClipPlanes, plane), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSource(kMaxStreams, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetViewport(&inverted), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShader(0x1235), D3DERR_INVALIDCALL);  // odd: a handle never made
    EXPECT_EQ(dev->TextureAt(0), nullptr);
    EXPECT_EQ(dev->State().lights[0].light.Type, 0u);
    EXPECT_EQ(dev->State().viewport.MaxZ, 1.0f);
    EXPECT_EQ(dev->State().vertexShader, 0u);
    foreign->Release();
    other->Release();
}

}  // namespace
