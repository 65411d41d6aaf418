// What a hit shows where it lands: a spark always, coloured and sized by the hit, and a flash for
// a heavy hit that was neither blocked nor met an immune victim. The victim's machine makes them,
// and the host makes a client's as they are here, whatever the client tells it.
#pragma once

#include <cstdint>

constexpr int32_t HIT_FLASH_TYPE = 41;
constexpr int32_t HIT_FLASH_MS = 450;
constexpr int32_t HIT_SPARK_TYPE = 40;
constexpr int32_t HIT_SPARK_MS = 350;

struct HitMarks {
    bool flash;
    float sparkScale;
    uint32_t sparkColour;
};

// By the hit's reaction code (-2 blocked, -3 immune) and heavy value (2 heavy).
constexpr HitMarks HitMarksOf(int32_t reaction, uint32_t heavy) {
    const bool blocked = reaction == -2 || reaction == -3;
    return HitMarks{!blocked && heavy == 2, heavy == 0 ? 0.5f : 1.0f,
                    blocked ? 3289855u /* red 50, green 50, blue 255 */ : 16724530u /* red 255, green 50, blue 50 */};
}
