#include "platform/gfx/gl_present.h"

#include <SDL2/SDL.h>

#include "platform/gfx/adapters.h"
#include "platform/gfx/gl_internal.h"
#include "platform/os/os.h"

namespace gfx {

Rect FitPicture(uint32_t pictureWidth, uint32_t pictureHeight, int32_t screenWidth, int32_t screenHeight) {
    if (pictureWidth == 0 || pictureHeight == 0 || screenWidth <= 0 || screenHeight <= 0) return Rect{0, 0, 0, 0};
    const int64_t pw = pictureWidth, ph = pictureHeight, sw = screenWidth, sh = screenHeight;
    int64_t w = sw, h = sh;
    // Whichever side runs out first sets the scale; the other is rounded to the nearest pixel.
    if (sw * ph <= sh * pw)
        h = (sw * ph * 2 + pw) / (pw * 2);
    else
        w = (sh * pw * 2 + ph) / (ph * 2);
    const int32_t left = int32_t((sw - w) / 2), top = int32_t((sh - h) / 2);
    return Rect{left, top, left + int32_t(w), top + int32_t(h)};
}

uint32_t FullScreenWindowFlag(uint32_t adapter, uint32_t width, uint32_t height) {
    return IsNativeDisplayMode(adapter, width, height) ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP;
}

namespace gl {

void ShowPicture(const Rect& src, const Rect* dest, int32_t screenWidth, int32_t screenHeight) {
    const Rect dst = dest ? *dest : FitPicture(uint32_t(src.right - src.left), uint32_t(src.bottom - src.top),
                                               screenWidth, screenHeight);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    if (!dest && (dst.left > 0 || dst.top > 0 || dst.right < screenWidth || dst.bottom < screenHeight)) {
        // The bars: the window's buffer holds nothing defined after a swap. The clear obeys the
        // colour mask and clear colour of the game's drawing, so both are put back afterwards.
        GLboolean mask[4];
        GLfloat colour[4];
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(mask[0], mask[1], mask[2], mask[3]);
        glClearColor(colour[0], colour[1], colour[2], colour[3]);
    }
    const bool sameSize = src.right - src.left == dst.right - dst.left && src.bottom - src.top == dst.bottom - dst.top;
    // The window's row 0 is at the bottom.
    glBlitFramebuffer(src.left, src.top, src.right, src.bottom, dst.left, screenHeight - dst.top, dst.right,
                      screenHeight - dst.bottom, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
}

void TellWindowWherePictureIs(SDL_Window* window, const Rect& src, const Rect* dest, int32_t drawableWidth,
                              int32_t drawableHeight) {
    const int32_t pw = src.right - src.left, ph = src.bottom - src.top;
    int ww = 0, wh = 0;
    if (window) SDL_GetWindowSize(window, &ww, &wh);
    if (dest || pw <= 0 || ph <= 0 || ww <= 0 || wh <= 0 || drawableWidth <= 0 || drawableHeight <= 0) {
        os::SetPictureArea(0, 0, 0, 0, 0, 0);
        return;
    }
    const Rect fit = FitPicture(uint32_t(pw), uint32_t(ph), drawableWidth, drawableHeight);
    // The drawable can hold more pixels than the window has points (high-density screens).
    auto toPoints = [](int32_t v, int points, int32_t pixels) { return int(int64_t(v) * points / pixels); };
    os::SetPictureArea(toPoints(fit.left, ww, drawableWidth), toPoints(fit.top, wh, drawableHeight),
                       toPoints(fit.right - fit.left, ww, drawableWidth),
                       toPoints(fit.bottom - fit.top, wh, drawableHeight), pw, ph);
}

}  // namespace gl
}  // namespace gfx
