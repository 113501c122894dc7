// Statements at run time: assignments, control flow and the statement built-ins
// (SetLength, Include, Inc); try, raise and Assert are in interpreter_exceptions.cpp.
#include "script/interpreter_impl.h"

namespace kelmo::script {

void Interpreter::Impl::setLength(const Stmt* s) {
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
    fault(s->expr(1), "Out of memory: the script holds more than " + std::to_string(limits.maxHeapBytes >> 20) + " MB",
          FaultClass::OutOfMemory);
  // The prefix kept, the rest zero; other variables sharing the array keep the old one.
  v->resizeList(static_cast<std::size_t>(n), defaultValue(s->type->element));
}

void Interpreter::Impl::include(const Stmt* s) {
  std::int64_t x = evalInt(s->expr(1));
  Value* v = slotRef(s->expr(0));
  std::string bits = setBits(*v);
  if (x < 0 || x > 255)
    fault(s->expr(1), "Range check error: " + std::to_string(x) + " is outside the set range 0..255", FaultClass::RangeError);
  char bit = static_cast<char>(1 << (x & 7));
  char& byte = bits[static_cast<std::size_t>(x >> 3)];
  byte = static_cast<char>(s->step > 0 ? byte | bit : byte & ~bit);
  *v = Value(bits);
}

Flow Interpreter::Impl::execList(const std::vector<StmtPtr>& list) {
  for (const auto& s : list) {
    Flow f = exec(s.get());
    if (f != Flow::Normal) return f;
  }
  return Flow::Normal;
}

Flow Interpreter::Impl::exec(const Stmt* s) {
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
      if (e->op == Op::CallScript) callProcedure(e);
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

Flow Interpreter::Impl::execRare(const Stmt* s) {
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
      if (i < 1 || i > n)
        fault(t, "Range check error: index " + std::to_string(i) + " is outside 1.." + std::to_string(n), FaultClass::RangeError);
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
        if (x->type->kind == TypeKind::Class && slot.isNil())
          fault(x, "Access to a nil object in 'with'", FaultClass::AccessViolation);
      }
      return exec(s->doPart.get());
    }
    case StmtKind::TryFinally: return execTryFinally(s);
    case StmtKind::TryExcept: return execTryExcept(s);
    case StmtKind::Raise: return execRaise(s);
    case StmtKind::Assert: execAssert(s); return Flow::Normal;
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

Flow Interpreter::Impl::execFor(const Stmt* s) {
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

}  // namespace kelmo::script
