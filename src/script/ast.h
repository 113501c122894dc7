#pragma once
// Syntax tree of a script. The parser builds it with syntactic operations; the checker
// then resolves every node in place (types, variable slots, routines, the exact operation)
// so that the runtime walks it without looking anything up.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/program.h"

namespace kelmo::script {

enum class Op : std::uint8_t {
  // Syntactic (parser output; the checker replaces them)
  Name, Member, Apply, IndexOf, SetRange, Binary, Unary, SetLiteral,
  Aggregate,  // typed constant "(1, 2, 3)" or "(X: 1; Y: 2)": kids, with Name nodes before record values
  // Constants
  ConstInt, ConstReal, ConstString, ConstNil,
  RoutineRef,     // a routine as a procedural value ("c := Square", "@Square")
  // Variables
  Local, Global, RefParam, Element, StrChar,
  Outer, OuterRef,  // an enclosing routine's variable or var parameter (nested routines)
  // Calls
  CallScript, CallNative, CallMethod, CallConstructor, ReadProperty, Builtin,
  CallIndirect,   // a call through a procedural value
  // Integer results (ordinals, booleans, chars)
  FirstIntOp,
  AddI, SubI, MulI, DivI, ModI, AndI, OrI, XorI, ShlI, ShrI, NegI, NotI, NotB,
  EqI, NeI, LtI, LeI, GtI, GeI,
  EqR, NeR, LtR, LeR, GtR, GeR,
  EqS, NeS, LtS, LeS, GtS, GeS,
  EqO, NeO, IsClass, InSet,
  InSetValue, EqSet, NeSet, SubSet, SuperSet,  // sets as values
  LastIntOp,
  // Real results
  AddR, SubR, MulR, DivR, NegR, IntToReal,
  // Other results
  Concat, CharToStr, AsClass,
  MakeSet,        // kids: (low, high or null) pairs
  SetUnion, SetDiff, SetInter,
  MakeArray,      // open array or "array of const" from "[a, b, c]": kids are the items
  ToOpenArray,    // a static array passed as an open array (re-based to 0, copied)
};

enum class Builtin : std::uint8_t {
  Length, Ord, Chr,
  OrdinalCast,  // T(x) for an ordinal T, and Chr: the value wrapped into the result type
  Abs, Sqr, Min, Max, High, Low, Assigned, Random, Odd, Succ, Pred,
  ExceptionMessage, SetLength, UpCase, Copy, Include, Exclude,
  // statements
  Inc, Dec, Exit, Break, Continue, Assert,
};

// One expression. What each operation uses besides row, col and (once checked) type:
//   Name, Member          text: the name (Member: kids[0] is the object or record)
//   Apply, IndexOf        kids: the callee or base, then the arguments or indexes
//   Binary, Unary         syntaxOp: the operator token; kids: the operands
//   SetLiteral, SetRange, Aggregate   kids: the items
//   ConstInt, ConstReal, ConstString  intValue, realValue, text
//   RoutineRef            routine: the script routine or native named
//   Local, Global         slot: the frame's or the globals' slot
//   RefParam              slot: the var parameter's index among the frame's references
//   Outer, OuterRef       slot as Local and RefParam, in the frame of the enclosing routine
//                         `hops` levels out; link: the running routine's scope slot
//   Element               kids: the array or record, the index (a record: the field number
//                         as ConstInt); shared: the array is dynamic
//   StrChar               kids: the string, the index (from 1)
//   CallScript, CallNative  routine; kids: the arguments; isVarArg: which are by reference;
//                         hops, link (nested callee): how many levels out of the caller its
//                         enclosing frame is, and the caller's scope slot
//   CallIndirect          routine: the procedural type's signature; kids: the arguments,
//                         then the procedural value; isVarArg
//   CallMethod            routine; kids: the object, then the arguments; isVarArg
//   CallConstructor       routine; cls: the class made; kids: the arguments; isVarArg
//   ReadProperty          property; kids: the object, then the indexes
//   Builtin               builtin; kids: the arguments
//   IsClass, AsClass      cls: the class tested for; kids: the object
//   AddI ... ShrI         kids: the operands; wrapTo32: the result wraps to 32 bits
//   other operations      kids: the operands (MakeSet: low, high-or-null pairs)
struct Expr {
  Op op = Op::Name;
  int row = 0, col = 0;
  const Type* type = nullptr;          // after checking
  std::string text;                    // name, member name, string constant, operator
  std::int64_t intValue = 0;
  double realValue = 0;
  int syntaxOp = 0;                    // Binary/Unary: the operator token
  std::vector<std::unique_ptr<Expr>> kids;

  // Resolution
  int slot = 0;                        // Local/Global slot, RefParam index
  int hops = 0;                        // Outer, OuterRef, CallScript: enclosing levels out
  int link = 0;                        // with hops: the frame slot of the running routine's Scope
  bool wrapTo32 = false;               // AddI ... ShrI: wrap the result to 32 bits
  bool shared = false;                 // Element: of a dynamic array (written in place, no copy)
  Routine* routine = nullptr;
  const Property* property = nullptr;
  const ClassInfo* cls = nullptr;      // IsClass/AsClass target, constructor class
  Builtin builtin = Builtin::Length;
  std::vector<bool> isVarArg;          // calls: which arguments are passed by reference

  Expr* kid(std::size_t i) const { return kids[i].get(); }
};
using ExprPtr = std::unique_ptr<Expr>;

enum class StmtKind : std::uint8_t {
  Empty, Assign, Call, Compound, If, Case, For, While, Repeat, With, TryExcept, TryFinally,
  Raise, Break, Continue, Exit, Inc, SetLength, Include, Assert,
  // resolved assignments
  AssignInt, AssignReal, AssignValue, AssignProperty, AssignStrChar, AppendString,
};

struct CaseBranch {
  std::vector<std::pair<ExprPtr, ExprPtr>> labels;  // low, high (high null for one value)
  std::vector<std::pair<std::int64_t, std::int64_t>> ranges;  // after checking
  std::unique_ptr<struct Stmt> body;
};

struct ExceptHandler {
  std::string varName;   // "on E: Exception do": E (may be empty)
  std::string className;
  int row = 0, col = 0;
  const ClassInfo* cls = nullptr;
  int slot = -1;
  bool global = false;
  std::unique_ptr<struct Stmt> body;
};

// One statement. What each kind uses (fields not named stay empty):
//   Compound      body
//   Assign, Call  exprs: target and value / the call (the checker resolves them to the kinds
//                 below)
//   AssignInt, AssignReal, AssignValue, AssignStrChar, AppendString, AssignProperty
//                 exprs: target, value; type: the target's type
//   If            exprs: condition; thenPart; elsePart (may be null)
//   While         exprs: condition; doPart
//   Repeat        body; exprs: condition
//   For           exprs: control variable, start, limit; downto; doPart; slot, global and
//                 type: the control variable
//   Case          exprs: selector; branches; hasElse, elseList
//   With          exprs: what is computed once at the start (see withSlots); doPart
//   TryFinally    body; finallyPart
//   TryExcept     body; handlers ("on" handlers) with hasElse, elseList, or plainHandler
//   Raise         exprs: the exception object, or none to raise again
//   Assert        exprs: the condition [, the message]
//   Exit          exprs: the result value, or none
//   Inc           exprs: variable [, amount]; step: +1 (Inc) or -1 (Dec); type: the variable's
//   Include       exprs: set variable, element; step: +1 (Include) or -1 (Exclude)
//   SetLength     exprs: variable, length; type: the variable's
struct Stmt {
  StmtKind kind = StmtKind::Empty;
  int row = 0, col = 0;
  std::vector<ExprPtr> exprs;
  std::vector<std::unique_ptr<Stmt>> body;
  std::unique_ptr<Stmt> thenPart, elsePart;
  std::unique_ptr<Stmt> doPart;
  std::vector<CaseBranch> branches;
  std::vector<ExceptHandler> handlers;
  std::vector<std::unique_ptr<Stmt>> elseList;      // Case and TryExcept: the else part
  std::vector<std::unique_ptr<Stmt>> plainHandler;  // TryExcept without "on" handlers
  std::vector<std::unique_ptr<Stmt>> finallyPart;
  bool hasElse = false;                // an else part is present (even empty)
  bool downto = false;
  bool global = false;                 // For: the control variable is a global
  int slot = 0;                        // For: the control variable's slot
  // With: per expression, the temporary it fills once at the start (objects, record values,
  // computed indexes of record designators), or -1 for a designator evaluated only for its
  // range checks.
  std::vector<int> withSlots;
  std::vector<bool> withGlobal;
  const Type* type = nullptr;
  std::int64_t step = 1;

  Expr* expr(std::size_t i) const { return exprs[i].get(); }
};
using StmtPtr = std::unique_ptr<Stmt>;

// Parsed but not yet checked declarations of a script or a plug-in heading.
struct FieldDecl {
  std::vector<std::string> names;
  std::vector<std::pair<int, int>> positions;
  std::unique_ptr<struct TypeSpec> type;
};

struct RoutineDecl;

struct TypeSpec {
  enum Form { Named, Array, Enum, Set, Record, Subrange, Routine } form = Named;
  int row = 0, col = 0;
  std::string name;                  // Named
  // Array: per dimension (low, high), or (index type name, null); Subrange: bounds[0]
  std::vector<std::pair<ExprPtr, ExprPtr>> bounds;
  bool dynamic = false;              // "array of T"
  bool ofConst = false;              // "array of const"
  std::unique_ptr<TypeSpec> element; // Array, Set
  std::vector<std::string> names;    // Enum
  std::vector<std::pair<int, int>> positions;
  std::vector<FieldDecl> fields;     // Record
  std::unique_ptr<RoutineDecl> signature;  // Routine: "function(x: Double): Double" (no name)
  bool ofObject = false;             // Routine: "... of object" (a method type, refused)
};

struct ParamDecl {
  std::vector<std::string> names;
  std::vector<std::pair<int, int>> positions;
  ParamMode mode = ParamMode::Value;
  std::unique_ptr<TypeSpec> type;    // null: untyped (rejected by the checker)
  ExprPtr defaultValue;
};

struct RoutineDecl {
  RoutineKind kind = RoutineKind::Procedure;
  int row = 0, col = 0;
  std::string className;             // "procedure TFoo.Bar": not supported, reported
  std::string name;
  std::vector<ParamDecl> params;
  std::unique_ptr<TypeSpec> result;
  bool isForward = false;
  // Body
  struct Block* block = nullptr;
};

struct VarDecl {
  std::vector<std::string> names;
  std::vector<std::pair<int, int>> positions;
  std::unique_ptr<TypeSpec> type;
  ExprPtr init;
};

struct ConstDecl {
  std::string name;
  int row = 0, col = 0;
  std::unique_ptr<TypeSpec> type;    // typed constant
  ExprPtr value;
};

struct TypeDecl {
  std::string name;
  int row = 0, col = 0;
  std::unique_ptr<TypeSpec> type;
};

// One declaration section item, in source order.
struct Decl {
  enum Kind { Var, Const, Type, Routine } kind = Var;
  std::unique_ptr<VarDecl> var;
  std::unique_ptr<ConstDecl> constant;
  std::unique_ptr<TypeDecl> type;
  std::unique_ptr<RoutineDecl> routine;
};

struct Block {
  std::vector<Decl> decls;
  StmtPtr body;   // the compound statement
};

struct ProgramSyntax {
  std::vector<std::unique_ptr<Block>> blocks;  // every block, owner of the routines' bodies
  Block* main = nullptr;
};

}  // namespace kelmo::script
