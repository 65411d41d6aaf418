#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "effects/effect_list.h"
#include "effects/positioned_object.h"

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
        int result = finishOnUpdate ? 1 : 0;
        if (onUpdate) {
            auto hook = onUpdate;
            hook();
        }
        return result;
    }
    bool Queue() override { return Log("queue "); }
    bool Render() override { return Log("render "); }

    bool finishOnUpdate = false;
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

TEST_F(EffectListTest, UpdateDeletesFinishedItemsAndKeepsTheRest) {
    Probe *a = Add("a"), *b = Add("b"), *c = Add("c"), *d = Add("d");  // list: d c b a
    d->finishOnUpdate = true;  // head
    b->finishOnUpdate = true;  // middle
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
    list.Delete(&stranger);
    list.Delete(nullptr);
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
        list.Delete(s.item);
        EXPECT_EQ(log.destroyed, ++destroyed);
        EXPECT_EQ(Items(), s.left);
    }
}

TEST_F(EffectListTest, DrawRendersWorldItemsInOrderAndSkipsScreenSpace) {
    Add("a");
    Add("hud", KIND_SCREEN_SPACE | 0x3);
    Add("c", 0xFF);  // every bit but the screen-space one
    list.Draw();
    EXPECT_EQ(log.calls, (Calls{"render c", "render a"}));
    log.calls.clear();
    list.DrawScreenSpace();
    EXPECT_EQ(log.calls, (Calls{"render hud"}));
    log.calls.clear();
    list.QueueAll();
    EXPECT_EQ(log.calls, (Calls{"queue c", "queue a"}));
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
