// Object lists: members added at the front, found by pointer and by name, rendered from the
// head; the list frees its nodes and never its members, except through Delete and DeleteAll.
#include <gtest/gtest.h>

#include "render/geometry.h"
#include "scene/object_list.h"
#include "scene_fixture.h"

namespace scenetest {
namespace {

class ObjectListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Events().clear();
        CountedNode::Alive() = 0;
    }
    void TearDown() override { Events().clear(); }
};

// Walks from the head along next, checking the back links on the way.
std::vector<SceneNode*> Members(const ObjectList& list) {
    std::vector<SceneNode*> out;
    const ObjectListNode* prev = nullptr;
    for (const ObjectListNode* n = list.head; n; n = n->next) {
        EXPECT_EQ(n->prev, prev);
        out.push_back(n->object);
        prev = n;
    }
    return out;
}

TEST_F(ObjectListTest, AddsAtTheFrontAndCounts) {
    CountedNode a("a"), b("b"), c("c");
    ObjectList list;
    EXPECT_EQ(list.head, nullptr);
    ObjectListNode* na = list.Add(&a);
    ASSERT_NE(na, nullptr);
    EXPECT_EQ(na->object, &a);
    list.Add(&b);
    list.Add(&c);
    EXPECT_EQ(list.count, 3u);
    EXPECT_EQ(Members(list), (std::vector<SceneNode*>{&c, &b, &a}));
    EXPECT_TRUE(list.Contains(&b));
    CountedNode d("d");
    EXPECT_FALSE(list.Contains(&d));
}

TEST_F(ObjectListTest, RemoveUnlinksOnlyTheNodeNearestTheHead) {
    CountedNode a("a"), b("b");
    ObjectList list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&a);   // head: a, b, a
    EXPECT_TRUE(list.Remove(&a));
    EXPECT_EQ(Members(list), (std::vector<SceneNode*>{&b, &a}));
    EXPECT_EQ(list.count, 2u);
    EXPECT_TRUE(list.Remove(&a));   // now the last one
    EXPECT_EQ(Members(list), (std::vector<SceneNode*>{&b}));
    EXPECT_FALSE(list.Remove(&a));
    EXPECT_EQ(list.count, 1u);
    EXPECT_TRUE(list.Remove(&b));
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0u);
}

TEST_F(ObjectListTest, DeleteDeletesOnlyWhatItFound) {
    ObjectList list;
    CountedNode* in = new CountedNode("in");
    CountedNode outside("out");
    list.Add(in);
    EXPECT_EQ(CountedNode::Alive(), 2);
    EXPECT_FALSE(list.Delete(&outside));
    EXPECT_EQ(CountedNode::Alive(), 2);
    EXPECT_EQ(list.count, 1u);
    EXPECT_TRUE(list.Delete(in));
    EXPECT_EQ(CountedNode::Alive(), 1);
    EXPECT_EQ(list.count, 0u);
    // A null member can be listed and deleted without harm.
    list.Add(nullptr);
    EXPECT_TRUE(list.Delete(nullptr));
    EXPECT_EQ(list.count, 0u);
}

TEST_F(ObjectListTest, FindByNameIsExactAndTakesTheNewest) {
    CountedNode older("Torch"), newer("Torch"), other("torch"), unnamed;
    ObjectList list;
    list.Add(&unnamed);
    list.Add(&older);
    list.Add(&other);
    list.Add(&newer);
    struct Case {
        const char* name;
        SceneNode* expected;
    } cases[] = {
        {"Torch", &newer}, {"torch", &other}, {"TORCH", nullptr}, {"Torc", nullptr}, {"", nullptr}, {nullptr, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(list.FindByName(c.name), c.expected) << (c.name ? c.name : "(null)");
    // After the newest goes, the older one is found.
    list.Remove(&newer);
    EXPECT_EQ(list.FindByName("Torch"), &older);
}

TEST_F(ObjectListTest, ClearAndInitLeaveTheMembersAlive) {
    ObjectList list;
    CountedNode* a = new CountedNode("a");
    CountedNode* b = new CountedNode("b");
    list.Add(a);
    list.Add(b);
    list.Clear();
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(CountedNode::Alive(), 2);
    {
        ObjectList scoped;
        scoped.Add(a);
        scoped.Add(b);
    }   // the destructor frees the nodes only
    EXPECT_EQ(CountedNode::Alive(), 2);
    delete a;
    delete b;
}

TEST_F(ObjectListTest, DeleteAllDeletesEveryMember) {
    ObjectList list;
    for (int i = 0; i < 5; ++i) list.Add(new CountedNode("n"));
    EXPECT_EQ(CountedNode::Alive(), 5);
    list.DeleteAll();
    EXPECT_EQ(CountedNode::Alive(), 0);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0u);
}

TEST_F(ObjectListTest, RenderAllGoesFromTheHead) {
    CountedNode first("first"), second("second"), third("third");
    ObjectList list;
    list.Add(&first);
    list.Add(&second);
    list.Add(&third);
    list.RenderAll();
    // The base Render draws at once, so each render is followed by its draw.
    EXPECT_EQ(Events(), (std::vector<std::string>{"render:third", "draw:third", "render:second", "draw:second",
                                                  "render:first", "draw:first"}));
}

TEST_F(ObjectListTest, TypedListsKeepTheBaseOperations) {
    CountedNode a("a"), b("b");
    CollidableList collidables;
    MirrorList mirrors;
    WaterList waters;
    CharacterModelList models;
    ScreenSpaceList screen;
    for (ObjectList* list : std::initializer_list<ObjectList*>{&collidables, &mirrors, &waters, &models, &screen}) {
        list->Add(&a);
        list->Add(&b);
        EXPECT_EQ(list->FindByName("a"), &a);
        EXPECT_EQ(Members(*list), (std::vector<SceneNode*>{&b, &a}));
        EXPECT_TRUE(list->Remove(&b));
        EXPECT_EQ(list->count, 1u);
    }
}

TEST_F(ObjectListTest, CollidableQueriesWithoutAHitLeaveOutputsAlone) {
    CountedNode wall("wall", NODE_TYPE_DYNAMIC_COLLIDABLE), prop("prop", NODE_TYPE_MESH);
    CollidableList list;
    list.Add(&wall);
    list.Add(&prop);
    Ray ray{{0, -1, 0}, {0, 10, 0}};
    Vec3 point{7, 7, 7}, normal{8, 8, 8};
    uint16_t type = 9;
    EXPECT_FALSE(list.RayQuery(&ray, 100.0f, &point, &normal, &type, 0xFFFFFFFFu));
    EXPECT_FALSE(list.RayQuery(nullptr, 100.0f, &point, &normal, &type, 0xFFFFFFFFu));
    EXPECT_EQ(point.x, 7);
    EXPECT_EQ(normal.y, 8);
    EXPECT_EQ(type, 9);
    float best = 5.0f;
    EXPECT_FALSE(list.SweepSphere(nullptr, 0, &point, &best, nullptr, nullptr, 1));
    EXPECT_EQ(best, 5.0f);
}

}  // namespace
}  // namespace scenetest
