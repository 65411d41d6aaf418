// Surfaces and render targets of the OpenGL device: the back and front buffers, surfaces made
// on their own, copies between them, and the framebuffer the device draws into.
#include <algorithm>
#include <cstring>
#include <utility>

#include <SDL.h>

#include "platform/gfx/gl_internal.h"
#include "platform/os/os.h"

namespace gfx::gl {

Result GLDevice::GetBackBuffer(uint32_t index, BackBufferType, Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return D3D_OK;
}

Result GLDevice::GetFrontBuffer(Surface* dest) {
    auto* d = dynamic_cast<GLSurface*>(dest);
    if (!d || d->kind != GLSurface::Kind::Image || d->format != D3DFMT_A8R8G8B8 || d->locked)
        return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    std::fill(d->data.begin(), d->data.end(), 0);
    for (size_t i = 3; i < d->data.size(); i += 4) d->data[i] = 255;
    // The window keeps the shown picture only until the next frame draws over it: from now on
    // the back buffer is drawn elsewhere, and the shown picture kept.
    if (windowTarget_) {
        keepFront_ = true;
        LeaveWindow();
    }
    const GLSurface* shown = frontInBack_ ? backBuffer_ : frontBuffer_;
    const Attachment a = shown->GetAttachment();
    uint32_t w = std::min(d->width, shown->width), h = std::min(d->height, shown->height);
    if (w == 0 || h == 0) return D3D_OK;
    std::vector<uint8_t> rows(size_t(w) * h * 4);
    if (!ReadAttachment(a, 0, 0, int(w), int(h), rows.data())) return D3DERR_INVALIDCALL;
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(&d->data[size_t(y) * d->width * 4], &rows[size_t(y) * w * 4], size_t(w) * 4);
    return D3D_OK;
}

Result GLDevice::CreateRenderTarget(uint32_t width, uint32_t height, Format format, MultiSampleType, bool,
                                    Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (!width || !height || width > maxTextureSize || height > maxTextureSize || !IsRenderableColorFormat(format))
        return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    GLSurface* s = GLSurface::MakeColor(this, width, height, format, D3DPOOL_DEFAULT);
    if (!s) return D3DERR_OUTOFVIDEOMEMORY;
    s->usage = D3DUSAGE_RENDERTARGET;
    *surface = s;
    return D3D_OK;
}

Result GLDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format, MultiSampleType,
                                           Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (!width || !height || width > maxTextureSize || height > maxTextureSize || !IsDepthFormat(format))
        return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    GLSurface* s = GLSurface::MakeDepth(this, width, height, format);
    if (!s) return D3DERR_OUTOFVIDEOMEMORY;
    *surface = s;
    return D3D_OK;
}

Result GLDevice::CreateImageSurface(uint32_t width, uint32_t height, Format format, Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    FormatInfo fi = GetFormatInfo(format);
    if (!width || !height || width > 16384 || height > 16384 || !fi.known || fi.depth) return D3DERR_INVALIDCALL;
    GLSurface* s = GLSurface::MakeImage(this, width, height, format);
    if (!s) return E_OUTOFMEMORY;
    *surface = s;
    return D3D_OK;
}

Result GLDevice::CopyRects(Surface* source, const Rect* sourceRects, uint32_t count, Surface* dest,
                           const Point* destPoints) {
    auto* s = dynamic_cast<GLSurface*>(source);
    auto* d = dynamic_cast<GLSurface*>(dest);
    if (!s || !d || s == d || s->format != d->format || s->locked || d->locked) return D3DERR_INVALIDCALL;
    FormatInfo fi = GetFormatInfo(s->format);
    if (fi.compressed || fi.depth) return D3DERR_INVALIDCALL;
    if (count && !sourceRects) return D3DERR_INVALIDCALL;
    Rect whole{0, 0, int32_t(s->width), int32_t(s->height)};
    uint32_t n = count ? count : 1;
    // All rectangles are checked before anything is copied.
    for (uint32_t i = 0; i < n; ++i) {
        const Rect& r = count ? sourceRects[i] : whole;
        Point p = destPoints ? destPoints[i] : Point{r.left, r.top};
        if (r.left < 0 || r.top < 0 || r.right > int32_t(s->width) || r.bottom > int32_t(s->height) ||
            r.right <= r.left || r.bottom <= r.top)
            return D3DERR_INVALIDCALL;
        if (p.x < 0 || p.y < 0 || int64_t(p.x) + (r.right - r.left) > int64_t(d->width) ||
            int64_t(p.y) + (r.bottom - r.top) > int64_t(d->height))
            return D3DERR_INVALIDCALL;
    }
    std::vector<uint8_t> buffer;
    for (uint32_t i = 0; i < n; ++i) {
        const Rect& r = count ? sourceRects[i] : whole;
        Point p = destPoints ? destPoints[i] : Point{r.left, r.top};
        uint32_t w = uint32_t(r.right - r.left), h = uint32_t(r.bottom - r.top);
        uint32_t pitch = RowBytes(s->format, w);
        buffer.resize(size_t(pitch) * h);
        Rect dr{p.x, p.y, p.x + int32_t(w), p.y + int32_t(h)};
        if (!s->ReadRect(r, buffer.data(), pitch) || !d->WriteRect(dr, buffer.data(), pitch))
            return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

Result GLDevice::SetRenderTarget(Surface* target, Surface* depth) {
    GLSurface* t = target ? dynamic_cast<GLSurface*>(target) : renderTarget_;
    GLSurface* z = depth ? dynamic_cast<GLSurface*>(depth) : nullptr;
    if (!t || !t->IsRenderTarget() || t->Owner() != this) return D3DERR_INVALIDCALL;
    if (depth && (!z || z->kind != GLSurface::Kind::DepthBuffer || z->Owner() != this)) return D3DERR_INVALIDCALL;
    if (z && (z->width < t->width || z->height < t->height)) return D3DERR_INVALIDCALL;
    Assign(renderTarget_, t);
    Assign(depthTarget_, z);
    state_.viewport = {0, 0, t->width, t->height, 0.0f, 1.0f};
    dirty_ |= kDirtyTargets | kDirtyViewport | kDirtyDepthStencil;
    return D3D_OK;
}

Result GLDevice::GetRenderTarget(Surface** target) {
    if (!target) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *target = renderTarget_;
    return D3D_OK;
}

Result GLDevice::GetDepthStencilSurface(Surface** depth) {
    if (!depth) return D3DERR_INVALIDCALL;
    *depth = depthTarget_;
    if (!depthTarget_) return D3DERR_NOTFOUND;
    depthTarget_->AddRef();
    return D3D_OK;
}

bool GLDevice::UsingDepth() const { return depthTarget_ != nullptr; }

bool GLDevice::WindowCanHoldBackBuffer(const PresentParameters& pp) {
    if (!clipControl || keepFront_ || pp.BackBufferFormat != D3DFMT_X8R8G8B8) return false;
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(window_, &ww, &wh);
    if (uint32_t(ww) != pp.BackBufferWidth || uint32_t(wh) != pp.BackBufferHeight) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0, stencil = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    GLboolean twoBuffers = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &twoBuffers);
    doubleBuffered_ = twoBuffers != GL_FALSE;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    // A swap that trades buffers leaves nothing defined in the back buffer, and the front buffer
    // cannot be read back where the window is hidden or covered: the picture a screenshot reads
    // after the present has to stay in a copy there. A swap that copies keeps it in the window.
    if (doubleBuffered_ && !swapKeepsBack_) return false;
    // The back buffer has no alpha to keep: a window with one would read back another value.
    if (red != 8 || green != 8 || blue != 8 || alpha != 0) return false;
    // The depth surface is stored as the window's depth and stencil, whatever its format.
    if (pp.EnableAutoDepthStencil && (depth != 24 || stencil != 8)) return false;
    return true;
}

bool GLDevice::SwapKeepsBackBuffer() {
    if (os::IsNativeWindowLost(window_)) return false;
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(window_, &ww, &wh);
    if (ww <= 0 || wh <= 0) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLboolean twoBuffers = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &twoBuffers);
    if (!twoBuffers) {
        glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
        return false;  // nothing is swapped
    }
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Two nearly black frames of different blues: a swap that trades buffers shows the older
    // (or an empty) one at least once. Corners, as a partial copy would miss one.
    bool kept = true;
    for (const int blue : {1, 2}) {
        glClearColor(0, 0, float(blue) / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SDL_GL_SwapWindow(window_);
        for (const auto& at : {std::pair{0, 0}, std::pair{ww - 1, wh - 1}}) {
            uint8_t bgra[4] = {};
            glReadPixels(at.first, at.second, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
            kept = kept && bgra[0] == blue && bgra[1] == 0 && bgra[2] == 0;
        }
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glClearColor(0, 0, 0, 1);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    dirty_ |= kDirtyTargets;
    return kept;
}

void GLDevice::BlitAutoDepth(GLenum copySide) {
    const GLint w = GLint(backBuffer_->width), h = GLint(backBuffer_->height);
    const GLuint zb = autoDepth_->renderbuffer;
    const bool stencil = GetFormatInfo(autoDepth_->format).stencil;
    glFramebufferRenderbuffer(copySide, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, zb);
    glFramebufferRenderbuffer(copySide, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, stencil ? zb : 0);
    glBlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_DEPTH_BUFFER_BIT | (stencil ? GL_STENCIL_BUFFER_BIT : 0), GL_NEAREST);
    while (glGetError() != GL_NO_ERROR) {
    }
    glFramebufferRenderbuffer(copySide, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(copySide, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
}

void GLDevice::EnterWindow() {
    if (windowTarget_ || !WindowCanHoldBackBuffer(params_.present)) return;
    // Called just after a present, which put the picture into the window; the depth and stencil
    // follow it there.
    windowTarget_ = true;
    backBuffer_->inWindow = true;
    EnsureAutoDepthStorage();
    if (autoDepth_) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, copyFbo_);
        glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        BlitAutoDepth(GL_READ_FRAMEBUFFER);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    dirty_ |= kDirtyTargets | kDirtyViewport;
}

void GLDevice::LeaveWindow() {
    if (!windowTarget_) return;
    windowTarget_ = false;
    backBuffer_->inWindow = false;
    EnsureAutoDepthStorage();
    const GLint w = GLint(backBuffer_->width), h = GLint(backBuffer_->height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    backBuffer_->EnsureStorage();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copyFbo_);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backBuffer_->renderbuffer);
    glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    // The depth and stencil go along when the window's match the surface's storage.
    if (autoDepth_) BlitAutoDepth(GL_DRAW_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    dirty_ |= kDirtyTargets | kDirtyViewport;
}

void GLDevice::BindTargets() {
    bool toWindow = windowTarget_ && renderTarget_ == backBuffer_;
    if (toWindow && depthTarget_ && depthTarget_ != autoDepth_) {
        LeaveWindow();
        toWindow = false;
    }
    // The window's rows run bottom-up; drawn with the upper-left origin, its pictures, windings
    // and edge rules come out as in the other targets. Viewport and scissor still count rows
    // from the bottom.
    drawingToWindow_ = toWindow;
    if (clipControl) glClipControl(toWindow ? GL_UPPER_LEFT : GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    dirty_ |= kDirtyViewport;
    if (toWindow) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        dirty_ &= ~kDirtyTargets;
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    Attachment c = renderTarget_->GetAttachment();
    if (c.texture)
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c.texture, GLint(c.level));
    else
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c.renderbuffer);
    if (depthTarget_ && depthTarget_ == autoDepth_ && autoDepth_->storagePending) {
        EnsureAutoDepthStorage();
        glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
        if (c.texture)
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c.texture, GLint(c.level));
        else
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c.renderbuffer);
    }
    GLuint zb = depthTarget_ ? depthTarget_->renderbuffer : 0;
    bool stencil = depthTarget_ && GetFormatInfo(depthTarget_->format).stencil;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, zb);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, stencil ? zb : 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    dirty_ &= ~kDirtyTargets;
}

bool GLDevice::ReadAttachment(const Attachment& a, int x, int y, int w, int h, uint8_t* out) {
    if (!a.Valid() || a.depth || !MakeCurrent()) return false;
    if (a.window) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glReadPixels(x, GLint(backBuffer_->height) - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, out);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, drawingToWindow_ ? 0 : drawFbo_);
        std::vector<uint8_t> row(size_t(w) * 4);
        for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
            uint8_t* a0 = out + size_t(top) * w * 4;
            uint8_t* b0 = out + size_t(bottom) * w * 4;
            std::memcpy(row.data(), a0, row.size());
            std::memcpy(a0, b0, row.size());
            std::memcpy(b0, row.data(), row.size());
        }
        return glGetError() == GL_NO_ERROR;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    if (a.texture)
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, a.texture, GLint(a.level));
    else
        glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, a.renderbuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, out);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawingToWindow_ ? 0 : drawFbo_);
    return glGetError() == GL_NO_ERROR;
}

bool GLDevice::WriteAttachment(const Attachment& a, int x, int y, int w, int h, const uint8_t* in) {
    if (!a.Valid() || a.depth || !MakeCurrent()) return false;
    if (a.window || (a.renderbuffer && a.renderbuffer == backBuffer_->renderbuffer)) KeepFrontPicture(backBuffer_, false);
    if (a.texture) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, a.texture);
        glTexSubImage2D(GL_TEXTURE_2D, GLint(a.level), x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, in);
        InvalidateBindings();
        return glGetError() == GL_NO_ERROR;
    }
    // Renderbuffers take the pixels through a temporary texture and a blit.
    GLuint tmp = 0;
    glGenTextures(1, &tmp);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, tmp);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, in);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tmp, 0);
    glDisable(GL_SCISSOR_TEST);
    if (a.window) {
        const GLint top = GLint(backBuffer_->height) - y;
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDrawBuffer(GL_BACK);
        glBlitFramebuffer(0, 0, w, h, x, top, x + w, top - h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copyFbo_);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, a.renderbuffer);
        glBlitFramebuffer(0, 0, w, h, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glDeleteTextures(1, &tmp);
    InvalidateBindings();
    dirty_ |= kDirtyTargets;
    return glGetError() == GL_NO_ERROR;
}

}  // namespace gfx::gl
