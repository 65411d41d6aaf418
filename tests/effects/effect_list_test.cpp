#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "effect_fixture.h"
#include "effects/effect_list.h"
#include "effects/positioned_object.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/video.h"
#include "scene/scene.h"

namespace {

struct CallLog {
    std::vector<std::string> calls;
    int destroyed = 0;
};

class Probe : public PositionedObject {
public:
    Probe(CallLog* log, std::string name, uint32_t kindWord) : log_(log), name_(std::move(name)) { kind = kindWord; }
    ~Probe() override {
        ++log_->destroyed;
        Log("~");
    }
    int Update(uint32_t dtMs) override {
        Log("update ", " " + std::to_string(dtMs));
        // onUpdate may delete this object: nothing of it is touched afterwards.
        int result = finishOnUpdate ? 1 : answer;
        if (onUpdate) {
            auto hook = onUpdate;
            hook();
        }
        return result;
    }
    bool Queue() override { return Log("queue "); }
    bool Render() override { return Log("render "); }

    bool finishOnUpdate = false;
    int answer = 0;   // returned when not finishing
    std::function<void()> onUpdate;

private:
    bool Log(const char* what, const std::string& detail = "") {
        log_->calls.push_back(what + name_ + detail);
        return true;
    }
    CallLog* log_;
    std::string name_;
};

using Calls = std::vector<std::string>;
using ItemList = std::vector<PositionedObject*>;

class EffectListTest : public testing::Test {
protected:
    Probe* Add(const char* name, uint32_t kind = 0) {
        auto* p = new Probe(&log, name, kind);
        EXPECT_TRUE(list.Add(p));
        return p;
    }
    // The items front to back, checking every back link and the count on the way.
    ItemList Items() {
        ItemList items;
        EffectListNode* prev = nullptr;
        for (EffectListNode* n = list.Head(); n; n = n->next) {
            EXPECT_EQ(n->prev, prev);
            items.push_back(n->item);
            prev = n;
        }
        EXPECT_EQ(static_cast<int32_t>(items.size()), list.Count());
        return items;
    }
    CallLog log;  // outlives the list, whose items write to it when deleted
    EffectList list;
};

TEST_F(EffectListTest, UpdateDeletesOnlyItemsAnsweringOne) {
    Probe *a = Add("a"), *b = Add("b"), *c = Add("c"), *d = Add("d");  // newest first: d c b a
    d->finishOnUpdate = true;  // head
    b->finishOnUpdate = true;  // middle
    c->answer = 2;             // non-zero but not 1: kept
    a->answer = -1;
    list.Update(33);
    EXPECT_EQ(log.calls, (Calls{"update d 33", "~d", "update c 33", "update b 33", "~b", "update a 33"}));
    EXPECT_EQ(Items(), (ItemList{c, a}));
}

TEST_F(EffectListTest, DeleteUnlinksAndDeletes) {
    Probe *a = Add("a"), *b = Add("b"), *c = Add("c"), *d = Add("d");
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ(Items(), (ItemList{d, c, b, a}));
    // An item that is not on the list, or none, is not deleted.
    Probe stranger(&log, "stranger", 0);
    EXPECT_FALSE(list.Delete(&stranger));
    EXPECT_FALSE(list.Delete(nullptr));
    EXPECT_EQ(log.destroyed, 0);

    struct Step {
        PositionedObject* item;
        ItemList left;
    } steps[] = {
        {c, {d, b, a}},  // middle
        {d, {b, a}},     // head
        {a, {b}},        // tail
        {b, {}},         // only
    };
    int destroyed = 0;
    for (const Step& s : steps) {
        EXPECT_TRUE(list.Delete(s.item));
        EXPECT_EQ(log.destroyed, ++destroyed);
        EXPECT_EQ(Items(), s.left);
    }
}

TEST_F(EffectListTest, ScreenSpaceItemsDrawOnlyInTheirPass) {
    Add("a");
    Add("pulse", KIND_SCREEN_PULSE);
    Add("decal", KIND_DECAL);
    Add("c", 0xFF);  // every bit but the screen-space one
    list.Draw();
    EXPECT_EQ(log.calls, (Calls{"render c", "render decal", "render a"}));
    log.calls.clear();
    list.DrawScreenSpace();
    EXPECT_EQ(log.calls, (Calls{"render pulse"}));
    log.calls.clear();
    list.QueueAll();
    EXPECT_EQ(log.calls, (Calls{"queue c", "queue decal", "queue a"}));
}

TEST_F(EffectListTest, RemoveHandsTheItemBackAndClearLeavesIt) {
    Probe* a = Add("a");
    Probe* b = Add("b");
    EXPECT_TRUE(list.Remove(a));
    EXPECT_FALSE(list.Remove(a));  // already out
    EXPECT_EQ(Items(), (ItemList{b}));
    list.Clear();
    EXPECT_EQ(log.calls, (Calls{"~b"}));  // a is the caller's again
    EXPECT_EQ(Items(), ItemList{});
    EXPECT_FALSE(list.Remove(a));  // an empty list
    delete a;
}

TEST_F(EffectListTest, AnItemMayDeleteItselfDuringUpdate) {
    Probe *a = Add("a"), *b = Add("b");  // b a
    // Deletes itself and also reports finished: it must be deleted only once.
    b->finishOnUpdate = true;
    b->onUpdate = [&] { list.Delete(b); };
    list.Update(1);
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(Items(), (ItemList{a}));
}

TEST_F(EffectListTest, NestedWalksSurviveDeletion) {
    Probe *a = Add("a"), *b = Add("b"), *c = Add("c");  // c b a
    // c's update starts an inner walk (a draw) during which b goes away.
    c->onUpdate = [&] {
        list.Draw();
        list.Delete(b);
    };
    list.Update(1);
    EXPECT_EQ(log.calls, (Calls{"update c 1", "render c", "render b", "render a", "~b", "update a 1"}));
    EXPECT_EQ(Items(), (ItemList{c, a}));
}

}  // namespace

namespace {

// An item that appends one quad to the scene's dynamic buffer, as world-space effects do.
class QuadItem : public PositionedObject {
public:
    bool Render() override {
        DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
        auto* v = static_cast<EffectVertex*>(buffer->Lock(QUAD_VERTICES));
        if (!v) return false;
        WriteQuad(v, Vec3{0, 0, 0}, 1.0f, 0.0f, Vec3{1, 0, 0}, Vec3{0, 1, 0}, 0xFFFFFFFFu);
        buffer->Unlock(QUAD_VERTICES);
        return true;
    }
};

using efftest::EffectDeviceTest;

TEST_F(EffectDeviceTest, TheWorldPassSetsItsStatesOnceAndFlushesOnce) {
    using namespace gfx;
    EffectList list;
    // An empty list sets its states and draws nothing.
    g_Video.SetBlendMode(1);
    g_Video.SetLighting(true);
    EXPECT_TRUE(list.Draw());
    EXPECT_EQ(rec->Draws().size(), 0u);
    EXPECT_EQ(rec->RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(rec->RenderState(D3DRS_ALPHABLENDENABLE), 0u);

    list.Add(new QuadItem);
    list.Add(new QuadItem);
    g_Video.SetZWrite(true);
    EXPECT_TRUE(list.Draw());
    const DrawRecord& d = OnlyDraw();   // both quads in one draw
    EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(d.primitiveCount, 4u);
    EXPECT_EQ(d.vertexShader, SCENE_DYNAMIC_FVF);
    EXPECT_EQ(d.stream0, g_Scene.dynamicBuffer->buffer);
    EXPECT_EQ(d.stride, 24u);
    EXPECT_EQ(d.textures[0], nullptr);
    EXPECT_EQ(d.RenderState(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(d.RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(d.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(d.StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_DISABLE));
    EXPECT_EQ(std::memcmp(&d.world, &IdentityMatrix, sizeof d.world), 0);
}

}  // namespace
