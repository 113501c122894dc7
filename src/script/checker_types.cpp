// Built-in types, declarations by text (plug-ins, the system unit), type
// specifications and routine headings.
#include "script/checker_impl.h"

#include <unordered_set>

#include "script/parser.h"

namespace kelmo::script {

// Messages point at the offending token and name the module that declared the text.
void Checker::Impl::error(int row, int col, std::string text) {
  messages.push_back({MessageKind::Error, module, row, col, std::move(text)});
}

void Checker::Impl::warning(int row, int col, std::string text) {
  messages.push_back({MessageKind::Warning, module, row, col, std::move(text)});
}

void Checker::Impl::hint(int row, int col, std::string text) {
  messages.push_back({MessageKind::Hint, module, row, col, std::move(text)});
}

// A new type record owned by the program.
const Type* Checker::Impl::makeType(TypeKind kind, std::string name, std::int64_t low, std::int64_t high,
                     int bits, bool isSigned) {
  Type t;
  t.kind = kind;
  t.name = std::move(name);
  t.low = low;
  t.high = high;
  t.bits = bits;
  t.isSigned = isSigned;
  p.types.push_back(std::move(t));
  return &p.types.back();
}

// type name (global scope)
void Checker::Impl::addTypeName(const std::string& name, const Type* t) {
  Symbol s;
  s.kind = Symbol::TypeName;
  s.type = t;
  globals[lowerName(name)] = s;
  p.typeNames[lowerName(name)] = t;
}

// The system unit's predeclared types, constants and built-in routine names.
void Checker::Impl::declareBasics() {
  p.tInteger = makeType(TypeKind::Ordinal, "integer", INT32_MIN, INT32_MAX, 32, true);
  p.tCardinal = makeType(TypeKind::Ordinal, "cardinal", 0, UINT32_MAX, 32, false);
  p.tInt64 = makeType(TypeKind::Ordinal, "int64", INT64_MIN, INT64_MAX, 64, true);
  const Type* word = makeType(TypeKind::Ordinal, "word", 0, 65535, 16, false);
  const Type* byte = makeType(TypeKind::Ordinal, "byte", 0, 255, 8, false);
  const Type* smallint = makeType(TypeKind::Ordinal, "smallint", -32768, 32767, 16, true);
  const Type* shortint = makeType(TypeKind::Ordinal, "shortint", -128, 127, 8, true);
  p.tBoolean = makeType(TypeKind::Boolean, "boolean", 0, 1, 64, false);
  p.tChar = makeType(TypeKind::Char, "char", 0, 255, 64, false);
  p.tReal = makeType(TypeKind::Real, "double");
  p.tString = makeType(TypeKind::String, "string");
  p.tNil = makeType(TypeKind::Nil, "nil");
  p.tVoid = makeType(TypeKind::Void, "untyped");
  p.tEmptySet = makeType(TypeKind::Set, "empty set");
  p.tConstItem = makeType(TypeKind::ConstItem, "const");
  for (const char* n : {"integer", "longint"}) addTypeName(n, p.tInteger);
  for (const char* n : {"cardinal", "longword", "dword"}) addTypeName(n, p.tCardinal);
  addTypeName("int64", p.tInt64);
  addTypeName("word", word);
  addTypeName("byte", byte);
  addTypeName("smallint", smallint);
  addTypeName("shortint", shortint);
  addTypeName("boolean", p.tBoolean);
  for (const char* n : {"char", "ansichar"}) addTypeName(n, p.tChar);
  for (const char* n : {"double", "single", "real", "extended", "currency", "tdatetime"})
    addTypeName(n, p.tReal);
  for (const char* n : {"string", "ansistring", "shortstring"}) addTypeName(n, p.tString);
  Symbol t;
  t.kind = Symbol::Constant;
  t.type = p.tBoolean;
  t.constValue = Value(true);
  globals["true"] = t;
  t.constValue = Value(false);
  globals["false"] = t;
  static const std::pair<const char*, Builtin> builtins[] = {
      {"length", Builtin::Length}, {"ord", Builtin::Ord}, {"chr", Builtin::Chr},
      {"abs", Builtin::Abs}, {"sqr", Builtin::Sqr}, {"high", Builtin::High},
      {"min", Builtin::Min}, {"max", Builtin::Max},
      {"low", Builtin::Low}, {"assigned", Builtin::Assigned}, {"random", Builtin::Random},
      {"odd", Builtin::Odd}, {"succ", Builtin::Succ}, {"pred", Builtin::Pred},
      {"exceptionmessage", Builtin::ExceptionMessage},
      {"setlength", Builtin::SetLength}, {"inc", Builtin::Inc}, {"dec", Builtin::Dec},
      {"exit", Builtin::Exit}, {"break", Builtin::Break}, {"continue", Builtin::Continue},
      {"upcase", Builtin::UpCase}, {"include", Builtin::Include}, {"exclude", Builtin::Exclude},
      {"assert", Builtin::Assert},
  };
  for (const auto& [name, b] : builtins) {
    Symbol s;
    s.kind = Symbol::BuiltinName;
    s.builtin = b;
    globals[name] = s;
  }
}

// Tokens of a declaration text; lexical errors become messages of the declaring module.
std::vector<Token> Checker::Impl::lex(std::string_view text) {
  std::vector<LexError> errors;
  auto tokens = tokenize(text, errors);
  for (const auto& e : errors) error(e.row, e.col, e.text);
  if (!errors.empty()) tokens.clear();
  return tokens;
}

// class name -> class record, or null
ClassInfo* Checker::Impl::findClass(std::string_view name) const {
  auto it = globals.find(lowerName(name));
  if (it == globals.end() || it->second.kind != Symbol::TypeName) return nullptr;
  const Type* t = it->second.type;
  return t->kind == TypeKind::Class ? const_cast<ClassInfo*>(t->cls) : nullptr;
}

// class "(" parent ")" (by text: name and parent)
ClassInfo* Checker::Impl::declareClass(std::string_view name, std::string_view parent) {
  ClassInfo* parentInfo = nullptr;
  if (!parent.empty()) {
    parentInfo = findClass(parent);
    if (parentInfo == nullptr) {
      error(1, 1, "Unknown parent class '" + std::string(parent) + "' of class '" + std::string(name) + "'");
      return nullptr;
    }
  }
  if (ClassInfo* existing = findClass(name)) return existing;
  if (globals.count(lowerName(name)) != 0) {
    error(1, 1, "Duplicate identifier '" + std::string(name) + "'");
    return nullptr;
  }
  p.classes.emplace_back();
  ClassInfo* c = &p.classes.back();
  c->name = std::string(name);
  c->parent = parentInfo;
  const Type* t = makeType(TypeKind::Class, c->name);
  const_cast<Type*>(t)->cls = c;
  c->type = t;
  addTypeName(c->name, t);
  return c;
}

// type name -> type, from the innermost routine's scope out to the globals
const Type* Checker::Impl::typeByName(std::string_view text, int row, int col) {
  std::string lower = lowerName(text);
  for (const RoutineScope* sc = routineScope; sc != nullptr; sc = sc->outer) {
    auto it = sc->names.find(lower);
    if (it != sc->names.end() && it->second.kind == Symbol::TypeName) return it->second.type;
  }
  auto it = globals.find(lower);
  if (it == globals.end() || it->second.kind != Symbol::TypeName) {
    error(row, col, unknownName(std::string(text), "type"));
    return nullptr;
  }
  return it->second.type;
}

// property name ":" type (by text)
void Checker::Impl::declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                     PropertyAccess access) {
  ClassInfo* c = findClass(className);
  if (c == nullptr) return error(1, 1, "Unknown class '" + std::string(className) + "'");
  auto tokens = lex(typeName);
  if (tokens.empty()) return;
  SyntaxError se;
  auto typeSpec = parseTypeText(tokens, se);
  if (!typeSpec) return error(se.row, se.col, se.text);
  const Type* t = resolveType(*typeSpec);
  if (t == nullptr) return;
  if (t->kind == TypeKind::Procedural)
    return error(1, 1, "Property '" + std::string(name) + "': procedural types are not passed to or from natives");
  p.properties.emplace_back();
  Property* prop = &p.properties.back();
  prop->name = std::string(name);
  prop->type = t;
  prop->owner = c;
  prop->readable = access != PropertyAccess::WriteOnly;
  prop->writable = access != PropertyAccess::ReadOnly;
  c->properties[lowerName(name)] = prop;
}

// heading = ("procedure" | "function" | "constructor") name [params] [":" type] [";"]
Routine* Checker::Impl::routineFromText(std::string_view declaration, ClassInfo* owner) {
  auto tokens = lex(declaration);
  if (tokens.empty()) return nullptr;
  SyntaxError se;
  auto decl = parseHeading(tokens, se);
  if (!decl) {
    error(se.row, se.col, se.text);
    return nullptr;
  }
  if (!decl->className.empty()) {
    error(decl->row, decl->col, "A qualified name is not allowed in a declaration");
    return nullptr;
  }
  if (decl->kind == RoutineKind::Constructor && owner == nullptr) {
    error(decl->row, decl->col, "A constructor must belong to a class");
    return nullptr;
  }
  Routine* r = buildRoutine(*decl, owner);
  if (r == nullptr || refuseRoutineTypes(*r)) return nullptr;
  r->isNative = true;
  return r;
}

// method heading of a declared class (by text)
Routine* Checker::Impl::declareMethod(std::string_view className, std::string_view declaration) {
  ClassInfo* c = findClass(className);
  if (c == nullptr) {
    error(1, 1, "Unknown class '" + std::string(className) + "'");
    return nullptr;
  }
  Routine* r = routineFromText(declaration, c);
  if (r != nullptr) c->methods[lowerName(r->name)] = r;
  return r;
}

// global routine heading (by text); a later one replaces an earlier one
Routine* Checker::Impl::declareRoutine(std::string_view declaration) {
  Routine* r = routineFromText(declaration, nullptr);
  if (r == nullptr) return nullptr;
  std::string key = lowerName(r->name);
  auto it = globals.find(key);
  if (it != globals.end() && it->second.kind != Symbol::RoutineName) {
    error(r->row, r->col, "Duplicate identifier '" + r->name + "'");
    return nullptr;
  }
  Symbol s;
  s.kind = Symbol::RoutineName;
  s.routine = r;
  globals[key] = s;  // a later declaration replaces an earlier one of the same name
  return r;
}

// property name ["[" params "]"] ":" type ["default"] (by text)
void Checker::Impl::declarePropertyText(std::string_view className, std::string_view declaration,
                                        PropertyAccess access) {
  ClassInfo* c = findClass(className);
  if (c == nullptr) return error(1, 1, "Unknown class '" + std::string(className) + "'");
  auto tokens = lex(declaration);
  if (tokens.empty()) return;
  SyntaxError se;
  bool isDefault = false;
  auto decl = parsePropertyText(tokens, isDefault, se);
  if (!decl) return error(se.row, se.col, se.text);
  Routine* shape = buildRoutine(*decl, nullptr);  // the index parameters and the type
  if (shape == nullptr || refuseRoutineTypes(*shape)) return;
  p.properties.emplace_back();
  Property* prop = &p.properties.back();
  prop->name = decl->name;
  prop->type = shape->result;
  prop->owner = c;
  prop->readable = access != PropertyAccess::WriteOnly;
  prop->writable = access != PropertyAccess::ReadOnly;
  for (Param& prm : shape->params) {
    if (prm.mode == ParamMode::Var) return error(decl->row, decl->col, "Index parameters cannot be var parameters");
    prop->indexParams.push_back(std::move(prm));
  }
  c->properties[lowerName(prop->name)] = prop;
  if (isDefault) {
    if (prop->indexParams.empty()) return error(decl->row, decl->col, "Only an indexed property can be the default");
    c->defaultProperty = prop;
  }
}

// declarations = {"type" ... | "const" ... | "var" ...} (by text); names stay reusable by scripts
void Checker::Impl::declareText(std::string_view declarations) {
  auto tokens = lex(declarations);
  if (tokens.empty()) return;
  SyntaxError se;
  auto block = parseDeclarationsText(tokens, se);
  if (!block) return error(se.row, se.col, se.text);
  for (auto& decl : block->decls) {
    std::string name;
    switch (decl.kind) {
      case Decl::Var:
        variables(*decl.var, true);
        for (const auto& n : decl.var->names) globals[lowerName(n)].row = 0;
        continue;
      case Decl::Const: constant(*decl.constant, globals); name = decl.constant->name; break;
      case Decl::Type: typeDeclaration(*decl.type, globals); name = decl.type->name; break;
      case Decl::Routine: continue;
    }
    auto it = globals.find(lowerName(name));
    if (it != globals.end()) it->second.row = 0;
  }
}

// "type" name "=" type (by text)
void Checker::Impl::declareType(std::string_view name, std::string_view typeName) {
  auto tokens = lex(typeName);
  if (tokens.empty()) return;
  SyntaxError se;
  auto typeSpec = parseTypeText(tokens, se);
  if (!typeSpec) return error(se.row, se.col, se.text);
  if (const Type* t = resolveType(*typeSpec)) addTypeName(std::string(name), t);
}

// "const" name "=" value (by the value)
void Checker::Impl::declareConstant(std::string_view name, const Value& v) {
  Symbol s;
  s.kind = Symbol::Constant;
  s.constValue = v;
  switch (v.kind()) {
    case Value::Kind::Ordinal: s.type = p.tInteger; break;
    case Value::Kind::Real: s.type = p.tReal; break;
    case Value::Kind::String: s.type = p.tString; break;
    default: return error(1, 1, "Constant '" + std::string(name) + "' must be a number or a string");
  }
  if (v.kind() == Value::Kind::Ordinal && (v.asInt() < INT32_MIN || v.asInt() > INT32_MAX))
    s.type = p.tInt64;
  globals[lowerName(name)] = s;
}

void Checker::Impl::declareUnavailable(std::string_view name, std::string_view reason) {
  unavailable[lowerName(name)] = std::string(reason);
}

std::string Checker::Impl::unknownName(const std::string& text, const char* what) const {
  auto it = unavailable.find(lowerName(text));
  if (it != unavailable.end()) return it->second;
  return std::string("Unknown ") + what + " '" + text + "'";
}

// routine name -> routine, for binding at execution
Routine* Checker::Impl::findRoutine(std::string_view name) const {
  auto it = globals.find(lowerName(name));
  return it != globals.end() && it->second.kind == Symbol::RoutineName ? it->second.routine : nullptr;
}

// constant ordinal expression (array bounds)
bool Checker::Impl::constantInt(ExprPtr& e, std::int64_t& out) {
  expression(e);
  if (e->type == nullptr) return false;
  Value v;
  std::string err;
  if (!e->type->isOrdinal() || !evaluateConstant(*e, v, err)) {
    error(*e, err.empty() ? "Constant ordinal expression expected" : err);
    return false;
  }
  out = v.asInt();
  return true;
}

// type = name | subrange | enumeration | set | array | record | routine type
const Type* Checker::Impl::resolveType(TypeSpec& typeSpec) {
  switch (typeSpec.form) {
    case TypeSpec::Named: return typeByName(typeSpec.name, typeSpec.row, typeSpec.col);
    case TypeSpec::Enum: return enumerationType(typeSpec);
    case TypeSpec::Subrange: return subrangeType(typeSpec);
    case TypeSpec::Set: return setOfType(typeSpec);
    case TypeSpec::Record: return recordType(typeSpec);
    case TypeSpec::Array: return arrayType(typeSpec);
    case TypeSpec::Routine: return routineType(typeSpec);
  }
  return nullptr;
}

// enumeration = "(" name {"," name} ")": each name becomes a constant of the new type
const Type* Checker::Impl::enumerationType(TypeSpec& typeSpec) {
  Type t;
  t.kind = TypeKind::Enum;
  t.low = 0;
  t.high = static_cast<std::int64_t>(typeSpec.names.size()) - 1;
  t.names = typeSpec.names;
  t.name = "(" + typeSpec.names[0] + (typeSpec.names.size() > 1 ? ", ...)" : ")");
  p.types.push_back(std::move(t));
  Type* e = &p.types.back();
  e->base = e;
  for (std::size_t i = 0; i < typeSpec.names.size(); ++i) {
    Symbol s;
    s.kind = Symbol::Constant;
    s.type = e;
    s.constValue = Value(static_cast<std::int64_t>(i));
    auto& scope = locals != nullptr ? *locals : globals;
    if (!declareName(scope, typeSpec.names[i], typeSpec.positions[i].first, typeSpec.positions[i].second, s))
      return nullptr;
    if (!module.empty()) scope[lowerName(typeSpec.names[i])].row = 0;  // a script may reuse it
  }
  return e;
}

// subrange = constant ".." constant, of integers, characters or one enumeration
const Type* Checker::Impl::subrangeType(TypeSpec& typeSpec) {
  ExprPtr& lowE = typeSpec.bounds[0].first;
  ExprPtr& highE = typeSpec.bounds[0].second;
  std::int64_t low = 0, high = 0;
  if (!constantInt(lowE, low) || !constantInt(highE, high)) return nullptr;
  const Type* a = lowE->type;
  const Type* b = highE->type;
  if (a->kind != b->kind || (a->kind == TypeKind::Enum && a->base != b->base)) {
    error(*highE, "Incompatible types: '" + a->name + "' and '" + b->name + "'");
    return nullptr;
  }
  if (high < low) {
    error(*highE, "High bound is lower than low bound");
    return nullptr;
  }
  Type t = *a;
  t.low = low;
  t.high = high;
  if (a->kind == TypeKind::Ordinal) {
    const Type* wide = low >= INT32_MIN && high <= INT32_MAX ? p.tInteger : p.tInt64;
    t.bits = wide->bits;
    t.isSigned = wide->isSigned;
  }
  t.names.clear();
  t.name = std::to_string(low) + ".." + std::to_string(high);
  p.types.push_back(std::move(t));
  return &p.types.back();
}

// set = "set" "of" ordinal type with values 0..255
const Type* Checker::Impl::setOfType(TypeSpec& typeSpec) {
  const Type* element = resolveType(*typeSpec.element);
  if (element == nullptr) return nullptr;
  if (!element->isOrdinal() || element->low < 0 || element->high > 255) {
    error(typeSpec.element->row, typeSpec.element->col,
          "Set base type must be an ordinal type with at most 256 values from 0 to 255, not '" + element->name + "'");
    return nullptr;
  }
  return makeSetType(element);
}

const Type* Checker::Impl::makeSetType(const Type* element) {
  Type t;
  t.kind = TypeKind::Set;
  t.element = element;
  t.name = "set of " + element->name;
  p.types.push_back(std::move(t));
  return &p.types.back();
}

// record = "record" {names ":" type ";"} "end"
const Type* Checker::Impl::recordType(TypeSpec& typeSpec) {
  Type t;
  t.kind = TypeKind::Record;
  t.name = "record";
  std::unordered_set<std::string> seen;
  for (auto& f : typeSpec.fields) {
    const Type* ft = resolveType(*f.type);
    if (ft == nullptr) return nullptr;
    for (std::size_t i = 0; i < f.names.size(); ++i) {
      if (!seen.insert(lowerName(f.names[i])).second) {
        error(f.positions[i].first, f.positions[i].second, "Duplicate identifier '" + f.names[i] + "'");
        return nullptr;
      }
      t.fields.push_back({f.names[i], ft});
    }
  }
  p.types.push_back(std::move(t));
  return &p.types.back();
}

// array = "array" ["[" index {"," index} "]"] "of" (type | "const"); index = subrange | ordinal type
const Type* Checker::Impl::arrayType(TypeSpec& typeSpec) {
  if (typeSpec.ofConst) {
    Type t;
    t.kind = TypeKind::Array;
    t.dynamic = true;
    t.low = 0;
    t.high = -1;
    t.element = p.tConstItem;
    t.name = "array of const";
    p.types.push_back(std::move(t));
    return &p.types.back();
  }
  const Type* element = resolveType(*typeSpec.element);
  if (element == nullptr) return nullptr;
  if (typeSpec.dynamic) {
    Type t;
    t.kind = TypeKind::Array;
    t.dynamic = true;
    t.low = 0;
    t.high = -1;
    t.element = element;
    t.name = "array of " + element->name;
    p.types.push_back(std::move(t));
    return &p.types.back();
  }
  for (std::size_t i = typeSpec.bounds.size(); i-- > 0;) {
    std::int64_t low = 0, high = 0;
    auto& [lowE, highE] = typeSpec.bounds[i];
    if (highE) {
      if (!constantInt(lowE, low) || !constantInt(highE, high)) return nullptr;
      if (high < low) {
        error(highE->row, highE->col, "High bound is lower than low bound");
        return nullptr;
      }
    } else {
      // array[TMode], array[Char], array[Boolean]: the index type's whole range
      const Type* index = lowE->op == Op::Name ? typeByName(lowE->text, lowE->row, lowE->col) : nullptr;
      if (index == nullptr) {
        if (lowE->op != Op::Name) error(*lowE, "'..' expected");
        return nullptr;
      }
      if (!index->isOrdinal()) {
        error(*lowE, "Ordinal type required as array index, not '" + index->name + "'");
        return nullptr;
      }
      low = index->low;
      high = index->high;
    }
    std::int64_t total = high - low + 1;
    for (const Type* e = element; e->kind == TypeKind::Array && !e->dynamic; e = e->element) {
      if (total > kMaxArrayElements) break;
      total *= e->count();
    }
    if (high - low >= kMaxArrayElements || total > kMaxArrayElements) {
      error(typeSpec.row, typeSpec.col, "Array too large (at most " + std::to_string(kMaxArrayElements) + " elements)");
      return nullptr;
    }
    Type t;
    t.kind = TypeKind::Array;
    t.low = low;
    t.high = high;
    t.element = element;
    t.name = "array[" + std::to_string(low) + ".." + std::to_string(high) + "] of " + element->name;
    p.types.push_back(std::move(t));
    element = &p.types.back();
  }
  return element;
}

// params = "(" [group {";" group}] ")";  group = ["var" | "const"] names ":" type ["=" constant]
Routine* Checker::Impl::buildRoutine(RoutineDecl& decl, ClassInfo* owner) {
  p.routines.emplace_back();
  Routine* r = &p.routines.back();
  r->name = decl.name;
  r->kind = decl.kind;
  r->owner = owner;
  r->module = module;
  r->row = decl.row;
  r->col = decl.col;
  std::unordered_set<std::string> seen;
  for (auto& group : decl.params) {
    const Type* t = nullptr;
    if (!group.type) {
      error(group.positions[0].first, group.positions[0].second,
            "Untyped parameters are not supported: type expected for '" + group.names[0] + "'");
      return nullptr;
    }
    t = resolveType(*group.type);
    if (t == nullptr) return nullptr;
    if (group.type->form == TypeSpec::Array && t->dynamic) {
      // "array of T" written in a parameter list: an open array, taking static arrays too
      Type open = *t;
      open.openParam = true;
      p.types.push_back(std::move(open));
      t = &p.types.back();
    }
    for (std::size_t i = 0; i < group.names.size(); ++i) {
      if (!seen.insert(lowerName(group.names[i])).second) {
        error(group.positions[i].first, group.positions[i].second, "Duplicate identifier '" + group.names[i] + "'");
        return nullptr;
      }
      Param prm;
      prm.name = group.names[i];
      prm.type = t;
      prm.mode = group.mode;
      if (group.defaultValue) {
        if (group.mode == ParamMode::Var) {
          error(*group.defaultValue, "A var parameter cannot have a default value");
          return nullptr;
        }
        expression(group.defaultValue);
        if (!group.defaultValue->type) return nullptr;
        Value v;
        std::string err;
        coerce(group.defaultValue, t);
        if (!group.defaultValue->type || !evaluateConstant(*group.defaultValue, v, err)) {
          error(*group.defaultValue, err.empty() ? "Constant expression expected" : err);
          return nullptr;
        }
        prm.defaultValue = constantNode(v, t, group.defaultValue->row, group.defaultValue->col);
      } else if (!r->params.empty() && r->params.back().defaultValue) {
        error(group.positions[i].first, group.positions[i].second,
              "Default value required for '" + group.names[i] + "'");
        return nullptr;
      }
      r->params.push_back(std::move(prm));
    }
  }
  if (decl.kind == RoutineKind::Function) {
    r->result = resolveType(*decl.result);
    if (r->result == nullptr) return nullptr;
  } else if (decl.kind == RoutineKind::Constructor) {
    r->result = owner->type;
  }
  return r;
}

// A constant node of type t holding v.
ExprPtr Checker::Impl::constantNode(const Value& v, const Type* t, int row, int col) {
  auto e = std::make_unique<Expr>();
  e->row = row;
  e->col = col;
  e->type = t;
  if (t->isOrdinal()) {
    e->op = Op::ConstInt;
    e->intValue = v.asInt();
  } else if (t->kind == TypeKind::Real) {
    e->op = Op::ConstReal;
    e->realValue = v.asDouble();
  } else if (t->kind == TypeKind::String) {
    e->op = Op::ConstString;
    e->text = std::string(v.text());
  } else if (t->kind == TypeKind::Procedural && v.kind() == Value::Kind::Ordinal && v.rawInt() != 0) {
    e->op = Op::RoutineRef;  // a typed constant holding a routine
    e->routine = reinterpret_cast<Routine*>(static_cast<std::intptr_t>(v.rawInt()));
  } else {
    e->op = Op::ConstNil;
  }
  return e;
}

}  // namespace kelmo::script
