// The OpenGL device: creation, presentation, loss and reset, capabilities, and what of the
// shared state it must send to OpenGL again.
#include <SDL.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>

#include "platform/gfx/gl_internal.h"
#include "platform/gfx/gl_present.h"
#include "platform/os/os.h"

namespace gfx {

Result CreateGLDevice(const DeviceParams& params, Device** device) { return gl::GLDevice::Create(params, device); }

namespace gl {

namespace {

constexpr uint32_t kTextureMemory = 512u << 20;

// Free memory the heap keeps at its top between frames: more than a busy frame's binned triangles.
constexpr int kFrameHeapKept = 32 << 20;

// The software rasteriser bins a frame's triangles into memory it takes from the heap 64 KB at a
// time, several megabytes a frame, and frees it all when the next frame starts. The allocator
// would give that back to the system at once and grow the heap again, page by fresh page, in the
// next frame; it keeps it instead.
void KeepFrameMemoryInHeap() {
#ifdef __GLIBC__
    static const bool kept = mallopt(M_TOP_PAD, kFrameHeapKept) != 0;
    (void)kept;
#endif
}

}  // namespace

// ---- Creation and destruction ----

Result GLDevice::Create(const DeviceParams& params, Device** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    KeepFrameMemoryInHeap();
    GLDevice* d = new GLDevice();
    Result r = d->Init(params);
    if (Failed(r)) {
        delete d;
        return r;
    }
    *out = d;
    return D3D_OK;
}

bool GLDevice::ValidateParams(PresentParameters& pp) {
    auto* window = static_cast<os::WindowHandle>(pp.hDeviceWindow);
    if (!window || !os::NativeWindow(window)) return false;
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) {
        if (!pp.Windowed) return false;
        int w = 0, h = 0;
        os::GetClientSize(window, &w, &h);
        if (pp.BackBufferWidth == 0) pp.BackBufferWidth = uint32_t(std::max(w, 1));
        if (pp.BackBufferHeight == 0) pp.BackBufferHeight = uint32_t(std::max(h, 1));
    }
    if (pp.BackBufferWidth > 16384 || pp.BackBufferHeight > 16384) return false;
    if (pp.BackBufferFormat == D3DFMT_UNKNOWN) {
        if (!pp.Windowed) return false;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (!IsRenderableColorFormat(pp.BackBufferFormat)) return false;
    if (pp.EnableAutoDepthStencil && !IsDepthFormat(pp.AutoDepthStencilFormat)) return false;
    if (pp.BackBufferCount == 0) pp.BackBufferCount = 1;
    if (pp.BackBufferCount > 3) return false;
    return true;
}

void GLDevice::ApplyWindowMode(const PresentParameters& pp) {
    bool full = !pp.Windowed;
    if (full) {
        SDL_SetWindowSize(window_, int(pp.BackBufferWidth), int(pp.BackBufferHeight));
        SDL_DisplayMode mode{};
        if (SDL_GetWindowDisplayMode(window_, &mode) == 0) {
            mode.w = int(pp.BackBufferWidth);
            mode.h = int(pp.BackBufferHeight);
            mode.refresh_rate = int(pp.FullScreen_RefreshRateInHz);
            SDL_SetWindowDisplayMode(window_, &mode);
        }
    }
    // Full-screen switching may be refused (headless drivers); drawing goes on regardless.
    const uint32_t flag = full ? FullScreenWindowFlag(params_.adapter, pp.BackBufferWidth, pp.BackBufferHeight) : 0;
    if (SDL_SetWindowFullscreen(window_, flag) != 0) SDL_ClearError();
    int interval = (full && pp.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE) ? 1 : 0;
    if (SDL_GL_SetSwapInterval(interval) != 0) SDL_ClearError();
}

Result GLDevice::Init(const DeviceParams& params) {
    params_ = params;
    PresentParameters& pp = params_.present;
    if (!ValidateParams(pp)) return D3DERR_INVALIDCALL;
    windowHandle_ = pp.hDeviceWindow;
    window_ = static_cast<SDL_Window*>(os::NativeWindow(static_cast<os::WindowHandle>(pp.hDeviceWindow)));
    if (!(SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL)) return D3DERR_NOTAVAILABLE;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        SDL_ClearError();
        return D3DERR_NOTAVAILABLE;
    }
    SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));

    // Framebuffer objects and blits carry every render target; without them nothing works.
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    int major = version ? version[0] - '0' : 0;
    auto has = [&](const char* name) { return extensions && std::strstr(extensions, name) != nullptr; };
    if (major < 3 && !has("GL_ARB_framebuffer_object")) return D3DERR_NOTAVAILABLE;
    anisotropy = has("GL_EXT_texture_filter_anisotropic") || has("GL_ARB_texture_filter_anisotropic");
    mirrorClamp = has("GL_EXT_texture_mirror_clamp") || has("GL_ARB_texture_mirror_clamp_to_edge");
    const int minor = version && version[0] && version[1] == '.' ? version[2] - '0' : 0;
    clipControl = major > 4 || (major == 4 && minor >= 5) || has("GL_ARB_clip_control");
    fenceSync = major > 3 || (major == 3 && minor >= 2) || has("GL_ARB_sync");
    ChooseHandOver();
    GLint v = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
    maxTextureSize = uint32_t(std::max(v, 64));
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &maxUnits_);
    maxUnits_ = std::clamp(maxUnits_, 1, int(kMaxTextureStages));
    glGetIntegerv(GL_MAX_CLIP_PLANES, &maxClipPlanes_);
    maxClipPlanes_ = std::clamp(maxClipPlanes_, 0, int(kMaxClipPlanes));
    if (anisotropy) {
        float a = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &a);
        maxAnisotropy = std::max(a, 1.0f);
    }

    glGenFramebuffers(1, &drawFbo_);
    glGenFramebuffers(1, &readFbo_);
    glGenFramebuffers(1, &copyFbo_);
    glGenTextures(1, &whiteTexture);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    const uint8_t white[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // flat shading takes the first vertex's colour
    glFrontFace(GL_CCW);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);

    Result r = SetupBuffers(pp);
    if (Failed(r)) return r;
    ApplyWindowMode(pp);
    for (int i = 0; i < 256; ++i) gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = uint16_t(i * 257);
    FillCaps();
    ResetState();
    return D3D_OK;
}

Result GLDevice::SetupBuffers(const PresentParameters& pp) {
    auto drop = [](GLSurface*& s) {
        if (s) s->Release();
        s = nullptr;
    };
    Assign(renderTarget_, static_cast<GLSurface*>(nullptr));
    Assign(depthTarget_, static_cast<GLSurface*>(nullptr));
    drop(backBuffer_);
    drop(frontBuffer_);
    drop(autoDepth_);
    frontInBack_ = false;
    backBuffer_ = GLSurface::MakeColor(this, pp.BackBufferWidth, pp.BackBufferHeight, pp.BackBufferFormat,
                                       D3DPOOL_DEFAULT, true);
    frontBuffer_ = GLSurface::MakeColor(this, pp.BackBufferWidth, pp.BackBufferHeight, pp.BackBufferFormat,
                                        D3DPOOL_DEFAULT, true);
    if (!backBuffer_ || !frontBuffer_) return D3DERR_OUTOFVIDEOMEMORY;
    backBuffer_->implicit = frontBuffer_->implicit = true;
    backBuffer_->usage = D3DUSAGE_RENDERTARGET;
    if (pp.EnableAutoDepthStencil) {
        autoDepth_ = GLSurface::MakeDepth(this, pp.BackBufferWidth, pp.BackBufferHeight, pp.AutoDepthStencilFormat,
                                          true);
        if (!autoDepth_) return D3DERR_OUTOFVIDEOMEMORY;
        // Stored as the window's depth and stencil: a 16-bit depth without stencil (no character
        // shadows) draws in the window too.
        autoDepth_->implicit = true;
    }
    Assign(renderTarget_, backBuffer_);
    Assign(depthTarget_, autoDepth_);
    // Start from a black back buffer, depth 1 and stencil 0.
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    // Tried before anything is drawn: the trial shows two nearly black frames.
    swapKeepsBack_ = clipControl && SwapKeepsBackBuffer();
    // Drawn straight into the window, a frame needs no copy to be shown.
    windowTarget_ = WindowCanHoldBackBuffer(pp);
    backBuffer_->inWindow = windowTarget_;
    if (!windowTarget_) EnsureAutoDepthStorage();
    BindTargets();
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    dirty_ = kDirtyAll;
    return D3D_OK;
}

void GLDevice::EnsureAutoDepthStorage() {
    if (!autoDepth_ || !autoDepth_->storagePending) return;
    if (!autoDepth_->EnsureStorage()) return;
    // The surface's own storage serves the other targets it is paired with.
    glBindFramebuffer(GL_FRAMEBUFFER, copyFbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, autoDepth_->renderbuffer);
    const bool stencil = GetFormatInfo(autoDepth_->format).stencil;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              stencil ? autoDepth_->renderbuffer : 0);
    // Through the kept values, so that the next draw sends its own masks again.
    if (Differs(kSlotDepthMask, 1)) glDepthMask(GL_TRUE);
    if (Differs(kSlotStencilMask, 0xFFFFFFFFu)) glStencilMask(0xFFFFFFFFu);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_DEPTH_BUFFER_BIT | (stencil ? GL_STENCIL_BUFFER_BIT : 0));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    dirty_ |= kDirtyTargets | kDirtyDepthStencil;
}

void GLDevice::ResetState() {
    const PresentParameters& pp = params_.present;
    StatefulDevice::ResetState(pp.EnableAutoDepthStencil != 0, pp.BackBufferWidth, pp.BackBufferHeight);
    fvfLayoutCode_ = 0xFFFFFFFFu;
    dirty_ = kDirtyAll;
    InvalidateBindings();
}

GLDevice::~GLDevice() {
    // A window destroyed first took the context's drawable with it: OpenGL calls then go
    // nowhere, and deleting the context frees what it held.
    const bool alive = context_ && os::IsWindow(static_cast<os::WindowHandle>(windowHandle_));
    if (alive) MakeCurrent();
    ReleaseState();
    Assign(renderTarget_, static_cast<GLSurface*>(nullptr));
    Assign(depthTarget_, static_cast<GLSurface*>(nullptr));
    for (GLSurface** s : {&backBuffer_, &frontBuffer_, &autoDepth_})
        if (*s) {
            (*s)->Release();
            *s = nullptr;
        }
    // Whatever the game still holds loses its OpenGL side now.
    while (objects) {
        GLObject* o = objects;
        if (alive) o->KeepContents();
        o->DropGL();
        objects = o->nextObject;
        o->device = nullptr;
        o->prevObject = o->nextObject = nullptr;
    }
    if (alive) {
        ForgetPendingFrame();
        if (drawFbo_) glDeleteFramebuffers(1, &drawFbo_);
        if (readFbo_) glDeleteFramebuffers(1, &readFbo_);
        if (copyFbo_) glDeleteFramebuffers(1, &copyFbo_);
        if (whiteTexture) glDeleteTextures(1, &whiteTexture);
        SDL_GL_MakeCurrent(window_, nullptr);
    }
    if (context_) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
}

bool GLDevice::MakeCurrent() {
    if (!context_) return false;
    if (SDL_GL_GetCurrentContext() != context_) {
        if (!os::IsWindow(static_cast<os::WindowHandle>(windowHandle_))) return false;  // window gone
        SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
        dirty_ = kDirtyAll;
        InvalidateBindings();
    }
    return true;
}

void GLObject::Attach(GLDevice* d) {
    device = d;
    if (!d) return;
    nextObject = d->objects;
    if (d->objects) d->objects->prevObject = this;
    d->objects = this;
}

void GLObject::Detach() {
    if (!device) return;
    if (prevObject)
        prevObject->nextObject = nextObject;
    else
        device->objects = nextObject;
    if (nextObject) nextObject->prevObject = prevObject;
    prevObject = nextObject = nullptr;
    device = nullptr;
}

// ---- Cooperative level, reset, present ----

Result GLDevice::TestCooperativeLevel() {
    if (!lost_) return D3D_OK;
    return resettable_ ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
}

void GLDevice::SimulateLoss(bool resettable) {
    lost_ = true;
    resettable_ = resettable;
}

Result GLDevice::Reset(PresentParameters* params) {
    if (!params) return D3DERR_INVALIDCALL;
    if (lost_ && !resettable_) return D3DERR_DEVICELOST;
    if (IsRecordingStateBlock()) return D3DERR_INVALIDCALL;
    // Resources of the default pool die with the old buffers; they must be gone first.
    for (GLObject* o = objects; o; o = o->nextObject)
        if (o->pool == D3DPOOL_DEFAULT && !o->implicit) return D3DERR_INVALIDCALL;
    PresentParameters pp = *params;
    if (!ValidateParams(pp)) return D3DERR_INVALIDCALL;
    if (static_cast<SDL_Window*>(os::NativeWindow(static_cast<os::WindowHandle>(pp.hDeviceWindow))) != window_)
        return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    params_.present = pp;
    Result r = SetupBuffers(pp);
    if (Failed(r)) return r;
    ApplyWindowMode(pp);
    ResetState();
    inScene_ = false;
    lost_ = resettable_ = false;
    *params = pp;
    return D3D_OK;
}

Result GLDevice::Present(const Rect* sourceRect, const Rect* destRect, void*, const void*) {
    if (lost_ || !MakeCurrent()) return D3DERR_DEVICELOST;
    const uint32_t w = backBuffer_->width, h = backBuffer_->height;
    Rect src = sourceRect ? *sourceRect : Rect{0, 0, int32_t(w), int32_t(h)};
    if (windowTarget_) {
        int ww = 0, wh = 0;
        SDL_GL_GetDrawableSize(window_, &ww, &wh);
        if (!sourceRect && !destRect && uint32_t(ww) == w && uint32_t(wh) == h) {
            // The picture is already where it is shown: a swap shows it.
            frontInBack_ = true;
            if (os::IsNativeWindowLost(window_)) return D3D_OK;
            TellWindowWherePictureIs(window_, src, nullptr, ww, wh);
            SDL_GL_SwapWindow(window_);
            PaceFrames();
            return D3D_OK;
        }
        // A part of the picture, a window of another size or one off the screen: shown from a
        // copy until a present finds the window fit again.
        LeaveWindow();
    }
    glDisable(GL_SCISSOR_TEST);
    dirty_ |= kDirtyTargets | kDirtyViewport;
    // What is shown stays in the back buffer until the next write there (see KeepFrontPicture),
    // so GetFrontBuffer needs no copy here.
    backBuffer_->EnsureStorage();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backBuffer_->renderbuffer);
    frontInBack_ = true;
    // The software rasteriser crashes swapping to a window another program destroyed: show
    // nothing more; the close that the loss queued ends the game.
    if (os::IsNativeWindowLost(window_)) {
        glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
        return D3D_OK;
    }
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(window_, &ww, &wh);
    ShowPicture(src, destRect, ww, wh);
    TellWindowWherePictureIs(window_, src, destRect, ww, wh);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    SDL_GL_SwapWindow(window_);
    PaceFrames();
    if (!sourceRect && !destRect) EnterWindow();
    return D3D_OK;
}

void GLDevice::KeepFrontPicture(const GLSurface* target, bool overwritesAll) {
    if (!frontInBack_ || target != backBuffer_) return;
    frontInBack_ = false;
    // The window does not swap, or its swap keeps the back buffer: what is drawn next goes over
    // the shown picture, and no one has asked for that picture apart from it (see GetFrontBuffer).
    if (windowTarget_) return;
    if (overwritesAll) {
        // Nothing of the shown picture survives the write: the two buffers trade places.
        std::swap(backBuffer_->renderbuffer, frontBuffer_->renderbuffer);
        std::swap(backBuffer_->storagePending, frontBuffer_->storagePending);
    } else {
        backBuffer_->EnsureStorage();
        frontBuffer_->EnsureStorage();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
        glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  backBuffer_->renderbuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copyFbo_);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  frontBuffer_->renderbuffer);
        glDisable(GL_SCISSOR_TEST);
        const GLint w = GLint(backBuffer_->width), h = GLint(backBuffer_->height);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
        dirty_ |= kDirtyViewport;
    }
    dirty_ |= kDirtyTargets;
}

Result GLDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

Result GLDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    if (!lost_) glFlush();
    return D3D_OK;
}

Result GLDevice::Clear(uint32_t count, const Rect* rects, uint32_t flags, Color color, float z, uint32_t stencil) {
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthTarget_) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && !GetFormatInfo(depthTarget_->format).stencil) return D3DERR_INVALIDCALL;
    if (count && !rects) return D3DERR_INVALIDCALL;
    if (lost_ || !MakeCurrent()) return D3D_OK;
    if (flags & D3DCLEAR_TARGET) {
        const Viewport& v = state_.viewport;
        const bool whole = count == 0 && v.X == 0 && v.Y == 0 && v.Width >= renderTarget_->width &&
                           v.Height >= renderTarget_->height;
        KeepFrontPicture(renderTarget_, whole);
    }
    BindTargets();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    // A depth stored beside an unused stencil clears whole: clearing the depth alone would keep
    // the stencil, which costs the rasteriser a read of every pixel.
    if ((flags & D3DCLEAR_ZBUFFER) && depthTarget_ == autoDepth_ && !GetFormatInfo(depthTarget_->format).stencil)
        mask |= GL_STENCIL_BUFFER_BIT;
    if (!mask) return D3D_OK;
    // Through the kept values, so that the next draw sends its own masks again.
    if (Differs(kSlotColorMask, 0xF)) glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (Differs(kSlotDepthMask, 1)) glDepthMask(GL_TRUE);
    if (Differs(kSlotStencilMask, 0xFFFFFFFFu)) glStencilMask(0xFFFFFFFFu);
    glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f, (color & 0xFF) / 255.0f,
                 (color >> 24) / 255.0f);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(GLint(stencil));
    glEnable(GL_SCISSOR_TEST);
    const Viewport& vp = state_.viewport;
    const int32_t vx0 = int32_t(vp.X), vy0 = int32_t(vp.Y);
    const int32_t vx1 = int32_t(vp.X + vp.Width), vy1 = int32_t(vp.Y + vp.Height);
    auto clearRect = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        x0 = std::max(x0, vx0), y0 = std::max(y0, vy0);
        x1 = std::min(x1, vx1), y1 = std::min(y1, vy1);
        if (x1 <= x0 || y1 <= y0) return;
        // Rows run top-down in every target but the window.
        const int32_t bottom = FlippedTarget() ? int32_t(backBuffer_->height) - y1 : y0;
        glScissor(x0, bottom, x1 - x0, y1 - y0);
        glClear(mask);
    };
    if (count == 0)
        clearRect(vx0, vy0, vx1, vy1);
    else
        for (uint32_t i = 0; i < count; ++i) clearRect(rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
    glDisable(GL_SCISSOR_TEST);
    dirty_ |= kDirtyBlend | kDirtyDepthStencil;
    return D3D_OK;
}

// ---- Queries ----

void GLDevice::FillCaps() {
    FillCapsFrom(&caps_, maxTextureSize, maxUnits_, maxClipPlanes_, anisotropy, maxAnisotropy, mirrorClamp);
    caps_.DeviceType = params_.deviceType;
    caps_.AdapterOrdinal = params_.adapter;
}

void GLDevice::FillCapsFrom(Caps* out, uint32_t maxTextureSize, int maxUnits, int maxClipPlanes, bool anisotropy,
                            float maxAnisotropy, bool mirrorClamp) {
    Caps& c = *out;
    c = Caps{};
    c.DeviceType = D3DDEVTYPE_HAL;
    c.Caps2 = D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    // Transform, lighting and blending run on the processor: no hardware vertex processing.
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWRASTERIZATION;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                   D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_ZBIAS | D3DPRASTERCAPS_ZFOG |
                   D3DPRASTERCAPS_COLORPERSPECTIVE;
    if (anisotropy) c.RasterCaps |= D3DPRASTERCAPS_ANISOTROPY;
    c.ZCmpCaps = c.AlphaCmpCaps = D3DPCMPCAPS_ALL;
    c.SrcBlendCaps = c.DestBlendCaps = D3DPBLENDCAPS_ALL;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                  D3DPSHADECAPS_FOGGOURAUD;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                    D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    if (anisotropy) c.TextureFilterCaps |= D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                           D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
    if (mirrorClamp) c.TextureAddressCaps |= D3DPTADDRESSCAPS_MIRRORONCE;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP | D3DLINECAPS_FOG;
    c.MaxTextureWidth = c.MaxTextureHeight = maxTextureSize;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = maxTextureSize;
    c.MaxAnisotropy = anisotropy ? uint32_t(maxAnisotropy) : 1;
    c.MaxVertexW = 1e10f;
    c.StencilCaps = 0xFF;
    c.FVFCaps = 8 | D3DFVFCAPS_DONOTSTRIPELEMENTS;
    // Bump-environment mapping and the three-argument operations other than LERP are absent.
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD |
                      D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_ADDSIGNED2X | D3DTEXOPCAPS_SUBTRACT |
                      D3DTEXOPCAPS_BLENDDIFFUSEALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                      D3DTEXOPCAPS_BLENDFACTORALPHA | D3DTEXOPCAPS_BLENDCURRENTALPHA | D3DTEXOPCAPS_DOTPRODUCT3 |
                      D3DTEXOPCAPS_LERP;
    c.MaxTextureBlendStages = c.MaxSimultaneousTextures = uint32_t(maxUnits);
    c.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                             D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    c.MaxActiveLights = kMaxLights;
    c.MaxUserClipPlanes = uint32_t(maxClipPlanes);
    c.MaxVertexBlendMatrices = 4;
    c.MaxVertexBlendMatrixIndex = 0;
    c.MaxPointSize = 64.0f;
    c.MaxPrimitiveCount = 0xFFFFFu;
    c.MaxVertexIndex = 0xFFFFFFu;
    c.MaxStreams = 1;
    c.MaxStreamStride = 256;
    c.VertexShaderVersion = 0;
    c.PixelShaderVersion = 0;
}

Result GLDevice::GetDeviceCaps(Caps* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = caps_;
    return D3D_OK;
}

Result GLDevice::GetDisplayMode(DisplayMode* mode) {
    if (!mode) return D3DERR_INVALIDCALL;
    const PresentParameters& pp = params_.present;
    if (pp.Windowed && MakeCurrent()) {
        SDL_DisplayMode dm{};
        int index = SDL_GetWindowDisplayIndex(window_);
        if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &dm) == 0) {
            *mode = {uint32_t(dm.w), uint32_t(dm.h), uint32_t(dm.refresh_rate), D3DFMT_X8R8G8B8};
            return D3D_OK;
        }
        SDL_ClearError();
    }
    *mode = {pp.BackBufferWidth, pp.BackBufferHeight, pp.FullScreen_RefreshRateInHz, pp.BackBufferFormat};
    return D3D_OK;
}

Result GLDevice::GetCreationParameters(DeviceCreationParameters* p) {
    if (!p) return D3DERR_INVALIDCALL;
    *p = {params_.adapter, params_.deviceType, params_.present.hDeviceWindow, params_.behaviorFlags};
    return D3D_OK;
}

uint32_t GLDevice::GetAvailableTextureMem() { return kTextureMemory; }

void GLDevice::SetGammaRamp(uint32_t, const GammaRamp* ramp) {
    if (!ramp) return;
    gamma_ = *ramp;
    // Only a full-screen device owns the display's ramp; failure leaves the picture as it is.
    if (!params_.present.Windowed && MakeCurrent() &&
        SDL_SetWindowGammaRamp(window_, gamma_.red, gamma_.green, gamma_.blue) != 0)
        SDL_ClearError();
}

void GLDevice::GetGammaRamp(GammaRamp* ramp) {
    if (ramp) *ramp = gamma_;
}

Result GLDevice::ValidateDevice(uint32_t* numPasses) {
    for (uint32_t i = 0; i < kMaxTextureStages; ++i) {
        uint32_t op = state_.stageStates[i][D3DTSS_COLOROP];
        if (op == D3DTOP_DISABLE) break;
        if (i >= uint32_t(maxUnits_)) return D3DERR_TOOMANYOPERATIONS;
        if (op > 31 || op == 0 || !(caps_.TextureOpCaps & (1u << (op - 1)))) return D3DERR_UNSUPPORTEDCOLOROPERATION;
        uint32_t aop = state_.stageStates[i][D3DTSS_ALPHAOP];
        if (aop > 31 || aop == 0 || !(caps_.TextureOpCaps & (1u << (aop - 1)))) return D3DERR_UNSUPPORTEDALPHAOPERATION;
        for (uint32_t a : {uint32_t(D3DTSS_COLORARG1), uint32_t(D3DTSS_COLORARG2)})
            if ((state_.stageStates[i][a] & D3DTA_SELECTMASK) > D3DTA_TFACTOR) return D3DERR_UNSUPPORTEDCOLORARG;
        for (uint32_t a : {uint32_t(D3DTSS_ALPHAARG1), uint32_t(D3DTSS_ALPHAARG2)})
            if ((state_.stageStates[i][a] & D3DTA_SELECTMASK) > D3DTA_TFACTOR) return D3DERR_UNSUPPORTEDALPHAARG;
    }
    if (numPasses) *numPasses = 1;
    return D3D_OK;
}

// ---- State changes ----

void GLDevice::MarkRenderStateDirty(uint32_t s) {
    switch (s) {
    case D3DRS_ALPHABLENDENABLE: case D3DRS_SRCBLEND: case D3DRS_DESTBLEND: case D3DRS_BLENDOP:
    case D3DRS_ALPHATESTENABLE: case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC: case D3DRS_COLORWRITEENABLE:
        dirty_ |= kDirtyBlend;
        break;
    case D3DRS_ZENABLE: case D3DRS_ZWRITEENABLE: case D3DRS_ZFUNC: case D3DRS_ZBIAS: case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL: case D3DRS_STENCILZFAIL: case D3DRS_STENCILPASS: case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF: case D3DRS_STENCILMASK: case D3DRS_STENCILWRITEMASK:
        dirty_ |= kDirtyDepthStencil;
        break;
    case D3DRS_CULLMODE: case D3DRS_FILLMODE: case D3DRS_SHADEMODE: case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN: case D3DRS_POINTSIZE_MAX: case D3DRS_POINTSPRITEENABLE: case D3DRS_POINTSCALEENABLE:
    case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C: case D3DRS_NORMALIZENORMALS:
    case D3DRS_SPECULARENABLE:
        dirty_ |= kDirtyRaster;
        break;
    case D3DRS_FOGENABLE: case D3DRS_FOGCOLOR: case D3DRS_FOGTABLEMODE: case D3DRS_FOGSTART: case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY: case D3DRS_FOGVERTEXMODE: case D3DRS_RANGEFOGENABLE:
        dirty_ |= kDirtyFog;
        break;
    case D3DRS_TEXTUREFACTOR: dirty_ |= kDirtyStages; break;
    case D3DRS_CLIPPLANEENABLE: dirty_ |= kDirtyClip; break;
    default: break;
    }
}

void GLDevice::StateChanged(StatePart part, uint32_t index) {
    switch (part) {
    case StatePart::RenderState: MarkRenderStateDirty(index); break;
    case StatePart::StageState: dirty_ |= kDirtyStages; break;
    case StatePart::Texture:
        // Whether a stage has a texture at all decides which stages run (ApplyStages).
        if (index < kMaxTextureStages && bool(state_.textures[index]) == bool(untexturedStages_ >> index & 1u))
            dirty_ |= kDirtyStages;
        break;
    case StatePart::Transform:
        if (index == kXfView) dirty_ |= kDirtyClip;  // planes are kept in eye space
        break;
    case StatePart::Viewport: dirty_ |= kDirtyViewport; break;
    case StatePart::ClipPlane: dirty_ |= kDirtyClip; break;
    default: break;  // textures, lights, material and vertex input are read at each draw
    }
}

bool GLDevice::Owns(const Texture* texture) const {
    auto* t = dynamic_cast<const GLTexture*>(texture);
    return t && t->device == this;
}

bool GLDevice::Owns(const VertexBuffer* buffer) const {
    auto* b = dynamic_cast<const GLVertexBuffer*>(buffer);
    return b && b->device == this;
}

bool GLDevice::Owns(const IndexBuffer* buffer) const {
    auto* b = dynamic_cast<const GLIndexBuffer*>(buffer);
    return b && b->device == this;
}

bool GLDevice::ViewportAllowed(const Viewport& v) const {
    return v.X <= 16384 && v.Y <= 16384 && v.Width <= 16384 && v.Height <= 16384;
}

bool GLDevice::VertexShaderAllowed(uint32_t handle) const {
    if (handle & 1u) return shaders_.count(handle) != 0;
    return handle == 0 || LayoutFromFvf(handle).valid;
}

}  // namespace gl

// ---- Queries without a device ----

bool CheckGLFormat(uint32_t usage, ResourceType type, Format format) {
    if (usage & D3DUSAGE_DEPTHSTENCIL) return gl::IsDepthFormat(format) && type == D3DRTYPE_SURFACE;
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_SURFACE) return false;
    if (usage & D3DUSAGE_RENDERTARGET) return gl::IsRenderableColorFormat(format);
    if (type == D3DRTYPE_SURFACE) {
        gl::FormatInfo fi = gl::GetFormatInfo(format);
        return fi.known && !fi.depth;
    }
    return gl::GetUploadInfo(format).supported;
}

bool GetGLDeviceCaps(Caps* caps) {
    if (!caps) return false;
    os::SelectVideoDriver();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_ClearError();
        return false;
    }
    bool ok = false;
    // A throwaway hidden window and device answer the question; nothing else is touched.
    SDL_Window* w = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (w) {
        SDL_GLContext previous = SDL_GL_GetCurrentContext();
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GLContext ctx = SDL_GL_CreateContext(w);
        if (ctx) {
            GLint size = 0, units = 1, planes = 0;
            float aniso = 1.0f;
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
            glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
            glGetIntegerv(GL_MAX_CLIP_PLANES, &planes);
            const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
            bool hasAniso = ext && (std::strstr(ext, "GL_EXT_texture_filter_anisotropic") ||
                                    std::strstr(ext, "GL_ARB_texture_filter_anisotropic"));
            bool hasMirror = ext && (std::strstr(ext, "GL_EXT_texture_mirror_clamp") ||
                                     std::strstr(ext, "GL_ARB_texture_mirror_clamp_to_edge"));
            if (hasAniso) glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
            gl::GLDevice::FillCapsFrom(caps, uint32_t(std::max(size, 64)), std::clamp(units, 1, 8),
                                       std::clamp(planes, 0, 6), hasAniso, std::max(aniso, 1.0f), hasMirror);
            ok = true;
            SDL_GL_MakeCurrent(previousWindow, previous);
            SDL_GL_DeleteContext(ctx);
        }
        SDL_DestroyWindow(w);
    }
    SDL_ClearError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return ok;
}

}  // namespace gfx
