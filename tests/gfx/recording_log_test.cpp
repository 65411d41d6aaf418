// The call log: order, arguments, results, the text form, the query helpers, and the draw
// records with the state each draw used.
#include "recording_fixture.h"

#include <string>
#include <vector>

using namespace gfx;
using rectest::RecordingTest;
using rectest::SameMatrix;
using rectest::Translation;

namespace {

using RecordingLogTest = RecordingTest;
using Lines = std::vector<std::string>;

TEST_F(RecordingLogTest, CallsAreLoggedInOrderWithTheirText) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 8, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex), D3D_OK);
    const std::string texName = dev->NameOf(tex);
    dev->ClearLog();

    const Matrix world = Translation(5, 0, -1.5f);
    const Matrix identity = rectest::Scaling(1.0f);
    const float plane[4] = {0, 1, 0, -2};
    dev->SetRenderState(D3DRS_ZENABLE, 1);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080u);
    dev->SetRenderState(D3DRS_FOGEND, FloatBits(250.0f));
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTexture(0, tex);
    dev->SetTexture(1, nullptr);
    dev->SetTransform(D3DTS_WORLD1, &world);
    dev->SetTransform(D3DTS_VIEW, &identity);
    dev->SetVertexShader(0x142);
    dev->SetClipPlane(0, plane);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    dev->EndScene();  // no scene open: refused, and the log says so

    const Lines expected = {
        "SetRenderState(ZENABLE, 1)",
        "SetRenderState(TEXTUREFACTOR, 0xFF808080)",
        "SetRenderState(FOGEND, 250)",
        "SetTextureStageState(1, COLOROP, 3)",
        "SetTexture(0, " + texName + ")",
        "SetTexture(1, null)",
        "SetTransform(WORLD1, [1 0 0 0; 0 1 0 0; 0 0 1 0; 5 0 -1.5 1])",
        "SetTransform(VIEW, identity)",
        "SetVertexShader(0x142)",
        "SetClipPlane(0, 0, 1, 0, -2)",
        "Clear(0, TARGET|ZBUFFER, 0xFF000000, 1, 0)",
        "EndScene() -> D3DERR_INVALIDCALL",
    };
    EXPECT_EQ(dev->LogLines(), expected) << dev->LogText();
    EXPECT_EQ(dev->Log()[4].objects[0], static_cast<const void*>(tex));
    EXPECT_TRUE(SameMatrix(dev->Log()[6].matrix, world));
    tex->Release();
}

TEST_F(RecordingLogTest, QueryHelpersFilterTheLog) {
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    dev->SetRenderState(D3DRS_ZENABLE, 0);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetRenderState(D3DRS_LIGHTING, 1);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);

    EXPECT_EQ(dev->CountCalls(CallKind::SetRenderState), 3u);
    EXPECT_EQ(dev->CountCalls(CallKind::Present), 0u);
    EXPECT_EQ(dev->RenderStateSends(D3DRS_LIGHTING), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(dev->StageStateSends(1, D3DTSS_ALPHAOP), (std::vector<uint32_t>{D3DTOP_DISABLE, D3DTOP_SELECTARG1}));
    EXPECT_TRUE(dev->StageStateSends(1, D3DTSS_COLOROP).empty());

    std::vector<Call> stages = dev->CallsOf(CallKind::SetTextureStageState);
    ASSERT_EQ(stages.size(), 3u);
    EXPECT_EQ(stages[1].args[0], 0u);
    EXPECT_EQ(stages[1].args[2], uint32_t(D3DTOP_MODULATE));

    size_t first = dev->FindCall(CallKind::SetRenderState);
    size_t second = dev->FindCall(CallKind::SetRenderState, first + 1);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(dev->FindCall(CallKind::DrawPrimitive), RecordingDevice::npos);

    dev->ClearLog();
    EXPECT_TRUE(dev->Log().empty());
    // The state survives a cleared log.
    EXPECT_EQ(dev->RenderState(D3DRS_LIGHTING), 1u);
}

TEST_F(RecordingLogTest, ObjectNamesStayReadableAfterTheObjectDies) {
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_DEFAULT, &vb), D3D_OK);
    const std::string name = dev->NameOf(vb);
    EXPECT_EQ(name.rfind("vb#", 0), 0u) << name;
    dev->SetStreamSource(0, vb, 16);
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
    const Lines lines = dev->LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "CreateVertexBuffer(64, 0x8, 0x42, DEFAULT) = " + name);
    EXPECT_EQ(lines[1], "SetStreamSource(0, " + name + ", 16)");
    EXPECT_EQ(lines[2], "SetStreamSource(0, null, 0)");
}

TEST_F(RecordingLogTest, ResourceLocksAreLogged) {
    VertexBuffer* vb = BindVertices(4);
    dev->ClearLog();
    uint8_t* p = nullptr;
    vb->Lock(16, 32, &p, D3DLOCK_NOOVERWRITE);
    vb->Unlock();
    vb->Lock(0, 0, &p, D3DLOCK_DISCARD);
    vb->Unlock();
    const std::vector<Call> locks = dev->CallsOf(CallKind::LockVertexBuffer);
    ASSERT_EQ(locks.size(), 2u);
    EXPECT_EQ(locks[0].args[2], D3DLOCK_NOOVERWRITE);
    EXPECT_EQ(locks[1].args[2], D3DLOCK_DISCARD);
    EXPECT_EQ(dev->CountCalls(CallKind::UnlockVertexBuffer), 2u);
    EXPECT_EQ(dev->LogLines()[0], "LockVertexBuffer(" + dev->NameOf(vb) + ", 16, 32, 0x1000)");
    vb->Release();
}

TEST_F(RecordingLogTest, DrawsRecordTheStateTheyUsed) {
    Texture* a = nullptr;
    Texture* b = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &b), D3D_OK);
    VertexBuffer* vb = BindVertices(6);
    IndexBuffer* ib = BindIndices({0, 1, 2, 2, 1, 3});
    const Matrix w1 = Translation(1, 0, 0);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);

    dev->SetTexture(0, a);
    dev->SetTransform(D3DTS_WORLD, &w1);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1), D3D_OK);
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    dev->SetTexture(1, b);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 4), D3D_OK);
    ASSERT_EQ(dev->EndScene(), D3D_OK);

    const std::vector<DrawRecord>& draws = dev->Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].kind, CallKind::DrawPrimitive);
    EXPECT_EQ(draws[0].vertexCount, 3u);
    EXPECT_EQ(draws[0].startVertex, 3u);
    EXPECT_EQ(draws[0].stream0, vb);
    EXPECT_EQ(draws[0].stride, 16u);
    EXPECT_EQ(draws[0].vertexShader, kFvf);
    EXPECT_EQ(draws[0].textures[0], a);
    EXPECT_EQ(draws[0].textures[1], nullptr);
    EXPECT_TRUE(SameMatrix(draws[0].world, w1));
    EXPECT_EQ(draws[0].RenderState(D3DRS_ALPHABLENDENABLE), 1u);

    EXPECT_EQ(draws[1].kind, CallKind::DrawIndexedPrimitive);
    EXPECT_EQ(draws[1].indices, ib);
    EXPECT_EQ(draws[1].vertexCount, 6u);
    // No state changed between the first two draws: they share one copy of the states.
    EXPECT_EQ(draws[0].states, draws[1].states);

    EXPECT_EQ(draws[2].type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(draws[2].vertexCount, 6u);
    EXPECT_EQ(draws[2].textures[1], b);
    EXPECT_EQ(draws[2].RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_NE(draws[1].states, draws[2].states);

    // Each draw points back at its call and the call at it.
    for (size_t i = 0; i < draws.size(); ++i) EXPECT_EQ(dev->Log()[draws[i].callIndex].draw, int32_t(i));
    EXPECT_EQ(dev->Counters().draws, 3u);
    EXPECT_EQ(dev->Counters().primitives, 7u);
    for (RefCounted* o : std::initializer_list<RefCounted*>{a, b, vb, ib}) o->Release();
}

TEST_F(RecordingLogTest, DrawsFromMemoryCopyTheirDataAndKeepTheBindings) {
    VertexBuffer* vb = BindVertices(4);
    IndexBuffer* ib = BindIndices({0, 1, 2});
    ASSERT_EQ(dev->BeginScene(), D3D_OK);

    struct V {
        float x, y, z, rhw;
        uint32_t color;
    };
    V quad[4] = {{0, 0, 0, 1, 0xFF0000FFu}, {8, 0, 0, 1, 0xFF00FF00u}, {0, 8, 0, 1, 0xFFFF0000u}, {8, 8, 0, 1, 0xFFFFFFFFu}};
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V)), D3D_OK);
    quad[3].color = 0;  // the record holds a copy, not the caller's array
    ASSERT_EQ(dev->Draws().size(), 1u);
    const DrawRecord& d = dev->Draws()[0];
    EXPECT_EQ(d.stream0, nullptr);
    EXPECT_EQ(d.stride, sizeof(V));
    ASSERT_EQ(d.vertexData.size(), 4 * sizeof(V));
    V last;
    std::memcpy(&last, d.vertexData.data() + 3 * sizeof(V), sizeof(V));
    EXPECT_EQ(last.color, 0xFFFFFFFFu);
    EXPECT_EQ(last.x, 8.0f);
    // Bindings outlast a draw from memory, so the video object's cache stays true.
    EXPECT_EQ(dev->State().streams[0], vb);
    EXPECT_EQ(dev->State().indices, ib);

    const uint16_t idx[6] = {1, 2, 3, 3, 2, 1};
    ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 1, 3, 2, idx, D3DFMT_INDEX16, quad, sizeof(V)), D3D_OK);
    const DrawRecord& di = dev->Draws()[1];
    EXPECT_EQ(di.indexFormat, D3DFMT_INDEX16);
    EXPECT_EQ(di.indexData.size(), sizeof(idx));
    EXPECT_EQ(di.vertexData.size(), 4 * sizeof(V));  // vertices 0 .. min + count - 1
    EXPECT_EQ(dev->State().indices, ib);
    // An index outside the declared vertices is refused rather than read past the array.
    const uint16_t bad[3] = {0, 1, 2};
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 1, 3, 1, bad, D3DFMT_INDEX16, quad, sizeof(V)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Draws().size(), 2u);
    vb->Release();
    ib->Release();
}

TEST_F(RecordingLogTest, DrawsThatTheDeviceCannotMakeAreRefusedAndNotRecorded) {
    VertexBuffer* vb = BindVertices(4);  // 4 vertices of 16 bytes
    IndexBuffer* ib = BindIndices({0, 1, 2, 1, 2, 9});

    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // outside a scene
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    struct Case {
        const char* what;
        PrimitiveType type;
        uint32_t start, count;
    };
    const Case cases[] = {
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

    ASSERT_EQ(dev->SetVertexShader(0), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_POINTLIST, 0, 1), D3DERR_INVALIDCALL);  // no vertex format

    EXPECT_EQ(dev->Draws().size(), 2u);
    EXPECT_EQ(dev->Counters().draws, 2u);
    // The refusals stay in the log with their result.
    EXPECT_EQ(dev->LogLines().back(), "DrawPrimitive(POINTLIST, 0, 1) -> D3DERR_INVALIDCALL");
    vb->Release();
    ib->Release();
}

TEST_F(RecordingLogTest, CallsRecordedIntoAStateBlockAreLoggedButNotApplied) {
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    uint32_t token = 0;
    ASSERT_EQ(dev->EndStateBlock(&token), D3D_OK);
    EXPECT_EQ(dev->LogLines(), (Lines{"BeginStateBlock()", "SetRenderState(LIGHTING, 0)",
                                      "EndStateBlock() = " + std::to_string(token)}));
    EXPECT_EQ(dev->RenderState(D3DRS_LIGHTING), 1u);
}

}  // namespace
