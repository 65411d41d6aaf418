// Surfaces and render targets of the OpenGL device: the back and front buffers, surfaces made
// on their own, copies between them, and the framebuffer the device draws into.
#include <algorithm>
#include <cstring>

#include "platform/gfx/gl_internal.h"

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
    const GLSurface* shown = frontInBack_ ? backBuffer_ : frontBuffer_;
    uint32_t w = std::min(d->width, shown->width), h = std::min(d->height, shown->height);
    if (w == 0 || h == 0) return D3D_OK;
    std::vector<uint8_t> rows(size_t(w) * h * 4);
    if (!ReadAttachment(shown->GetAttachment(), 0, 0, int(w), int(h), rows.data())) return D3DERR_INVALIDCALL;
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

void GLDevice::BindTargets() {
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    Attachment c = renderTarget_->GetAttachment();
    if (c.texture)
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c.texture, GLint(c.level));
    else
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c.renderbuffer);
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
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    if (a.texture)
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, a.texture, GLint(a.level));
    else
        glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, a.renderbuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, out);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawFbo_);
    return glGetError() == GL_NO_ERROR;
}

bool GLDevice::WriteAttachment(const Attachment& a, int x, int y, int w, int h, const uint8_t* in) {
    if (!a.Valid() || a.depth || !MakeCurrent()) return false;
    if (a.renderbuffer && a.renderbuffer == backBuffer_->renderbuffer) KeepFrontPicture(backBuffer_, false);
    if (a.texture) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, a.texture);
        glTexSubImage2D(GL_TEXTURE_2D, GLint(a.level), x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, in);
        boundTextureValid = false;
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
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copyFbo_);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, a.renderbuffer);
    glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(0, 0, w, h, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    glDeleteTextures(1, &tmp);
    boundTextureValid = false;
    dirty_ |= kDirtyTargets;
    return glGetError() == GL_NO_ERROR;
}

}  // namespace gfx::gl
