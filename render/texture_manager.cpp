#include "render/texture_manager.h"

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "common/random.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/image.h"
#include "render/adapter_table.h"
#include "render/formats.h"
#include "render/video.h"
#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"

using gfx::Format;

TextureManager* g_SceneTextures = nullptr;

namespace {

const char* const kTexturePack = "TEXTURAS.DAT";

std::string Upper(const char* s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

// Halves both sides `reduction` times, stopping before either side would drop below 1.
void Halve(int32_t reduction, uint32_t* w, uint32_t* h) {
    for (int32_t i = 0; i < reduction; ++i) {
        if ((*w >> 1) < 1 || (*h >> 1) < 1) break;
        *w >>= 1;
        *h >>= 1;
    }
}

void ClampToDevice(uint32_t* w, uint32_t* h) {
    const gfx::Caps& caps = g_Video.caps;
    if (caps.MaxTextureWidth && *w > caps.MaxTextureWidth) *w = caps.MaxTextureWidth;
    if (caps.MaxTextureHeight && *h > caps.MaxTextureHeight) *h = caps.MaxTextureHeight;
}

bool Dxt1Usable() {
    int32_t a = g_Video.adapter;
    if (a < 0 || uint32_t(a) >= AdapterTable::kMaxAdapters) return false;
    return g_AdapterTable.adapters[a].dxt1With32BitDisplay != 0;
}

// The frame number i written as two digits after "(ANI"; false when the name has no "(ANI"
// followed by two characters to hold them.
bool FrameName(const std::string& base, int i, std::string* out) {
    size_t at = base.find("(ANI");
    if (at == std::string::npos || at + 6 > base.size()) return false;
    *out = base;
    (*out)[at + 4] = char('0' + (i / 10) % 10);
    (*out)[at + 5] = char('0' + i % 10);
    return true;
}

// Frames present in the pack: the requested name is frame 0, then 01, 02, ... up to the first
// number with no file.
int CountFrames(const std::string& name) {
    std::string frame;
    int i = 1;
    while (i < TEXTURE_MAX_FRAMES && FrameName(name, i, &frame) && FindPackEntry(kTexturePack, frame.c_str()) != 0)
        ++i;
    return i;
}

gfx::Texture* CreateFromFile(PackEntry& entry, uint32_t w, uint32_t h, uint32_t levels, Format format) {
    gfx::Texture* tex = nullptr;
    gfx::ImageInfo info{};
    const BinaryReader& bytes = entry.Reader();
    gfx::Result r = gfx::CreateTextureFromFileInMemoryEx(g_Video.device, bytes.Data(), bytes.Size(), w, h, levels, 0,
                                                         format, gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT,
                                                         gfx::D3DX_DEFAULT, 0, &info, &tex);
    if (gfx::Failed(r)) {
        WriteDebugLogF("CreateTextureFromFileInMemoryEx: %s", gfx::DescribeTextureResult(r));
        return nullptr;
    }
    return tex;
}

// An entry read whole and recognised.
struct OpenedImage {
    PackEntry entry;
    ImageHeaderInfo header{};
};

bool OpenImage(const char* name, OpenedImage* image, int* frames) {
    if (!image->entry.Open(kTexturePack, name)) {
        // Found but not read in full leaves no pack error.
        WriteDebugLog(g_PackError == PACK_OK ? "No se pudo leer el fichero" : "No se encontro el fichero");
        return false;
    }
    if (frames) *frames = CountFrames(Upper(name));
    if (!ProbeImageHeader(image->entry.Reader(), &image->header)) {
        image->entry.Close();
        WriteDebugLog("Formato de textura no reconocido");
        return false;
    }
    return true;
}

// Makes the texture from the entry's bytes, which are let go of afterwards.
gfx::Texture* CreateFromEntry(OpenedImage* image, uint32_t w, uint32_t h, uint32_t levels, Format format) {
    gfx::Texture* tex = CreateFromFile(image->entry, w, h, levels, format);
    image->entry.Close();
    return tex;
}

int16_t Channel(int16_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

// ---- Texture ----

Texture::Texture()
    : name(nullptr), loaded(0), frameCount(0), frames(nullptr), width(0), height(0), bits(0), format(0), pool(0),
      levels(0) {}

void Texture::Free() {
    delete[] name;
    name = nullptr;
    loaded = 0;
    if (frames) {
        for (int i = 0; i < frameCount; ++i)
            if (frames[i]) frames[i]->Release();
        delete[] frames;
        frames = nullptr;
    }
    frameCount = 0;
}

namespace {

char* CopyName(const std::string& s) {
    char* out = new char[s.size() + 1];
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

// Size, pool and levels of level 0 as created; the format stays the one asked for.
void Describe(Texture* t, gfx::Texture* tex, Format requested) {
    gfx::SurfaceDesc desc{};
    if (gfx::Succeeded(tex->GetLevelDesc(0, &desc))) {
        t->width = uint16_t(desc.Width);
        t->height = uint16_t(desc.Height);
        t->pool = desc.Pool;
    }
    t->format = requested;
    t->bits = uint8_t(FormatBits(requested));
    t->levels = uint8_t(tex->GetLevelCount());
}

}  // namespace

bool Texture::LoadFromPack(const char* requested, bool compress, bool mipmaps) {
    WriteDebugLogNewLine();
    WriteDebugLogF("Cargando textura %s", requested ? requested : "");
    if (!requested || !g_Video.device) return false;
    Free();
    OpenedImage image;
    int frameTotal = 1;
    if (!OpenImage(requested, &image, &frameTotal)) return false;

    const std::string upper = Upper(requested);
    const bool fog = Contains(upper, "FOG");
    uint32_t w = image.header.width, h = image.header.height;
    if (!fog && !Contains(upper, "LIGHTMAP")) Halve(g_Settings.textureReduction, &w, &h);
    ClampToDevice(&w, &h);

    const bool deep = image.header.bits == 32;
    Format fmt;
    if (g_Settings.textureBpp == 16) {
        fmt = deep ? gfx::D3DFMT_A4R4G4B4 : gfx::D3DFMT_R5G6B5;
    } else if (deep) {
        fmt = gfx::D3DFMT_A8R8G8B8;
    } else {
        fmt = compress && Dxt1Usable() ? gfx::D3DFMT_DXT1 : gfx::D3DFMT_X8R8G8B8;
    }
    if (fog) fmt = gfx::D3DFMT_A8R8G8B8;
    const uint32_t mipLevels = mipmaps && !fog && !Contains(upper, "LM_") ? gfx::D3DX_DEFAULT : 1;

    gfx::Texture* tex = CreateFromEntry(&image, w, h, mipLevels, fmt);
    if (!tex) return false;

    name = CopyName(upper);
    frames = new gfx::Texture*[size_t(frameTotal)]();
    frames[0] = tex;
    frameCount = uint8_t(frameTotal);
    Describe(this, tex, fmt);

    std::string frameName;
    for (int i = 1; i < frameTotal; ++i)
        if (FrameName(upper, i, &frameName)) LoadFrame(frameName.c_str(), i);

    loaded = 1;
    WriteDebugLog("Textura cargada.");
    return true;
}

bool Texture::LoadFrame(const char* frameName, int32_t frame) {
    if (!frameName || !frames || frame < 0 || frame >= frameCount || !g_Video.device) return false;
    OpenedImage image;
    if (!OpenImage(frameName, &image, nullptr)) return false;

    uint32_t w = image.header.width, h = image.header.height;
    if (!Contains(Upper(frameName), "LIGHTMAP")) Halve(g_Settings.textureReduction, &w, &h);
    ClampToDevice(&w, &h);
    const bool deep = image.header.bits == 32;
    Format fmt;
    if (g_Settings.textureBpp == 16) {
        fmt = deep ? gfx::D3DFMT_A4R4G4B4 : gfx::D3DFMT_R5G6B5;
    } else {
        fmt = deep ? gfx::D3DFMT_A8R8G8B8 : gfx::D3DFMT_X8R8G8B8;
    }

    gfx::Texture* tex = CreateFromEntry(&image, w, h, gfx::D3DX_DEFAULT, fmt);
    if (!tex) return false;
    if (frames[frame]) frames[frame]->Release();
    frames[frame] = tex;
    return true;
}

bool Texture::LoadBumpMapFromPack(const char* requested, bool mipmaps) {
    WriteDebugLogNewLine();
    WriteDebugLogF("Cargando textura %s", requested ? requested : "");
    if (!requested || !g_Video.device) return false;
    Free();
    OpenedImage image;
    if (!OpenImage(requested, &image, nullptr)) return false;

    uint32_t w = image.header.width, h = image.header.height;
    ClampToDevice(&w, &h);
    gfx::Texture* tex = CreateFromEntry(&image, w, h, mipmaps ? gfx::D3DX_DEFAULT : 1, gfx::D3DFMT_V8U8);
    if (!tex) return false;

    name = CopyName(Upper(requested));
    frames = new gfx::Texture*[1]();
    frames[0] = tex;
    frameCount = 1;
    Describe(this, tex, gfx::D3DFMT_V8U8);
    loaded = 1;
    WriteDebugLog("Textura cargada.");
    return true;
}

bool SkinPicture(const SkinImage& image, gfx::Image* picture) {
    if (!picture || !image.pixels || image.width == 0 || image.height == 0) return false;
    const bool alpha = image.hasAlpha != 0;
    picture->width = image.width;
    picture->height = image.height;
    picture->hasAlpha = alpha;
    picture->pixels.resize(size_t(image.width) * image.height);
    const int16_t* px = image.pixels;
    for (uint32_t& out : picture->pixels) {
        // An image without alpha is opaque whatever its fourth channel holds.
        const uint32_t a = alpha ? uint32_t(Channel(px[3])) : 0xFFu;
        out = a << 24 | uint32_t(Channel(px[0])) << 16 | uint32_t(Channel(px[1])) << 8 | uint32_t(Channel(px[2]));
        px += 4;
    }
    return true;
}

bool Texture::CreateFromImage(const SkinImage* image, bool compress, bool mipmaps) {
    gfx::Image picture;
    return g_Video.device && image && SkinPicture(*image, &picture) && CreateFromPicture(&picture, compress, mipmaps);
}

bool Texture::CreateFromPicture(gfx::Image* picture, bool compress, bool mipmaps) {
    gfx::Device* device = g_Video.device;
    if (!device || !picture || picture->pixels.empty() || picture->width == 0 || picture->height == 0) return false;
    Free();
    gfx::Image source = std::move(*picture);
    const bool alpha = source.hasAlpha;

    uint32_t w = source.width, h = source.height;
    Halve(g_Settings.textureReduction, &w, &h);
    Format fmt;
    if (g_Settings.textureBpp == 16) {
        fmt = alpha ? gfx::D3DFMT_A4R4G4B4 : gfx::D3DFMT_R5G6B5;
    } else if (alpha) {
        fmt = gfx::D3DFMT_A8R8G8B8;
    } else {
        fmt = compress && Dxt1Usable() ? gfx::D3DFMT_DXT1 : gfx::D3DFMT_X8R8G8B8;
    }
    gfx::Texture* tex = nullptr;
    if (gfx::Failed(gfx::CreateTexture(device, w, h, mipmaps ? gfx::D3DX_DEFAULT : 1, 0, fmt, gfx::D3DPOOL_MANAGED,
                                       &tex)))
        return false;
    // Each level from the one above it: one pass over the picture instead of one per level.
    if (gfx::Failed(gfx::FillTextureFromImage(tex, source, gfx::D3DX_FILTER_TRIANGLE, gfx::D3DX_FILTER_TRIANGLE))) {
        tex->Release();
        return false;
    }
    // Sent now, so the device lets go of its copy of the picture before the next skin is made;
    // the picture goes first, as the device needs room for one more copy while it sends.
    source = gfx::Image{};
    tex->PreLoad();

    loaded = 1;
    frames = new gfx::Texture*[1]();
    frames[0] = tex;
    frameCount = 1;
    gfx::SurfaceDesc desc{};
    if (gfx::Succeeded(tex->GetLevelDesc(0, &desc))) {
        width = uint16_t(desc.Width);
        height = uint16_t(desc.Height);
    }
    format = fmt;
    bits = uint8_t(g_Settings.textureBpp);
    pool = gfx::D3DPOOL_MANAGED;
    levels = uint8_t(tex->GetLevelCount());
    return true;
}

// ---- TextureManager ----

Texture* TextureManager::Get(int32_t index) const {
    if (index < 0 || uint32_t(index) >= entries.size()) return nullptr;
    return entries[size_t(index)].texture;
}

int32_t TextureManager::Find(const char* name) const {
    if (!name) return -1;
    const std::string upper = Upper(name);
    for (size_t i = 0; i < entries.size(); ++i) {
        const Texture* t = entries[i].texture;
        // Skins carry no name.
        if (t && t->name && std::strcmp(t->name, upper.c_str()) == 0) return int32_t(i);
    }
    return -1;
}

int32_t TextureManager::LoadTexture(const char* name, bool compress, bool mipmaps, bool counted) {
    if (!name) return -1;
    int32_t found = Find(name);
    if (found >= 0) return found;
    Texture* t = new Texture();
    if (!t->LoadFromPack(name, compress, mipmaps)) {
        delete t;
        return -1;
    }
    return Add(t, counted);
}

int32_t TextureManager::LoadBumpMap(const char* name, bool mipmaps) {
    if (!name) return -1;
    int32_t found = Find(name);
    if (found >= 0) return found;
    Texture* t = new Texture();
    if (!t->LoadBumpMapFromPack(name, mipmaps)) {
        delete t;
        return -1;
    }
    return Add(t, true);
}

int32_t TextureManager::Add(Texture* texture, bool counted) {
    if (!texture) return -1;
    size_t slot = 0;
    while (slot < entries.size() && entries[slot].texture) ++slot;
    if (slot == entries.size()) entries.resize(entries.size() + kGrowth, TextureEntry{nullptr, 0, 0});
    entries[slot] = TextureEntry{texture, uint8_t(counted ? 1 : 0), 0};
    ++count;
    return int32_t(slot);
}

bool TextureManager::SetTexture(int stage, int32_t index) {
    if (!g_Video.device) return true;
    const Texture* t = Get(index);
    gfx::Texture* frame = nullptr;
    if (t && !g_Video.wireframe && t->frames && t->frameCount > 0) frame = t->frames[0];
    g_Video.SetTexture(stage, frame);
    return true;
}

int32_t TextureManager::AddRef(int32_t index) {
    if (!Get(index)) return -1;
    return int32_t(++entries[size_t(index)].refs);
}

int32_t TextureManager::Release(int32_t index) {
    if (!Get(index)) return -1;
    TextureEntry& e = entries[size_t(index)];
    if (!e.counted) return int32_t(e.refs);
    if (e.refs > 0) --e.refs;
    if (e.refs > 0) return int32_t(e.refs);
    delete e.texture;
    e = TextureEntry{nullptr, 0, 0};
    --count;
    return 0;
}

void TextureManager::Clear() {
    for (TextureEntry& e : entries) delete e.texture;
    entries.clear();
    entries.shrink_to_fit();
    count = 0;
}

// ---- AnimatedTexture ----

namespace {

// Keeps a rate where the conversions below are defined.
float SaneRate(float r) {
    if (std::isnan(r)) return 0.0f;
    return r < -1.0e6f ? -1.0e6f : r > 1.0e6f ? 1.0e6f : r;
}

int FrameCountOf(int32_t index) {
    const Texture* t = g_SceneTextures ? g_SceneTextures->Get(index) : nullptr;
    if (!t) return 0;
    return t->frameCount > 0 ? t->frameCount : 1;
}

}  // namespace

void AnimatedTexture::Reset() {
    textureIndex = -1;
    frame = 0;
    randomRate = 0;
    accumulated = 0;
    rate = 0.0f;
    rateA = rateB = 0.0f;
    pause = 0;
    pauseLeft = 0;
}

void AnimatedTexture::DrawRate() {
    float lo = SaneRate(rateA), hi = SaneRate(rateB);
    if (lo > hi) std::swap(lo, hi);
    // Thousandths of a frame per second, counted down from the upper bound's negative.
    int64_t a = int64_t(lo * -1000.0f), b = int64_t(hi * -1000.0f);
    rate = float(double(Random() % (a - b + 1) - a) * 0.001);
}

bool AnimatedTexture::Init(int32_t index, int32_t startFrame, float a, float b, uint32_t pauseMs) {
    int n = FrameCountOf(index);
    if (n == 0) return false;
    textureIndex = index;
    if (startFrame < 0) {
        frame = Random() % n;
    } else if (startFrame >= n) {
        frame = n - 1;
    } else {
        frame = startFrame;
    }
    rateA = a;
    rateB = b;
    if (std::fabs(a - b) >= 0.0001f) {
        randomRate = 1;
        DrawRate();
    } else {
        randomRate = 0;
        rate = a;
    }
    pause = pauseMs;
    pauseLeft = 0;
    accumulated = 0;
    return true;
}

bool AnimatedTexture::Update(uint32_t elapsedMs) {
    const int n = FrameCountOf(textureIndex);
    if (n == 0) return true;
    uint64_t left = elapsedMs;
    for (;;) {
        if (pauseLeft > 0) {
            if (left < pauseLeft) {
                pauseLeft -= uint32_t(left);
                return true;
            }
            left -= pauseLeft;
            pauseLeft = 0;
            frame = 0;
        }
        if (left == 0) return true;
        if (randomRate) DrawRate();
        if (!(rate > 0.0f)) return true;
        // A rate above 1000 frames a second still takes a millisecond per frame.
        double exact = 1000.0 / double(rate);
        uint32_t period = exact >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(exact);
        if (period == 0) period = 1;
        uint64_t total = uint64_t(accumulated) + left;
        if (total <= period) {
            accumulated = uint32_t(total);
            return true;
        }
        left = total - period;
        accumulated = 0;
        if (frame + 1 < n) {
            ++frame;
        } else if (pause > 0) {
            pauseLeft = pause;
        } else {
            frame = 0;
        }
    }
}
