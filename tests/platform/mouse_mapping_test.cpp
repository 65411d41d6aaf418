// A full-screen size the display lacks is shown scaled on a desktop-sized window: the mouse must
// still be reported in the pixels the game drew.
#include "os_fixture.h"

namespace ostest {
namespace {

using namespace os;

int X(const Message& m) { return int(int16_t(LoWord(uintptr_t(m.lParam)))); }
int Y(const Message& m) { return int(int16_t(HiWord(uintptr_t(m.lParam)))); }

TEST_F(OsTest, MousePositionsOnAScaledPictureAreInThePicturesPixels) {
    Open(false);
    // An 800x600 picture shown at 1.5 times its size, 60 points from the window's left.
    SetPictureArea(60, 0, 1200, 900, 800, 600);
    struct {
        int x, y, px, py;
    } cases[] = {
        {60, 0, 0, 0},          // the picture's corner
        {660, 450, 400, 300},   // its centre
        {1259, 899, 799, 599},  // its last pixel
        {10, 950, 0, 599},      // on the bars: the nearest edge
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        PushMotion(c.x, c.y);
        PushButton(true, SDL_BUTTON_LEFT, c.x, c.y);
        PushButton(false, SDL_BUTTON_LEFT, c.x, c.y);
        auto msgs = Only(Drain(), {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP});
        ASSERT_EQ(msgs.size(), 3u);
        for (const auto& m : msgs) {
            EXPECT_EQ(X(m), c.px);
            EXPECT_EQ(Y(m), c.py);
        }
        int cx = -1, cy = -1;
        ASSERT_TRUE(GetCursorPos(&cx, &cy));
        EXPECT_EQ(cx, c.px);
        EXPECT_EQ(cy, c.py);
    }

    // A warp to a picture pixel is reported as that pixel, wherever the window put it.
    ASSERT_TRUE(SetCursorPos(400, 300));
    auto moves = Only(Drain(), {WM_MOUSEMOVE});
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(X(moves.back()), 400);
    EXPECT_EQ(Y(moves.back()), 300);

    // A picture that fills the window is not mapped.
    SetPictureArea(0, 0, 800, 600, 800, 600);
    PushMotion(1000, 700);
    auto plain = Only(Drain(), {WM_MOUSEMOVE});
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(X(plain[0]), 1000);
    EXPECT_EQ(Y(plain[0]), 700);
}

}  // namespace
}  // namespace ostest
