#include "support/component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/node_list.h"

namespace kelmo {
namespace {

using Events = std::vector<std::string>;

// A component that records its destruction.
class Tracked : public TComponent {
 public:
  Tracked(TComponent* owner, std::string name, Events& events) : TComponent(owner), events_(events) {
    setName(std::move(name));
  }
  ~Tracked() override { events_.push_back("~" + name()); }

 private:
  Events& events_;
};

std::vector<std::string> ownedNames(const TComponent& c) {
  std::vector<std::string> names;
  for (int i = 0; i < c.componentCount(); ++i) names.push_back(c.component(i)->name());
  return names;
}

TEST(Component, AnOwnerKeepsItsComponentsInInsertionOrderAndDestroysEachOnce) {
  Events events;
  {
    auto owner = std::make_unique<Tracked>(nullptr, "owner", events);
    auto* first = new Tracked(owner.get(), "first", events);
    new Tracked(owner.get(), "second", events);
    new Tracked(first, "grandchild", events);
    EXPECT_EQ(ownedNames(*owner), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(first->owner(), owner.get());
  }
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events.front(), "~owner") << "the owner's destructor body runs before its components go";
  for (const char* name : {"~first", "~second", "~grandchild"}) {
    EXPECT_EQ(std::count(events.begin(), events.end(), name), 1) << name;
  }
}

TEST(Component, AComponentDestroyedByOthersLeavesItsOwner) {
  Events events;
  Tracked owner(nullptr, "owner", events);
  new Tracked(&owner, "a", events);
  auto* b = new Tracked(&owner, "b", events);
  new Tracked(&owner, "c", events);
  delete b;
  EXPECT_EQ(ownedNames(owner), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(events, (Events{"~b"}));
}

TEST(Component, InsertingMovesAComponentFromItsPreviousOwner) {
  Events events;
  Tracked left(nullptr, "left", events);
  Tracked right(nullptr, "right", events);
  auto* moved = new Tracked(&left, "moved", events);
  right.insertComponent(moved);
  EXPECT_EQ(left.componentCount(), 0);
  EXPECT_EQ(ownedNames(right), (std::vector<std::string>{"moved"}));
  EXPECT_EQ(moved->owner(), &right);

  right.removeComponent(moved);  // ownership back to us
  EXPECT_EQ(moved->owner(), nullptr);
  EXPECT_EQ(right.componentCount(), 0);
  delete moved;
  EXPECT_EQ(events, (Events{"~moved"}));
}

TEST(Component, AnOwnedListGoesWithItsOwnerAndTakesItsNodesAlong) {
  Events events;
  auto owner = std::make_unique<Tracked>(nullptr, "owner", events);
  nod* list = makeOwnedList(*owner);
  list->add("x", makeObject(std::make_unique<Tracked>(nullptr, "held", events)));
  EXPECT_EQ(owner->componentCount(), 1);
  EXPECT_EQ(owner->component(0), list);
  owner.reset();
  EXPECT_EQ(events, (Events{"~owner", "~held"}));
}

TEST(Component, TheComponentTreeFollowsOwnershipByName) {
  Events events;
  Tracked root(nullptr, "root", events);
  auto* a = new Tracked(&root, "a", events);
  new Tracked(a, "c", events);
  new Tracked(&root, "b", events);
  EXPECT_EQ(componentTree(root)->asPrintForm(), "('a' ('c' () ) 'b' () )");
  EXPECT_EQ(componentTree(*a)->asPrintForm(), "('c' () )");
}

}  // namespace
}  // namespace kelmo
