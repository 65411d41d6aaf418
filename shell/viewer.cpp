#include "shell/viewer.h"

#include "fighters/character.h"
#include "fighters/skin.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "shell/sound.h"

namespace {

// The viewer plays the cues of the animations it shows, out of the rows the fighters use too.
std::vector<CueSet> ViewerRows() {
    std::vector<CueSet> rows;
    for (const CueSet& set : AnimationCueTable()) {
        CueSet mine{{}, set.rows};
        for (int a : set.animations)
            if (a >= VIEWER_CUE_FIRST && a <= VIEWER_CUE_LAST) mine.animations.push_back(a);
        if (!mine.animations.empty()) rows.push_back(std::move(mine));
    }
    return rows;
}

int RealAnimationIndex(CharacterModel* m, int bone) { return m->GetAnimationIndex(bone); }
bool RealPlayAnimation(CharacterModel* m, int bone, int animation, uint32_t blendMs, float rate, bool recursive) {
    return m->PlayAnimation(bone, animation, blendMs, rate, recursive);
}
bool RealPassedFrame(CharacterModel* m, int bone, float frame) { return m->AnimationPassedFrame(bone, frame); }
void RealSetSpeed(CharacterModel* m, float rate) {
    if (m->root) m->root->SetSpeed(rate, true);
}
void RealToggleAdvance(CharacterModel* m) { m->ToggleAnimationAdvance(); }
void RealSetMode(Control& c, int mode) { c.SetMode(mode); }
void RealStartParticleCurtain(Control& c) { c.StartParticleCurtain(); }
void RealReloadAnimations() { g_Scene.ReloadAnimations(); }
bool RealComposeSkin(Character* ch, int side, const SkinParts& parts, SkinImageCache* cache) {
    return ch->ComposeSkin(side, parts, cache);
}
void RealClearSkinCache(SkinImageCache* cache) { cache->Clear(); }

constexpr ViewerCalls kRealViewerCalls = {
    RealAnimationIndex, RealPlayAnimation, RealPassedFrame,         RealSetSpeed,
    RealToggleAdvance,  PlayFx,            RealSetMode,             RealStartParticleCurtain,
    RealReloadAnimations, RealComposeSkin, RealClearSkinCache,
};

}  // namespace

ViewerCalls g_ViewerCalls = kRealViewerCalls;

void ResetViewerCalls() { g_ViewerCalls = kRealViewerCalls; }

const std::vector<CueSet>& ViewerCueTable() {
    static const std::vector<CueSet> rows = ViewerRows();
    return rows;
}

const CueSet* FindViewerCues(int animation) {
    for (const CueSet& set : ViewerCueTable()) {
        for (int id : set.animations) {
            if (id == animation) return &set;
        }
    }
    return nullptr;
}

ViewerCues EvaluateViewerCues(CharacterModel* model, int localSide) {
    ViewerCues cues;
    if (!model) return cues;
    const ViewerCalls& call = g_ViewerCalls;
    if (const CueSet* set = FindViewerCues(call.animationIndex(model, 0)))
        cues = EvaluateCueRows(*set, localSide, [&](float frame) { return call.passedFrame(model, 0, frame); });
    if (call.animationIndex(model, CUE_GUARD_BONE) == CUE_GUARD_ANIMATION &&
        call.passedFrame(model, CUE_GUARD_BONE, CUE_GUARD_FRAME))
        cues.c = CUE_GUARD_SOUND;
    cues.b = VoiceForSide(cues.b, localSide);
    return cues;
}

void PlayNeighbourAnimation(CharacterModel* model, int direction, int32_t blendMs, float rate) {
    if (!model) return;
    const ViewerCalls& call = g_ViewerCalls;
    const int current = call.animationIndex(model, 0);
    const bool known = current >= 0 && current < VIEWER_ANIMATION_COUNT;
    // Without a current animation every id is a candidate, starting at the end it leaves from.
    const int tries = known ? VIEWER_ANIMATION_COUNT - 1 : VIEWER_ANIMATION_COUNT;
    int id = known ? current : (direction > 0 ? -1 : VIEWER_ANIMATION_COUNT);
    const int step = direction > 0 ? 1 : -1;
    const uint32_t blend = blendMs > 0 ? uint32_t(blendMs) : 0u;
    for (int i = 0; i < tries; ++i) {
        id = (id + step + VIEWER_ANIMATION_COUNT) % VIEWER_ANIMATION_COUNT;
        if (call.playAnimation(model, 0, id, blend, rate, true)) return;
    }
}
