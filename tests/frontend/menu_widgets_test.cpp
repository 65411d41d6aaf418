#include <gtest/gtest.h>

#include <utility>

#include "core/clocks.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_widgets.h"
#include "frontend/overlays.h"
#include "frontend/screen_2d_fixture.h"
#include "frontend/sprite2d.h"
#include "platform/os/os.h"
#include "shell/mouse.h"

namespace screentest {
namespace {

std::vector<int>& Sounds() {
    static std::vector<int> s;
    return s;
}

// Widgets over pictures of known pixel sizes on a 64 x 64 screen.
class WidgetTest : public Screen2DTest {
protected:
    Sprite2D sprites[MENU_PICTURE_COUNT];
    Sprite2D* pictures[MENU_PICTURE_COUNT] = {};

    void SetUp() override {
        Screen2DTest::SetUp();
        Sounds().clear();
        g_MenuShellCalls.playFx = [](int id) { Sounds().push_back(id); };
        g_Mouse = MouseState();
    }
    void TearDown() override {
        ResetMenuShellCalls();
        g_Mouse = MouseState();
        os::SetTimeSource({});
        g_Fader.Zero();
        Screen2DTest::TearDown();
    }
    // Picture `slot` as a texture of w x h texels shown at its texel size.
    void Picture(int slot, uint16_t w, uint16_t h) {
        const int32_t texture = PixelTexture(("p" + std::to_string(slot)).c_str(), w, h);
        sprites[slot].Init("p", 0, 0, 0, 0, 1, 1, SPRITE_SIZE_TEXELS, texture, 1);
        pictures[slot] = &sprites[slot];
    }
    void ButtonPictures() {
        for (int slot : {15, 16, 17, 18}) Picture(slot, 4, 8);
        for (int slot : {19, 20}) Picture(slot, 8, 8);
    }
    void SliderPictures() {
        Picture(4, 2, 8);
        Picture(5, 2, 8);
        Picture(6, 16, 8);
        Picture(7, 16, 8);
        Picture(8, 4, 8);
    }
};

TEST_F(WidgetTest, ASliderAtZeroShowsNoFilledPartAndAtOneNoEmptyPart) {
    SliderPictures();
    MenuSlider slider;
    slider.Create(0.5f, 0.125f, pictures);
    slider.SetPosition(0.25f, 0.5f);
    const int32_t leftEndEnd = 16 + sprites[4].pixelWidth;
    slider.value = 0.0f;
    slider.Draw('i');
    EXPECT_EQ(sprites[6].pixelWidth, 0);
    EXPECT_EQ(sprites[8].pixelX, leftEndEnd - sprites[8].pixelWidth / 2) << "knob centred on the left end's end";
    slider.value = 1.0f;
    slider.Draw('i');
    EXPECT_EQ(sprites[7].pixelWidth, 0);
    EXPECT_EQ(sprites[5].pixelX + sprites[5].pixelWidth, 16 + 32) << "the right end closes the bar";
    slider.value = 0.5f;
    slider.Draw('i');
    EXPECT_NEAR(sprites[6].texRight, 0.0703125f + (0.921875f - 0.0703125f) * 0.5f, 1e-6f);
    // A click half-way along the bar between its ends.
    g_Mouse.x = slider.hitX + slider.hitW / 2;
    g_Mouse.y = slider.hitY + 1;
    EXPECT_NEAR(slider.GetClickedValue(), 0.5f, 0.05f);
    slider.enabled = 0;
    g_Mouse.buttons[MOUSE_LEFT].held = 1;
    EXPECT_EQ(slider.GetClickedValue(), -1.0f);
    EXPECT_EQ(Sounds(), std::vector<int>{FX_REFUSE});
}

TEST_F(WidgetTest, WidgetsOfMissingPicturesHaveNoSizeDrawNothingAndAreNeverHit) {
    MenuSlider slider;
    MenuButton button;
    MenuSwitch toggle;
    ImageButton image;
    slider.Create(0.5f, 0.1f, pictures);
    button.Create(0.5f, 0.5f, 0.3f, 0.1f, "Hola", 'c', pictures, 6);
    toggle.Create(0.1f, pictures);
    image.Create(0.5f, 0.5f, nullptr, nullptr, 'c');
    slider.SetPosition(0.0f, 0.0f);
    toggle.SetPosition(0.0f, 0.0f);
    g_Mouse.x = g_Mouse.y = 32;
    const uint32_t draws = rec->Counters().draws;
    slider.Draw('i');
    button.Draw();
    toggle.Draw();
    image.Draw();
    EXPECT_EQ(rec->Counters().draws, draws);
    EXPECT_EQ(slider.GetClickedValue(), -1.0f) << "no division by a zero width";
    EXPECT_FALSE(button.IsMouseOver());
    EXPECT_FALSE(toggle.IsClicked());
    EXPECT_FALSE(image.IsMouseOver());
    EXPECT_EQ(button.w, 0.0f);
}

TEST_F(WidgetTest, ARightAlignedButtonEndsAtItsXAndACentredOneIsSplitByWholePixels) {
    ButtonPictures();
    MenuButton button;
    button.Create(0.7f, 0.5f, 0.25f, 0.125f, "", 'd', pictures, 6);
    button.Draw();
    const int32_t end = int32_t(64 * 0.7f);
    EXPECT_EQ(sprites[17].pixelX + sprites[17].pixelWidth, end);
    EXPECT_EQ(sprites[19].pixelX, sprites[15].pixelX + sprites[15].pixelWidth);
    g_Mouse.x = end - 1;
    g_Mouse.y = 33;
    EXPECT_TRUE(button.IsMouseOver());
    g_Mouse.x = end;
    EXPECT_FALSE(button.IsMouseOver());

    button.Reset();
    button.Create(0.5f, 0.5f, 0.25f, 0.125f, "", 'c', pictures, 6);
    button.highlighted = 1;
    button.Draw();
    const int32_t mid = sprites[20].pixelWidth;
    EXPECT_EQ(sprites[16].pixelX, 32 - sprites[16].pixelWidth - mid / 2);
    EXPECT_EQ(sprites[20].pixelX, sprites[16].pixelX + sprites[16].pixelWidth);
}

TEST_F(WidgetTest, AButtonNarrowerThanItsTwoEndsNarrowsTheEndsAndKeepsItsLaidOutWidth) {
    ButtonPictures();
    // The ends are 4 x 8 texels: 4 pixels wide each at the 8 pixels of height 0.125.
    MenuButton narrow;
    narrow.Create(0.5f, 0.5f, 0.09375f, 0.125f, "", 'd', pictures, 6);
    narrow.Draw();
    EXPECT_EQ(sprites[15].pixelX, 32 - 6);
    EXPECT_EQ(sprites[15].pixelWidth, 3);
    EXPECT_EQ(sprites[19].pixelWidth, 0);
    EXPECT_EQ(sprites[17].pixelX + sprites[17].pixelWidth, 32);
    EXPECT_EQ(narrow.pw, 6);
    // The pointer finds it on those six pixels only.
    g_Mouse.y = 33;
    for (const auto& [x, inside] : {std::pair{25, false}, std::pair{26, true}, std::pair{31, true}, std::pair{32, false}}) {
        g_Mouse.x = x;
        EXPECT_EQ(narrow.IsMouseOver(), inside) << x;
    }
    // The pieces are shared: a wider button drawn next has its ends back at their proportion.
    MenuButton wide;
    wide.Create(0.25f, 0.5f, 0.25f, 0.125f, "", 'i', pictures, 6);
    wide.Draw();
    EXPECT_EQ(sprites[15].pixelX, 16);
    EXPECT_EQ(sprites[15].pixelWidth, 4);
    EXPECT_EQ(sprites[19].pixelWidth, 8);
    EXPECT_EQ(sprites[17].pixelX + sprites[17].pixelWidth, 32);
    EXPECT_EQ(wide.pw, 16);
}

TEST_F(WidgetTest, ADisabledImageButtonShowsItsPlainPictureTintedThenUntintedWhenEnabled) {
    Picture(0, 8, 8);
    Picture(1, 8, 8);
    ImageButton image;
    image.Create(0.5f, 0.5f, pictures[1], pictures[0], 'c');
    image.highlighted = 1;
    image.enabled = 0;
    uint32_t drawnTint = 0;
    const size_t before = rec->Draws().size();
    image.Draw();
    ASSERT_GT(rec->Draws().size(), before);
    drawnTint = VerticesOf(rec->Draws().back())[0].diffuse;
    EXPECT_EQ(drawnTint, WIDGET_DISABLED_TINT);
    EXPECT_EQ(sprites[0].diffuse, 0xffffffffu) << "the tint is put back";
    EXPECT_EQ(sprites[0].pixelX, 28) << "the plain picture, centred";
    image.enabled = 1;
    image.Draw();
    EXPECT_EQ(VerticesOf(rec->Draws().back())[0].diffuse, 0xffffffffu);
}

TEST_F(WidgetTest, AForcedConfirmAnswersYesWhereverThePointerIsAndNoticesCloseByTimeOrInput) {
    ButtonPictures();
    Picture(25, 32, 16);
    ConfirmBox box;
    box.Create("Salir?", pictures, 5);
    EXPECT_FLOAT_EQ(box.x, (1.0f - box.w) / 2.0f);
    EXPECT_EQ(box.Update(true, false), 0) << "a closed box answers nothing";
    box.open = 1;
    g_Mouse.x = g_Mouse.y = 0;
    EXPECT_EQ(box.Update(true, false), 1);
    EXPECT_EQ(box.Update(false, true), -1);
    EXPECT_EQ(box.Update(false, false), 0);
    EXPECT_TRUE(box.open) << "the owner closes it";
    EXPECT_EQ(Sounds(), (std::vector<int>{FX_ACCEPT, FX_ACCEPT}));

    uint32_t now = 1000;
    os::SetTimeSource([&now] { return now; });
    NoticeBox notice;
    notice.Create("Hecho", pictures, 2000);
    notice.StartBlinkTimer(true);
    now = 3000;
    notice.UpdateBlinkTimer(false, false);
    EXPECT_TRUE(notice.open) << "exactly 2000 ms is not more than the duration";
    now = 3001;
    notice.UpdateBlinkTimer(false, false);
    EXPECT_FALSE(notice.open);
    notice.StartBlinkTimer(true);
    notice.UpdateBlinkTimer(true, false);
    EXPECT_FALSE(notice.open) << "a click closes it early";
}

}  // namespace
}  // namespace screentest
