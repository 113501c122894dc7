#include "script_library/import_table.h"

#include <cctype>

namespace kelmo::script_library {

namespace {

std::size_t skipBlanks(std::string_view s, std::size_t i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

std::size_t wordEnd(std::string_view s, std::size_t i) {
  while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
  return i;
}

}  // namespace

std::string declaredName(std::string_view declaration) {
  std::size_t i = skipBlanks(declaration, 0);
  i = skipBlanks(declaration, wordEnd(declaration, i));  // the heading's keyword
  return std::string(declaration.substr(i, wordEnd(declaration, i) - i));
}

bool declaresConstructor(std::string_view declaration) {
  std::size_t i = skipBlanks(declaration, 0);
  std::string keyword(declaration.substr(i, wordEnd(declaration, i) - i));
  for (char& c : keyword) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return keyword == "constructor";
}

void TableImport::compileImport(script::CompileContext& context) {
  for (const TypeRow& t : types) context.declareType(t.name, t.typeName);
  for (const ConstantRow& c : constants) context.declareConstant(c.name, c.value);
  for (const ClassRow& c : classes) context.declareClass(c.name, c.parent);
  for (const PropertyRow& p : properties) {
    const auto access = !p.writer ? script::PropertyAccess::ReadOnly
                        : !p.reader ? script::PropertyAccess::WriteOnly
                                    : script::PropertyAccess::ReadWrite;
    context.declareProperty(p.className, p.name, p.typeName, access);
  }
  for (const MethodRow& m : methods) context.declareMethod(m.className, m.declaration);
  for (const RoutineRow& r : routines) context.declareRoutine(r.declaration);
}

void TableImport::executeImport(script::RuntimeBinder& binder) {
  for (const PropertyRow& p : properties) {
    if (p.reader) binder.bindPropertyReader(p.className, p.name, p.reader);
    if (p.writer) binder.bindPropertyWriter(p.className, p.name, p.writer);
  }
  for (const MethodRow& m : methods) {
    if (declaresConstructor(m.declaration)) {
      binder.bindConstructor(m.className, declaredName(m.declaration), m.native);
    } else {
      binder.bindMethod(m.className, declaredName(m.declaration), m.native);
    }
  }
  for (const RoutineRow& r : routines) binder.bindRoutine(declaredName(r.declaration), r.native);
}

}  // namespace kelmo::script_library
