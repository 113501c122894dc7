#include "script/checker.h"

#include "script/checker_impl.h"

namespace kelmo::script {

Checker::Checker(Program& program, std::vector<CompilerMessage>& messages)
    : impl_(std::make_unique<Impl>(program, messages)) {}
Checker::~Checker() = default;

void Checker::setModule(std::string module) { impl_->module = std::move(module); }
ClassInfo* Checker::declareClass(std::string_view name, std::string_view parent) {
  return impl_->declareClass(name, parent);
}
void Checker::declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                              PropertyAccess access) {
  impl_->declareProperty(className, name, typeName, access);
}
Routine* Checker::declareMethod(std::string_view className, std::string_view declaration) {
  return impl_->declareMethod(className, declaration);
}
Routine* Checker::declareRoutine(std::string_view declaration) { return impl_->declareRoutine(declaration); }
void Checker::declareType(std::string_view name, std::string_view typeName) { impl_->declareType(name, typeName); }
void Checker::declareConstant(std::string_view name, const Value& value) { impl_->declareConstant(name, value); }
void Checker::declareUnavailable(std::string_view name, std::string_view reason) {
  impl_->declareUnavailable(name, reason);
}
void Checker::declareIndexedProperty(std::string_view className, std::string_view declaration,
                                     PropertyAccess access) {
  impl_->declarePropertyText(className, declaration, access);
}
void Checker::declare(std::string_view declarations) { impl_->declareText(declarations); }
Routine* Checker::findRoutine(std::string_view name) const { return impl_->findRoutine(name); }
ClassInfo* Checker::findClass(std::string_view name) const { return impl_->findClass(name); }
void Checker::checkProgram(ProgramSyntax& syntax) { impl_->checkProgram(syntax); }

}  // namespace kelmo::script
