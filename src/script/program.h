#pragma once
// What the compiler knows and the runtime uses: types, classes with their properties and
// methods, routines (script, native or built in) and the compiled program that owns them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/script_engine.h"
#include "script/value.h"

namespace kelmo::script {

struct Stmt;
struct Expr;

std::string lowerName(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

// Ordinal kinds: Ordinal (integers), Boolean, Char, Enum; subranges keep their base's kind.
// Set values are 32-byte strings, one bit per ordinal 0..255. Records are arrays of their
// fields (index = field number), copied on write like static arrays. A procedural value is
// an ordinal holding the address of its Routine, nil holding 0.
enum class TypeKind {
  Ordinal, Boolean, Char, Enum, Real, String, Class, Array, Set, Record, Procedural, Nil, Void, ConstItem
};

struct Field {
  std::string name;
  const struct Type* type = nullptr;
};

struct Type {
  TypeKind kind = TypeKind::Void;
  std::string name;
  // Ordinal ranges (integers, boolean, char) and array bounds.
  std::int64_t low = 0, high = 0;
  int bits = 64;          // integers: stored width
  bool isSigned = true;   // integers
  const ClassInfo* cls = nullptr;  // Class
  const Type* element = nullptr;   // Array element, Set element
  // Array: "array of T", shared by reference (low 0, length at run time). Open array
  // parameters and "array of const" are dynamic too.
  bool dynamic = false;
  bool openParam = false;          // parameter written "array of T": accepts static arrays
  const Type* base = nullptr;      // Enum and its subranges: the enumeration (its names)
  std::vector<std::string> names;  // Enum: the values' names in order
  std::vector<Field> fields;       // Record
  const struct Routine* signature = nullptr;  // Procedural: parameters and result, never called

  bool isOrdinal() const {
    return kind == TypeKind::Ordinal || kind == TypeKind::Boolean || kind == TypeKind::Char || kind == TypeKind::Enum;
  }
  bool isInteger() const { return kind == TypeKind::Ordinal; }
  bool isNumeric() const { return kind == TypeKind::Ordinal || kind == TypeKind::Real; }
  // Wraps an integer into this type's width, as a store into a variable of it does.
  std::int64_t wrap(std::int64_t v) const {
    if (kind != TypeKind::Ordinal || bits == 64) return v;
    std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    std::uint64_t u = static_cast<std::uint64_t>(v) & mask;
    if (isSigned && (u >> (bits - 1)) != 0) u |= ~mask;
    return static_cast<std::int64_t>(u);
  }
  std::int64_t count() const { return high - low + 1; }
};

enum class ParamMode { Value, Var, Const };  // "out" is Var

struct Param {
  std::string name;
  const Type* type = nullptr;
  ParamMode mode = ParamMode::Value;
  std::unique_ptr<Expr> defaultValue;  // script routines: optional trailing defaults
};

enum class RoutineKind { Procedure, Function, Constructor };

struct Routine {
  std::string name;
  RoutineKind kind = RoutineKind::Procedure;
  std::vector<Param> params;
  const Type* result = nullptr;   // functions; the class for constructors
  const ClassInfo* owner = nullptr;  // methods and constructors
  std::string module;             // the plug-in that declared it; empty for the script
  int row = 0, col = 0;

  // Native routines.
  bool isNative = false;
  NativeFn native;

  // Script routines.
  std::unique_ptr<Stmt> body;
  bool hasBody = false;
  // Nesting: 0 for a routine of the script's top level, 1 for one declared inside it, ...
  // A routine that has nested routines, or is one, keeps its frame reachable for them
  // (interpreter: Scope).
  int level = 0;
  bool needsScope = false;
  int scopeSlot = -1;             // needsScope: the frame slot that holds the address of its Scope
  bool setsUpFrame = false;       // slotTypes or needsScope: a call prepares the frame further
  const Type* valueType = nullptr;  // its procedural type, once it is used as a value
  int frameSize = 0;              // value slots: Result, value parameters, locals, temporaries
  int refCount = 0;               // var parameters
  std::vector<int> paramSlot;     // per parameter: value slot, or ref index for var
  std::vector<std::pair<int, const Type*>> slotTypes;  // initial value of each slot
  bool resultAssigned = false;
};

struct Property {
  std::string name;
  const Type* type = nullptr;
  bool readable = true, writable = true;
  const ClassInfo* owner = nullptr;
  std::vector<Param> indexParams;  // Strings[Index: Integer]: the index parameters
  NativeFn reader, writer;
};

struct ClassInfo {
  std::string name;
  const ClassInfo* parent = nullptr;
  const Type* type = nullptr;  // the class type of its objects
  std::unordered_map<std::string, Property*> properties;  // by lower-case name
  std::unordered_map<std::string, Routine*> methods;      // methods and constructors
  const Property* defaultProperty = nullptr;  // "obj[i]" stands for "obj.Prop[i]"

  bool derivesFrom(const ClassInfo* other) const {
    for (const ClassInfo* c = this; c != nullptr; c = c->parent)
      if (c == other) return true;
    return false;
  }
  const Property* findProperty(const std::string& lower) const;
  Routine* findMethod(const std::string& lower) const;
};

// The faults the runtime raises itself, each with the class Object Pascal's runtime gives
// it (exception_classes.cpp declares the tree).
enum class FaultClass : std::uint8_t {
  Generic,          // Exception: engine faults without a class of their own
  DivByZero,        // EDivByZero: integer div or mod by zero
  IntOverflow,      // EIntOverflow: the one integer division that overflows (Low div -1)
  RangeError,       // ERangeError: an index outside an array or string, a set element outside 0..255
  ZeroDivide,       // EZeroDivide: a float divided by zero
  InvalidOp,        // EInvalidOp: 0 / 0, Infinity - Infinity, and the like
  Overflow,         // EOverflow: a float result too large for a double
  AccessViolation,  // EAccessViolation: a nil object used
  InvalidCast,      // EInvalidCast: "as" with the wrong class
  StackOverflow,    // EStackOverflow: too many nested calls
  OutOfMemory,      // EOutOfMemory: the memory budget or a string's length exceeded
  AssertionFailed,  // EAssertionFailed: Assert
  Abort,            // EAbort: Abort, the silent exception
};
constexpr std::size_t kFaultClassCount = static_cast<std::size_t>(FaultClass::Abort) + 1;

// Everything one compile produced; the runtime executes it. Records live in deques so that
// pointers to them stay valid while more are added.
struct Program {
  std::deque<Type> types;
  std::deque<ClassInfo> classes;
  std::deque<Routine> routines;
  std::deque<Property> properties;

  // Global scope names (lower case) after the compile.
  std::unordered_map<std::string, const Type*> typeNames;

  int globalCount = 0;
  std::vector<std::pair<int, const Type*>> globalTypes;
  std::vector<std::pair<int, Value>> globalInits;  // initialised variables
  std::unique_ptr<Stmt> mainBlock;
  std::vector<std::unique_ptr<Stmt>> ownedStatements;

  // The built-in types, for quick reference.
  const Type* tInteger = nullptr;
  const Type* tInt64 = nullptr;
  const Type* tCardinal = nullptr;
  const Type* tBoolean = nullptr;
  const Type* tChar = nullptr;
  const Type* tReal = nullptr;
  const Type* tString = nullptr;
  const Type* tNil = nullptr;
  const Type* tVoid = nullptr;
  const Type* tEmptySet = nullptr;  // "[]": assignable to every set
  const Type* tConstItem = nullptr;  // element of "array of const"
  const ClassInfo* cObject = nullptr;
  ClassInfo* cComponent = nullptr;
  ClassInfo* cException = nullptr;
  // The class of each FaultClass (null in a program without the system unit).
  std::array<const ClassInfo*, kFaultClassCount> faultClasses{};

  const ClassInfo* faultClass(FaultClass f) const { return faultClasses[static_cast<std::size_t>(f)]; }
};

// Default value of a variable of the type (zero, empty text, nil, or a filled array).
Value defaultValue(const Type* type);

// A runtime fault: script exceptions, native exceptions and engine faults alike.
struct ScriptError {
  std::string message;
  bool isException = false;  // raised by a script or a native: shown as "Exception: " + message
  int row = 0, col = 0;
  const ClassInfo* cls = nullptr;  // the exception's class; null stands for Exception
  Value object;              // the exception object, once the script raised or caught one
};

}  // namespace kelmo::script
