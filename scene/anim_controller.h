// The play head of one animation on one bone, and the list through which the scene advances
// every controller once per game frame.
#pragma once

#include <cstdint>

constexpr int32_t ANIM_STATE_NONE = 1;
constexpr int32_t ANIM_STATE_PLAYING = 2;
constexpr int32_t ANIM_STATE_BLENDING = 4;

class AnimController {
public:
    int32_t animIndex;
    float time;               // frames
    int32_t length;           // frames
    float rate;               // frames per second; negative plays backward
    int32_t prevIndex;
    float prevTime;
    uint8_t wrapped;
    int32_t state;
    uint32_t blendTotal;      // ms
    uint32_t blendRemaining;  // ms; 0 = not blending
    uint32_t lastStep;        // ms

    AnimController();

    // The index, or the current animIndex unchanged when group/index names no animation.
    int32_t Play(int32_t group, int32_t index, uint32_t blendMs, float rate);
    bool Advance(int32_t stepMs);
    bool PassedFrame(float frame) const;
};

class AnimControllerList {
public:
    struct Node {
        AnimController* controller;
        Node* next;
        Node* previous;
    };

    Node* first;
    void* spare;

    AnimControllerList() : first(nullptr), spare(nullptr) {}
    ~AnimControllerList() { Clear(); }
    AnimControllerList(const AnimControllerList&) = delete;
    AnimControllerList& operator=(const AnimControllerList&) = delete;

    // Unlinks every node (the controllers belong to their bones).
    void Init();
    // Destroys every controller and node.
    void Clear();
    void Add(AnimController* controller);
    void Remove(AnimController* controller);
    void Delete(AnimController* controller);
    void AdvanceAll(int32_t stepMs);
    int Count() const;
};

// The scene's controller list; Scene::Update advances it and the scene's destruction clears it.
extern AnimControllerList g_AnimControllers;
