// A fighter's skin: the layer numbers a look names and the cache of decoded layer images shared
// by one batch of spawns.
#pragma once

#include <cstdint>

constexpr int SKIN_TATTOO_SLOTS = 8;

// Skin, eyes and clothes numbers and the tattoo of each slot (-1 = none), in the order a player
// record keeps them.
struct SkinParts {
    int32_t skin;
    int32_t eyes;
    int32_t clothes;
    int32_t tattoos[SKIN_TATTOO_SLOTS];
};

class SkinImageCache {
public:
    // Frees every cached image; the cache is empty afterwards.
    void Clear();
};
