#include "scene/anim_controller.h"

#include <cmath>

#include "scene/animation.h"

AnimControllerList g_AnimControllers;

AnimController::AnimController()
    : animIndex(-1), time(0.0f), length(0), rate(30.0f), prevIndex(-1), prevTime(0.0f), wrapped(0),
      state(ANIM_STATE_NONE), blendTotal(0), blendRemaining(0), lastStep(0) {}

int32_t AnimController::Play(int32_t group, int32_t index, uint32_t blendMs, float newRate) {
    const Animation* animation = GetAnimation(group, index);
    if (!animation) return animIndex;
    wrapped = 0;
    prevIndex = animIndex;
    blendTotal = blendRemaining = blendMs;
    prevTime = time;
    lastStep = 0;
    animIndex = index;
    time = 0.0f;
    length = animation->length;
    rate = newRate;
    if (blendMs == 0) {
        state = ANIM_STATE_PLAYING;
        prevTime = 0.0f;
    } else {
        state = ANIM_STATE_BLENDING;
    }
    return index;
}

bool AnimController::Advance(int32_t stepMs) {
    uint32_t step = uint32_t(stepMs);
    if (blendRemaining != 0) {
        state = ANIM_STATE_BLENDING;
        if (step > blendRemaining) step = blendRemaining;
        blendRemaining -= step;
        if (blendRemaining != 0) {
            lastStep = step;
            return true;
        }
    }
    if (animIndex < 0) {
        state = ANIM_STATE_NONE;
        lastStep = step;
        return true;
    }
    prevTime = time;
    // Divided rather than scaled by 0.001, which is inexact: whole steps must land on whole frames.
    time = time + float(int32_t(step)) * rate / 1000.0f;
    const float len = float(length);
    if (time >= prevTime) {
        if (time >= len) {
            // An empty animation has nowhere to wrap to: it stays on frame 0.
            if (length <= 0) time = 0.0f;
            else time = std::fmod(time, len);
            wrapped = 1;
        } else {
            wrapped = 0;
        }
    } else {
        if (time < 0.0f) {
            if (length <= 0) {
                time = 0.0f;
            } else {
                // A backward wrap ends in (0, length], never on 0.
                time = std::fmod(time, len) + len;
                if (time <= 0.0f) time += len;
            }
            wrapped = 1;
        } else {
            wrapped = 0;
        }
    }
    state = ANIM_STATE_PLAYING;
    lastStep = step;
    return true;
}

bool AnimController::PassedFrame(float frame) const {
    if (time == prevTime || state != ANIM_STATE_PLAYING || rate <= 0.0f) return false;
    if (time > prevTime) return prevTime <= frame && frame < time;
    return frame <= time;
}

void AnimControllerList::Init() {
    Node* node = first;
    while (node) {
        Node* next = node->next;
        delete node;
        node = next;
    }
    first = nullptr;
}

void AnimControllerList::Clear() {
    Node* node = first;
    while (node) {
        Node* next = node->next;
        delete node->controller;
        delete node;
        node = next;
    }
    first = nullptr;
    spare = nullptr;
}

void AnimControllerList::Add(AnimController* controller) {
    Node* node = new Node{controller, first, nullptr};
    if (first) first->previous = node;
    first = node;
}

void AnimControllerList::Remove(AnimController* controller) {
    for (Node* node = first; node; node = node->next) {
        if (node->controller != controller) continue;
        if (node->previous) node->previous->next = node->next;
        else first = node->next;
        if (node->next) node->next->previous = node->previous;
        delete node;
        return;
    }
}

void AnimControllerList::Delete(AnimController* controller) {
    Remove(controller);
    delete controller;
}

void AnimControllerList::AdvanceAll(int32_t stepMs) {
    for (Node* node = first; node; node = node->next) node->controller->Advance(stepMs);
}

int AnimControllerList::Count() const {
    int n = 0;
    for (const Node* node = first; node; node = node->next) ++n;
    return n;
}
