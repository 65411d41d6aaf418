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
    Probe(CallLog* log, std::string name, uint32_t kindWord = 0) : log_(log), name_(std::move(name)) {
        kind = kindWord;
    }
    ~Probe() override {
        ++log_->destroyed;
        log_->calls.push_back("~" + name_);
    }
    int Update(uint32_t dtMs) override {
        log_->calls.push_back("update " + name_ + " " + std::to_string(dtMs));
        // onUpdate may delete this object: nothing of it is touched afterwards.
        int result = finishOnUpdate ? 1 : 0;
        if (onUpdate) {
            auto hook = onUpdate;
            hook();
        }
        return result;
    }
    bool Queue() override {
        log_->calls.push_back("queue " + name_);
        return true;
    }
    bool Render() override {
        log_->calls.push_back("render " + name_);
        return true;
    }

    bool finishOnUpdate = false;
    std::function<void()> onUpdate;

private:
    CallLog* log_;
    std::string name_;
};

using Calls = std::vector<std::string>;

// The items front to back, checking every back link and the count on the way.
std::vector<PositionedObject*> Items(const EffectList& list) {
    std::vector<PositionedObject*> items;
    EffectListNode* prev = nullptr;
    for (EffectListNode* n = list.Head(); n; n = n->next) {
        EXPECT_EQ(n->prev, prev);
        items.push_back(n->item);
        prev = n;
    }
    EXPECT_EQ(static_cast<int32_t>(items.size()), list.Count());
    return items;
}

TEST(EffectList, AddPushesAtTheFront) {
    CallLog log;
    EffectList list;
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    auto* c = new Probe(&log, "c");
    EXPECT_TRUE(list.Add(a));
    EXPECT_TRUE(list.Add(b));
    EXPECT_TRUE(list.Add(c));
    EXPECT_EQ(Items(list), (std::vector<PositionedObject*>{c, b, a}));
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ(list.Count(), 3);
    // An item that is not on the list, or none, is not deleted.
    Probe stranger(&log, "stranger");
    list.Delete(&stranger);
    list.Delete(nullptr);
    EXPECT_EQ(log.destroyed, 0);
}

TEST(EffectList, UpdateDeletesFinishedItemsAndKeepsTheRest) {
    CallLog log;
    EffectList list;
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    auto* c = new Probe(&log, "c");
    auto* d = new Probe(&log, "d");
    list.Add(a);
    list.Add(b);
    list.Add(c);
    list.Add(d);  // list: d c b a
    d->finishOnUpdate = true;  // head
    b->finishOnUpdate = true;  // middle
    list.Update(33);
    EXPECT_EQ(log.calls, (Calls{"update d 33", "~d", "update c 33", "update b 33", "~b", "update a 33"}));
    EXPECT_EQ(Items(list), (std::vector<PositionedObject*>{c, a}));

    a->finishOnUpdate = true;  // tail
    c->finishOnUpdate = true;  // and the last one
    list.Update(5);
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(log.destroyed, 4);
}

TEST(EffectList, DeleteUnlinksAndDeletes) {
    CallLog log;
    EffectList list;
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    auto* c = new Probe(&log, "c");
    auto* d = new Probe(&log, "d");
    for (Probe* p : {a, b, c, d}) list.Add(p);  // d c b a

    struct Step {
        PositionedObject* item;
        std::vector<PositionedObject*> left;
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
        EXPECT_EQ(Items(list), s.left);
    }
}

TEST(EffectList, DrawRendersWorldItemsInOrderAndSkipsScreenSpace) {
    CallLog log;
    EffectList list;
    list.Add(new Probe(&log, "a"));
    list.Add(new Probe(&log, "hud1", KIND_SCREEN_SPACE));
    list.Add(new Probe(&log, "b", 0x7));
    list.Add(new Probe(&log, "hud2", KIND_SCREEN_SPACE | 0x3));
    list.Add(new Probe(&log, "c", 0xFF));  // every bit but the screen-space one
    // list: c hud2 b hud1 a
    list.Draw();
    EXPECT_EQ(log.calls, (Calls{"render c", "render b", "render a"}));

    log.calls.clear();
    list.DrawScreenSpace();
    EXPECT_EQ(log.calls, (Calls{"render hud2", "render hud1"}));

    log.calls.clear();
    list.QueueAll();
    EXPECT_EQ(log.calls, (Calls{"queue c", "queue b", "queue a"}));
}

TEST(EffectList, AnItemMayDeleteItselfDuringUpdate) {
    CallLog log;
    EffectList list;
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    list.Add(a);
    list.Add(b);  // b a
    // Deletes itself and also reports finished: it must be deleted only once.
    b->finishOnUpdate = true;
    b->onUpdate = [&] { list.Delete(b); };
    list.Update(1);
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(Items(list), (std::vector<PositionedObject*>{a}));
}

TEST(EffectList, ItemsAddedDuringUpdateWaitForTheNextPass) {
    CallLog log;
    EffectList list;
    auto* a = new Probe(&log, "a");
    list.Add(a);
    a->onUpdate = [&] {
        if (list.Count() == 1) list.Add(new Probe(&log, "spawned"));
    };
    list.Update(1);
    EXPECT_EQ(log.calls, (Calls{"update a 1"}));
    EXPECT_EQ(list.Count(), 2);
    log.calls.clear();
    list.Update(2);
    EXPECT_EQ(log.calls, (Calls{"update spawned 2", "update a 2"}));
}

TEST(EffectList, NestedWalksSurviveDeletion) {
    CallLog log;
    EffectList list;
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    auto* c = new Probe(&log, "c");
    list.Add(a);
    list.Add(b);
    list.Add(c);  // c b a
    // c's update starts an inner walk (a draw) during which b goes away.
    c->onUpdate = [&] {
        list.Draw();
        list.Delete(b);
    };
    list.Update(1);
    EXPECT_EQ(log.calls,
              (Calls{"update c 1", "render c", "render b", "render a", "~b", "update a 1"}));
    EXPECT_EQ(Items(list), (std::vector<PositionedObject*>{c, a}));
}

}  // namespace
