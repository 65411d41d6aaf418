// Every texture of the game, loaded from "TEXTURAS.DAT" (or a loose file of the same path) with
// the quality settings applied, kept by index in the scene's TextureManager; and AnimatedTexture,
// the handle that steps through the frames of an animated texture.
#pragma once

#include <cstdint>
#include <vector>

#include "common/binary_reader.h"
#include "platform/gfx/device.h"
#include "platform/gfx/image.h"
#include "render/skin_image.h"

// What ProbeImageHeader reads off a file's header.
struct ImageHeaderInfo {
    uint8_t format;   // IMAGE_HEADER_*
    uint16_t width;
    uint16_t height;
    uint8_t bits;     // bits per pixel
};
constexpr uint8_t IMAGE_HEADER_UNKNOWN = 0;
constexpr uint8_t IMAGE_HEADER_GIF = 1;
constexpr uint8_t IMAGE_HEADER_TGA = 2;
constexpr uint8_t IMAGE_HEADER_BMP = 3;
// DDS files, whose "bits" read 32 when the pixels carry alpha and 24 when they do not, so the
// format choice treats them as it treats TGAs.
constexpr uint8_t IMAGE_HEADER_DDS = 4;

// Reads only the header of the image whose bytes run from the reader's position to its end; the
// position is left where it was. False for a null record, fewer than 25 bytes, or a header of
// no known kind (PNG and JPEG among them).
bool ProbeImageHeader(BinaryReader& reader, ImageHeaderInfo* info);

// Most frames a "(ANI" texture can have: the frame number is written as two digits.
constexpr int TEXTURE_MAX_FRAMES = 99;

class Texture {
public:
    char* name;              // upper-cased requested path; null for skins
    uint8_t loaded;
    uint8_t frameCount;
    gfx::Texture** frames;   // frameCount entries; a frame that could not be loaded is null
    uint16_t width, height;  // of level 0 as created
    uint8_t bits;            // FormatBits of the format; the texture-depth setting for skins
    uint32_t format;         // the format asked for, even where the device keeps another one
    uint32_t pool;
    uint8_t levels;

    Texture();
    ~Texture() { Free(); }
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    bool LoadFromPack(const char* name, bool compress, bool mipmaps);
    bool LoadBumpMapFromPack(const char* name, bool mipmaps);
    bool LoadFrame(const char* name, int32_t frame);
    bool CreateFromImage(const SkinImage* image, bool compress, bool mipmaps);
    // CreateFromImage from the picture SkinPicture made, which is used up: a caller can let go
    // of the SkinImage before the texture is built.
    bool CreateFromPicture(gfx::Image* picture, bool compress, bool mipmaps);
    void Free();
};

// The texture's source picture of a skin image: each channel held to 0..255, opaque without
// alpha. False for an empty image.
bool SkinPicture(const SkinImage& image, gfx::Image* picture);

struct TextureEntry {
    Texture* texture;  // null = free
    uint8_t counted;   // reference-counted entry
    uint32_t refs;
};

class TextureManager {
public:
    std::vector<TextureEntry> entries;  // the table's capacity is its size
    uint32_t count;                     // entries in use

    static constexpr uint32_t kGrowth = 50;

    TextureManager() : count(0) {}
    ~TextureManager() { Clear(); }
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    uint32_t Capacity() const { return uint32_t(entries.size()); }
    // The texture at an index, or null for an index out of range or a free entry.
    Texture* Get(int32_t index) const;
    // The index of a loaded texture of that name in any letter case, or -1. Adds no reference.
    int32_t Find(const char* name) const;

    int32_t LoadTexture(const char* name, bool compress, bool mipmaps, bool counted);
    int32_t LoadBumpMap(const char* name, bool mipmaps);
    int32_t Add(Texture* texture, bool counted);
    bool SetTexture(int stage, int32_t index);
    int32_t AddRef(int32_t index);
    int32_t Release(int32_t index);
    void Clear();
};

// The scene's texture manager, for code that holds only indices (animated-texture handles).
// The scene container sets it while it owns the manager; null otherwise.
extern TextureManager* g_SceneTextures;

class AnimatedTexture {
public:
    int32_t textureIndex;   // into the scene's texture manager, -1 for none
    int32_t frame;
    uint32_t randomRate;    // 1: a new rate is drawn on every update
    uint32_t accumulated;   // ms spent in the current frame
    float rate;             // frames per second; 0 or less stands still
    float rateA, rateB;
    uint32_t pause;         // ms held on the last frame before frame 0 (0: loop at once)
    uint32_t pauseLeft;

    AnimatedTexture() { Reset(); }
    ~AnimatedTexture() { Reset(); }

    void Reset();
    bool Init(int32_t index, int32_t startFrame, float rateA, float rateB, uint32_t pauseMs);
    bool Update(uint32_t elapsedMs);

private:
    void DrawRate();
};
