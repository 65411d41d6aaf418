// An owning list of effects: the scene's effect list and decal list, and an emitter's particles.
#pragma once

#include <cstdint>

class PositionedObject;

struct EffectListNode {
    PositionedObject* item;
    EffectListNode* next;
    EffectListNode* prev;
};

class EffectList {
public:
    EffectList();
    // Deletes every item still in the list.
    virtual ~EffectList();

    EffectList(const EffectList&) = delete;
    EffectList& operator=(const EffectList&) = delete;

    // Deletes every item and empties the list.
    virtual void Clear();
    // The world-space pass: sets the effect states (depth writes off, lighting off, identity
    // world, the dynamic buffer's format and stream, blend preset 0, no textures, triangle
    // lists), renders every item not drawn in screen space in list order, then flushes the
    // dynamic buffer they appended to; returns the flush's result.
    virtual bool Draw();

    // Takes ownership and pushes the item at the front. A null item is refused.
    bool Add(PositionedObject* item);
    // Unlinks and deletes the item; false, with nothing deleted, when it is not in the list.
    bool Delete(PositionedObject* item);
    // Unlinks the item and gives it back to its owner; false when it is not in the list.
    bool Remove(PositionedObject* item);
    // Steps every item; those whose update returns exactly 1 are unlinked and deleted.
    void Update(uint32_t dtMs);
    // Queues every item not drawn in screen space.
    void QueueAll();
    // Sets the screen-space states, then renders every screen-space item in list order.
    void DrawScreenSpace();

    int32_t Count() const { return count_; }
    EffectListNode* Head() const { return head_; }

private:
    // One per walk in progress; Unlink keeps them pointing at live nodes.
    struct Cursor {
        EffectListNode* current;
        EffectListNode* next;
        Cursor* outer;
    };

    // Walks the list so that the callback may delete any item, itself included, or add
    // items (which land at the front, behind the walk, and wait for the next pass).
    template <typename Fn>
    void ForEach(Fn fn);

    EffectListNode* Find(PositionedObject* item) const;
    void Unlink(EffectListNode* node);

    EffectListNode* head_;
    int32_t count_;
    Cursor* cursors_;
};
