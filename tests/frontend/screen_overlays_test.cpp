// Sprites, screen quads, editor buttons, the fader and the flash on the recording device.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "effects/effect_list.h"
#include "frontend/flash_effect.h"
#include "frontend/gui_primitives.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "platform/os/os.h"
#include "render/render_state_seams.h"
#include "screen_2d_fixture.h"
#include "shell/mouse.h"

namespace {

using namespace gfx;
using screentest::VerticesOf;

class SpriteTest : public screentest::Screen2DTest {};

TEST_F(SpriteTest, DrawsTwoTrianglesWithItsRectangleColoursAndTextureCorners) {
    const int32_t tex = PixelTexture("a.tga", 32, 32);
    Sprite2D s;
    s.Init("s", 0.25f, 0.5f, 0.1f, 0.2f, 0.6f, 0.7f, SPRITE_SIZE_GIVEN, tex, 1);
    s.SetPosition(0.5f, 0.25f);
    s.diffuse = 0x80FF0000;
    s.specular = 0x00102030;
    rec->ClearLog();
    ASSERT_TRUE(s.Draw());
    ASSERT_EQ(rec->Draws().size(), 1u);
    const DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.vertexShader, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
    EXPECT_EQ(d.stride, 32u);
    EXPECT_EQ(d.textures[0], g_Scene.textures->Get(tex)->frames[0]);
    EXPECT_EQ(d.StageState(1, D3DTSS_COLOROP), uint32_t(D3DTOP_ADD));
    EXPECT_EQ(d.StageState(1, D3DTSS_COLORARG1), D3DTA_SPECULAR);
    EXPECT_EQ(d.StageState(2, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
    // Blend preset 1: source alpha blending.
    EXPECT_EQ(d.RenderState(D3DRS_SRCBLEND), uint32_t(D3DBLEND_SRCALPHA));
    const auto v = VerticesOf(d);
    ASSERT_EQ(v.size(), 6u);
    // 64 x 64 screen: x 32, y 16, 16 wide, 32 high.
    const float want[6][4] = {{32, 16, 0.1f, 0.2f}, {48, 16, 0.6f, 0.2f}, {48, 48, 0.6f, 0.7f},
                              {32, 16, 0.1f, 0.2f}, {48, 48, 0.6f, 0.7f}, {32, 48, 0.1f, 0.7f}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(v[i].x, want[i][0]);
        EXPECT_FLOAT_EQ(v[i].y, want[i][1]);
        EXPECT_FLOAT_EQ(v[i].u, want[i][2]);
        EXPECT_FLOAT_EQ(v[i].v, want[i][3]);
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].diffuse, 0x80FF0000u);
    }
    uint32_t specular = 0;
    std::memcpy(&specular, d.vertexData.data() + 20, 4);
    EXPECT_EQ(specular, 0x00102030u);
}

TEST_F(SpriteTest, SizeModesFollowTheTextureRectangle) {
    Screen(1024, 768);
    const int32_t tex = PixelTexture("b.tga", 128, 32);
    Sprite2D s;
    // The left half of a 128 x 64 texture: 64 x 32 texels.
    s.Init("s", 0.3f, 0.1f, 0.0f, 0.0f, 0.5f, 1.0f, SPRITE_SIZE_FROM_HEIGHT, tex, 0);
    EXPECT_NEAR(s.w, 0.15f, 1e-6);
    EXPECT_FLOAT_EQ(s.h, 0.1f);
    EXPECT_EQ(s.pixelWidth, 153);   // 1024 x 0.15, truncated
    s.SetSize(0.125f, 0.9f, SPRITE_SIZE_FROM_WIDTH);
    EXPECT_FLOAT_EQ(s.w, 0.125f);
    EXPECT_NEAR(s.h, 0.125f * (1024.0f / 768.0f) * 0.5f, 1e-6);   // half as high as wide, in pixels
    s.SetSize(0.9f, 0.9f, SPRITE_SIZE_TEXELS);
    EXPECT_EQ(s.pixelWidth, 64);
    EXPECT_EQ(s.pixelHeight, 32);
    s.SetSize(0.2f, 0.2f, 7);
    EXPECT_EQ(s.pixelWidth, 64);
    // Without a texture the aspect modes have nothing to keep.
    Sprite2D bare;
    bare.Init("n", 0.2f, 0.3f, 0, 0, 1, 1, SPRITE_SIZE_GIVEN, -1, 0);
    bare.SetSize(0.5f, 0.5f, SPRITE_SIZE_FROM_HEIGHT);
    EXPECT_FLOAT_EQ(bare.w, 0.2f);
}

TEST_F(SpriteTest, OnlySpritesWhollyOffTheScreenAreSkipped) {
    Sprite2D s;
    s.Init("s", 0.25f, 0.25f, 0, 0, 1, 1, SPRITE_SIZE_GIVEN, -1, 0);
    struct Case {
        int32_t px, py;
        bool drawn;
    } cases[] = {{-17, 10, false}, {10, -17, false}, {-10, -10, true}, {60, 60, true}, {65, 10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.px << ", " << c.py);
        s.SetPositionPixels(c.px, c.py);
        rec->ClearLog();
        EXPECT_TRUE(s.Draw());
        EXPECT_EQ(rec->Draws().size(), c.drawn ? 1u : 0u);
    }
}

TEST_F(SpriteTest, ReleaseAndInitMoveTheOneReferenceToTheNewTexture) {
    const int32_t a = PixelTexture("a.tga", 8, 8), b = PixelTexture("b.tga", 8, 8);
    g_Scene.textures->AddRef(a);   // another owner keeps the first texture alive
    Sprite2D s;
    s.Init("s", 0.1f, 0.1f, 0, 0, 1, 1, 0, a, 0);
    EXPECT_EQ(g_Scene.textures->entries[a].refs, 2u);
    s.Release();
    s.Init("s", 0.1f, 0.1f, 0, 0, 1, 1, 0, b, 0);
    EXPECT_EQ(g_Scene.textures->entries[a].refs, 1u);
    EXPECT_EQ(g_Scene.textures->entries[b].refs, 1u);
    s.Release();
    EXPECT_EQ(g_Scene.textures->Get(b), nullptr);
}

class QuadTest : public screentest::Screen2DTest {
protected:
    void SetUp() override {
        Screen2DTest::SetUp();
        g_Fader.Zero();
        ResetQuadDrawState();
    }
    void TearDown() override {
        ResetQuadDrawState();
        g_Fader.Zero();
        g_Mouse = MouseState();
        Screen2DTest::TearDown();
    }
};

TEST_F(QuadTest, QuadsAndFaderRectanglesLeaveEveryStateAsItWas) {
    g_Fader.Reset();
    UnusualStates();
    const screentest::StateSnapshot before(*rec);
    const std::function<void()> draws[] = {
        [] { DrawQuad2D(0.25f, 0.25f, 0.75f, 0.5f, 0xFF112233); },
        [] { DrawQuad2D(0.0f, 0.0f, 1.0f, 1.0f, 0xFF445566); },
        [] { g_Fader.DrawRect2D(0, 0, 10, 10, 0xFF808080, true); },
        [] { g_Fader.DrawRect2D(5, 5, 20, 30, 0xFF202020, false); },
    };
    for (size_t i = 0; i < std::size(draws); ++i) {
        SCOPED_TRACE(i);
        rec->ClearLog();
        draws[i]();
        ASSERT_EQ(rec->Draws().size(), 1u);
        EXPECT_TRUE(screentest::StateSnapshot(*rec).values == before.values);
    }
    // The quad's own states while it drew.
    rec->ClearLog();
    DrawQuad2D(0.25f, 0.25f, 0.75f, 0.5f, 0xFF112233);
    const DrawRecord& q = rec->Draws()[0];
    EXPECT_EQ(q.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(q.RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(q.StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_DISABLE));
    const auto v = VerticesOf(q);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0].x, 16.0f);
    EXPECT_EQ(v[2].x, 48.0f);
    EXPECT_EQ(v[2].y, 32.0f);
    EXPECT_EQ(v[0].z, 0.9f);
    // One block serves every quad.
    EXPECT_EQ(rec->CountCalls(CallKind::CreateStateBlock), 0u);
    // The fader's multiply mode: frame times colour.
    rec->ClearLog();
    g_Fader.DrawRect2D(0, 0, 10, 10, 0xFF808080, true);
    EXPECT_EQ(rec->Draws()[0].RenderState(D3DRS_SRCBLEND), uint32_t(D3DBLEND_ZERO));
    EXPECT_EQ(rec->Draws()[0].RenderState(D3DRS_DESTBLEND), uint32_t(D3DBLEND_SRCCOLOR));
}

// Every switch between the menu and a match makes the device again, and the new one can stand
// where the old one stood: the blocks made on the old one are forgotten, never deleted on the new
// one, where those numbers may be another's blocks.
TEST_F(QuadTest, ADeviceMadeWhereTheLastOneStoodGetsBlocksOfItsOwn) {
    g_Fader.Reset();
    DrawQuad2D(0.25f, 0.25f, 0.75f, 0.5f, 0xFF112233);
    const uint32_t serial = g_Video.deviceSerial;
    g_Video.deviceSerial = serial + 1;
    rec->ClearLog();
    g_Fader.Reset();
    DrawQuad2D(0.25f, 0.25f, 0.75f, 0.5f, 0xFF112233);
    std::set<uint32_t> made;
    for (const Call& c : rec->Log()) {
        if (c.kind == CallKind::CreateStateBlock) made.insert(c.args[1]);
        if (c.kind == CallKind::EndStateBlock) made.insert(c.args[0]);
        if (c.kind == CallKind::DeleteStateBlock) EXPECT_EQ(made.count(c.args[0]), 1u) << "block " << c.args[0];
    }
    EXPECT_EQ(made.size(), 5u);     // the fader's three (one made twice) and the quad's
    // The new blocks serve both: each draws and leaves the states as they were.
    UnusualStates();
    const screentest::StateSnapshot before(*rec);
    rec->ClearLog();
    g_Fader.DrawRect2D(0, 0, 10, 10, 0xFF808080, true);
    DrawQuad2D(0.0f, 0.0f, 1.0f, 1.0f, 0xFF445566);
    EXPECT_EQ(rec->Draws().size(), 2u);
    EXPECT_TRUE(screentest::StateSnapshot(*rec).values == before.values);
    g_Video.deviceSerial = serial;
}

TEST_F(QuadTest, ButtonsDrawThreeRectanglesAndAnswerTheMouseOnlyWhenUsable) {
    Button b;
    b.Set(0.25f, 0.25f, 0.5f, 0.25f, "");
    EXPECT_EQ(b.caption, nullptr);
    rec->ClearLog();
    b.Draw();
    ASSERT_EQ(rec->Draws().size(), 3u);
    const uint32_t colours[] = {0xFFFFFFFF, 0xFF000000, 0xFF8C8C8C};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(VerticesOf(rec->Draws()[size_t(i)])[0].diffuse, colours[i]);

    g_Mouse.x = 32;
    g_Mouse.y = 20;
    g_Mouse.buttons[MOUSE_LEFT].pressed = 1;
    b.HitTest();
    EXPECT_TRUE(b.hover && b.pressed);
    rec->ClearLog();
    b.Draw();
    EXPECT_EQ(VerticesOf(rec->Draws()[2])[0].diffuse, 0xFFA0A0A0u);
    b.enabled = 0;
    b.HitTest();
    EXPECT_FALSE(b.hover || b.pressed);
    b.enabled = 1;
    b.visible = 0;
    b.HitTest();
    EXPECT_FALSE(b.hover || b.pressed);

    b.Set(0.1f, 0.1f, 0.0f, 0.2f, "Ok");
    rec->ClearLog();
    b.Draw();
    EXPECT_TRUE(rec->Draws().empty());
}

TEST_F(QuadTest, AGroupFreesItsButtonsOnlyOnceCreated) {
    Button kept;
    ButtonGroup g;
    g.buttons[0] = &kept;   // not the group's until created: Free must leave it alone
    g.Free();
    EXPECT_EQ(g.buttons[0], &kept);
    g.buttons[0] = new Button();
    g.buttons[0]->Set(0, 0, 0.1f, 0.1f, "x");
    g.created = 1;
    g.Free();
    EXPECT_EQ(g.buttons[0], nullptr);
    EXPECT_EQ(g.created, 0u);
}

class FaderTest : public QuadTest {
protected:
    uint32_t now = 1000;
    void SetUp() override {
        QuadTest::SetUp();
        os::SetTimeSource([this] { return now; });
        g_Clocks = ClockSet();
        g_Clocks.active = CLOCK_MENU;
        g_Fader.Reset();
    }
    void TearDown() override {
        os::SetTimeSource({});
        QuadTest::TearDown();
    }
    void At(uint32_t t) {
        now = t;
        g_Fader.Update();
    }
    // The grey the fader draws now, or -1 when it draws nothing.
    int64_t Drawn() {
        rec->ClearLog();
        g_Fader.Draw();
        if (rec->Draws().empty()) return -1;
        return VerticesOf(rec->Draws()[0])[0].diffuse;
    }
};

TEST_F(FaderTest, AFadeOutDarkensOverSixHundredMillisecondsAndStaysBlack) {
    EXPECT_EQ(Drawn(), -1);
    g_Fader.FadeOut();
    At(1000);
    EXPECT_EQ(Drawn(), 0xFFFFFFFF);
    At(1300);
    EXPECT_EQ(Drawn(), 0xFF808080);   // 255 - trunc(300 / 600 x 255)
    At(1600);
    EXPECT_EQ(Drawn(), 0xFF000000);
    EXPECT_TRUE(g_Fader.running);
    At(1601);
    EXPECT_FALSE(g_Fader.running);
    for (uint32_t t : {2000u, 9000u}) {
        At(t);
        EXPECT_EQ(Drawn(), 0xFF000000);
    }
    // The fader covers the whole screen.
    const auto v = VerticesOf(rec->Draws()[0]);
    EXPECT_EQ(v[2].x, 64.0f);
    EXPECT_EQ(v[2].y, 64.0f);
}

TEST_F(FaderTest, AFadeInRisesFromBlackToWhiteThenStopsDrawing) {
    g_Fader.FadeIn();
    At(1000);
    EXPECT_EQ(Drawn(), 0xFF000000);
    At(1150);
    EXPECT_EQ(Drawn(), 0xFF7F7F7F);
    At(1300);
    EXPECT_EQ(Drawn(), 0xFFFFFFFF);
    At(1301);
    EXPECT_EQ(Drawn(), -1);
    EXPECT_FALSE(g_Fader.IsRunning());
}

TEST_F(FaderTest, RestartsDisablingAndClockSwitches) {
    g_Fader.FadeIn();
    At(1100);
    g_Fader.FadeOut();   // restarts from white at once
    EXPECT_EQ(Drawn(), 0xFFFFFFFF);
    // The fade began at 1100 by the menu clock; the match clock reads 1200 when it takes over
    // and 1400 at the update: 300 ms by the clock that runs then (200 by the menu clock).
    g_Clocks.stored[CLOCK_MATCH] = 1200;
    SetActiveClock(CLOCK_MATCH);
    At(1300);
    EXPECT_EQ(Drawn(), 0xFF808080);
    g_Fader.Disable();
    At(1400);
    EXPECT_EQ(Drawn(), -1);
    g_Fader.FadeOut();
    EXPECT_FALSE(g_Fader.running);
    g_Fader.Reset();
    EXPECT_FALSE(g_Fader.IsRunning());
    EXPECT_EQ(Drawn(), -1);
}

class FlashTest : public screentest::Screen2DTest {
protected:
    // The colour of the flash's draw, or -1 when it draws nothing.
    int64_t Drawn(FlashEffect& f) {
        ApplyScreenSpaceStates();
        rec->ClearLog();
        const bool drew = f.Render();
        if (rec->Draws().empty()) return drew ? -2 : -1;
        return VerticesOf(rec->Draws()[0])[0].diffuse;
    }
};

TEST_F(FlashTest, ALightningFlashPeaksAtItsRiseTimeAndIsDeletedAfterItsDuration) {
    FlashEffect idle;
    EXPECT_EQ(idle.kind, 259u);
    EXPECT_EQ(Drawn(idle), -1);

    FlashEffect f;
    f.Init(900, 300, 0xFFFFFFFF, 1);
    EXPECT_EQ(f.Update(150), 0);
    EXPECT_EQ(Drawn(f), 0x7F7F7F7F);
    EXPECT_EQ(f.Update(150), 0);
    EXPECT_EQ(Drawn(f), 0xFFFFFFFF);
    EXPECT_EQ(f.Update(300), 0);
    EXPECT_EQ(Drawn(f), 0x7F7F7F7F);
    EXPECT_EQ(f.Update(300), 0);
    EXPECT_EQ(Drawn(f), 0);
    EXPECT_EQ(f.Update(1), 1);
    EXPECT_EQ(Drawn(f), -1);
    EXPECT_EQ(f.Update(1), 1);

    // Kept by its list when flag 0 is clear.
    FlashEffect kept;
    kept.Init(10, 3, 0xFFFFFFFF, 0);
    EXPECT_EQ(kept.Update(11), 0);
    EXPECT_TRUE(kept.finished);
}

TEST_F(FlashTest, ARiseAsLongAsTheFlashNeverDividesByZero) {
    FlashEffect f;
    f.Init(100, 100, 0xFFFFFFFF, 1);
    f.Update(100);
    EXPECT_EQ(Drawn(f), 0);
}

TEST_F(FlashTest, SpawnedFlashesGoToTheScenesListAndLeaveItWhenOver) {
    PositionedObject* made = NewFlashEffect(900, 300, 0xFFFFFFFF, 1);
    ASSERT_NE(made, nullptr);
    ASSERT_TRUE(g_Scene.effects->Add(made));
    g_Scene.effects->Update(900);
    EXPECT_EQ(g_Scene.effects->Count(), 1);
    g_Scene.effects->Update(1);
    EXPECT_EQ(g_Scene.effects->Count(), 0);
}

}  // namespace
