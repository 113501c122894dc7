#include "support/node_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kelmo {
namespace {

// Records its own destruction, so tests see when and in which order things are freed.
class Probe : public TComponent {
 public:
  Probe(std::vector<std::string>& log, std::string label, TComponent* owner = nullptr)
      : TComponent(owner), log_(log), label_(std::move(label)) {}
  ~Probe() override { log_.push_back(label_); }

 private:
  std::vector<std::string>& log_;
  std::string label_;
};

// An integer node that logs `label` when it is destroyed.
std::unique_ptr<nod> watchedInt(int value, std::vector<std::string>& log, const std::string& label) {
  auto n = makeInt(value);
  new Probe(log, label, n.get());  // owned by the node
  return n;
}

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const NodeListError& e) {
    return e.what();
  }
  return "(no error)";
}

std::vector<std::string> keysOf(const nod& list) {
  std::vector<std::string> keys;
  for (int i = 0; i < list.count(); ++i) keys.push_back(list.nthName(i));
  return keys;
}

TEST(NodeList, StoringAKeyAgainReplacesTheNodeInPlaceAndDestroysTheOldOne) {
  std::vector<std::string> destroyed;
  auto list = makeList();
  for (int ch = 0; ch < 8; ++ch) list->setAssoc(std::to_string(ch), watchedInt(0, destroyed, "old" + std::to_string(ch)), false);
  nod* fresh = list->setAssoc("3", makeInt(3), false);
  EXPECT_EQ(destroyed, std::vector<std::string>{"old3"});
  EXPECT_EQ(list->count(), 8);
  EXPECT_EQ(list->nthName(3), "3");
  EXPECT_EQ(list->nth(3), fresh);
  EXPECT_EQ(list->assoc("3")->asInteger(), 3);
}

TEST(NodeList, MissingKeyFailsOnlyWhereItMustExist) {
  auto list = makeList();
  for (int ch = 0; ch < 8; ++ch) list->setAssoc(std::to_string(ch), makeInt(ch), false);
  EXPECT_EQ(errorOf([&] { list->assoc("8"); }), "assocCore: '8' not found");
  EXPECT_EQ(errorOf([&] { list->getAssoc("8", true); }), "assocCore: '8' not found");
  EXPECT_EQ(errorOf([&] { list->setAssoc("8", makeInt(1), true); }), "assocCore: '8' not found");
  EXPECT_EQ(list->getAssoc("8", false), nullptr);
  EXPECT_EQ(list->count(), 8);  // neither lookup nor the refused store added anything
}

TEST(NodeList, KeysMatchWithoutRegardToCase) {
  const struct {
    const char* stored;
    const char* looked;
  } cases[] = {
      {"Gain", "gain"}, {"gain", "GAIN"}, {"Канал", "кАНАЛ"}, {"ЁЖ", "ёж"}, {"Їі", "їІ"}, {"Ґ", "ґ"},
  };
  for (const auto& c : cases) {
    auto list = makeList();
    nod* n = list->setAssoc(c.stored, makeInt(7), false);
    EXPECT_EQ(list->assoc(c.looked), n) << c.stored << " / " << c.looked;
  }
  auto list = makeList();
  list->setAssoc("Gain", makeInt(1), false);
  EXPECT_EQ(list->getAssoc("Gai", false), nullptr);
  EXPECT_EQ(list->getAssoc("Gains", false), nullptr);
  EXPECT_EQ(list->getAssoc("Канаб", false), nullptr);
}

TEST(NodeList, PathStoreCreatesNestedListsAndBothSeparatorsWalkThem) {
  auto outer = makeList();
  nod* five = outer->setAssoc("a.b", makeInt(5), false);
  EXPECT_EQ(outer->asPrintForm(), "('a' ('b' 5 ) )");
  EXPECT_EQ(outer->assoc("a.b"), five);
  EXPECT_EQ(outer->assoc("a$b"), five);
  EXPECT_EQ(outer->assoc("A$B"), five);
  EXPECT_EQ(outer->assoc("a")->dataType(), NodeType::List);

  outer->setAssoc("a$c.d", makeInt(6), false);
  EXPECT_EQ(outer->asPrintForm(), "('a' ('b' 5 'c' ('d' 6 ) ) )");
  EXPECT_EQ(outer->getAssoc("a.c.x", false), nullptr);
  EXPECT_EQ(errorOf([&] { outer->assoc("a.c.x"); }), "assocCore: 'x' not found");
  EXPECT_EQ(errorOf([&] { outer->assoc("a.x.y"); }), "assocCore: 'x' not found");
}

TEST(NodeList, EmptyIntermediateEntry) {
  auto list = makeList();
  list->add("a", nullptr);
  // Where it must exist: the message shows the rest of the path behind a ".".
  EXPECT_EQ(errorOf([&] { list->assoc("a.b"); }), "assocCore: 'a.b' not found");
  EXPECT_EQ(errorOf([&] { list->assoc("a$b$c"); }), "assocCore: 'a.b$c' not found");
  // A plain lookup meeting it is an internal error.
  EXPECT_EQ(errorOf([&] { list->getAssoc("a.b", false); }), "Assertion failure");
  // The entry itself holds nothing.
  EXPECT_EQ(list->getAssoc("a", false), nullptr);
  EXPECT_EQ(list->asPrintForm(), "('a' Nil )");
  // A store fills it with a new list.
  list->setAssoc("a.b", makeInt(1), false);
  EXPECT_EQ(list->asPrintForm(), "('a' ('b' 1 ) )");
}

TEST(NodeList, InternalErrorsOfPathsAndEntries) {
  auto list = makeList();
  list->setAssoc("n", makeInt(1), false);
  list->add("o", nullptr);
  list->asList().addObject("s", std::make_unique<TStringContainer>("not a node"));
  const struct {
    const char* what;
    std::function<void()> action;
    const char* message;
  } cases[] = {
      {"leading '.'", [&] { list->getAssoc(".n", false); }, "Assertion failure"},
      {"leading '$'", [&] { list->assoc("$n"); }, "Assertion failure"},
      {"empty key inside", [&] { list->setAssoc("x..y", makeInt(1), false); }, "Assertion failure"},
      {"nth of an empty entry", [&] { list->nth(1); }, "Assertion failure"},
      {"nth of a non-node", [&] { list->nth(2); }, "Assertion failure"},
      {"walk through a non-node", [&] { list->getAssoc("s.x", false); }, "Assertion failure"},
      {"lookup of a non-node", [&] { list->getAssoc("s", false); }, "Assertion failure"},
      {"walk through an integer", [&] { list->assoc("n.x"); }, "ожидался список, а получили 1"},
      {"nthName out of range", [&] { list->nthName(3); }, "Assertion failure"},
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf(c.action), c.message) << c.what;
  EXPECT_EQ(keysOf(*list), (std::vector<std::string>{"n", "o", "s"}));  // nothing was created
}

TEST(NodeList, TrailingSeparatorEndsThePath) {
  auto list = makeList();
  nod* n = list->setAssoc("k.", makeInt(2), false);
  EXPECT_EQ(list->assoc("k"), n);
  EXPECT_EQ(list->assoc("K$"), n);
}

TEST(NodeList, AddAppendsDuplicatesAndLookupsFindTheFirst) {
  auto list = makeList();
  list->add("k", makeInt(1));
  list->add("x", makeInt(2));
  list->add("K", makeInt(3));
  EXPECT_EQ(keysOf(*list), (std::vector<std::string>{"k", "x", "K"}));
  EXPECT_EQ(list->assoc("k")->asInteger(), 1);
  EXPECT_EQ(list->assoc("K")->asInteger(), 1);
  list->setAssoc("K", makeInt(4), false);  // replaces the first match only
  EXPECT_EQ(list->asPrintForm(), "('k' 4 'x' 2 'K' 3 )");
}

TEST(NodeList, ListAccessOnANonListNamesWhatItGot) {
  auto five = makeInt(5);
  const struct {
    const char* what;
    std::function<void()> action;
  } cases[] = {
      {"asList", [&] { five->asList(); }},
      {"count", [&] { five->count(); }},
      {"nthO", [&] { five->nthO(0); }},
      {"add", [&] { five->add("k", makeInt(1)); }},
      {"getAssoc", [&] { five->getAssoc("k", false); }},
      {"setAssoc", [&] { five->setAssoc("k", makeInt(1), false); }},
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf(c.action), "ожидался список, а получили 5") << c.what;

  const std::string longText(300, 'x');
  EXPECT_EQ(errorOf([&] { makeString(longText)->asList(); }),
            "ожидался список, а получили '" + std::string(249, 'x'));
  // Characters, not bytes: 250 Cyrillic letters are 500 bytes of UTF-8.
  std::string cyrillic;
  for (int i = 0; i < 300; ++i) cyrillic += "ж";
  std::string expected = "ожидался список, а получили '";
  for (int i = 0; i < 249; ++i) expected += "ж";
  EXPECT_EQ(errorOf([&] { makeString(cyrillic)->asList(); }), expected);
}

TEST(NodeList, NthOChecksBothEnds) {
  auto list = makeList();
  list->add("a", makeInt(1));
  list->add("b", nullptr);
  for (int i : {-1, 2, 100}) EXPECT_EQ(errorOf([&] { list->nthO(i); }), "nthO: индекс за допустимыми пределами") << i;
  EXPECT_EQ(errorOf([&] { list->nth(2); }), "nthO: индекс за допустимыми пределами");
  EXPECT_NE(list->nthO(0), nullptr);
  EXPECT_EQ(list->nthO(1), nullptr);
  EXPECT_EQ(errorOf([&] { makeList()->nthO(0); }), "nthO: индекс за допустимыми пределами");
}

TEST(NodeList, DestroyingAListDestroysItsChildrenFirstToLast) {
  std::vector<std::string> destroyed;
  {
    auto list = makeList();
    list->add("z", watchedInt(1, destroyed, "first"));
    list->add("a", nullptr);
    list->setAssoc("m.inner", watchedInt(2, destroyed, "second"), false);
    list->add("b", watchedInt(3, destroyed, "third"));
    auto probeHolder = std::make_unique<Probe>(destroyed, "object");
    list->add("o", makeObject(std::move(probeHolder)));
  }
  EXPECT_EQ(destroyed, (std::vector<std::string>{"first", "second", "third", "object"}));
}

TEST(NodeList, OwnedListIsDestroyedWithItsOwner) {
  std::vector<std::string> destroyed;
  auto owner = std::make_unique<TComponent>();
  nod* list = makeOwnedList(*owner);
  list->add("k", watchedInt(1, destroyed, "child"));
  ASSERT_EQ(owner->componentCount(), 1);
  EXPECT_EQ(owner->component(0), list);
  EXPECT_EQ(list->owner(), owner.get());
  owner.reset();
  EXPECT_EQ(destroyed, std::vector<std::string>{"child"});
}

TEST(NodeList, ValuesComeBackThroughTheirConversions) {
  int target = 0;
  EXPECT_EQ(makeInt(-2147483647 - 1)->asInteger(), -2147483647 - 1);
  EXPECT_EQ(makeString("тест")->asString(), "тест");
  EXPECT_EQ(makeExtended(1.25L)->asExtended(), 1.25L);
  EXPECT_EQ(makeCurrency(Currency{-12345})->asCurrency(), Currency{-12345});
  EXPECT_EQ(makeDateTime(45322.5)->asDateTime(), 45322.5);
  EXPECT_EQ(makePointer(&target)->asPointer(), &target);
  EXPECT_EQ(makeClass(typeid(nod))->asClass(), &typeid(nod));
  EXPECT_EQ(makeVariant(Variant{std::string("v")})->variantValue(), Variant{std::string("v")});
  auto held = std::make_unique<TComponent>();
  TObject* raw = held.get();
  EXPECT_EQ(makeObject(std::move(held))->asObject(), raw);
}

TEST(NodeList, ConversionToAnotherTypeIsAnInternalError) {
  std::vector<std::pair<const char*, std::function<std::unique_ptr<nod>()>>> makers{
      {"int", [] { return makeInt(1); }},
      {"string", [] { return makeString("s"); }},
      {"extended", [] { return makeExtended(1.5L); }},
      {"currency", [] { return makeCurrency(Currency{1}); }},
      {"datetime", [] { return makeDateTime(1.0); }},
      {"list", [] { return makeList(); }},
      {"variant", [] { return makeVariant(Variant{1}); }},
  };
  const std::vector<std::pair<const char*, std::function<void(const nod&)>>> conversions{
      {"int", [](const nod& n) { n.asInteger(); }},
      {"string", [](const nod& n) { n.asString(); }},
      {"extended", [](const nod& n) { n.asExtended(); }},
      {"currency", [](const nod& n) { n.asCurrency(); }},
      {"datetime", [](const nod& n) { n.asDateTime(); }},
  };
  for (const auto& [madeKind, make] : makers) {
    for (const auto& [convKind, convert] : conversions) {
      auto n = make();
      const std::string expected = std::string(madeKind) == convKind ? "(no error)" : "Assertion failure";
      EXPECT_EQ(errorOf([&] { convert(*n); }), expected) << madeKind << " as " << convKind;
    }
  }
}

TEST(NodeList, DataTypeFollowsTheHeldObject) {
  class OtherContainer : public TValueContainer {
   public:
    std::unique_ptr<TValueContainer> clone() const override { return std::make_unique<OtherContainer>(); }
  };
  int target = 0;
  const struct {
    const char* what;
    std::unique_ptr<nod> node;
    int type;
  } cases[] = {
      {"int", makeInt(1), NodeType::Integer},
      {"pointer", makePointer(&target), NodeType::Pointer},
      {"list", makeList(), NodeType::List},
      {"list object", makeObject(std::make_unique<TNodList>()), NodeType::List},
      {"object", makeObject(std::make_unique<TComponent>()), NodeType::Object},
      {"nothing", makeObject(nullptr), NodeType::Object},
      {"string", makeString("s"), NodeType::String},
      {"datetime", makeDateTime(1.0), NodeType::DateTime},
      {"currency", makeCurrency(Currency{1}), NodeType::Currency},
      {"extended", makeExtended(1.0L), NodeType::Extended},
      {"class", makeClass(typeid(int)), NodeType::Class},
      {"variant", makeVariant(Variant{}), NodeType::Variant},
  };
  for (const auto& c : cases) EXPECT_EQ(c.node->dataType(), c.type) << c.what;
  EXPECT_EQ(makeInt(1)->dataTag(), NodeTag::Integer);
  EXPECT_EQ(makeString("s")->dataTag(), NodeTag::Object);

  auto odd = makeObject(std::make_unique<OtherContainer>());
  EXPECT_EQ(errorOf([&] { odd->dataType(); }), "Unknown value container");
  EXPECT_EQ(errorOf([] { dataType(nullptr); }), "Assertion failure");
}

TEST(NodeList, ContainersCloneTheirValue) {
  const TStringContainer s("abc");
  EXPECT_EQ(dynamic_cast<TStringContainer&>(*s.clone()).value(), "abc");
  const TDateTimeContainer d(45322.25);
  EXPECT_EQ(dynamic_cast<TDateTimeContainer&>(*d.clone()).value(), 45322.25);
  const TCurrencyContainer c(Currency{15000});
  EXPECT_EQ(dynamic_cast<TCurrencyContainer&>(*c.clone()).value(), Currency{15000});
  const TExtendedContainer e(2.5L);
  EXPECT_EQ(dynamic_cast<TExtendedContainer&>(*e.clone()).value(), 2.5L);
}

TEST(NodeList, ComponentTreeFollowsTheOwnersOrder) {
  TComponent root;
  auto* b = new TComponent(&root);
  b->setName("b");
  auto* a = new TComponent(&root);
  a->setName("a");
  auto* inner = new TComponent(a);
  inner->setName("inner");
  EXPECT_EQ(componentTree(root)->asPrintForm(), "('b' () 'a' ('inner' () ) )");
  EXPECT_EQ(componentTree(*inner)->asPrintForm(), "()");
}

}  // namespace
}  // namespace kelmo
