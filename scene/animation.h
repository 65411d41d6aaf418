// Skeletal animations read from the animation pack, and the samplers that turn a fractional
// frame time into a rotation or a position for one track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/math.h"

class BinaryReader;

// The version of the Y3D file read last; the block readers choose their record forms by it.
extern uint16_t g_Y3DVersion;

constexpr uint8_t ANIM_CYCLIC = 0x01;
constexpr uint8_t ANIM_HAS_ROTATION = 0x01;
constexpr uint8_t ANIM_HAS_POSITION = 0x02;

struct AnimKey {
    uint16_t frame;
    uint8_t flags;       // ANIM_HAS_ROTATION / ANIM_HAS_POSITION: which values the key carries
    Quat rotation;
    Vec3 position;
};

struct AnimTrack {
    uint8_t flags = 0;   // the components the track has keys for
    uint16_t keyCount = 0;
    std::vector<AnimKey> keys;
    Vec3 restPosition{};
    Quat restRotation{};
};

class Animation {
public:
    int32_t length;      // frames
    uint8_t flags;       // ANIM_CYCLIC
    int32_t nodeTrackCount;
    std::vector<AnimTrack> nodeTracks;      // one per bone, by bone index
    int32_t namedTrackCount;
    std::vector<std::string> trackNames;
    std::vector<uint32_t> trackExtras;      // two words per named track, carried unread
    std::vector<AnimTrack> namedTracks;

    Animation() : length(0), flags(0), nodeTrackCount(0), namedTrackCount(0) {}

    // Reads one animation from the reader's position to the end of its entry, and steps over it.
    // A failed read leaves the animation empty (length 0, no tracks).
    bool Read(BinaryReader& in);
    // The same from bytes in memory (the whole file).
    bool ReadBytes(const uint8_t* data, size_t size);
    void Free();

    int32_t FindNamedTrack(const char* name) const;

    // False only when out is null or the track does not exist; a missing track gives the
    // identity rotation or the origin.
    bool SampleNodeRotation(int32_t track, float time, Quat* out, bool interpolate) const;
    bool SampleNodePosition(int32_t track, float time, Vec3* out, bool interpolate) const;
    bool SampleTrackRotation(int32_t track, float time, Quat* out, bool interpolate) const;
    bool SampleTrackPosition(int32_t track, float time, Vec3* out, bool interpolate) const;

private:
    bool SampleRotation(const AnimTrack& track, float time, Quat* out, bool interpolate) const;
    bool SamplePosition(const AnimTrack& track, float time, Vec3* out, bool interpolate) const;
};

// The scene's animation table (group 0..99, index 0..999); null for none.
Animation* GetAnimation(int32_t group, int32_t index);
// Tests and the scene install the table's lookup here; null restores the empty one.
using AnimationLookup = Animation* (*)(int32_t group, int32_t index);
void SetAnimationLookup(AnimationLookup lookup);
