// Values as natives see them: conversions, shared strings and arrays that copy on write,
// host objects and their lifetime.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "script/value.h"

namespace kelmo::script {
namespace {

TEST(ScriptValue, ReadersConvertAsPascalWould) {
  EXPECT_EQ(Value(42).asInt(), 42);
  EXPECT_DOUBLE_EQ(Value(42).asDouble(), 42.0);
  EXPECT_EQ(Value(2.9).asInt(), 2);
  EXPECT_TRUE(Value(true).asBool());
  EXPECT_EQ(Value(true).kind(), Value::Kind::Ordinal);
  EXPECT_EQ(Value('A').asInt(), 65);
  EXPECT_EQ(Value('A').asString(), "A");
  EXPECT_EQ(Value("text").asString(), "text");
  EXPECT_EQ(Value(std::string("x\0y", 3)).text().size(), 3u) << "strings are bytes, zeros included";
  EXPECT_TRUE(Value().isNil());
  EXPECT_EQ(Value().asString(), "");
}

TEST(ScriptValue, StringCopiesAreIndependent) {
  Value a("abc");
  Value b = a;
  b.append("def");
  b.mutableText()[0] = 'X';
  EXPECT_EQ(a.asString(), "abc");
  EXPECT_EQ(b.asString(), "Xbcdef");
  Value c = std::move(b);
  EXPECT_TRUE(b.isNil());  // NOLINT: moved-from values are nil
  EXPECT_EQ(c.asString(), "Xbcdef");
}

TEST(ScriptValue, ArraysCopyOnWrite) {
  Value a = Value::array(1, 3, Value(0));
  Value b = a;
  b.mutableArray().items[0] = Value(7);
  EXPECT_EQ(a.arrayRep()->items[0].asInt(), 0);
  EXPECT_EQ(b.arrayRep()->items[0].asInt(), 7);
  EXPECT_EQ(b.arrayRep()->low, 1);
}

TEST(ScriptValue, HeapBytesFollowStringsAndArrays) {
  std::size_t before = liveHeapBytes();
  {
    Value s(std::string(1000, 'x'));
    Value a = Value::array(0, 10, Value());
    EXPECT_GE(liveHeapBytes(), before + 1000 + 10 * sizeof(Value));
    s.append(std::string(500, 'y'));
    EXPECT_GE(liveHeapBytes(), before + 1500);
  }
  EXPECT_EQ(liveHeapBytes(), before);
}

TEST(ScriptValue, HostObjectsLiveWhileAValueHoldsThem) {
  auto owned = std::make_shared<int>(5);
  std::weak_ptr<int> watch = owned;
  {
    Value v = Value::object(owned, "TThing");
    owned.reset();
    Value copy = v;
    EXPECT_EQ(*copy.objectAs<int>(), 5);
    EXPECT_EQ(copy.className(), "TThing");
    EXPECT_FALSE(watch.expired());
  }
  EXPECT_TRUE(watch.expired());
  int global = 3;
  Value borrowed = Value::borrowedObject(&global);
  EXPECT_EQ(borrowed.objectPointer(), &global);
  EXPECT_FALSE(borrowed.isEngineObject());
  EXPECT_TRUE(Value::object(nullptr).isNil());
}

}  // namespace
}  // namespace kelmo::script
