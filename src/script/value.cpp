#include "script/value.h"

#include <algorithm>
#include <cstdlib>

#include "script/interpreter.h"
#include "script/program.h"

namespace kelmo::script {

namespace {
thread_local std::size_t heapBytes = 0;

void countBytes(std::size_t& counted, std::size_t now) noexcept {
  heapBytes += now;
  heapBytes -= counted;
  counted = now;
}
}  // namespace

std::size_t liveHeapBytes() noexcept { return heapBytes; }

Value::Value(std::string_view text) : kind_(Kind::String) {
  s_ = new StringRep{1, 0, std::string(text)};
  countBytes(s_->counted, s_->text.size());
}

Value Value::object(std::shared_ptr<void> pointer, std::string_view className) {
  if (!pointer) return Value();
  auto* rep = new ObjectRep{1, std::move(pointer), nullptr, std::string(className)};
  return fromObjectRep(rep);
}

Value Value::borrowedObject(void* pointer, std::string_view className) {
  if (pointer == nullptr) return Value();
  return object(std::shared_ptr<void>(pointer, [](void*) {}), className);
}

Value Value::fromObjectRep(ObjectRep* rep) noexcept {
  Value v;
  v.kind_ = Kind::Object;
  v.o_ = rep;
  return v;
}

Value Value::array(std::int64_t low, std::size_t count, const Value& item) {
  Value v;
  auto* rep = new ArrayRep{1, low, std::vector<Value>(count, item), 0};
  heapBytes += count * sizeof(Value);
  v.kind_ = Kind::Array;
  v.a_ = rep;
  return v;
}

Value Value::list(std::vector<Value> items, std::int64_t low) {
  Value v;
  heapBytes += items.size() * sizeof(Value);
  v.kind_ = Kind::Array;
  v.a_ = new ArrayRep{1, low, std::move(items), 0};
  return v;
}

std::size_t Value::length() const noexcept { return kind_ == Kind::Array ? a_->items.size() : 0; }

const Value& Value::item(std::size_t i) const noexcept {
  static const Value nil;
  return kind_ == Kind::Array && i < a_->items.size() ? a_->items[i] : nil;
}

bool Value::hasElement(std::int64_t ordinal) const noexcept {
  std::string_view bits = text();
  if (ordinal < 0 || static_cast<std::size_t>(ordinal >> 3) >= bits.size()) return false;
  return (static_cast<unsigned char>(bits[static_cast<std::size_t>(ordinal >> 3)]) >> (ordinal & 7) & 1) != 0;
}

Value Value::setOf(const std::vector<std::int64_t>& ordinals) {
  std::string bits(32, '\0');
  for (std::int64_t o : ordinals)
    if (o >= 0 && o < 256) bits[static_cast<std::size_t>(o >> 3)] |= static_cast<char>(1 << (o & 7));
  return Value(bits);
}

Value& Value::operator=(const Value& other) noexcept {
  if (this != &other) {
    other.retain();
    release();
    kind_ = other.kind_;
    i_ = other.i_;
  }
  return *this;
}

Value& Value::operator=(Value&& other) noexcept {
  if (this != &other) {
    release();
    kind_ = other.kind_;
    i_ = other.i_;
    other.kind_ = Kind::Nil;
    other.i_ = 0;
  }
  return *this;
}

void Value::retain() const noexcept {
  switch (kind_) {
    case Kind::String: ++s_->refs; break;
    case Kind::Object: ++o_->refs; break;
    case Kind::Array: ++a_->refs; break;
    default: break;
  }
}

void Value::release() noexcept {
  switch (kind_) {
    case Kind::String:
      if (--s_->refs == 0) {
        heapBytes -= s_->counted;
        delete s_;
      }
      break;
    case Kind::Object:
      if (--o_->refs == 0) delete o_;
      break;
    case Kind::Array:
      if (--a_->refs == 0) {
        heapBytes -= a_->items.size() * sizeof(Value);
        delete a_;
      }
      break;
    default: break;
  }
}

bool Value::isNil() const noexcept {
  return kind_ == Kind::Nil || (kind_ == Kind::Object && !o_->pointer);
}

std::int64_t Value::asInt() const noexcept {
  switch (kind_) {
    case Kind::Ordinal: return i_;
    case Kind::Real: return static_cast<std::int64_t>(d_);
    case Kind::String: return s_->text.size() == 1 ? static_cast<unsigned char>(s_->text[0]) : 0;
    default: return 0;
  }
}

double Value::asDouble() const noexcept {
  switch (kind_) {
    case Kind::Ordinal: return static_cast<double>(i_);
    case Kind::Real: return d_;
    default: return 0.0;
  }
}

char Value::asChar() const noexcept {
  if (kind_ == Kind::String) return s_->text.empty() ? '\0' : s_->text[0];
  return static_cast<char>(asInt());
}

std::string Value::asString() const {
  if (kind_ == Kind::String) return s_->text;
  if (kind_ == Kind::Ordinal) return std::string(1, static_cast<char>(i_));
  return {};
}

std::string_view Value::text() const noexcept {
  return kind_ == Kind::String ? std::string_view(s_->text) : std::string_view();
}

void* Value::objectPointer() const noexcept {
  return kind_ == Kind::Object ? o_->pointer.get() : nullptr;
}

bool Value::isEngineObject() const noexcept {
  return kind_ == Kind::Object && o_->origin == &kEngineOrigin;
}

std::shared_ptr<void> Value::objectShared() const {
  return kind_ == Kind::Object ? o_->pointer : nullptr;
}

std::string Value::className() const {
  if (kind_ != Kind::Object || !o_->pointer) return {};
  return o_->cls != nullptr ? o_->cls->name : o_->requestedClass;
}

bool Value::isA(std::string_view className) const {
  if (kind_ != Kind::Object || !o_->pointer) return false;
  for (const ClassInfo* c = o_->cls; c != nullptr; c = c->parent)
    if (sameName(c->name, className)) return true;
  return o_->cls == nullptr && sameName(o_->requestedClass, className);
}

std::string& Value::mutableText() {
  if (kind_ != Kind::String) {
    *this = Value(std::string_view());
  } else if (s_->refs > 1) {
    auto* copy = new StringRep{1, 0, s_->text};
    countBytes(copy->counted, copy->text.size());
    --s_->refs;
    s_ = copy;
  }
  return s_->text;
}

void Value::recount() noexcept {
  if (kind_ == Kind::String) countBytes(s_->counted, s_->text.size());
}

void Value::append(std::string_view tail) {
  std::string& text = mutableText();
  text.append(tail);
  countBytes(s_->counted, text.size());
}

void Value::resizeList(std::size_t count, const Value& fill) {
  if (kind_ == Kind::Array && a_->refs - a_->pins == 1) {
    heapBytes += count * sizeof(Value);
    heapBytes -= a_->items.size() * sizeof(Value);
    a_->items.resize(count, fill);
    return;
  }
  std::vector<Value> items;
  if (kind_ == Kind::Array) items.assign(a_->items.begin(), a_->items.begin() + static_cast<std::ptrdiff_t>(std::min(count, a_->items.size())));
  items.resize(count, fill);
  *this = list(std::move(items));
}

void Value::unshareArray() {
  auto* copy = new ArrayRep{1, a_->low, a_->items, 0};
  heapBytes += copy->items.size() * sizeof(Value);
  --a_->refs;
  a_ = copy;
}

}  // namespace kelmo::script
