#include "effects/effect_list.h"

#include "effects/positioned_object.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/render_state_seams.h"

EffectList::EffectList() : head_(nullptr), count_(0), cursors_(nullptr) {}

EffectList::~EffectList() {
    while (head_) {
        EffectListNode* node = head_;
        Unlink(node);
        delete node->item;
        delete node;
    }
}

bool EffectList::Add(PositionedObject* item) {
    if (!item) return false;
    EffectListNode* node = new EffectListNode{item, head_, nullptr};
    if (head_) head_->prev = node;
    head_ = node;
    ++count_;
    return true;
}

EffectListNode* EffectList::Find(PositionedObject* item) const {
    for (EffectListNode* node = head_; node; node = node->next)
        if (node->item == item) return node;
    return nullptr;
}

void EffectList::Unlink(EffectListNode* node) {
    for (Cursor* c = cursors_; c; c = c->outer) {
        if (c->current == node) c->current = nullptr;
        if (c->next == node) c->next = node->next;
    }
    if (node->prev)
        node->prev->next = node->next;
    else
        head_ = node->next;
    if (node->next) node->next->prev = node->prev;
    node->next = node->prev = nullptr;
    --count_;
}

void EffectList::Delete(PositionedObject* item) {
    if (!item) return;
    EffectListNode* node = Find(item);
    if (!node) return;
    Unlink(node);
    delete node->item;
    delete node;
}

bool EffectList::Remove(PositionedObject* item) {
    if (!item) return false;
    EffectListNode* node = Find(item);
    if (!node) return false;
    Unlink(node);
    delete node;
    return true;
}

template <typename Fn>
void EffectList::ForEach(Fn fn) {
    Cursor cursor{nullptr, head_, cursors_};
    cursors_ = &cursor;
    while (cursor.next) {
        cursor.current = cursor.next;
        cursor.next = cursor.current->next;
        fn(cursor.current, cursor);
    }
    cursors_ = cursor.outer;
}

void EffectList::Update(uint32_t dtMs) {
    ForEach([&](EffectListNode* node, Cursor& cursor) {
        PositionedObject* item = node->item;
        int done = item->Update(dtMs);
        // The item may have had itself deleted during its update.
        if (done != 0 && cursor.current == node) {
            Unlink(node);
            delete item;
            delete node;
        }
    });
}

void EffectList::QueueAll() {
    ForEach([](EffectListNode* node, Cursor&) {
        if (!(node->item->kind & KIND_SCREEN_SPACE)) node->item->Queue();
    });
}

void EffectList::Draw() {
    ForEach([](EffectListNode* node, Cursor&) {
        if (!(node->item->kind & KIND_SCREEN_SPACE)) node->item->Render();
    });
    FlushDynamicVertexBuffer();
}

void EffectList::DrawScreenSpace() {
    ApplyScreenSpaceStates();
    ForEach([](EffectListNode* node, Cursor&) {
        if (node->item->kind & KIND_SCREEN_SPACE) node->item->Render();
    });
}
