// Object lists: members removed nearest the head first, found by exact name; the list frees its
// nodes and never its members, except through Delete and DeleteAll.
#include <gtest/gtest.h>

#include <vector>

#include "scene/object_list.h"
#include "scene/scene_node.h"

namespace {

// A node that counts how many of its kind are alive.
class CountedNode : public SceneNode {
public:
    static int& Alive() {
        static int alive = 0;
        return alive;
    }
    explicit CountedNode(const char* text = nullptr) {
        ++Alive();
        SetName(text);
    }
    ~CountedNode() override { --Alive(); }
};

class ObjectListTest : public ::testing::Test {
protected:
    void SetUp() override { CountedNode::Alive() = 0; }
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

}  // namespace
