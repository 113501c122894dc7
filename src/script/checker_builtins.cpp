// Built-in routines used in expressions (Length, Ord, High, ...).
#include "script/checker_impl.h"

namespace kelmo::script {

// builtin = name ["(" args ")"], for the system unit's built-in functions
void Checker::Impl::builtin(ExprPtr& e, Builtin b, std::vector<ExprPtr> args, bool statement) {
  e->op = Op::Builtin;
  e->builtin = b;
  e->kids.clear();
  auto argc = [&](std::size_t lo, std::size_t hi) {
    if (args.size() < lo) {
      error(*e, "Not enough actual parameters for '" + e->text + "'");
      return false;
    }
    if (args.size() > hi) {
      error(*args[hi], "Too many actual parameters for '" + e->text + "'");
      return false;
    }
    for (auto& a : args) {
      expectValue(a);
      if (failed(a)) return false;
    }
    return true;
  };
  auto take = [&]() {
    for (auto& a : args) e->kids.push_back(std::move(a));
  };
  auto notStatement = [&]() {
    if (statement) {
      error(*e, "Statement expected, but the value of '" + e->text + "' is unused");
      e->type = nullptr;
    }
  };
  switch (b) {
    case Builtin::Length:
      if (!argc(1, 1)) return;
      if (args[0]->type->kind == TypeKind::Char) coerce(args[0], p.tString);
      if (args[0]->type->kind != TypeKind::String && args[0]->type->kind != TypeKind::Array)
        return error(*args[0], "String or array expected for 'Length'");
      take();
      e->type = p.tInteger;
      return notStatement();
    case Builtin::High:
    case Builtin::Low: {
      const Type* named = nullptr;  // High(integer), Low(TRow): a type instead of a value
      if (args.size() == 1 && args[0]->op == Op::Name)
        if (Symbol* sym = lookup(lowerName(args[0]->text)); sym != nullptr && sym->kind == Symbol::TypeName)
          named = sym->type;
      if (named == nullptr && !argc(1, 1)) return;
      const Type* t = named != nullptr ? named : args[0]->type;
      if (t->kind != TypeKind::Array && !t->isOrdinal())
        return error(*args[0], "Array or ordinal type expected for '" + e->text + "'");
      if (t->kind == TypeKind::Array && t->dynamic && named == nullptr && b == Builtin::High) {
        take();  // the length is known at run time only
        e->type = p.tInteger;
        return notStatement();
      }
      std::int64_t v = b == Builtin::High ? t->high : t->low;
      e = constantNode(Value(v), t->kind == TypeKind::Array ? p.tInteger : t, e->row, e->col);
      if (t->kind == TypeKind::Array) e->type = p.tInteger;
      return;
    }
    case Builtin::Ord:
      if (!argc(1, 1)) return;
      if (!args[0]->type->isOrdinal()) return error(*args[0], "Ordinal type required for 'Ord'");
      take();
      e->type = e->kids[0]->type->bits == 64 && e->kids[0]->type->kind == TypeKind::Ordinal ? p.tInt64 : p.tInteger;
      return notStatement();
    case Builtin::Chr:
      if (!argc(1, 1)) return;
      if (args[0]->type->kind != TypeKind::Ordinal) return error(*args[0], "Integer expected for 'Chr'");
      take();
      e->builtin = Builtin::OrdinalCast;
      e->type = p.tChar;
      return notStatement();
    case Builtin::Succ:
    case Builtin::Pred:
    case Builtin::Odd:
      if (!argc(1, 1)) return;
      if (!args[0]->type->isOrdinal()) return error(*args[0], "Ordinal type required for '" + e->text + "'");
      e->type = b == Builtin::Odd ? p.tBoolean : args[0]->type;
      take();
      return notStatement();
    case Builtin::Abs:
    case Builtin::Sqr:
      if (!argc(1, 1)) return;
      if (!args[0]->type->isNumeric()) return error(*args[0], "Number expected for '" + e->text + "'");
      e->type = args[0]->type->kind == TypeKind::Real ? p.tReal : integerResult(args[0]->type, args[0]->type);
      take();
      return notStatement();
    // Min and Max take integers or floats alike, as the Math unit's overloads do.
    case Builtin::Min:
    case Builtin::Max:
      if (!argc(2, 2)) return;
      for (auto& a : args)
        if (!a->type->isNumeric()) return error(*a, "Number expected for '" + e->text + "'");
      if (args[0]->type->kind == TypeKind::Real || args[1]->type->kind == TypeKind::Real) {
        e->type = p.tReal;
        if (!coerce(args[0], p.tReal) || !coerce(args[1], p.tReal)) return;
      } else {
        e->type = integerResult(args[0]->type, args[1]->type);
      }
      take();
      return notStatement();
    case Builtin::Assigned:
      if (!argc(1, 1)) return;
      if (args[0]->type->kind != TypeKind::Class && args[0]->type->kind != TypeKind::Nil &&
          args[0]->type->kind != TypeKind::Procedural)
        return error(*args[0], "Object or procedural value expected for 'Assigned'");
      take();
      e->type = p.tBoolean;
      return notStatement();
    case Builtin::Random:
      if (!argc(0, 1)) return;
      if (!args.empty() && !coerce(args[0], p.tInt64)) return;
      e->type = args.empty() ? p.tReal : p.tInteger;
      take();
      return notStatement();
    case Builtin::ExceptionMessage:
      if (!argc(0, 0)) return;
      e->type = p.tString;
      return notStatement();
    case Builtin::UpCase:
      if (!argc(1, 1)) return;
      if (args[0]->type->kind != TypeKind::Char && args[0]->type->kind != TypeKind::String)
        return error(*args[0], "Char expected for 'UpCase'");
      e->type = args[0]->type->kind == TypeKind::Char ? p.tChar : p.tString;
      take();
      return notStatement();
    case Builtin::Copy:
      // Copy(array [, index [, count]]): a new dynamic array of the elements
      if (!argc(1, 3)) return;
      if (args[0]->type->kind != TypeKind::Array || args[0]->type->element == p.tConstItem)
        return error(*args[0], "Array expected for 'Copy'");
      for (std::size_t i = 1; i < args.size(); ++i)
        if (!coerce(args[i], p.tInt64)) return;
      {
        Type t;
        t.kind = TypeKind::Array;
        t.dynamic = true;
        t.low = 0;
        t.high = -1;
        t.element = args[0]->type->element;
        t.name = "array of " + t.element->name;
        p.types.push_back(std::move(t));
        e->type = &p.types.back();
      }
      take();
      return notStatement();
    case Builtin::SetLength:
    case Builtin::Include:
    case Builtin::Exclude:
    case Builtin::Inc:
    case Builtin::Dec:
    case Builtin::Exit:
    case Builtin::Break:
    case Builtin::Continue:
    case Builtin::Assert:
      return error(*e, "'" + e->text + "' is a statement and has no value");
    case Builtin::OrdinalCast: return;  // made by the checker, never named in a script
  }
}

}  // namespace kelmo::script
