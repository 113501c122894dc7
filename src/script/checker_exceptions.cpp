// Exceptions in the checker: an "on" handler names a class and may name a variable of it
// that lives in the handler only; raise takes an object, or nothing inside a handler; Assert
// takes a condition and an optional message.
#include "script/checker_impl.h"

#include <optional>

namespace kelmo::script {

// try = "try" statements "except" ({"on" [name ":"] class "do" statement} | statements) "end"
void Checker::Impl::tryExcept(Stmt& s) {
  for (auto& st : s.body) statement(st);
  ++exceptDepth;
  for (auto& h : s.handlers) {
    h.cls = findClass(h.className);
    if (h.cls == nullptr) {
      error(h.row, h.col, "Unknown exception class '" + h.className + "'");
      continue;
    }
    if (!h.varName.empty()) {
      auto& scope = locals != nullptr ? *locals : globals;
      std::string key = lowerName(h.varName);
      std::optional<Symbol> saved;
      if (auto it = scope.find(key); it != scope.end()) saved = it->second;
      Symbol v;
      v.kind = Symbol::Variable;
      v.type = h.cls->type;
      v.slot = newSlot();
      v.global = routine == nullptr;
      v.used = true;
      h.slot = v.slot;
      h.global = v.global;
      scope[key] = v;
      statement(h.body);
      if (saved) scope[key] = *saved;
      else scope.erase(key);
    } else {
      statement(h.body);
    }
  }
  for (auto& st : s.plainHandler) statement(st);
  for (auto& st : s.elseList) statement(st);
  --exceptDepth;
}

// raise [object]: an object to raise, or nothing inside a handler to pass the exception on
void Checker::Impl::raiseStatement(Stmt& s) {
  if (s.exprs.empty()) {
    if (exceptDepth == 0) error(s.row, s.col, "'raise' without an exception is allowed only in an exception handler");
    return;
  }
  expectValue(s.exprs[0]);
  if (!failed(s.exprs[0]) && s.exprs[0]->type->kind != TypeKind::Class)
    error(*s.exprs[0], "Exception object expected after 'raise'");
}

// Assert "(" condition ["," message] ")"
void Checker::Impl::assertion(Stmt& s, std::vector<ExprPtr> args, int row, int col, const std::string& text) {
  if (args.empty()) return error(row, col, "Not enough actual parameters for '" + text + "'");
  if (args.size() > 2) return error(*args[2], "Too many actual parameters for '" + text + "'");
  condition(args[0]);
  if (failed(args[0])) return;
  if (args.size() > 1) {
    expectValue(args[1]);
    if (!coerce(args[1], p.tString)) return;
  }
  s.kind = StmtKind::Assert;
  for (auto& a : args) s.exprs.push_back(std::move(a));
}

}  // namespace kelmo::script
