// The object tree: children in creation order, destruction order, Close and OnDestroy.
#include <gtest/gtest.h>

#include "memory_object.h"
#include "recording.h"

namespace {

TEST(ObjectTree, ChildrenAreKeptInCreationOrder) {
    MemoryObject root(nullptr);
    MemoryObject a(&root);
    MemoryObject b(&root);
    EXPECT_EQ(root.GetChildren(), (std::vector<LwObject*>{&a, &b}));
    EXPECT_EQ(a.GetParent(), &root);
}

TEST(ObjectTree, DeletingAParentDeletesDescendantsInCreationOrderDepthFirst) {
    std::vector<std::string> log;
    auto* root = new MemoryObject(nullptr, {}, &log, "root");
    auto* b = new MemoryObject(root, {}, &log, "b");
    new MemoryObject(b, {}, &log, "b1");
    new MemoryObject(b, {}, &log, "b2");
    new MemoryObject(root, {}, &log, "c");
    delete root;
    // Each destructor logs before its LwObject part deletes the children.
    EXPECT_EQ(log, (std::vector<std::string>{"root", "b", "b1", "b2", "c"}));
}

TEST(ObjectTree, ADeletedChildLeavesItsParentsList) {
    MemoryObject root(nullptr);
    auto* a = new MemoryObject(&root);
    MemoryObject b(&root);
    delete a;
    EXPECT_EQ(root.GetChildren(), (std::vector<LwObject*>{&b}));
}

TEST(ObjectTree, NewObjectsStartCleared) {
    MemoryObject a(nullptr);
    EXPECT_EQ(a.GetBackgroundColor(), (LwColor{255, 0, 255, 255}));
    EXPECT_EQ(a.GetMinimumSize(), (LwSize{0, 0}));
    EXPECT_EQ(a.eventHandler, nullptr);
    EXPECT_EQ(a.eventTarget, nullptr);
    EXPECT_EQ(a.eventTag, 0);
    EXPECT_FALSE(a.IsVisible());
    EXPECT_EQ(a.GetLayout(), nullptr);
    a.SetMinimumSize({3, 4});
    EXPECT_EQ(a.GetMinimumSize(), (LwSize{3, 4}));
}

}  // namespace
