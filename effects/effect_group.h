// The render object of one effect instance: a fixed number of places for child effects that
// move, update, queue and draw together, frozen while an optional cull box or cull distance
// puts the group out of view.
#pragma once

#include <cstdint>

#include "effects/positioned_object.h"
#include "render/geometry.h"

// Drawing mode: the group goes to the sorted render queue as one item instead of each child
// queueing itself.
constexpr uint32_t GROUP_QUEUE_WHOLE = 2;

class EffectGroup : public PositionedObject {
public:
    EffectGroup();
    ~EffectGroup() override;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Queue() override;
    bool Render() override;
    // Moves every child by the same offset as the group.
    void SetPosition(const Vec3& p) override;
    virtual void SetCullBoxOn(bool on);
    // Also switches the cull box on.
    virtual void SetCullBox(const AxisBox& box);
    virtual void EnableCullDistance();
    // Also switches the cull distance on.
    virtual void SetCullDistance(float distance);

    // `count` empty places (a group already made is released first). removal:
    // REMOVE_WHEN_FINISHED or 0; mode: GROUP_QUEUE_WHOLE or 0.
    bool Init(float px, float py, float pz, uint32_t count, uint32_t removal, uint32_t mode);
    // Takes the child into the first empty place and makes its position, built relative to the
    // group, absolute. -1, the child left with the caller, when the group is full or it is null.
    int32_t Add(PositionedObject* child);
    // The cull box, then the cull distance along the view direction, against the scene's camera.
    bool IsVisible() const;

    uint32_t flags;                  // REMOVE_WHEN_FINISHED
    uint32_t drawMode;               // GROUP_QUEUE_WHOLE
    PositionedObject** children;     // owned, each place owned; null where empty
    uint32_t childCount;
    AxisBox cullBox;
    uint8_t cullBoxOn;
    float cullDistance;
    uint8_t cullDistanceOn;
};
