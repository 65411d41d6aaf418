// The recording device's rules that tests of the video object lean on: loss and reset, draws
// that are refused, and draws recorded with the state they used.
#include "recording_fixture.h"

#include <vector>

using namespace gfx;
using rectest::RecordingTest;

namespace {

using RecordingDeviceTest = RecordingTest;

TEST_F(RecordingDeviceTest, ResetWaitsForTheCallersResourcesAndStaysResettable) {
    dev->SimulateLoss(false);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    PresentParameters pp = dev->PresentParams();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);  // not yet resettable
    dev->SimulateLoss(true);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    Texture* rt = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    ASSERT_EQ(dev->SetTexture(0, rt), D3D_OK);
    rt->Release();  // the stage still holds it
    Surface* depth = nullptr;
    ASSERT_EQ(dev->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);  // the next turn may try again
    ASSERT_EQ(dev->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);  // the implicit depth surface is still held
    depth->Release();
    dev->FailNext(CallKind::Reset, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(RecordingDeviceTest, ResetTakesTheNewSizeAndReturnsToTheDefaultsButKeepsBlocks) {
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
    ASSERT_EQ(dev->DepthStencil()->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 100u);
    EXPECT_EQ(dev->State().viewport.Height, 50u);
    EXPECT_EQ(dev->RenderState(D3DRS_AMBIENT), 0u);
    EXPECT_EQ(dev->State().streams[0], nullptr);
    EXPECT_FALSE(dev->InScene());
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->RenderState(D3DRS_AMBIENT), 0xFF101010u);
    EXPECT_EQ(dev->State().streams[0], vb);
    dev->DeleteStateBlock(token);
    vb->Release();
}

TEST_F(RecordingDeviceTest, DrawsThatTheDeviceCannotMakeAreRefusedAndNotRecorded) {
    VertexBuffer* vb = BindVertices(4);  // 4 vertices of 16 bytes
    IndexBuffer* ib = BindIndices({0, 1, 2, 1, 2, 9});
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // outside a scene
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    struct Case {
        const char* what;
        PrimitiveType type;
        uint32_t start, count;
    } cases[] = {
        {"no primitives", D3DPT_TRIANGLELIST, 0, 0},
        {"past the buffer's end", D3DPT_TRIANGLELIST, 2, 1},
        {"a strip one vertex too long", D3DPT_TRIANGLESTRIP, 0, 3},
        {"an unknown primitive type", PrimitiveType(7), 0, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(dev->DrawPrimitive(c.type, c.start, c.count), D3DERR_INVALIDCALL) << c.what;
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_LINESTRIP, 0, 3), D3D_OK);  // 4 vertices: exactly fits
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 1), D3DERR_INVALIDCALL);  // index 9
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 4, 1), D3DERR_INVALIDCALL);  // past the indices
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 3, 0, 1), D3DERR_INVALIDCALL);  // range past the end
    ASSERT_EQ(dev->SetIndices(ib, 2), D3D_OK);  // base 2: index 2 reaches vertex 4 of 4
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2, 0, 1), D3DERR_INVALIDCALL);
    const uint16_t bad[3] = {0, 1, 2};  // index 0 lies outside the declared vertices 1..3
    uint8_t vertices[64] = {};
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 1, 3, 1, bad, D3DFMT_INDEX16, vertices, 16),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetVertexShader(0), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_POINTLIST, 0, 1), D3DERR_INVALIDCALL);  // no vertex format
    EXPECT_EQ(dev->Draws().size(), 2u);
    vb->Release();
    ib->Release();
}

TEST_F(RecordingDeviceTest, DrawsRecordTheStateTheyUsed) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    VertexBuffer* vb = BindVertices(6);
    uint32_t blend = 0;
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    ASSERT_EQ(dev->EndStateBlock(&blend), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    ASSERT_EQ(dev->ApplyStateBlock(blend), D3D_OK);
    dev->SetTexture(1, tex);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 4), D3D_OK);
    const std::vector<DrawRecord>& draws = dev->Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].startVertex, 3u);
    EXPECT_EQ(draws[0].stream0, vb);
    EXPECT_EQ(draws[0].RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(draws[0].states, draws[1].states);  // nothing changed between them: one copy
    EXPECT_EQ(draws[2].vertexCount, 6u);
    EXPECT_EQ(draws[2].RenderState(D3DRS_ALPHABLENDENABLE), 1u);  // applied through the block
    EXPECT_EQ(draws[2].textures[1], tex);
    dev->DeleteStateBlock(blend);
    tex->Release();
    vb->Release();
}

}  // namespace
