#pragma once
// Names, types and meaning: declares what plug-ins and the system unit offer, then checks
// a parsed script against it and resolves every node for the runtime. Each message points
// at the offending token.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/ast.h"
#include "script/program.h"
#include "script/script_engine.h"

namespace kelmo::script {

class Checker {
 public:
  Checker(Program& program, std::vector<CompilerMessage>& messages);
  ~Checker();

  // Messages of the following declarations name this module.
  void setModule(std::string module);

  // ---- declarations by text (plug-ins, the system unit) ----
  ClassInfo* declareClass(std::string_view name, std::string_view parent);
  void declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                       PropertyAccess access);
  Routine* declareMethod(std::string_view className, std::string_view declaration);
  Routine* declareRoutine(std::string_view declaration);
  void declareType(std::string_view name, std::string_view typeName);
  void declareConstant(std::string_view name, const Value& value);
  // A name that scripts may not use: naming it is a compile error with this reason.
  void declareUnavailable(std::string_view name, std::string_view reason);
  void declareIndexedProperty(std::string_view className, std::string_view declaration, PropertyAccess access);
  void declare(std::string_view declarations);
  // Lookups for binding at execution.
  Routine* findRoutine(std::string_view name) const;
  ClassInfo* findClass(std::string_view name) const;

  // ---- the script ----
  void checkProgram(ProgramSyntax& syntax);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Folds an expression made of constants only (used for constants, case labels, bounds);
// implemented by the runtime. Returns false when it is not constant.
bool evaluateConstant(const Expr& e, Value& out, std::string& error);

}  // namespace kelmo::script
