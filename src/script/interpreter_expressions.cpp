// Expressions at run time: variables, fields and elements, integer, double and other
// values, sets and arrays, the built-in functions.
#include "script/exception_classes.h"
#include "script/interpreter_impl.h"

#include <cmath>

namespace kelmo::script {

namespace {

int compareText(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

// The storage of a variable, record field or array element, for writing: an array or
// record shared by copy-on-write is unshared on the way.
Value* Interpreter::Impl::slotRef(const Expr* e) {
  switch (e->op) {
    case Op::Local: return &locals[e->slot];
    case Op::Global: return &globals[static_cast<std::size_t>(e->slot)];
    case Op::RefParam: return writeRef(refs[e->slot], e);
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
    default: return outerSlotRef(e);
  }
}

// The variables of enclosing routines, apart so that the common cases above stay lean.
Value* Interpreter::Impl::outerSlotRef(const Expr* e) {
  if (e->op == Op::Outer) return &scopeAt(e)->locals[e->slot];
  if (e->op == Op::OuterRef) return writeRef(scopeAt(e)->refs[e->slot], e);
  fault(e, "Variable required");
}

// A record field or array element for reading, in place: nothing is copied when the
// record or array is a variable; otherwise `keep` holds the value it belongs to.
const Value& Interpreter::Impl::element(const Expr* e, Value& keep) {
  std::int64_t i = operand(e->kid(1));
  const Expr* b = e->kid(0);
  const Value* base;
  switch (b->op) {
    case Op::Local: base = &locals[b->slot]; break;
    case Op::Global: base = &globals[static_cast<std::size_t>(b->slot)]; break;
    case Op::RefParam: base = readRef(refs[b->slot], b); break;
    case Op::Element: base = &element(b, keep); break;
    default: base = &elementBase(b, keep);
  }
  const Value::ArrayRep* a = base->arrayRep();
  return a->items[elementIndex(e, a, i)];
}

// The array or record of an element that is not in a variable of this frame: one of an
// enclosing routine, or a value (held in `keep`).
const Value& Interpreter::Impl::elementBase(const Expr* b, Value& keep) {
  if (b->op == Op::Outer) return scopeAt(b)->locals[b->slot];
  if (b->op == Op::OuterRef) return *readRef(scopeAt(b)->refs[b->slot], b);
  keep = eval(b);
  return keep;
}

void Interpreter::Impl::indexFault(const Expr* e, const Value::ArrayRep* a, std::int64_t i) {
  if (a == nullptr || a->items.empty())
    fault(e, "Range check error: index " + std::to_string(i) + " of an empty array", FaultClass::RangeError);
  fault(e,
        "Range check error: index " + std::to_string(i) + " is outside " + std::to_string(a->low) + ".." +
            std::to_string(a->low + static_cast<std::int64_t>(a->items.size()) - 1),
        FaultClass::RangeError);
}

std::int64_t Interpreter::Impl::elementInt(const Expr* e) {
  Value keep;
  return element(e, keep).rawInt();
}

std::int64_t Interpreter::Impl::evalInt(const Expr* e) {
  switch (e->op) {
    case Op::ConstInt: return e->intValue;
    case Op::Local: return locals[e->slot].rawInt();
    case Op::Global: return globals[static_cast<std::size_t>(e->slot)].rawInt();
    case Op::RefParam: return readRef(refs[e->slot], e)->rawInt();
    case Op::Element: return elementInt(e);
    case Op::Outer: return scopeAt(e)->locals[e->slot].rawInt();
    case Op::OuterRef: return readRef(scopeAt(e)->refs[e->slot], e)->rawInt();
    case Op::AddI:
    case Op::SubI: return arith(e);
    case Op::MulI: {
      const std::int64_t a = operand(e->kid(0));
      return sized(e, wrappingMul(a, operand(e->kid(1))));
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
      const std::int64_t v = wrappingSub(0, operand(e->kid(0)));
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

std::int64_t Interpreter::Impl::callInt(const Expr* e) {
  return invoke(e->routine, e, [](Value& v) { return v.rawInt(); });
}

// The less frequent integer operations, apart so that the hot ones stay lean.
std::int64_t Interpreter::Impl::evalIntRare(const Expr* e) {
  switch (e->op) {
    case Op::DivI:
    case Op::ModI: {
      std::int64_t a = operand(e->kid(0));
      std::int64_t b = operand(e->kid(1));
      if (b == 0) fault(e, "Division by zero", FaultClass::DivByZero);
      std::int64_t v;
      if (b == -1) {
        // The one quotient that does not fit, which the processor's division traps as Object
        // Pascal's runtime reports it.
        if (a == INT64_MIN || (e->wrapTo32 && a == INT32_MIN)) fault(e, "Integer overflow", FaultClass::IntOverflow);
        v = e->op == Op::DivI ? wrappingSub(0, a) : 0;
      } else {
        v = e->op == Op::DivI ? a / b : a % b;
      }
      return sized(e, v);
    }
    case Op::ShlI:
    case Op::ShrI: {
      std::int64_t a = operand(e->kid(0));
      std::int64_t n = operand(e->kid(1));
      int width = e->wrapTo32 ? 32 : 64;
      if (n < 0 || n >= width) return 0;
      std::uint64_t u = e->wrapTo32 ? static_cast<std::uint32_t>(a) : static_cast<std::uint64_t>(a);
      std::uint64_t r = e->op == Op::ShlI ? u << n : u >> n;
      return sized(e, static_cast<std::int64_t>(r));
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
        fault(e, "Range check error: index " + std::to_string(i) + " is outside 1.." + std::to_string(t.size()),
              FaultClass::RangeError);
      return static_cast<unsigned char>(t[static_cast<std::size_t>(i - 1)]);
    }
    case Op::Builtin: return builtinInt(e);
    default: return eval(e).asInt();
  }
}

std::string Interpreter::Impl::setBits(const Value& v) {
  std::string bits(v.text());
  bits.resize(32, '\0');
  return bits;
}

Value Interpreter::Impl::makeSet(const Expr* e) {
  std::string bits(32, '\0');
  for (std::size_t i = 0; i + 1 < e->kids.size() + 1 && i < e->kids.size(); i += 2) {
    std::int64_t low = evalInt(e->kid(i));
    std::int64_t high = e->kids[i + 1] ? evalInt(e->kid(i + 1)) : low;
    if (low < 0 || high > 255) {
      std::int64_t bad = low < 0 ? low : high;
      fault(e, "Range check error: " + std::to_string(bad) + " is outside the set range 0..255", FaultClass::RangeError);
    }
    for (std::int64_t v = low; v <= high; ++v) bits[static_cast<std::size_t>(v >> 3)] |= static_cast<char>(1 << (v & 7));
  }
  return Value(bits);
}

Value Interpreter::Impl::setOperation(const Expr* e) {
  std::string a = setBits(eval(e->kid(0)));
  std::string b = setBits(eval(e->kid(1)));
  for (std::size_t k = 0; k < 32; ++k) {
    if (e->op == Op::SetUnion) a[k] = static_cast<char>(a[k] | b[k]);
    else if (e->op == Op::SetDiff) a[k] = static_cast<char>(a[k] & ~b[k]);
    else a[k] = static_cast<char>(a[k] & b[k]);
  }
  return Value(a);
}

Value Interpreter::Impl::makeArray(const Expr* e) {
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

Value Interpreter::Impl::copyArray(const Expr* e) {
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

double Interpreter::Impl::evalReal(const Expr* e) {
  switch (e->op) {
    case Op::ConstReal: return e->realValue;
    case Op::Local: return locals[e->slot].rawDouble();
    case Op::Global: return globals[static_cast<std::size_t>(e->slot)].rawDouble();
    case Op::RefParam: return readRef(refs[e->slot], e)->rawDouble();
    case Op::Element: {
      Value keep;
      return element(e, keep).rawDouble();
    }
    case Op::Outer: return scopeAt(e)->locals[e->slot].rawDouble();
    case Op::OuterRef: return readRef(scopeAt(e)->refs[e->slot], e)->rawDouble();
    case Op::IntToReal: return static_cast<double>(operand(e->kid(0)));
    case Op::AddR: {
      const double a = operandReal(e->kid(0)), b = operandReal(e->kid(1));
      return finite(e, a, b, a + b);
    }
    case Op::SubR: {
      const double a = operandReal(e->kid(0)), b = operandReal(e->kid(1));
      return finite(e, a, b, a - b);
    }
    case Op::MulR: {
      const double a = operandReal(e->kid(0)), b = operandReal(e->kid(1));
      return finite(e, a, b, a * b);
    }
    case Op::DivR: {
      const double a = operandReal(e->kid(0)), b = operandReal(e->kid(1));
      if (b == 0.0 && std::isfinite(a)) {
        if (a == 0.0) fault(e, "Invalid floating point operation", FaultClass::InvalidOp);
        fault(e, "Division by zero", FaultClass::ZeroDivide);
      }
      return finite(e, a, b, a / b);
    }
    case Op::NegR: return -operandReal(e->kid(0));
    case Op::CallScript: return callReal(e);
    case Op::Builtin:
      if (e->builtin == Builtin::Abs) return std::fabs(operandReal(e->kid(0)));
      if (e->builtin == Builtin::Sqr) {
        const double v = operandReal(e->kid(0));
        return finite(e, v, v, v * v);
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

double Interpreter::Impl::floatFault(const Expr* e, double a, double b, double result) {
  if (std::isnan(result) && !std::isnan(a) && !std::isnan(b))
    fault(e, "Invalid floating point operation", FaultClass::InvalidOp);
  if (std::isinf(result) && std::isfinite(a) && std::isfinite(b)) fault(e, "Floating point overflow", FaultClass::Overflow);
  return result;
}

double Interpreter::Impl::callReal(const Expr* e) {
  return invoke(e->routine, e, [](Value& v) { return v.rawDouble(); });
}

Value Interpreter::Impl::eval(const Expr* e) {
  switch (e->op) {
    case Op::ConstString: return Value(e->text);
    case Op::ConstNil: return Value();
    case Op::RoutineRef: return Value(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(e->routine)));
    case Op::Local: return locals[e->slot];
    case Op::Global: return globals[static_cast<std::size_t>(e->slot)];
    case Op::RefParam: return *readRef(refs[e->slot], e);
    case Op::Outer: return scopeAt(e)->locals[e->slot];
    case Op::OuterRef: return *readRef(scopeAt(e)->refs[e->slot], e);
    case Op::Element: {
      Value keep;
      return element(e, keep);
    }
    case Op::CallScript: return callScript(e);
    case Op::CallNative:
    case Op::CallMethod:
    case Op::CallConstructor: return callNative(e->routine, e);
    case Op::CallIndirect: return callIndirect(e);
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
        fault(e,
              "Invalid class typecast: '" + (rep->cls ? rep->cls->name : std::string("?")) + "' is not '" +
                  e->cls->name + "'",
              FaultClass::InvalidCast);
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

std::int64_t Interpreter::Impl::builtinInt(const Expr* e) {
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

Value Interpreter::Impl::builtinValue(const Expr* e) {
  switch (e->builtin) {
    case Builtin::ExceptionMessage: return Value(handling.empty() ? std::string() : currentMessage(*handling.back()));
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

}  // namespace kelmo::script
