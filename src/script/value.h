#pragma once
// One script value as natives and the runtime see it: an ordinal (integers, boolean, char
// and enumerations all as a 64-bit integer), a double, a single-byte string, an object, or
// (inside the runtime) a static array.
// Strings and objects are shared with a plain (non-atomic) count: a Value belongs to the
// thread that runs its engine.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelmo::script {

struct ClassInfo;  // the engine's record of a declared class

class Value {
 public:
  enum class Kind : std::uint8_t { Nil, Ordinal, Real, String, Object, Array };

  Value() noexcept : kind_(Kind::Nil), i_(0) {}
  Value(int v) noexcept : kind_(Kind::Ordinal), i_(v) {}                   // NOLINT
  Value(unsigned v) noexcept : kind_(Kind::Ordinal), i_(v) {}              // NOLINT
  Value(long v) noexcept : kind_(Kind::Ordinal), i_(v) {}                  // NOLINT
  Value(long long v) noexcept : kind_(Kind::Ordinal), i_(v) {}             // NOLINT
  Value(unsigned long v) noexcept : kind_(Kind::Ordinal), i_(static_cast<std::int64_t>(v)) {}  // NOLINT
  Value(bool v) noexcept : kind_(Kind::Ordinal), i_(v ? 1 : 0) {}          // NOLINT
  Value(char v) noexcept : kind_(Kind::Ordinal), i_(static_cast<unsigned char>(v)) {}  // NOLINT
  Value(double v) noexcept : kind_(Kind::Real), d_(v) {}                   // NOLINT
  Value(std::string_view text);                                            // NOLINT
  Value(const std::string& text) : Value(std::string_view(text)) {}        // NOLINT
  Value(const char* text) : Value(std::string_view(text)) {}               // NOLINT

  // A class-typed value around a host object. The engine stamps the class that the
  // declaration promises (the constructor's class, the function's result type) unless a
  // class name is given here. An empty pointer is nil.
  static Value object(std::shared_ptr<void> pointer, std::string_view className = {});
  // A host object the script must not own (a global, an object owned elsewhere).
  static Value borrowedObject(void* pointer, std::string_view className = {});

  // Inline so that ordinals and doubles, the common case, cost no call.
  Value(const Value& other) noexcept : kind_(other.kind_), i_(other.i_) {
    if (kind_ >= Kind::String) retain();
  }
  Value(Value&& other) noexcept : kind_(other.kind_), i_(other.i_) {
    other.kind_ = Kind::Nil;
    other.i_ = 0;
  }
  Value& operator=(const Value& other) noexcept;
  Value& operator=(Value&& other) noexcept;
  ~Value() {
    if (kind_ >= Kind::String) release();
  }

  Kind kind() const noexcept { return kind_; }
  bool isNil() const noexcept;  // nil, or an object value holding no object

  // Readers convert where Pascal would: an ordinal reads as a double, a char as a string.
  std::int64_t asInt() const noexcept;
  double asDouble() const noexcept;
  bool asBool() const noexcept { return asInt() != 0; }
  char asChar() const noexcept;
  std::string asString() const;
  std::string_view text() const noexcept;  // the string's bytes, empty for other kinds

  // Object values: the host pointer (null for nil), its shared owner and its class.
  void* objectPointer() const noexcept;
  template <class T>
  T* objectAs() const noexcept { return static_cast<T*>(objectPointer()); }
  std::shared_ptr<void> objectShared() const;
  std::string className() const;             // empty for nil
  // An object the engine made itself (TComponent.Create, Exception.Create unless a host
  // rebinds them): its pointer is not one of the host's types and must not be cast to one.
  bool isEngineObject() const noexcept;
  bool isA(std::string_view className) const;  // the class or one of its parents (any case)

  // Arrays (open array and "array of const" arguments, dynamic arrays, records as their
  // fields): the number of items and one item. "array of const" items are ordinals, doubles,
  // strings (chars too) or objects.
  std::size_t length() const noexcept;
  const Value& item(std::size_t i) const noexcept;
  static Value list(std::vector<Value> items, std::int64_t low = 0);  // a dynamic array
  // Sets (of enumerations, chars, small integers): whether an ordinal is in it, and a set
  // made of ordinals.
  bool hasElement(std::int64_t ordinal) const noexcept;
  static Value setOf(const std::vector<std::int64_t>& ordinals);

  // Runtime internals (the engine's own fast paths); hosts use the members above.
  struct StringRep;
  struct ObjectRep;
  struct ArrayRep;
  static Value array(std::int64_t low, std::size_t count, const Value& item);
  ArrayRep* arrayRep() const noexcept { return kind_ == Kind::Array ? a_ : nullptr; }
  // Unshares this array (copy on write) and returns its elements.
  ArrayRep& mutableArray() {
    if (arrayShared()) unshareArray();
    return *a_;
  }
  // This dynamic array with `count` items (the prefix kept, the rest `fill`): resized where
  // it is when no other value shares it, else a new array (the others keep the old one).
  void resizeList(std::size_t count, const Value& fill);
  static Value fromObjectRep(ObjectRep* rep) noexcept;  // takes one reference
  ObjectRep* objectRep() const noexcept { return kind_ == Kind::Object ? o_ : nullptr; }
  StringRep* stringRep() const noexcept { return kind_ == Kind::String ? s_ : nullptr; }
  std::int64_t& rawInt() noexcept { return i_; }
  double& rawDouble() noexcept { return d_; }
  std::int64_t rawInt() const noexcept { return i_; }
  double rawDouble() const noexcept { return d_; }
  void setInt(std::int64_t v) noexcept {
    if (kind_ != Kind::Ordinal) {
      if (kind_ >= Kind::String) release();
      kind_ = Kind::Ordinal;
    }
    i_ = v;
  }
  void setDouble(double v) noexcept {
    if (kind_ != Kind::Real) {
      if (kind_ >= Kind::String) release();
      kind_ = Kind::Real;
    }
    d_ = v;
  }
  // Back to nil, releasing a string, object or array.
  void reset() noexcept {
    if (kind_ >= Kind::String) release();
    kind_ = Kind::Nil;
    i_ = 0;
  }
  // Appends in place when this string is not shared (amortised string building).
  void append(std::string_view tail);
  // Mutable bytes of this string, unshared first (s[i] := c, Delete, Insert); call
  // recount() after changing its length.
  std::string& mutableText();
  void recount() noexcept;

 private:
  void release() noexcept;
  bool arrayShared() const noexcept;
  void unshareArray();
  void retain() const noexcept;

  Kind kind_;
  union {
    std::int64_t i_;
    double d_;
    StringRep* s_;
    ObjectRep* o_;
    ArrayRep* a_;
  };
};

struct Value::StringRep {
  std::uint32_t refs = 1;
  std::size_t counted = 0;  // bytes counted in liveHeapBytes()
  std::string text;
};

struct Value::ObjectRep {
  std::uint32_t refs = 1;
  std::shared_ptr<void> pointer;
  const ClassInfo* cls = nullptr;  // set by the engine when a native hands the object over
  std::string requestedClass;      // the class name a native gave, until then
  const void* origin = nullptr;    // set on objects the engine itself made
};

struct Value::ArrayRep {
  std::uint32_t refs = 1;
  std::int64_t low = 0;
  std::vector<Value> items;
  // Of refs, those held by var parameters' references to its elements: they keep the array
  // alive but do not share it, so SetLength still resizes it in place.
  std::uint32_t pins = 0;
};

inline bool Value::arrayShared() const noexcept { return a_->refs > 1; }

// Bytes held by strings and arrays alive on this thread: the runtime's memory budget.
std::size_t liveHeapBytes() noexcept;

}  // namespace kelmo::script
