// A fighter's skin: the layer numbers a look names, the layer files and where each is drawn, and
// the cache of decoded layers shared by one batch of spawns.
#pragma once

#include <cstdint>

#include "fighters/side_table.h"
#include "render/texture_manager.h"

constexpr int SKIN_TATTOO_SLOTS = 8;
// Largest width or height of a layer file.
constexpr uint32_t SKIN_LAYER_MAX_SIDE = 4096;
constexpr const char* SKIN_TEXTURE_PACK = "TEXTURAS.DAT";

// Skin, eyes and clothes numbers and the tattoo of each slot (-1 = none), in the order a player
// record keeps them.
struct SkinParts {
    int32_t skin;
    int32_t eyes;
    int32_t clothes;
    int32_t tattoos[SKIN_TATTOO_SLOTS];
};

struct PlayerLook;
// The skin parts a player record's look names.
SkinParts SkinPartsOf(const PlayerLook& look);

// How a layer goes onto the skin: the base is copied, the rest blended (SKIN_BLEND_*).
constexpr int SKIN_BLEND_COPY = 0;

struct SkinPoint {
    int32_t x, y;
};

// One layer drawn from a skin part's number: the file of each side (one "%02d" for the number),
// where it goes on each side, how, and which of skin, eyes, clothes (0-2) numbers it.
struct SkinLayerRow {
    const char* file[SIDE_COUNT];
    SkinPoint at[SIDE_COUNT];
    int blend;
    int part;
};
constexpr int SKIN_LAYER_COUNT = 4;
extern const SkinLayerRow SKIN_LAYERS[SKIN_LAYER_COUNT];
// Tattoo files by side, slot and tattoo number; drawn multiplied at the slot's place.
constexpr const char* SKIN_TATTOO_FILE = "Texturas\\Personajes\\Tatuajes\\%d%d%d.tga";
extern const SkinPoint SKIN_TATTOO_POSITIONS[SIDE_COUNT][SKIN_TATTOO_SLOTS];

struct SkinImageCacheNode {
    SkinLayerImage layer;
    char* name;        // owned, upper case
    SkinImageCacheNode* next;
    SkinImageCacheNode* prev;
};

class SkinImageCache {
public:
    SkinImageCacheNode* head = nullptr;   // the newest first
    uint32_t count = 0;

    SkinImageCache() = default;
    ~SkinImageCache() { Clear(); }
    SkinImageCache(const SkinImageCache&) = delete;
    SkinImageCache& operator=(const SkinImageCache&) = delete;

    // An uncompressed true-colour TGA (24 or 32 bits, at most SKIN_LAYER_MAX_SIDE a side) from
    // the texture pack, a loose file first; false (logged, nothing kept) for any other file.
    static bool LoadLayer(SkinLayerImage* layer, const char* name);
    // The same file into an empty working image.
    static bool LoadTga(SkinImage* image, const char* name);
    // The node of that name in any letter case, or null.
    SkinImageCacheNode* Find(const char* name) const;
    // A new node at the front taking the layer (left empty) under the upper-cased name.
    SkinImageCacheNode* Add(SkinLayerImage* layer, const char* name);
    // The cached layer of that name, read on the first asking; null when it cannot be read.
    SkinImageCacheNode* Get(const char* name);
    // Frees every cached layer; the cache is empty afterwards.
    void Clear();
};
