#include "script/interpreter.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "script/checker.h"
#include "script/system_unit.h"

namespace kelmo::script {

const char kEngineOrigin = 0;

namespace {

enum class Flow { Normal, Break, Continue, Exit };

// Frames of up to this many slots live on the native stack.
constexpr int kSmallRefs = 6;

std::int64_t wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

int compareText(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

struct Interpreter::Impl {
  const Program& prog;
  const ExecutionLimits limits;
  const std::atomic<bool>& stop;

  std::vector<Value> globals;
  Value* locals = nullptr;
  Value** refs = nullptr;
  std::uint64_t steps = 0;
  std::uint64_t maxSteps;
  int depth = 0;
  std::vector<const ScriptError*> handling;  // errors whose handlers are running (raise; ExceptionMessage)
  std::mt19937_64 randomEngine;
  bool seeded = false;

  Impl(const Program& p, const ExecutionLimits& l, const std::atomic<bool>& s)
      : prog(p), limits(l), stop(s),
        maxSteps(l.maxSteps == 0 ? std::numeric_limits<std::uint64_t>::max() : l.maxSteps) {
    if (maxSteps < nextCheck) nextCheck = maxSteps + 1;
  }

  std::mt19937_64& random() {
    if (!seeded) {
      randomEngine.seed(std::random_device{}());
      seeded = true;
    }
    return randomEngine;
  }

  // A new array variable, refused when it would take the memory budget.
  Value newArray(const Type* type) {
    std::size_t bytes = sizeof(Value);
    for (const Type* t = type; t->kind == TypeKind::Array; t = t->element) bytes *= static_cast<std::size_t>(t->count());
    if (liveHeapBytes() + bytes > limits.maxHeapBytes)
      fault(nullptr, "Out of memory: the script holds more than " + std::to_string(limits.maxHeapBytes >> 20) + " MB");
    return defaultValue(type);
  }

  // ---- faults ----

  [[noreturn]] void fault(const Expr* e, std::string message) {
    ScriptError err;
    err.message = std::move(message);
    if (e != nullptr) {
      err.row = e->row;
      err.col = e->col;
    }
    throw err;
  }

  // One statement or loop turn. The common case is one compare; every 1024 steps (and at
  // the budget's end) the slow path checks the budget, a stop request and memory.
  std::uint64_t nextCheck = 1024;
  void step() {
    if (++steps >= nextCheck) slowStep();
  }

  __attribute__((noinline)) void slowStep() {
    if (steps > maxSteps) throw ScriptAbort{"Step limit of " + std::to_string(limits.maxSteps) + " exceeded"};
    nextCheck = steps + 1024 < maxSteps ? steps + 1024 : maxSteps + 1;
    if (stop.load(std::memory_order_relaxed)) throw ScriptAbort{"Script stopped"};
    if (liveHeapBytes() > limits.maxHeapBytes)
      fault(nullptr, "Out of memory: the script holds more than " + std::to_string(limits.maxHeapBytes >> 20) + " MB");
  }

  void checkLength(const Expr* e, std::size_t length) {
    if (length > limits.maxStringLength)
      fault(e, "String too long (more than " + std::to_string(limits.maxStringLength) + " bytes)");
  }

  // ---- variables ----

  // The storage of a variable, record field or array element, for writing: an array or
  // record shared by copy-on-write is unshared on the way.
  Value* slotRef(const Expr* e) {
    switch (e->op) {
      case Op::Local: return &locals[e->slot];
      case Op::Global: return &globals[static_cast<std::size_t>(e->slot)];
      case Op::RefParam: return refs[e->slot];
      case Op::Element: {
        std::int64_t i = operand(e->kid(1));
        const Expr* b = e->kid(0);
        Value* base = b->op == Op::Local    ? &locals[b->slot]
                      : b->op == Op::Global ? &globals[static_cast<std::size_t>(b->slot)]
                                            : slotRef(b);
        // A dynamic array is written in place, seen by every reference to it.
        Value::ArrayRep* a = e->shared ? base->arrayRep() : &base->mutableArray();
        return &a->items[elementIndex(e, a, i)];
      }
      default: fault(e, "Variable required");
    }
  }

  // A record field or array element for reading, in place: nothing is copied when the
  // record or array is a variable; otherwise `keep` holds the value it belongs to.
  const Value& element(const Expr* e, Value& keep) {
    std::int64_t i = operand(e->kid(1));
    const Expr* b = e->kid(0);
    const Value* base;
    switch (b->op) {
      case Op::Local: base = &locals[b->slot]; break;
      case Op::Global: base = &globals[static_cast<std::size_t>(b->slot)]; break;
      case Op::RefParam: base = refs[b->slot]; break;
      case Op::Element: base = &element(b, keep); break;
      default:
        keep = eval(b);
        base = &keep;
    }
    const Value::ArrayRep* a = base->arrayRep();
    return a->items[elementIndex(e, a, i)];
  }

  std::size_t elementIndex(const Expr* e, const Value::ArrayRep* a, std::int64_t i) {
    if (a != nullptr) {
      std::uint64_t k = static_cast<std::uint64_t>(i) - static_cast<std::uint64_t>(a->low);
      if (k < a->items.size()) return static_cast<std::size_t>(k);
    }
    indexFault(e, a, i);
  }

  [[noreturn]] __attribute__((noinline)) void indexFault(const Expr* e, const Value::ArrayRep* a, std::int64_t i) {
    if (a == nullptr || a->items.empty()) fault(e, "Range check error: index " + std::to_string(i) + " of an empty array");
    fault(e, "Range check error: index " + std::to_string(i) + " is outside " + std::to_string(a->low) + ".." +
                 std::to_string(a->low + static_cast<std::int64_t>(a->items.size()) - 1));
  }

  // Stores the value of `e` (already of type `t`) into `dst`.
  void store(Value* dst, const Type* t, const Expr* e) {
    switch (t->kind) {
      case TypeKind::Ordinal: dst->setInt(t->wrap(evalInt(e))); return;
      case TypeKind::Boolean:
      case TypeKind::Char:
      case TypeKind::Enum: dst->setInt(evalInt(e)); return;
      case TypeKind::Real: dst->setDouble(evalReal(e)); return;
      default: *dst = eval(e); return;
    }
  }

  // Converts a native's value into the representation of type `t`.
  Value fromNative(Value v, const Type* t, const Expr* e) {
    switch (t->kind) {
      case TypeKind::Ordinal: return Value(t->wrap(v.asInt()));
      case TypeKind::Boolean: return Value(v.asInt() != 0 ? 1 : 0);
      case TypeKind::Enum: return Value(v.asInt());
      case TypeKind::Char: return Value(static_cast<std::int64_t>(static_cast<unsigned char>(v.asChar())));
      case TypeKind::Real: return Value(v.asDouble());
      case TypeKind::String:
        if (v.kind() == Value::Kind::String) {
          checkLength(e, v.text().size());
          return v;
        }
        return Value(v.asString());
      case TypeKind::Class: {
        Value::ObjectRep* rep = v.objectRep();
        if (rep == nullptr || !rep->pointer) return Value();
        if (rep->cls == nullptr) {
          const ClassInfo* cls = t->cls;
          if (!rep->requestedClass.empty()) {
            auto it = prog.typeNames.find(lowerName(rep->requestedClass));
            if (it != prog.typeNames.end() && it->second->kind == TypeKind::Class) cls = it->second->cls;
          }
          rep->cls = cls;
        }
        return v;
      }
      default: return v;
    }
  }

  // ---- expressions: integers ----

  // Most operands are variables or constants: load those without a dispatch.
  __attribute__((always_inline)) std::int64_t operand(const Expr* k) {
    if (k->op == Op::Local) return locals[k->slot].rawInt();
    if (k->op == Op::ConstInt) return k->intValue;
    if (k->op == Op::Global) return globals[static_cast<std::size_t>(k->slot)].rawInt();
    if (k->op == Op::Element) return elementInt(k);
    return evalInt(k);
  }

  __attribute__((noinline)) std::int64_t elementInt(const Expr* e) {
    Value keep;
    return element(e, keep).rawInt();
  }

  double operandReal(const Expr* k) {
    if (k->op == Op::Local) return locals[k->slot].rawDouble();
    if (k->op == Op::ConstReal) return k->realValue;
    if (k->op == Op::Global) return globals[static_cast<std::size_t>(k->slot)].rawDouble();
    return evalReal(k);
  }

  // Right-hand sides and arguments: sums and differences of operands without a call.
  __attribute__((always_inline)) std::int64_t arith(const Expr* a) {
    switch (a->op) {
      case Op::AddI: {
        auto v = static_cast<std::int64_t>(static_cast<std::uint64_t>(operand(a->kid(0))) +
                                           static_cast<std::uint64_t>(operand(a->kid(1))));
        return a->wrapTo32 ? wrap32(v) : v;
      }
      case Op::SubI: {
        auto v = static_cast<std::int64_t>(static_cast<std::uint64_t>(operand(a->kid(0))) -
                                           static_cast<std::uint64_t>(operand(a->kid(1))));
        return a->wrapTo32 ? wrap32(v) : v;
      }
      default: return operand(a);
    }
  }

  // Conditions of if and loops: integer comparisons without a call.
  bool test(const Expr* c) {
    switch (c->op) {
      case Op::LtI: return operand(c->kid(0)) < operand(c->kid(1));
      case Op::LeI: return operand(c->kid(0)) <= operand(c->kid(1));
      case Op::GtI: return operand(c->kid(0)) > operand(c->kid(1));
      case Op::GeI: return operand(c->kid(0)) >= operand(c->kid(1));
      case Op::EqI: return operand(c->kid(0)) == operand(c->kid(1));
      case Op::NeI: return operand(c->kid(0)) != operand(c->kid(1));
      default: return evalInt(c) != 0;
    }
  }

  Value* varRef(const Expr* e) {
    if (e->op == Op::Local) return &locals[e->slot];
    if (e->op == Op::Global) return &globals[static_cast<std::size_t>(e->slot)];
    if (e->op == Op::RefParam) return refs[e->slot];
    return slotRef(e);
  }

  std::int64_t evalInt(const Expr* e) {
    switch (e->op) {
      case Op::ConstInt: return e->intValue;
      case Op::Local: return locals[e->slot].rawInt();
      case Op::Global: return globals[static_cast<std::size_t>(e->slot)].rawInt();
      case Op::RefParam: return refs[e->slot]->rawInt();
      case Op::Element: {
        Value keep;
        return element(e, keep).rawInt();
      }
      case Op::AddI: {
        auto v = static_cast<std::int64_t>(static_cast<std::uint64_t>(operand(e->kid(0))) +
                                           static_cast<std::uint64_t>(operand(e->kid(1))));
        return e->wrapTo32 ? wrap32(v) : v;
      }
      case Op::SubI: {
        auto v = static_cast<std::int64_t>(static_cast<std::uint64_t>(operand(e->kid(0))) -
                                           static_cast<std::uint64_t>(operand(e->kid(1))));
        return e->wrapTo32 ? wrap32(v) : v;
      }
      case Op::MulI: {
        auto v = static_cast<std::int64_t>(static_cast<std::uint64_t>(operand(e->kid(0))) *
                                           static_cast<std::uint64_t>(operand(e->kid(1))));
        return e->wrapTo32 ? wrap32(v) : v;
      }
      case Op::AndI: {
        std::int64_t a = operand(e->kid(0));
        return a & operand(e->kid(1));
      }
      case Op::OrI: {
        std::int64_t a = operand(e->kid(0));
        return a | operand(e->kid(1));
      }
      case Op::XorI: {
        std::int64_t a = operand(e->kid(0));
        return a ^ operand(e->kid(1));
      }
      case Op::NegI: {
        auto v = static_cast<std::int64_t>(0ull - static_cast<std::uint64_t>(operand(e->kid(0))));
        return e->type->bits == 32 ? wrap32(v) : v;
      }
      case Op::NotI: {
        std::int64_t v = ~operand(e->kid(0));
        return e->type->bits == 32 ? wrap32(v) : v;
      }
      case Op::NotB: return operand(e->kid(0)) == 0 ? 1 : 0;
      case Op::EqI: { std::int64_t a = operand(e->kid(0)); return a == operand(e->kid(1)); }
      case Op::NeI: { std::int64_t a = operand(e->kid(0)); return a != operand(e->kid(1)); }
      case Op::LtI: { std::int64_t a = operand(e->kid(0)); return a < operand(e->kid(1)); }
      case Op::LeI: { std::int64_t a = operand(e->kid(0)); return a <= operand(e->kid(1)); }
      case Op::GtI: { std::int64_t a = operand(e->kid(0)); return a > operand(e->kid(1)); }
      case Op::GeI: { std::int64_t a = operand(e->kid(0)); return a >= operand(e->kid(1)); }
      case Op::EqR: { double a = operandReal(e->kid(0)); return a == operandReal(e->kid(1)); }
      case Op::NeR: { double a = operandReal(e->kid(0)); return a != operandReal(e->kid(1)); }
      case Op::LtR: { double a = operandReal(e->kid(0)); return a < operandReal(e->kid(1)); }
      case Op::LeR: { double a = operandReal(e->kid(0)); return a <= operandReal(e->kid(1)); }
      case Op::GtR: { double a = operandReal(e->kid(0)); return a > operandReal(e->kid(1)); }
      case Op::GeR: { double a = operandReal(e->kid(0)); return a >= operandReal(e->kid(1)); }
      case Op::CallScript: return callInt(e);
      default: return evalIntRare(e);
    }
  }

  __attribute__((noinline)) std::int64_t callInt(const Expr* e) {
    return invoke(e, [](Value& v) { return v.rawInt(); });
  }

  // The less frequent integer operations, apart so that the hot ones stay lean.
  __attribute__((noinline)) std::int64_t evalIntRare(const Expr* e) {
    switch (e->op) {
      case Op::DivI:
      case Op::ModI: {
        std::int64_t a = operand(e->kid(0));
        std::int64_t b = operand(e->kid(1));
        if (b == 0) fault(e, "Division by zero");
        std::int64_t v;
        if (b == -1) v = e->op == Op::DivI ? static_cast<std::int64_t>(0ull - static_cast<std::uint64_t>(a)) : 0;
        else v = e->op == Op::DivI ? a / b : a % b;
        return e->wrapTo32 ? wrap32(v) : v;
      }
      case Op::ShlI:
      case Op::ShrI: {
        std::int64_t a = operand(e->kid(0));
        std::int64_t n = operand(e->kid(1));
        int width = e->wrapTo32 ? 32 : 64;
        if (n < 0 || n >= width) return 0;
        std::uint64_t u = e->wrapTo32 ? static_cast<std::uint32_t>(a) : static_cast<std::uint64_t>(a);
        std::uint64_t r = e->op == Op::ShlI ? u << n : u >> n;
        return e->wrapTo32 ? wrap32(static_cast<std::int64_t>(r)) : static_cast<std::int64_t>(r);
      }
      case Op::EqS: case Op::NeS: case Op::LtS: case Op::LeS: case Op::GtS: case Op::GeS: {
        Value a = eval(e->kid(0));
        Value b = eval(e->kid(1));
        int c = compareText(a.text(), b.text());
        switch (e->op) {
          case Op::EqS: return c == 0;
          case Op::NeS: return c != 0;
          case Op::LtS: return c < 0;
          case Op::LeS: return c <= 0;
          case Op::GtS: return c > 0;
          default: return c >= 0;
        }
      }
      case Op::EqO:
      case Op::NeO: {
        Value a = eval(e->kid(0));
        Value b = eval(e->kid(1));
        bool same = a.objectPointer() == b.objectPointer();
        return e->op == Op::EqO ? same : !same;
      }
      case Op::IsClass: {
        Value a = eval(e->kid(0));
        const Value::ObjectRep* rep = a.objectRep();
        return rep != nullptr && rep->pointer && rep->cls != nullptr && rep->cls->derivesFrom(e->cls);
      }
      case Op::InSet: {
        std::int64_t v = operand(e->kid(0));
        bool found = false;
        for (std::size_t i = 1; i + 1 < e->kids.size(); i += 2) {
          std::int64_t low = evalInt(e->kid(i));
          std::int64_t high = e->kids[i + 1] ? evalInt(e->kid(i + 1)) : low;
          if (v >= low && v <= high) found = true;
        }
        return found;
      }
      case Op::InSetValue: {
        std::int64_t v = evalInt(e->kid(0));
        return eval(e->kid(1)).hasElement(v);
      }
      case Op::EqSet: case Op::NeSet: case Op::SubSet: case Op::SuperSet: {
        std::string a = setBits(eval(e->kid(0)));
        std::string b = setBits(eval(e->kid(1)));
        if (e->op == Op::EqSet) return a == b;
        if (e->op == Op::NeSet) return a != b;
        if (e->op == Op::SuperSet) std::swap(a, b);
        for (std::size_t k = 0; k < 32; ++k)
          if ((a[k] & ~b[k]) != 0) return false;
        return true;
      }
      case Op::StrChar: {
        Value s = eval(e->kid(0));
        std::int64_t i = operand(e->kid(1));
        std::string_view t = s.text();
        if (i < 1 || i > static_cast<std::int64_t>(t.size()))
          fault(e, "Range check error: index " + std::to_string(i) + " is outside 1.." + std::to_string(t.size()));
        return static_cast<unsigned char>(t[static_cast<std::size_t>(i - 1)]);
      }
      case Op::Builtin: return builtinInt(e);
      default: return eval(e).asInt();
    }
  }

  static std::string setBits(const Value& v) {
    std::string bits(v.text());
    bits.resize(32, '\0');
    return bits;
  }

  Value makeSet(const Expr* e) {
    std::string bits(32, '\0');
    for (std::size_t i = 0; i + 1 < e->kids.size() + 1 && i < e->kids.size(); i += 2) {
      std::int64_t low = evalInt(e->kid(i));
      std::int64_t high = e->kids[i + 1] ? evalInt(e->kid(i + 1)) : low;
      if (low < 0 || high > 255) {
        std::int64_t bad = low < 0 ? low : high;
        fault(e, "Range check error: " + std::to_string(bad) + " is outside the set range 0..255");
      }
      for (std::int64_t v = low; v <= high; ++v) bits[static_cast<std::size_t>(v >> 3)] |= static_cast<char>(1 << (v & 7));
    }
    return Value(bits);
  }

  Value setOperation(const Expr* e) {
    std::string a = setBits(eval(e->kid(0)));
    std::string b = setBits(eval(e->kid(1)));
    for (std::size_t k = 0; k < 32; ++k) {
      if (e->op == Op::SetUnion) a[k] = static_cast<char>(a[k] | b[k]);
      else if (e->op == Op::SetDiff) a[k] = static_cast<char>(a[k] & ~b[k]);
      else a[k] = static_cast<char>(a[k] & b[k]);
    }
    return Value(a);
  }

  Value makeArray(const Expr* e) {
    std::vector<Value> items;
    items.reserve(e->kids.size());
    const Type* element = e->type->element;
    for (const auto& k : e->kids) {
      Value v;
      if (element->kind == TypeKind::ConstItem) v = eval(k.get());
      else store(&v, element, k.get());
      items.push_back(std::move(v));
    }
    return Value::list(std::move(items));
  }

  Value copyArray(const Expr* e) {
    Value a = eval(e->kid(0));
    const Value::ArrayRep* rep = a.arrayRep();
    std::int64_t n = rep != nullptr ? static_cast<std::int64_t>(rep->items.size()) : 0;
    std::int64_t from = e->kids.size() > 1 ? evalInt(e->kid(1)) : 0;
    std::int64_t count = e->kids.size() > 2 ? evalInt(e->kid(2)) : n;
    if (from < 0) from = 0;
    if (from > n) from = n;
    if (count < 0) count = 0;
    if (count > n - from) count = n - from;
    std::vector<Value> items;
    if (rep != nullptr) items.assign(rep->items.begin() + from, rep->items.begin() + from + count);
    return Value::list(std::move(items));
  }

  void setLength(const Stmt* s) {
    std::int64_t n = evalInt(s->expr(1));
    Value* v = slotRef(s->expr(0));
    if (n < 0) n = 0;
    if (s->type->kind == TypeKind::String) {
      checkLength(s->expr(1), static_cast<std::size_t>(n));
      std::string& t = v->mutableText();
      t.resize(static_cast<std::size_t>(n), '\0');
      v->recount();
      return;
    }
    if (static_cast<std::uint64_t>(n) * sizeof(Value) + liveHeapBytes() > limits.maxHeapBytes)
      fault(s->expr(1), "Out of memory: the script holds more than " + std::to_string(limits.maxHeapBytes >> 20) + " MB");
    // A new array: the prefix kept, the rest zero, other references keep the old one.
    std::vector<Value> items;
    if (const Value::ArrayRep* rep = v->arrayRep())
      items.assign(rep->items.begin(), rep->items.begin() + std::min<std::int64_t>(n, static_cast<std::int64_t>(rep->items.size())));
    items.resize(static_cast<std::size_t>(n), defaultValue(s->type->element));
    *v = Value::list(std::move(items));
  }

  void include(const Stmt* s) {
    std::int64_t x = evalInt(s->expr(1));
    Value* v = slotRef(s->expr(0));
    std::string bits = setBits(*v);
    if (x < 0 || x > 255) fault(s->expr(1), "Range check error: " + std::to_string(x) + " is outside the set range 0..255");
    char bit = static_cast<char>(1 << (x & 7));
    char& byte = bits[static_cast<std::size_t>(x >> 3)];
    byte = static_cast<char>(s->step > 0 ? byte | bit : byte & ~bit);
    *v = Value(bits);
  }

  // ---- expressions: doubles ----

  double evalReal(const Expr* e) {
    switch (e->op) {
      case Op::ConstReal: return e->realValue;
      case Op::Local: return locals[e->slot].rawDouble();
      case Op::Global: return globals[static_cast<std::size_t>(e->slot)].rawDouble();
      case Op::RefParam: return refs[e->slot]->rawDouble();
      case Op::Element: {
        Value keep;
        return element(e, keep).rawDouble();
      }
      case Op::IntToReal: return static_cast<double>(operand(e->kid(0)));
      case Op::AddR: { double a = operandReal(e->kid(0)); return a + operandReal(e->kid(1)); }
      case Op::SubR: { double a = operandReal(e->kid(0)); return a - operandReal(e->kid(1)); }
      case Op::MulR: { double a = operandReal(e->kid(0)); return a * operandReal(e->kid(1)); }
      case Op::DivR: {
        double a = operandReal(e->kid(0));
        double b = operandReal(e->kid(1));
        if (b == 0.0) fault(e, "Division by zero");
        return a / b;
      }
      case Op::NegR: return -operandReal(e->kid(0));
      case Op::CallScript: return callReal(e);
      case Op::Builtin:
        if (e->builtin == Builtin::Abs) return std::fabs(operandReal(e->kid(0)));
        if (e->builtin == Builtin::Sqr) {
          double v = operandReal(e->kid(0));
          return v * v;
        }
        if (e->builtin == Builtin::Min || e->builtin == Builtin::Max) {
          const double a = operandReal(e->kid(0)), b = operandReal(e->kid(1));
          return (e->builtin == Builtin::Min) == (a < b) ? a : b;
        }
        if (e->builtin == Builtin::Random) return std::uniform_real_distribution<double>(0.0, 1.0)(random());
        return eval(e).asDouble();
      default: return eval(e).asDouble();
    }
  }

  __attribute__((noinline)) double callReal(const Expr* e) {
    return invoke(e, [](Value& v) { return v.rawDouble(); });
  }

  // ---- expressions: any value ----

  Value eval(const Expr* e) {
    switch (e->op) {
      case Op::ConstString: return Value(e->text);
      case Op::ConstNil: return Value();
      case Op::Local: return locals[e->slot];
      case Op::Global: return globals[static_cast<std::size_t>(e->slot)];
      case Op::RefParam: return *refs[e->slot];
      case Op::Element: {
        Value keep;
        return element(e, keep);
      }
      case Op::CallScript: return callScript(e);
      case Op::CallNative:
      case Op::CallMethod:
      case Op::CallConstructor: return callNative(e);
      case Op::ReadProperty: return readProperty(e);
      case Op::Concat: {
        Value a = eval(e->kid(0));
        Value b = eval(e->kid(1));
        checkLength(e, a.text().size() + b.text().size());
        if (b.text().empty()) return a;
        Value r = std::move(a);
        r.append(b.text());
        return r;
      }
      case Op::CharToStr: return Value(std::string(1, static_cast<char>(evalInt(e->kid(0)))));
      case Op::MakeSet: return makeSet(e);
      case Op::SetUnion: case Op::SetDiff: case Op::SetInter: return setOperation(e);
      case Op::MakeArray: return makeArray(e);
      case Op::ToOpenArray: {
        Value a = eval(e->kid(0));
        const Value::ArrayRep* rep = a.arrayRep();
        return Value::list(rep != nullptr ? rep->items : std::vector<Value>());
      }
      case Op::AsClass: {
        Value a = eval(e->kid(0));
        const Value::ObjectRep* rep = a.objectRep();
        if (rep == nullptr || !rep->pointer) return a;
        if (rep->cls == nullptr || !rep->cls->derivesFrom(e->cls))
          fault(e, "Invalid class typecast: '" + (rep->cls ? rep->cls->name : std::string("?")) + "' is not '" +
                       e->cls->name + "'");
        return a;
      }
      case Op::Builtin: return builtinValue(e);
      default:
        if (e->type->kind == TypeKind::Real) return Value(evalReal(e));
        if (e->op > Op::FirstIntOp && e->op < Op::LastIntOp) return Value(evalInt(e));
        if (e->op == Op::ConstInt) return Value(e->intValue);
        if (e->op == Op::IntToReal || e->op == Op::ConstReal || (e->op >= Op::AddR && e->op <= Op::NegR))
          return Value(evalReal(e));
        if (e->op == Op::StrChar) return Value(evalInt(e));
        fault(e, "Internal error: cannot evaluate this expression");
    }
  }

  // ---- calls ----

  // Frames are slices of chunked storage: a call takes the next slots, a return gives
  // them back. Chunks never move, so references into live frames stay valid.
  static constexpr std::size_t kChunk = 1 << 14;
  std::vector<std::unique_ptr<Value[]>> chunks;
  std::size_t chunk = 0, top = 0;

  __attribute__((noinline)) Value* moreFrameSpace(std::size_t n, std::unique_ptr<Value[]>& own) {
    if (n > kChunk) {
      own.reset(new Value[n]);
      return own.get();
    }
    if (chunks.empty()) {
      chunks.emplace_back(new Value[kChunk]);
    } else {
      ++chunk;
      if (chunk == chunks.size()) chunks.emplace_back(new Value[kChunk]);
    }
    top = n;
    return chunks[chunk].get();
  }

  struct Frame {
    Impl& in;
    Value* slots;
    std::size_t count;
    std::size_t savedChunk, savedTop;
    std::unique_ptr<Value[]> own;  // a frame larger than a chunk
    Value* savedLocals;
    Value** savedRefs;
    bool entered = false;

    Frame(Impl& i, std::size_t n) : in(i), count(n), savedChunk(i.chunk), savedTop(i.top) {
      if (in.top + n <= kChunk && !in.chunks.empty()) {
        slots = in.chunks[in.chunk].get() + in.top;
        in.top += n;
      } else {
        slots = in.moreFrameSpace(n, own);
      }
      savedLocals = in.locals;
      savedRefs = in.refs;
    }
    void enter(Value** refs) {
      in.locals = slots;
      in.refs = refs;
      ++in.depth;
      entered = true;
    }
    ~Frame() {
      if (entered) {
        in.locals = savedLocals;
        in.refs = savedRefs;
        --in.depth;
      }
      for (std::size_t k = 0; k < count; ++k) slots[k].reset();
      in.chunk = savedChunk;
      in.top = savedTop;
    }
  };

  // Calls a script routine and hands its result slot to `take` before the frame goes.
  template <class Take>
  std::invoke_result_t<Take, Value&> invoke(const Expr* e, Take&& take) {
    Routine* r = e->routine;
    if (depth >= limits.maxCallDepth)
      fault(e, "Stack overflow: more than " + std::to_string(limits.maxCallDepth) + " nested calls");
    Frame frame(*this, static_cast<std::size_t>(r->frameSize));
    Value* smallRefs[kSmallRefs];
    std::unique_ptr<Value*[]> bigRefs;
    Value** frameRefs = smallRefs;
    if (r->refCount > kSmallRefs) {
      bigRefs.reset(new Value*[static_cast<std::size_t>(r->refCount)]);
      frameRefs = bigRefs.get();
    }
    // Arguments are evaluated in the caller's frame.
    const std::size_t n = r->params.size();
    for (std::size_t i = 0; i < n; ++i) {
      const Param& prm = r->params[i];
      const Expr* a = e->kid(i);
      Value* slot = &frame.slots[r->paramSlot[i]];
      if (prm.mode == ParamMode::Var) frameRefs[r->paramSlot[i]] = slotRef(a);
      else if (prm.type->kind == TypeKind::Ordinal) slot->setInt(prm.type->wrap(arith(a)));
      else store(slot, prm.type, a);
    }
    if (!r->slotTypes.empty())
      for (const auto& [slot, type] : r->slotTypes) frame.slots[slot] = newArray(type);
    frame.enter(frameRefs);
    exec(r->body.get());
    return take(frame.slots[0]);
  }

  Value callScript(const Expr* e) {
    const Type* t = e->routine->result;
    return invoke(e, [t](Value& v) {
      if (t == nullptr) return Value();
      if (v.kind() == Value::Kind::Nil) {
        // A result never assigned: its type's zero.
        if (t->isOrdinal()) return Value(0);
        if (t->kind == TypeKind::Real) return Value(0.0);
      }
      return std::move(v);
    });
  }

  Value callNative(const Expr* e) {
    Routine* r = e->routine;
    std::size_t first = e->op == Op::CallMethod ? 1 : 0;
    Value self;
    if (e->op == Op::CallMethod) {
      self = eval(e->kid(0));
      if (self.isNil()) fault(e, "Access to a nil object: method '" + r->name + "' was called on nil");
    }
    std::size_t n = r->params.size();
    Value small[6];
    std::vector<Value> big;
    Value* args = small;
    if (n > 6) {
      big.resize(n);
      args = big.data();
    }
    Value* varRefs[6];
    std::vector<Value*> bigRefs(n > 6 ? n : 0);
    Value** targets = n > 6 ? bigRefs.data() : varRefs;
    for (std::size_t i = 0; i < n; ++i) {
      const Expr* a = e->kid(first + i);
      const Type* t = r->params[i].type;
      if (e->isVarArg[i]) {
        targets[i] = slotRef(a);
        args[i] = fromNative(*targets[i], t, a);
      } else {
        targets[i] = nullptr;
        store(&args[i], t, a);
      }
    }
    if (!r->native) fault(e, "'" + r->name + "' has no native implementation bound");
    NativeCall call(&self, args, n);
    Value result = callNative(r->native, call, e, "routine");
    for (std::size_t i = 0; i < n; ++i)
      if (targets[i] != nullptr) *targets[i] = fromNative(std::move(args[i]), r->params[i].type, e);
    if (e->op == Op::CallConstructor) {
      Value obj = fromNative(std::move(result), e->cls->type, e);
      if (Value::ObjectRep* rep = obj.objectRep()) rep->cls = rep->cls != nullptr && rep->cls->derivesFrom(e->cls) ? rep->cls : e->cls;
      return obj;
    }
    if (r->result == nullptr) return Value();
    return fromNative(std::move(result), r->result, e);
  }

  // Calls a native; a std::exception it throws becomes the script's "Exception: " error at
  // the call's position, while the script's own errors and aborts pass through.
  Value callNative(const NativeFn& native, NativeCall& call, const Expr* at, const char* what) {
    try {
      return native(call);
    } catch (const ScriptError&) {
      throw;
    } catch (const ScriptAbort&) {
      throw;
    } catch (const std::exception& ex) {
      ScriptError err;
      err.message = ex.what();
      err.isException = true;
      err.row = at->row;
      err.col = at->col;
      throw err;
    } catch (...) {
      fault(at, std::string("Exception: a native ") + what + " failed without a message");
    }
  }

  Value readProperty(const Expr* e) {
    const Property* prop = e->property;
    Value self = eval(e->kid(0));
    if (self.isNil()) fault(e, "Access to a nil object: property '" + prop->name + "' was read from nil");
    if (!prop->reader) fault(e, "Property '" + prop->name + "' has no native reader bound");
    if (!prop->indexParams.empty()) {
      std::vector<Value> indices(prop->indexParams.size());
      for (std::size_t i = 0; i < indices.size(); ++i) store(&indices[i], prop->indexParams[i].type, e->kid(i + 1));
      NativeCall call(&self, indices.data(), indices.size());
      return fromNative(callNative(prop->reader, call, e, "property reader"), prop->type, e);
    }
    NativeCall call(&self, nullptr, 0);
    Value result = callNative(prop->reader, call, e, "property reader");
    return fromNative(std::move(result), prop->type, e);
  }

  void writeProperty(const Stmt* s) {
    const Expr* target = s->expr(0);
    const Property* prop = target->property;
    Value v;
    store(&v, prop->type, s->expr(1));
    Value self = eval(target->kid(0));
    if (self.isNil()) fault(target, "Access to a nil object: property '" + prop->name + "' was written to nil");
    if (!prop->writer) fault(target, "Property '" + prop->name + "' has no native writer bound");
    if (!prop->indexParams.empty()) {
      std::vector<Value> args(prop->indexParams.size() + 1);
      args[0] = std::move(v);
      for (std::size_t i = 1; i < args.size(); ++i) store(&args[i], prop->indexParams[i - 1].type, target->kid(i));
      NativeCall call(&self, args.data(), args.size());
      callNative(prop->writer, call, target, "property writer");
      return;
    }
    NativeCall call(&self, &v, 1);
    callNative(prop->writer, call, target, "property writer");
  }

  // ---- built-in functions ----

  std::int64_t builtinInt(const Expr* e) {
    switch (e->builtin) {
      case Builtin::Length: {
        Value v = eval(e->kid(0));
        if (const Value::ArrayRep* a = v.arrayRep()) return static_cast<std::int64_t>(a->items.size());
        return static_cast<std::int64_t>(v.text().size());
      }
      case Builtin::Ord: return evalInt(e->kid(0));
      case Builtin::OrdinalCast: {
        std::int64_t v = evalInt(e->kid(0));
        switch (e->type->kind) {
          case TypeKind::Char: return v & 0xFF;
          case TypeKind::Boolean: return v != 0 ? 1 : 0;
          default: return e->type->wrap(v);
        }
      }
      case Builtin::Abs: {
        std::int64_t v = evalInt(e->kid(0));
        std::int64_t r = v < 0 ? static_cast<std::int64_t>(0ull - static_cast<std::uint64_t>(v)) : v;
        return e->type->bits == 32 ? wrap32(r) : r;
      }
      case Builtin::Sqr: {
        auto v = static_cast<std::uint64_t>(evalInt(e->kid(0)));
        auto r = static_cast<std::int64_t>(v * v);
        return e->type->bits == 32 ? wrap32(r) : r;
      }
      case Builtin::Min:
      case Builtin::Max: {
        const std::int64_t a = evalInt(e->kid(0)), b = evalInt(e->kid(1));
        return (e->builtin == Builtin::Min) == (a < b) ? a : b;
      }
      case Builtin::Odd: return (evalInt(e->kid(0)) & 1) != 0;
      case Builtin::High: return static_cast<std::int64_t>(eval(e->kid(0)).length()) - 1;
      case Builtin::UpCase: {
        std::int64_t c = evalInt(e->kid(0));
        return c >= 'a' && c <= 'z' ? c - 32 : c;
      }
      case Builtin::Succ:
      case Builtin::Pred: {
        std::int64_t v = evalInt(e->kid(0)) + (e->builtin == Builtin::Succ ? 1 : -1);
        if (e->type->kind == TypeKind::Char) return v & 0xFF;
        if (e->type->kind == TypeKind::Boolean) return v & 1;
        return e->type->wrap(v);
      }
      case Builtin::Assigned: return !eval(e->kid(0)).isNil();
      case Builtin::Random: {
        std::int64_t n = evalInt(e->kid(0));
        if (n <= 0) return 0;
        return std::uniform_int_distribution<std::int64_t>(0, n - 1)(random());
      }
      default: return eval(e).asInt();
    }
  }

  Value builtinValue(const Expr* e) {
    switch (e->builtin) {
      case Builtin::ExceptionMessage: return Value(handling.empty() ? std::string() : handling.back()->message);
      case Builtin::Copy: return copyArray(e);
      case Builtin::UpCase: {
        if (e->type->kind == TypeKind::Char) return Value(builtinInt(e));
        std::string t(eval(e->kid(0)).text());
        for (char& c : t)
          if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        return Value(t);
      }
      default:
        if (e->type->kind == TypeKind::Real) return Value(evalReal(e));
        return Value(builtinInt(e));
    }
  }

  // ---- statements ----

  Flow execList(const std::vector<StmtPtr>& list) {
    for (const auto& s : list) {
      Flow f = exec(s.get());
      if (f != Flow::Normal) return f;
    }
    return Flow::Normal;
  }

  Flow exec(const Stmt* s) {
    step();
    switch (s->kind) {
      case StmtKind::Empty: return Flow::Normal;
      case StmtKind::Compound: return execList(s->body);
      case StmtKind::AssignInt: {
        std::int64_t v = arith(s->expr(1));
        varRef(s->expr(0))->setInt(s->type->wrap(v));
        return Flow::Normal;
      }
      case StmtKind::AssignReal: {
        double v = evalReal(s->expr(1));
        varRef(s->expr(0))->setDouble(v);
        return Flow::Normal;
      }
      case StmtKind::Call: {
        const Expr* e = s->expr(0);
        if (e->op == Op::CallScript) invoke(e, [](Value&) { return 0; });
        else eval(e);
        return Flow::Normal;
      }
      case StmtKind::If:
        if (test(s->expr(0))) return exec(s->thenPart.get());
        if (s->elsePart) return exec(s->elsePart.get());
        return Flow::Normal;
      case StmtKind::While:
        while (test(s->expr(0))) {
          Flow f = exec(s->doPart.get());
          if (f == Flow::Break) break;
          if (f == Flow::Exit) return f;
        }
        return Flow::Normal;
      case StmtKind::Break: return Flow::Break;
      case StmtKind::Continue: return Flow::Continue;
      default: return execRare(s);
    }
  }

  __attribute__((noinline)) Flow execRare(const Stmt* s) {
    switch (s->kind) {
      case StmtKind::AssignValue: {
        Value v;
        store(&v, s->type, s->expr(1));
        *slotRef(s->expr(0)) = std::move(v);
        return Flow::Normal;
      }
      case StmtKind::AppendString: {
        Value tail = eval(s->expr(1));
        Value* dst = slotRef(s->expr(0));
        checkLength(s->expr(1), dst->text().size() + tail.text().size());
        dst->append(tail.text());
        return Flow::Normal;
      }
      case StmtKind::AssignStrChar: {
        std::int64_t c = evalInt(s->expr(1));
        const Expr* t = s->expr(0);
        std::int64_t i = evalInt(t->kid(1));
        Value* str = slotRef(t->kid(0));
        std::int64_t n = static_cast<std::int64_t>(str->text().size());
        if (i < 1 || i > n) fault(t, "Range check error: index " + std::to_string(i) + " is outside 1.." + std::to_string(n));
        str->mutableText()[static_cast<std::size_t>(i - 1)] = static_cast<char>(c);
        return Flow::Normal;
      }
      case StmtKind::AssignProperty: writeProperty(s); return Flow::Normal;
      case StmtKind::Repeat:
        for (;;) {
          Flow f = execList(s->body);
          if (f == Flow::Break) break;
          if (f == Flow::Exit) return f;
          if (evalInt(s->expr(0)) != 0) break;
          step();
        }
        return Flow::Normal;
      case StmtKind::For: return execFor(s);
      case StmtKind::Case: {
        std::int64_t v = evalInt(s->expr(0));
        for (const auto& b : s->branches)
          for (const auto& [low, high] : b.ranges)
            if (v >= low && v <= high) return exec(b.body.get());
        if (s->hasElse) return execList(s->elseList);
        return Flow::Normal;
      }
      case StmtKind::With: {
        // Objects, record values and the indexes of record designators, once, in order.
        for (std::size_t i = 0; i < s->exprs.size(); ++i) {
          const Expr* x = s->expr(i);
          if (s->withSlots[i] < 0) {  // a record designator's own checks (its indexes' range)
            eval(x);
            continue;
          }
          Value& slot = s->withGlobal[i] ? globals[static_cast<std::size_t>(s->withSlots[i])] : locals[s->withSlots[i]];
          store(&slot, x->type, x);
          if (x->type->kind == TypeKind::Class && slot.isNil()) fault(x, "Access to a nil object in 'with'");
        }
        return exec(s->doPart.get());
      }
      case StmtKind::TryFinally: return execTryFinally(s);
      case StmtKind::TryExcept: return execTryExcept(s);
      case StmtKind::Raise: return execRaise(s);
      case StmtKind::Exit:
        if (!s->exprs.empty()) store(&locals[0], s->expr(0)->type, s->expr(0));
        return Flow::Exit;
      case StmtKind::SetLength: setLength(s); return Flow::Normal;
      case StmtKind::Include: include(s); return Flow::Normal;
      case StmtKind::Inc: {
        std::int64_t by = s->exprs.size() > 1 ? evalInt(s->expr(1)) : 1;
        Value* v = slotRef(s->expr(0));
        std::int64_t r = static_cast<std::int64_t>(static_cast<std::uint64_t>(v->rawInt()) +
                                                   static_cast<std::uint64_t>(s->step) * static_cast<std::uint64_t>(by));
        if (s->type->kind == TypeKind::Char) r &= 0xFF;
        else if (s->type->kind == TypeKind::Boolean) r &= 1;
        else r = s->type->wrap(r);
        v->setInt(r);
        return Flow::Normal;
      }
      default: fault(nullptr, "Internal error: statement not resolved");
    }
  }

  Flow execFor(const Stmt* s) {
    std::int64_t from = evalInt(s->expr(1));
    std::int64_t to = evalInt(s->expr(2));
    Value& var = s->global ? globals[static_cast<std::size_t>(s->slot)] : locals[s->slot];
    const Stmt* body = s->doPart.get();
    if (!s->downto) {
      if (from > to) return Flow::Normal;
      for (std::int64_t i = from;; ++i) {
        var.setInt(i);
        Flow f = exec(body);
        if (f == Flow::Break) break;
        if (f == Flow::Exit) return f;
        if (i == to) break;
      }
    } else {
      if (from < to) return Flow::Normal;
      for (std::int64_t i = from;; --i) {
        var.setInt(i);
        Flow f = exec(body);
        if (f == Flow::Break) break;
        if (f == Flow::Exit) return f;
        if (i == to) break;
      }
    }
    return Flow::Normal;
  }

  Flow execTryFinally(const Stmt* s) {
    Flow f;
    try {
      f = execList(s->body);
    } catch (const ScriptError&) {
      Flow g = execList(s->finallyPart);
      if (g != Flow::Normal) return g;  // leaving the finally part drops the error, as Pascal does
      throw;
    }
    Flow g = execList(s->finallyPart);
    return g != Flow::Normal ? g : f;
  }

  Flow execTryExcept(const Stmt* s) {
    try {
      return execList(s->body);
    } catch (ScriptError& err) {
      return handle(s, err);
    }
  }

  Flow handle(const Stmt* s, ScriptError& err) {
    struct Handling {
      Impl& in;
      Handling(Impl& i, const ScriptError* e) : in(i) { in.handling.push_back(e); }
      ~Handling() { in.handling.pop_back(); }
    } active(*this, &err);
    if (s->handlers.empty()) return execList(s->plainHandler);
    const ClassInfo* cls = prog.cException;
    if (const Value::ObjectRep* rep = err.object.objectRep(); rep != nullptr && rep->cls != nullptr) cls = rep->cls;
    for (const auto& h : s->handlers) {
      if (cls == nullptr || !cls->derivesFrom(h.cls)) continue;
      if (h.slot >= 0) {
        if (err.object.isNil()) err.object = makeException(prog, err.message);
        Value& slot = h.global ? globals[static_cast<std::size_t>(h.slot)] : locals[h.slot];
        slot = err.object;
      }
      return exec(h.body.get());
    }
    if (s->hasElse) return execList(s->elseList);
    throw err;
  }

  Flow execRaise(const Stmt* s) {
    if (s->exprs.empty()) {
      if (handling.empty()) fault(nullptr, "'raise' without an exception outside an exception handler");
      throw ScriptError(*handling.back());
    }
    Value obj = eval(s->expr(0));
    if (obj.isNil()) fault(s->expr(0), "Access to a nil object: 'raise' of nil");
    ScriptError err;
    err.isException = true;
    err.row = s->row;
    err.col = s->col;
    const Value::ObjectRep* rep = obj.objectRep();
    if (rep != nullptr && rep->origin == &kEngineOrigin && rep->cls != nullptr && rep->cls->derivesFrom(prog.cException))
      err.message = static_cast<const ExceptionObject*>(rep->pointer.get())->message;
    else
      err.message = "Exception of class " + obj.className();
    err.object = std::move(obj);
    throw err;
  }

  void run() {
    globals.assign(static_cast<std::size_t>(prog.globalCount), Value());
    for (const auto& [slot, type] : prog.globalTypes) globals[static_cast<std::size_t>(slot)] = newArray(type);
    for (const auto& [slot, v] : prog.globalInits) globals[static_cast<std::size_t>(slot)] = v;
    exec(prog.mainBlock.get());
  }
};

Interpreter::Interpreter(const Program& program, const ExecutionLimits& limits, const std::atomic<bool>& stop)
    : impl_(new Impl(program, limits, stop)) {}
Interpreter::~Interpreter() { delete impl_; }

void Interpreter::run() { impl_->run(); }

Value Interpreter::makeException(const Program& program, std::string message) {
  Value v = Value::object(std::make_shared<ExceptionObject>(ExceptionObject{std::move(message)}));
  Value::ObjectRep* rep = v.objectRep();
  rep->cls = program.cException;
  rep->origin = &kEngineOrigin;
  return v;
}

// Constant folding through the same evaluation code as the runtime.
bool evaluateConstant(const Expr& e, Value& out, std::string& error) {
  struct Walk {
    static bool constant(const Expr* x) {
      switch (x->op) {
        case Op::ConstInt: case Op::ConstReal: case Op::ConstString: case Op::ConstNil: return true;
        case Op::Builtin:
          if (x->builtin != Builtin::Ord && x->builtin != Builtin::OrdinalCast && x->builtin != Builtin::Abs && x->builtin != Builtin::Sqr &&
              x->builtin != Builtin::Min && x->builtin != Builtin::Max &&
              x->builtin != Builtin::Odd && x->builtin != Builtin::Succ && x->builtin != Builtin::Pred &&
              x->builtin != Builtin::Length && x->builtin != Builtin::UpCase)
            return false;
          break;
        case Op::Local: case Op::Global: case Op::RefParam: case Op::Element: case Op::StrChar:
        case Op::CallScript: case Op::CallNative: case Op::CallMethod: case Op::CallConstructor:
        case Op::ReadProperty: case Op::AsClass: case Op::IsClass:
          return false;
        default:
          if (x->type == nullptr || x->op < Op::ConstInt) return false;
      }
      for (const auto& k : x->kids)
        if (k && !constant(k.get())) return false;
      return true;
    }
  };
  if (e.type == nullptr || !Walk::constant(&e)) return false;
  static const Program empty;
  static const std::atomic<bool> never{false};
  ExecutionLimits limits;
  limits.maxSteps = 0;
  Interpreter::Impl in(empty, limits, never);
  try {
    switch (e.type->kind) {
      case TypeKind::Ordinal:
      case TypeKind::Boolean:
      case TypeKind::Char:
      case TypeKind::Enum: out = Value(in.evalInt(&e)); return true;
      case TypeKind::Real: out = Value(in.evalReal(&e)); return true;
      case TypeKind::Set: out = in.eval(&e); return true;
      case TypeKind::String: {
        Value v = in.eval(&e);
        out = v.kind() == Value::Kind::String ? v : Value(std::string_view());
        return true;
      }
      case TypeKind::Nil: out = Value(); return true;
      default: return false;
    }
  } catch (const ScriptError& err) {
    error = err.message;
    return false;
  }
}

}  // namespace kelmo::script
