// A stand-in for the viewed model and for the sound, mode, curtain and skin calls of the
// character viewer: it answers from a small description of the model and records every call.
#pragma once

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "fighters/skin.h"
#include "shell/control.h"
#include "shell/viewer.h"

namespace viewertest {

struct PlayCall {
    int animation;
    uint32_t blendMs;
    float rate;
};

struct FxCall {
    int id;
    bool hasPosition;
    Vec3 position;
    uint32_t flags;
};

struct ComposeCall {
    int side;
    SkinParts parts;
};

struct FakeViewer {
    std::map<int, int> animation;                  // bone -> animation it plays
    std::set<std::pair<int, float>> crossed;       // (bone, frame) the last advance crossed
    std::set<int> group;                           // animations the model's group holds
    std::vector<std::pair<int, float>> queried;    // frame tests, in order
    std::vector<int> tried;                        // animations asked for, in order
    std::vector<PlayCall> played;                  // accepted ones
    std::vector<float> speeds;
    std::vector<FxCall> fx;
    int reloads = 0;
    std::vector<ComposeCall> composed;

    // Only bone 0's frame tests, in order.
    std::vector<float> Bone0Frames() const {
        std::vector<float> out;
        for (const auto& q : queried) {
            if (q.first == 0) out.push_back(q.second);
        }
        return out;
    }
    std::vector<int> FxIds() const {
        std::vector<int> out;
        for (const FxCall& c : fx) out.push_back(c.id);
        return out;
    }
};

inline FakeViewer& Fake() {
    static FakeViewer fake;
    return fake;
}

inline ViewerCalls FakeCalls() {
    ViewerCalls c;
    c.animationIndex = [](CharacterModel*, int bone) {
        auto it = Fake().animation.find(bone);
        return it == Fake().animation.end() ? -1 : it->second;
    };
    c.playAnimation = [](CharacterModel*, int bone, int animation, uint32_t blendMs, float rate, bool) {
        Fake().tried.push_back(animation);
        if (!Fake().group.count(animation)) return false;
        Fake().animation[bone] = animation;
        Fake().played.push_back(PlayCall{animation, blendMs, rate});
        return true;
    };
    c.passedFrame = [](CharacterModel*, int bone, float frame) {
        Fake().queried.emplace_back(bone, frame);
        return Fake().crossed.count({bone, frame}) != 0;
    };
    c.setSpeed = [](CharacterModel*, float rate) { Fake().speeds.push_back(rate); };
    c.toggleAdvance = [](CharacterModel*) {};
    c.playFx = [](int id, const Vec3* position, uint32_t flags) {
        Fake().fx.push_back(FxCall{id, position != nullptr, position ? *position : Vec3{}, flags});
        return 0;
    };
    c.setMode = [](Control&, int) {};
    c.startParticleCurtain = [](Control&) {};
    c.reloadAnimations = [] { ++Fake().reloads; };
    c.composeSkin = [](Character*, int side, const SkinParts& parts, SkinImageCache*) {
        Fake().composed.push_back(ComposeCall{side, parts});
        return true;
    };
    c.clearSkinCache = [](SkinImageCache*) {};
    return c;
}

}  // namespace viewertest
