#include "effects/effect_list.h"

#include "effects/effect_draw.h"
#include "effects/positioned_object.h"
#include "platform/gfx/types.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/render_state_seams.h"
#include "render/video.h"
#include "scene/scene.h"

EffectList::EffectList() : head_(nullptr), count_(0), cursors_(nullptr) {}

EffectList::~EffectList() { EffectList::Clear(); }

void EffectList::Clear() {
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

bool EffectList::Delete(PositionedObject* item) {
    if (!item) return false;
    EffectListNode* node = Find(item);
    if (!node) return false;
    Unlink(node);
    delete node->item;
    delete node;
    return true;
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
        // Other non-zero answers keep the item: only 1 asks for deletion.
        const bool done = !item || item->Update(dtMs) == 1;
        // The item may have had itself deleted during its update.
        if (done && cursor.current == node) {
            Unlink(node);
            delete item;
            delete node;
        }
    });
}

void EffectList::QueueAll() {
    ForEach([](EffectListNode* node, Cursor&) {
        if (node->item && !(node->item->kind & KIND_SCREEN_SPACE)) node->item->Queue();
    });
}

bool EffectList::Draw() {
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (g_Video.GetDevice()) {
        g_Video.SetZWrite(false);
        g_Video.SetLighting(false);
        g_Video.SetWorldMatrix(nullptr, 0, true);
        BindEffectBuffer();
        g_Video.SetBlendMode(0);
        g_Video.SetTexture(-1, nullptr);
    }
    if (buffer) buffer->SetPrimitiveType(gfx::D3DPT_TRIANGLELIST);
    ForEach([](EffectListNode* node, Cursor&) {
        if (node->item && !(node->item->kind & KIND_SCREEN_SPACE)) node->item->Render();
    });
    return buffer ? buffer->Flush() : true;
}

void EffectList::DrawScreenSpace() {
    ApplyScreenSpaceStates();
    ForEach([](EffectListNode* node, Cursor&) {
        if (node->item && (node->item->kind & KIND_SCREEN_SPACE)) node->item->Render();
    });
}
