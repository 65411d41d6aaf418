// Speed of posing skeletons: 16 characters of about 60 bones each, one rendered frame per
// iteration, with the controllers advanced as the scene would between frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "shell/render_frame.h"

namespace {

constexpr int kCharacters = 16;
constexpr int kSpine = 12;        // root and a spine of 11
constexpr int kLimbs = 4;         // four limbs of 12 bones hang off the spine's top
constexpr int kLimbLength = 12;
constexpr int kBones = kSpine + kLimbs * kLimbLength;   // 60
constexpr int kFrames = 60;

Animation g_walk;

Animation* Lookup(int32_t, int32_t index) { return index == 0 ? &g_walk : nullptr; }

void BuildAnimation() {
    g_walk.Free();
    g_walk.length = kFrames;
    g_walk.nodeTrackCount = kBones;
    g_walk.nodeTracks.resize(kBones);
    for (int b = 0; b < kBones; ++b) {
        AnimTrack& t = g_walk.nodeTracks[size_t(b)];
        t.flags = ANIM_HAS_ROTATION | ANIM_HAS_POSITION;
        t.keyCount = kFrames;
        t.keys.resize(kFrames);
        for (int f = 0; f < kFrames; ++f) {
            const float half = 0.5f * std::sin(float(f + b) * 0.1f);
            t.keys[size_t(f)] = AnimKey{uint16_t(f), ANIM_HAS_ROTATION | ANIM_HAS_POSITION,
                                        Quat{std::sin(half), 0, 0, std::cos(half)}, Vec3{0, 1, 0}};
        }
    }
}

void InitBone(Bone* bone, Bone* parent, CharacterModel* owner, uint8_t* counter) {
    bone->parent = parent;
    bone->owner = owner;
    bone->index = (*counter)++;
    bone->restParts = TransformParts{{0, 1, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1}, 1.0f};
    bone->poseParts = bone->restParts;
    bone->controller = new AnimController();
    g_AnimControllers.Add(bone->controller);
}

// A chain of `length` bones below parent's child slot, numbered depth-first.
void BuildChain(Bone* first, Bone* parent, CharacterModel* owner, uint8_t* counter, int length) {
    Bone* bone = first;
    for (int i = 0; i < length; ++i) {
        InitBone(bone, parent, owner, counter);
        if (i + 1 < length) {
            bone->childCount = 1;
            bone->children = new Bone[1];
            parent = bone;
            bone = &bone->children[0];
        }
    }
}

struct Character {
    CharacterModel model;
    std::unique_ptr<Bone> root;

    Character() : root(new Bone()) {
        model.animationGroup = 0;
        uint8_t counter = 0;
        BuildChain(root.get(), nullptr, &model, &counter, kSpine);
        Bone* top = root.get();
        while (top->childCount) top = &top->children[0];
        top->childCount = kLimbs;
        top->children = new Bone[kLimbs];
        for (int l = 0; l < kLimbs; ++l) BuildChain(&top->children[l], top, &model, &counter, kLimbLength);
        root->PlayAnimation(0, 0, 30.0f, true);
    }
};

void BM_PoseSixteenSkeletons(benchmark::State& state) {
    SetAnimationLookup(Lookup);
    BuildAnimation();
    ResetFrameStats();
    {
        std::vector<std::unique_ptr<Character>> characters;
        for (int i = 0; i < kCharacters; ++i) characters.push_back(std::make_unique<Character>());
        for (auto _ : state) {
            g_AnimControllers.AdvanceAll(16);
            ++g_FrameStats.frameCounter;
            for (auto& c : characters) c->root->UpdatePose(true);
            benchmark::DoNotOptimize(characters[0]->root->worldMatrix);
        }
        state.SetItemsProcessed(state.iterations() * kCharacters * kBones);
    }
    g_AnimControllers.Clear();
    g_walk.Free();
    SetAnimationLookup(nullptr);
    ResetFrameStats();
}
BENCHMARK(BM_PoseSixteenSkeletons);

}  // namespace
