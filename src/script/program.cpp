#include "script/program.h"

#include <cctype>

#include "script/ast.h"

namespace kelmo::script {

std::string lowerName(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const Property* ClassInfo::findProperty(const std::string& lower) const {
  for (const ClassInfo* c = this; c != nullptr; c = c->parent) {
    auto it = c->properties.find(lower);
    if (it != c->properties.end()) return it->second;
  }
  return nullptr;
}

Routine* ClassInfo::findMethod(const std::string& lower) const {
  for (const ClassInfo* c = this; c != nullptr; c = c->parent) {
    auto it = c->methods.find(lower);
    if (it != c->methods.end()) return it->second;
  }
  return nullptr;
}

Value defaultValue(const Type* type) {
  switch (type->kind) {
    case TypeKind::Ordinal:
    case TypeKind::Boolean:
    case TypeKind::Char:
    case TypeKind::Enum: return Value(0);
    case TypeKind::Set: return Value(std::string(32, '\0'));
    case TypeKind::Record: {
      std::vector<Value> fields;
      for (const Field& f : type->fields) fields.push_back(defaultValue(f.type));
      return Value::list(std::move(fields));
    }
    case TypeKind::Real: return Value(0.0);
    case TypeKind::String: return Value(std::string_view());
    case TypeKind::Array:
      if (type->dynamic) return Value::list({});
      return Value::array(type->low, static_cast<std::size_t>(type->count()), defaultValue(type->element));
    default: return Value();
  }
}

}  // namespace kelmo::script
