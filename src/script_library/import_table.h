#pragma once
// An import plug-in written as a table: one row per routine, method, constructor or
// property, holding its declaration text and its native. The compile hook declares the
// rows in order and the execution hook binds each to the name its declaration gives, so a
// name is written once.
#include <string>
#include <string_view>
#include <vector>

#include "script/script_engine.h"

namespace kelmo::script_library {

struct ClassRow {
  std::string name;
  std::string parent;
};

struct RoutineRow {
  std::string declaration;  // "function PosEx(const SubStr, S: string; Offset: Integer): Integer"
  script::NativeFn native;
};

struct MethodRow {
  std::string className;
  std::string declaration;  // a procedure, function or constructor heading
  script::NativeFn native;
};

struct PropertyRow {
  std::string className;
  std::string name;
  std::string typeName;
  script::NativeFn reader;  // none: write-only
  script::NativeFn writer;  // none: read-only
};

struct ConstantRow {
  std::string name;
  script::Value value;
};

struct TypeRow {
  std::string name;
  std::string typeName;
};

class TableImport : public script::ImportPlugin {
 public:
  std::string name() const override { return name_; }
  void compileImport(script::CompileContext& context) override;
  void executeImport(script::RuntimeBinder& binder) override;

 protected:
  explicit TableImport(std::string name) : name_(std::move(name)) {}

  // Rows are declared in this order: types, constants, classes, properties, methods,
  // routines.
  std::vector<TypeRow> types;
  std::vector<ConstantRow> constants;
  std::vector<ClassRow> classes;
  std::vector<PropertyRow> properties;
  std::vector<MethodRow> methods;
  std::vector<RoutineRow> routines;

 private:
  std::string name_;
};

// The routine's name in a declaration heading: "function Foo(...)" gives "Foo".
std::string declaredName(std::string_view declaration);
// Whether a heading declares a constructor.
bool declaresConstructor(std::string_view declaration);

}  // namespace kelmo::script_library
