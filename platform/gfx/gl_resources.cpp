// Surfaces, textures and vertex and index buffers of the OpenGL device. Each keeps a copy of
// its contents in memory (locks and read-back work on it) and sends changes to OpenGL when it
// is next used; render targets live only in OpenGL and are read back on demand. Textures and
// buffers that are not locked again after their first upload let go of the memory copy and
// read it back from OpenGL if a lock or a read needs it after all.
#include <algorithm>
#include <cstring>

#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {

bool ValidRect(const Rect& r, uint32_t w, uint32_t h) {
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top && r.right <= int32_t(w) &&
           r.bottom <= int32_t(h);
}

// Compressed formats lock and copy whole 4x4 blocks only.
bool BlockAligned(Format f, const Rect& r, uint32_t w, uint32_t h) {
    if (!GetFormatInfo(f).compressed) return true;
    auto edge = [](int32_t v, uint32_t size) { return v % 4 == 0 || uint32_t(v) == size; };
    return r.left % 4 == 0 && r.top % 4 == 0 && edge(r.right, w) && edge(r.bottom, h);
}

GLenum ColorStorage(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4: return GL_RGBA8;
    default: return GL_RGB8;
    }
}

// Formats OpenGL stores without losing a bit, so that the memory copy can be read back from it.
bool KeptExactly(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R8G8B8: case D3DFMT_R5G6B5: case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4: case D3DFMT_A8: case D3DFMT_L8: case D3DFMT_A8L8: case D3DFMT_DXT1: case D3DFMT_DXT2:
    case D3DFMT_DXT3: case D3DFMT_DXT4: case D3DFMT_DXT5: return true;
    default: return false;
    }
}

// OpenGL keeps no fourth byte for X8R8G8B8 and reads it back as 255.
bool UnusedBytesOpaque(const std::vector<uint8_t>& level) {
    for (size_t i = 3; i < level.size(); i += 4)
        if (level[i] != 0xFF) return false;
    return true;
}

// Copies rows of a rectangle between a whole-image buffer and a packed one.
void CopyOut(const uint8_t* image, uint32_t imagePitch, Format f, const Rect& r, uint8_t* out, uint32_t pitch) {
    FormatInfo fi = GetFormatInfo(f);
    uint32_t unit = fi.compressed ? 4 : 1;
    uint32_t rowBytes = RowBytes(f, uint32_t(r.right - r.left));
    uint32_t rows = RowCount(f, uint32_t(r.bottom - r.top));
    size_t x = size_t(r.left / int32_t(unit)) * fi.bytesPerPixel;
    for (uint32_t y = 0; y < rows; ++y)
        std::memcpy(out + size_t(y) * pitch, image + (size_t(r.top) / unit + y) * imagePitch + x, rowBytes);
}

void CopyIn(uint8_t* image, uint32_t imagePitch, Format f, const Rect& r, const uint8_t* in, uint32_t pitch) {
    FormatInfo fi = GetFormatInfo(f);
    uint32_t unit = fi.compressed ? 4 : 1;
    uint32_t rowBytes = RowBytes(f, uint32_t(r.right - r.left));
    uint32_t rows = RowCount(f, uint32_t(r.bottom - r.top));
    size_t x = size_t(r.left / int32_t(unit)) * fi.bytesPerPixel;
    for (uint32_t y = 0; y < rows; ++y)
        std::memcpy(image + (size_t(r.top) / unit + y) * imagePitch + x, in + size_t(y) * pitch, rowBytes);
}

// The device's own depth surface is stored as the window's depth and stencil, whatever format was
// asked, so that it can move between the window and its own storage: a deeper buffer holds every
// value a shallower one would, and the stencil stays unused without one asked.
GLenum DepthStorage(Format f, bool devicesOwn = false) {
    return devicesOwn || GetFormatInfo(f).stencil ? GL_DEPTH24_STENCIL8
           : f == D3DFMT_D16 || f == D3DFMT_D16_LOCKABLE ? GL_DEPTH_COMPONENT16
                                                         : GL_DEPTH_COMPONENT24;
}

}  // namespace

// ---- Surfaces ----

GLSurface* GLSurface::MakeImage(GLDevice* d, uint32_t w, uint32_t h, Format f) {
    auto* s = new GLSurface(Kind::Image);
    s->format = f;
    s->width = w;
    s->height = h;
    s->pool = D3DPOOL_SYSTEMMEM;
    s->data.assign(size_t(RowBytes(f, w)) * RowCount(f, h), 0);
    s->Attach(d);
    return s;
}

GLSurface* GLSurface::MakeColor(GLDevice* d, uint32_t w, uint32_t h, Format f, Pool pool, bool deferred) {
    if (!d->MakeCurrent()) return nullptr;
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint rb = 0;
    glGenRenderbuffers(1, &rb);
    glBindRenderbuffer(GL_RENDERBUFFER, rb);
    if (!deferred) glRenderbufferStorage(GL_RENDERBUFFER, ColorStorage(f), GLsizei(w), GLsizei(h));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteRenderbuffers(1, &rb);
        return nullptr;
    }
    auto* s = new GLSurface(Kind::ColorBuffer);
    s->format = f;
    s->width = w;
    s->height = h;
    s->pool = pool;
    s->renderbuffer = rb;
    s->storagePending = deferred;
    s->Attach(d);
    return s;
}

bool GLSurface::EnsureStorage() const {
    if (!storagePending) return true;
    if (!renderbuffer) return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER,
                          kind == Kind::DepthBuffer ? DepthStorage(format, implicit) : ColorStorage(format),
                          GLsizei(width), GLsizei(height));
    if (glGetError() != GL_NO_ERROR) return false;
    storagePending = false;
    return true;
}

GLSurface* GLSurface::MakeDepth(GLDevice* d, uint32_t w, uint32_t h, Format f, bool deferred) {
    if (!d->MakeCurrent()) return nullptr;
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint rb = 0;
    glGenRenderbuffers(1, &rb);
    glBindRenderbuffer(GL_RENDERBUFFER, rb);
    if (!deferred) glRenderbufferStorage(GL_RENDERBUFFER, DepthStorage(f), GLsizei(w), GLsizei(h));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteRenderbuffers(1, &rb);
        return nullptr;
    }
    auto* s = new GLSurface(Kind::DepthBuffer);
    s->format = f;
    s->width = w;
    s->height = h;
    s->pool = D3DPOOL_DEFAULT;
    s->usage = D3DUSAGE_DEPTHSTENCIL;
    s->renderbuffer = rb;
    s->storagePending = deferred;
    s->Attach(d);
    return s;
}

GLSurface::GLSurface(GLTexture* t, uint32_t l) : kind(Kind::TextureLevel) {
    owner = t;
    level = l;
    format = t->format;
    width = t->LevelWidth(l);
    height = t->LevelHeight(l);
    usage = t->usage;
    pool = t->pool;
}

GLSurface::~GLSurface() {
    if (device) {
        if (device->MakeCurrent()) DropGL();
        Detach();
    }
}

uint32_t GLSurface::AddRef() { return kind == Kind::TextureLevel ? owner->AddRef() : RefCounted::AddRef(); }

uint32_t GLSurface::Release() { return kind == Kind::TextureLevel ? owner->Release() : RefCounted::Release(); }

void GLSurface::DropGL() {
    if (renderbuffer) glDeleteRenderbuffers(1, &renderbuffer);
    renderbuffer = 0;
}

Result GLSurface::GetDesc(SurfaceDesc* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Size = RowBytes(format, width) * RowCount(format, height);
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = width;
    desc->Height = height;
    return D3D_OK;
}

GLDevice* GLSurface::Owner() const { return kind == Kind::TextureLevel ? owner->device : device; }

bool GLSurface::IsRenderTarget() const {
    if (kind == Kind::ColorBuffer) return renderbuffer != 0;
    if (kind == Kind::TextureLevel) return owner->renderTarget && owner->tex != 0;
    return false;
}

Attachment GLSurface::GetAttachment() const {
    Attachment a;
    a.width = width;
    a.height = height;
    if (kind == Kind::TextureLevel) {
        if (owner->renderTarget) a.texture = owner->tex;
        a.level = level;
    } else if (kind == Kind::ColorBuffer && inWindow) {
        a.window = true;
    } else if (kind == Kind::ColorBuffer || kind == Kind::DepthBuffer) {
        EnsureStorage();
        a.renderbuffer = renderbuffer;
        a.depth = kind == Kind::DepthBuffer;
        a.stencil = a.depth && GetFormatInfo(format).stencil;
    }
    return a;
}

Result GLSurface::LockRect(LockedRect* out, const Rect* rect, uint32_t flags) {
    if (kind == Kind::TextureLevel) return owner->LockRect(level, out, rect, flags);
    if (!out || locked || kind == Kind::DepthBuffer) return D3DERR_INVALIDCALL;
    Rect r = rect ? *rect : Rect{0, 0, int32_t(width), int32_t(height)};
    if (!ValidRect(r, width, height) || !BlockAligned(format, r, width, height)) return D3DERR_INVALIDCALL;
    if (kind == Kind::Image) {
        uint32_t pitch = RowBytes(format, width);
        FormatInfo fi = GetFormatInfo(format);
        uint32_t unit = fi.compressed ? 4 : 1;
        out->Pitch = int32_t(pitch);
        out->pBits = data.data() + size_t(r.top) / unit * pitch + size_t(r.left) / unit * fi.bytesPerPixel;
    } else {
        if (!device) return D3DERR_INVALIDCALL;
        uint32_t pitch = RowBytes(format, uint32_t(r.right - r.left));
        data.assign(size_t(pitch) * uint32_t(r.bottom - r.top), 0);
        if (!(flags & D3DLOCK_DISCARD) && !ReadRect(r, data.data(), pitch)) return D3DERR_INVALIDCALL;
        out->Pitch = int32_t(pitch);
        out->pBits = data.data();
    }
    locked = true;
    lockFlags = flags;
    lockRect = r;
    return D3D_OK;
}

Result GLSurface::UnlockRect() {
    if (kind == Kind::TextureLevel) return owner->UnlockRect(level);
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    if (kind == Kind::ColorBuffer) {
        if (!(lockFlags & D3DLOCK_READONLY) && device)
            WriteRect(lockRect, data.data(), RowBytes(format, uint32_t(lockRect.right - lockRect.left)));
        data.clear();
        data.shrink_to_fit();
    }
    return D3D_OK;
}

bool GLSurface::ReadRect(const Rect& r, uint8_t* out, uint32_t pitch) {
    if (!ValidRect(r, width, height)) return false;
    switch (kind) {
    case Kind::Image: CopyOut(data.data(), RowBytes(format, width), format, r, out, pitch); return true;
    case Kind::TextureLevel:
        if (!owner->renderTarget) {
            if (!owner->RestoreCopy() || owner->levelData.empty()) return false;
            CopyOut(owner->levelData[level].data(), RowBytes(format, width), format, r, out, pitch);
            return true;
        }
        [[fallthrough]];
    case Kind::ColorBuffer: {
        GLDevice* d = Owner();
        if (!d) return false;
        int w = r.right - r.left, h = r.bottom - r.top;
        std::vector<uint8_t> bgra(size_t(w) * h * 4);
        if (!d->ReadAttachment(GetAttachment(), r.left, r.top, w, h, bgra.data())) return false;
        for (int y = 0; y < h; ++y) RowFromBGRA8(format, &bgra[size_t(y) * w * 4], out + size_t(y) * pitch, uint32_t(w));
        return true;
    }
    case Kind::DepthBuffer: return false;
    }
    return false;
}

bool GLSurface::WriteRect(const Rect& r, const uint8_t* in, uint32_t pitch) {
    if (!ValidRect(r, width, height)) return false;
    switch (kind) {
    case Kind::Image: CopyIn(data.data(), RowBytes(format, width), format, r, in, pitch); return true;
    case Kind::TextureLevel:
        if (!owner->renderTarget) {
            if (!owner->RestoreCopy() || owner->levelData.empty()) return false;
            CopyIn(owner->levelData[level].data(), RowBytes(format, width), format, r, in, pitch);
            owner->dirty[level] = 1;
            owner->anyDirty = true;
            return true;
        }
        [[fallthrough]];
    case Kind::ColorBuffer: {
        GLDevice* d = Owner();
        if (!d) return false;
        int w = r.right - r.left, h = r.bottom - r.top;
        std::vector<uint8_t> bgra(size_t(w) * h * 4);
        for (int y = 0; y < h; ++y) RowToBGRA8(format, in + size_t(y) * pitch, &bgra[size_t(y) * w * 4], uint32_t(w));
        return d->WriteAttachment(GetAttachment(), r.left, r.top, w, h, bgra.data());
    }
    case Kind::DepthBuffer: return false;
    }
    return false;
}

// ---- Textures ----

GLTexture::GLTexture(GLDevice* d, uint32_t w, uint32_t h, uint32_t l, uint32_t u, Format f, Pool p)
    : width(w), height(h), levels(l), usage(u), format(f), renderTarget((u & D3DUSAGE_RENDERTARGET) != 0) {
    pool = p;
    dirty.assign(levels, renderTarget ? 0 : 1);
    levelLocked.assign(levels, 0);
    surfaces.assign(levels, nullptr);
    if (!renderTarget) {
        levelData.resize(levels);
        for (uint32_t i = 0; i < levels; ++i)
            levelData[i].assign(size_t(RowBytes(f, LevelWidth(i))) * RowCount(f, LevelHeight(i)), 0);
        anyDirty = true;
    }
    Attach(d);
}

bool GLTexture::Init() {
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenTextures(1, &tex);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(levels - 1));
    if (renderTarget) {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(ColorStorage(format)), GLsizei(width), GLsizei(height), 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        sampler.minFilter = GL_LINEAR;
    }
    return glGetError() == GL_NO_ERROR;
}

GLTexture::~GLTexture() {
    for (GLSurface* s : surfaces) delete s;
    if (device) {
        if (device->MakeCurrent()) {
            device->InvalidateBindings();
            DropGL();
        }
        Detach();
    }
}

void GLTexture::DropGL() {
    if (tex) glDeleteTextures(1, &tex);
    tex = 0;
    // Its name may be bound still, and may come back for another texture.
    if (device) device->InvalidateBindings();
}

void GLTexture::Upload() {
    if (!anyDirty || renderTarget) return;
    UploadInfo u = GetUploadInfo(format);
    std::vector<uint8_t> converted;
    for (uint32_t l = 0; l < levels; ++l) {
        if (!dirty[l]) continue;
        dirty[l] = 0;
        GLsizei w = GLsizei(LevelWidth(l)), h = GLsizei(LevelHeight(l));
        const std::vector<uint8_t>& src = levelData[l];
        if (u.compressed) {
            glCompressedTexImage2D(GL_TEXTURE_2D, GLint(l), u.internalFormat, w, h, 0, GLsizei(src.size()),
                                   src.data());
        } else if (u.convert) {
            converted.resize(size_t(w) * h * 4);
            uint32_t pitch = RowBytes(format, uint32_t(w));
            for (GLsizei y = 0; y < h; ++y)
                RowToBGRA8(format, &src[size_t(y) * pitch], &converted[size_t(y) * w * 4], uint32_t(w));
            glTexImage2D(GL_TEXTURE_2D, GLint(l), GLint(u.internalFormat), w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                         converted.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, GLint(l), GLint(u.internalFormat), w, h, 0, u.format, u.type, src.data());
        }
    }
    anyDirty = false;
    if (keepCopy || (usage & D3DUSAGE_DYNAMIC) || !KeptExactly(format)) return;
    if (std::find(levelLocked.begin(), levelLocked.end(), 1) != levelLocked.end() ||
        std::find(levelLocked.begin(), levelLocked.end(), 2) != levelLocked.end())
        return;
    if (format == D3DFMT_X8R8G8B8 && !std::all_of(levelData.begin(), levelData.end(), UnusedBytesOpaque)) {
        keepCopy = true;
        return;
    }
    levelData = {};
    copyDropped = true;
}

void GLTexture::PreLoad() {
    if (!anyDirty || renderTarget || !tex || !device || !device->MakeCurrent()) return;
    device->ActiveUnit(0);
    device->BindTexture2D(0, tex);
    Upload();
}

bool GLTexture::RestoreCopy() {
    if (!copyDropped) return true;
    if (!tex || !device || !device->MakeCurrent()) return false;
    UploadInfo u = GetUploadInfo(format);
    while (glGetError() != GL_NO_ERROR) {
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, tex);
    device->InvalidateBindings();
    std::vector<std::vector<uint8_t>> restored(levels);
    for (uint32_t l = 0; l < levels; ++l) {
        restored[l].resize(size_t(RowBytes(format, LevelWidth(l))) * RowCount(format, LevelHeight(l)));
        if (u.compressed)
            glGetCompressedTexImage(GL_TEXTURE_2D, GLint(l), restored[l].data());
        else
            glGetTexImage(GL_TEXTURE_2D, GLint(l), u.format, u.type, restored[l].data());
    }
    if (glGetError() != GL_NO_ERROR) return false;
    levelData = std::move(restored);
    copyDropped = false;
    keepCopy = true;
    return true;
}

Result GLTexture::GetLevelDesc(uint32_t level, SurfaceDesc* desc) {
    if (level >= levels || !desc) return D3DERR_INVALIDCALL;
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Size = RowBytes(format, LevelWidth(level)) * RowCount(format, LevelHeight(level));
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = LevelWidth(level);
    desc->Height = LevelHeight(level);
    return D3D_OK;
}

Result GLTexture::GetSurfaceLevel(uint32_t level, Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels) return D3DERR_INVALIDCALL;
    if (!surfaces[level]) surfaces[level] = new GLSurface(this, level);
    AddRef();
    *surface = surfaces[level];
    return D3D_OK;
}

Result GLTexture::LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t flags) {
    if (level >= levels || !locked || levelLocked[level] || renderTarget) return D3DERR_INVALIDCALL;
    if (!RestoreCopy()) return D3DERR_INVALIDCALL;
    uint32_t w = LevelWidth(level), h = LevelHeight(level);
    Rect r = rect ? *rect : Rect{0, 0, int32_t(w), int32_t(h)};
    if (!ValidRect(r, w, h) || !BlockAligned(format, r, w, h)) return D3DERR_INVALIDCALL;
    FormatInfo fi = GetFormatInfo(format);
    uint32_t unit = fi.compressed ? 4 : 1;
    uint32_t pitch = RowBytes(format, w);
    locked->Pitch = int32_t(pitch);
    locked->pBits = levelData[level].data() + size_t(r.top) / unit * pitch + size_t(r.left) / unit * fi.bytesPerPixel;
    levelLocked[level] = (flags & D3DLOCK_READONLY) ? 2 : 1;
    return D3D_OK;
}

Result GLTexture::UnlockRect(uint32_t level) {
    if (level >= levels || !levelLocked[level]) return D3DERR_INVALIDCALL;
    if (levelLocked[level] == 1) {
        dirty[level] = 1;
        anyDirty = true;
    }
    levelLocked[level] = 0;
    return D3D_OK;
}

// ---- Buffers ----

GLBufferStore::GLBufferStore(uint32_t len, uint32_t u) : length(len), usage(u), data(len, 0) {
    glGenBuffers(1, &buffer);
    dirtyBegin = 0;
    dirtyEnd = len;
}

Result GLBufferStore::LockRange(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (offset > length) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;
    if (size > length - offset) return D3DERR_INVALIDCALL;
    if (copyDropped) return D3DERR_INVALIDCALL;  // the owner brings the copy back first
    *out = data.data() + offset;
    if (!(flags & D3DLOCK_READONLY) && size) {
        if (dirtyBegin == dirtyEnd) {
            dirtyBegin = offset;
            dirtyEnd = offset + size;
        } else {
            dirtyBegin = std::min(dirtyBegin, offset);
            dirtyEnd = std::max(dirtyEnd, offset + size);
        }
    }
    ++lockCount;
    return D3D_OK;
}

Result GLBufferStore::UnlockRange() {
    if (lockCount == 0) return D3DERR_INVALIDCALL;
    --lockCount;
    return D3D_OK;
}

void GLBufferStore::Upload(GLenum target) {
    if (!uploadedOnce) {
        glBufferData(target, GLsizeiptr(length), data.data(),
                     (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        uploadedOnce = true;
    } else if (dirtyEnd > dirtyBegin) {
        glBufferSubData(target, GLintptr(dirtyBegin), GLsizeiptr(dirtyEnd - dirtyBegin), data.data() + dirtyBegin);
    }
    dirtyBegin = dirtyEnd = 0;
    if (!keepCopy && !copyDropped && lockCount == 0 && !(usage & D3DUSAGE_DYNAMIC)) {
        std::vector<uint8_t>().swap(data);  // assigning {} would keep the storage
        copyDropped = true;
    }
}

uint8_t* GLBufferStore::Bytes(GLDevice* d) {
    if (copyDropped) {
        if (!buffer || !d || !d->MakeCurrent()) return nullptr;
        while (glGetError() != GL_NO_ERROR) {
        }
        std::vector<uint8_t> restored(length);
        glBindBuffer(GL_COPY_READ_BUFFER, buffer);
        glGetBufferSubData(GL_COPY_READ_BUFFER, 0, GLsizeiptr(length), restored.data());
        glBindBuffer(GL_COPY_READ_BUFFER, 0);
        if (glGetError() != GL_NO_ERROR) return nullptr;
        data = std::move(restored);
        copyDropped = false;
        keepCopy = true;
    }
    return data.data();
}

void GLBufferStore::DropBuffer() {
    if (buffer) glDeleteBuffers(1, &buffer);
    buffer = 0;
}

// ---- Vertex buffers ----

GLVertexBuffer::GLVertexBuffer(GLDevice* d, uint32_t len, uint32_t u, uint32_t f, Pool p)
    : GLBufferStore(len, u), fvf(f) {
    pool = p;
    Attach(d);
}

GLVertexBuffer::~GLVertexBuffer() {
    if (device) {
        if (device->MakeCurrent()) DropGL();
        Detach();
    }
}

void GLVertexBuffer::DropGL() {
    DropBuffer();
    if (device) device->InvalidateBindings();
}

void GLVertexBuffer::KeepContents() { Bytes(device); }

Result GLVertexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) {
    Bytes(device);  // a copy that cannot come back makes LockRange refuse
    return LockRange(offset, size, out, flags);
}

Result GLVertexBuffer::Unlock() { return UnlockRange(); }

Result GLVertexBuffer::GetDesc(VertexBufferDesc* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    return D3D_OK;
}


// ---- Index buffers ----

GLIndexBuffer::GLIndexBuffer(GLDevice* d, uint32_t len, uint32_t u, Format f, Pool p)
    : GLBufferStore(len, u), format(f) {
    pool = p;
    Attach(d);
}

GLIndexBuffer::~GLIndexBuffer() {
    if (device) {
        if (device->MakeCurrent()) DropGL();
        Detach();
    }
}

void GLIndexBuffer::DropGL() {
    DropBuffer();
    if (device) device->InvalidateBindings();
}

void GLIndexBuffer::KeepContents() { Bytes(device); }

Result GLIndexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) {
    Bytes(device);  // a copy that cannot come back makes LockRange refuse
    Result r = LockRange(offset, size, out, flags);
    // A write may change the largest index.
    if (Succeeded(r) && !(flags & D3DLOCK_READONLY)) maxValid = false, knownRanges.clear();
    return r;
}

Result GLIndexBuffer::Unlock() { return UnlockRange(); }

Result GLIndexBuffer::GetDesc(IndexBufferDesc* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    return D3D_OK;
}

uint32_t GLIndexBuffer::Index(const uint8_t* bytes, uint32_t i) const {
    const uint8_t* p = bytes + size_t(i) * IndexSize();
    if (format == D3DFMT_INDEX32) return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

uint32_t GLIndexBuffer::MaxIndex() {
    if (!maxValid) {
        const uint8_t* bytes = Bytes(device);
        if (!bytes) return 0xFFFFFFFFu;  // unreadable: the draw scans its indices instead
        uint32_t m = 0;
        for (uint32_t i = 0, n = Count(); i < n; ++i) m = std::max(m, Index(bytes, i));
        maxIndex = m;
        maxValid = true;
    }
    return maxIndex;
}


// ---- Creation on the device ----

Result GLDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                               Pool pool, Texture** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!width || !height || width > maxTextureSize || height > maxTextureSize) return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    bool rt = (usage & D3DUSAGE_RENDERTARGET) != 0;
    if (rt && (pool != D3DPOOL_DEFAULT || !IsRenderableColorFormat(format))) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DEPTHSTENCIL) || !GetUploadInfo(format).supported) return D3DERR_INVALIDCALL;
    uint32_t full = 1;
    for (uint32_t m = std::max(width, height); m > 1; m >>= 1) ++full;
    if (levels == 0 || levels > full) levels = full;
    if (rt) levels = 1;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    auto* t = new GLTexture(this, width, height, levels, usage, format, pool);
    if (!t->Init()) {
        t->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    InvalidateBindings();
    *texture = t;
    return D3D_OK;
}

Result GLDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool, VertexBuffer** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > (256u << 20) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (fvf && !LayoutFromFvf(fvf).valid) return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    *buffer = new GLVertexBuffer(this, length, usage, fvf, pool);
    return D3D_OK;
}

Result GLDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool, IndexBuffer** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > (256u << 20) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_DEVICELOST;
    *buffer = new GLIndexBuffer(this, length, usage, format, pool);
    return D3D_OK;
}

Result GLDevice::CreateVertexShader(const uint32_t* declaration, const uint32_t* function, uint32_t* handle,
                                    uint32_t) {
    if (!declaration || !handle || function) return D3DERR_INVALIDCALL;
    VertexLayout l = LayoutFromDeclaration(declaration, 64);
    if (!l.valid) return D3DERR_INVALIDCALL;
    uint32_t h = (nextShader_++ << 1) | 1u;
    shaders_[h] = l;
    *handle = h;
    return D3D_OK;
}

Result GLDevice::DeleteVertexShader(uint32_t handle) {
    auto it = shaders_.find(handle);
    if (it == shaders_.end()) return D3DERR_INVALIDCALL;
    shaders_.erase(it);
    if (state_.vertexShader == handle) state_.vertexShader = 0;
    return D3D_OK;
}

}  // namespace gfx::gl
