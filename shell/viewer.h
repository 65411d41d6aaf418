// What the character viewer's hotkeys and animation cues need beyond Control itself: the sound
// cues of each animation kept as data, the evaluation of one frame's cues, the search for the
// next playable animation, and the calls into the model, sound and skin code, gathered so that
// tests can stand in for them.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "fighters/animation_cues.h"

class Character;
class CharacterModel;
class Control;
class SkinImageCache;
struct SkinParts;

constexpr int VIEWER_ANIMATION_COUNT = 1000;    // ids 0..999 of the model's group
constexpr int32_t VIEWER_BLEND_STEP = 10;
constexpr int32_t VIEWER_BLEND_MAX = 5000;
constexpr float VIEWER_RATE_STEP = 0.5f;
constexpr uint8_t VIEWER_LOD_MAX = 4;
// The viewer reads the rows of the shared cue table for these animations only.
constexpr int VIEWER_CUE_FIRST = 2;
constexpr int VIEWER_CUE_LAST = 156;

// The rows of the cue table the viewer plays.
const std::vector<CueSet>& ViewerCueTable();
// The cue rows of an animation of bone 0, null when it has none.
const CueSet* FindViewerCues(int animation);

using ViewerCues = CueSounds;

// The cues the model's last advance crossed, for the local side.
ViewerCues EvaluateViewerCues(CharacterModel* model, int localSide);

// From the current animation of bone 0 one id further in `direction` (+1 or -1), wrapping
// within 0..999, plays the first the model accepts; every id but the current one is tried once.
void PlayNeighbourAnimation(CharacterModel* model, int direction, int32_t blendMs, float rate);

// The calls the viewer makes into other subsystems. They point at the real functions unless a
// test replaces them.
struct ViewerCalls {
    int (*animationIndex)(CharacterModel* model, int bone);
    bool (*playAnimation)(CharacterModel* model, int bone, int animation, uint32_t blendMs, float rate,
                          bool recursive);
    bool (*passedFrame)(CharacterModel* model, int bone, float frame);
    // The root bone and its subtree.
    void (*setSpeed)(CharacterModel* model, float rate);
    void (*toggleAdvance)(CharacterModel* model);
    int (*playFx)(int id, const Vec3* position, uint32_t flags);
    void (*setMode)(Control& control, int mode);
    void (*startParticleCurtain)(Control& control);
    void (*reloadAnimations)();
    bool (*composeSkin)(Character* character, int side, const SkinParts& parts, SkinImageCache* cache);
    void (*clearSkinCache)(SkinImageCache* cache);
};
extern ViewerCalls g_ViewerCalls;
void ResetViewerCalls();
