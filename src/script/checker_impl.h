#pragma once
// The checker's private state, shared by its parts: declarations by text and types
// (checker_types.cpp), expressions (checker_expressions.cpp), built-in routines
// (checker_builtins.cpp), procedural types and values (checker_routine_types.cpp), routines
// and their nesting (checker_routines.cpp), statements and script declarations
// (checker_statements.cpp), try, raise and Assert (checker_exceptions.cpp).
// A statement goes from parser output to resolved nodes in checker_statements.cpp, which
// calls into the expression and built-in parts for each expression it holds.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/ast.h"
#include "script/checker.h"
#include "script/lexer.h"
#include "script/program.h"

namespace kelmo::script {

// Arrays beyond this many elements are refused at compile time.
constexpr std::int64_t kMaxArrayElements = 1 << 24;

// What a name in a scope stands for.
struct Symbol {
  enum Kind { Variable, RefParam, Constant, TypeName, RoutineName, BuiltinName } kind = Variable;
  const Type* type = nullptr;
  int slot = 0;
  bool global = false;
  bool readOnly = false;   // const parameters
  Value constValue;
  Routine* routine = nullptr;
  Builtin builtin = Builtin::Length;
  int row = 0, col = 0;
  bool used = false;
  bool isLocalVariable = false;  // declared in a var section of a routine (unused hint)
  std::string name;              // as declared
};

// What a 'with' statement opened. An object is held in a temporary slot. A record stays a
// designator (variable, fields, elements) whose computed indexes were moved into
// temporaries, so that its fields read and write the variable itself; a record that is not
// a variable (a function's result) is held in a temporary and is read-only.
struct WithEntry {
  const ClassInfo* cls = nullptr;  // an object
  int slot = 0;
  bool global = false;
  ExprPtr record;                  // a record: the designator its fields hang from
  bool readOnly = false;           // a record value, a typed constant or a const parameter
};

// A copy of a resolved record designator (what a 'with' on a record opened).
ExprPtr copyDesignator(const Expr& d);

// The names of a routine being checked, inside those of the routines around it: a nested
// routine sees its enclosing routines' parameters, locals, types and routines.
struct RoutineScope {
  std::unordered_map<std::string, Symbol> names;
  Routine* routine = nullptr;
  RoutineScope* outer = nullptr;  // null for a routine of the top level
};

inline Tok tok(int syntaxOp) { return static_cast<Tok>(syntaxOp); }

struct Checker::Impl {
  Program& p;
  std::vector<CompilerMessage>& messages;
  std::string module;
  std::unordered_map<std::string, Symbol> globals;
  // Names scripts may not use (COM objects), by lower-case name, with the reason shown.
  std::unordered_map<std::string, std::string> unavailable;
  std::unordered_map<std::string, Symbol>* locals = nullptr;  // routineScope's names
  Routine* routine = nullptr;   // being checked, null in the main block
  RoutineScope* routineScope = nullptr;
  std::vector<WithEntry> withs;
  int loopDepth = 0;
  int exceptDepth = 0;

  Impl(Program& program, std::vector<CompilerMessage>& m) : p(program), messages(m) { declareBasics(); }

  // ---- messages ----
  void error(int row, int col, std::string text);
  void warning(int row, int col, std::string text);
  void hint(int row, int col, std::string text);
  void error(const Expr& e, std::string text) { error(e.row, e.col, std::move(text)); }

  // ---- built-in types ----
  const Type* makeType(TypeKind kind, std::string name, std::int64_t low = 0, std::int64_t high = 0,
                       int bits = 64, bool isSigned = true);
  void addTypeName(const std::string& name, const Type* t);
  void declareBasics();

  // ---- declarations by text ----
  std::vector<Token> lex(std::string_view text);
  ClassInfo* findClass(std::string_view name) const;
  ClassInfo* declareClass(std::string_view name, std::string_view parent);
  const Type* typeByName(std::string_view text, int row, int col);
  void declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                       PropertyAccess access);
  Routine* routineFromText(std::string_view declaration, ClassInfo* owner);
  Routine* declareMethod(std::string_view className, std::string_view declaration);
  Routine* declareRoutine(std::string_view declaration);
  void declareType(std::string_view name, std::string_view typeName);
  void declareConstant(std::string_view name, const Value& v);
  void declareUnavailable(std::string_view name, std::string_view reason);
  // "Unknown identifier 'x'", or why scripts cannot use x when a plug-in said so.
  std::string unknownName(const std::string& text, const char* what = "identifier") const;
  Routine* findRoutine(std::string_view name) const;

  // ---- types and routine headings ----
  bool constantInt(ExprPtr& e, std::int64_t& out);
  const Type* resolveType(TypeSpec& typeSpec);
  const Type* enumerationType(TypeSpec& typeSpec);
  const Type* subrangeType(TypeSpec& typeSpec);
  const Type* setOfType(TypeSpec& typeSpec);
  const Type* makeSetType(const Type* element);
  const Type* recordType(TypeSpec& typeSpec);
  const Type* arrayType(TypeSpec& typeSpec);
  void declarePropertyText(std::string_view className, std::string_view declaration, PropertyAccess access);
  void declareText(std::string_view declarations);
  Routine* buildRoutine(RoutineDecl& decl, ClassInfo* owner);
  ExprPtr constantNode(const Value& v, const Type* t, int row, int col);

  // ---- name lookup ----
  // The innermost declaration of the name; `hops`: how many routine levels out it was found
  // (0 for the current routine's own names and for globals).
  Symbol* lookup(const std::string& lower, int* hops = nullptr);
  RoutineScope* scopeOut(int hops) const;
  const WithEntry* withMember(const std::string& lower) const;
  ExprPtr withObject(const WithEntry& w, int row, int col);
  void withField(ExprPtr& e, const WithEntry& w);
  int newSlot();

  // ---- expressions ----
  static bool isLvalue(const Expr& e);
  bool failed(const ExprPtr& e) const { return e->type == nullptr; }
  void setType(Expr& e, Op op, const Type* t);
  ExprPtr convert(ExprPtr e, Op op, const Type* t);
  bool sameArray(const Type* a, const Type* b) const;
  bool assignable(const Type* to, const Type* from) const;
  bool coerce(ExprPtr& e, const Type* to);
  void expression(ExprPtr& e);
  void expectValue(ExprPtr& e);
  void name(ExprPtr& e, bool statement);
  void member(ExprPtr& e, std::vector<ExprPtr> args, bool hasArgs, bool statement);
  void callMethod(ExprPtr& e, Routine* m, ExprPtr object, std::vector<ExprPtr> args, bool statement);
  void callRoutine(ExprPtr& e, Routine* r, std::vector<ExprPtr> args, bool statement);
  void finishCall(Expr& e, const Routine* r, bool statement, const std::string& shownName);
  bool arguments(Expr& e, const Routine* r, std::vector<ExprPtr>& args, const std::string& shownName);
  bool varArgument(ExprPtr& a, const Routine* r, const Param& prm);
  bool isReadOnly(const Expr& e);
  bool isWithValue(const Expr& e) const;
  void apply(ExprPtr& e, bool statement);
  void typeCast(ExprPtr& e, const Type* t, std::vector<ExprPtr> args);
  void index(ExprPtr& e);
  const Type* integerResult(const Type* a, const Type* b) const;
  void binaryMismatch(Expr& e, const Type* a, const Type* b);
  void binary(ExprPtr& e);
  void intOp(Expr& e, Op op, const Type* a, const Type* b);
  void setOperation(ExprPtr& e, Tok opTok, const Type* a, const Type* b);
  bool valueFor(ExprPtr& e, const Type* to);
  bool arrayLiteral(ExprPtr& e, const Type* to);
  void setLiteral(ExprPtr& e);
  void recordField(ExprPtr& e);
  bool indexedProperty(ExprPtr& e);
  void comparison(ExprPtr& e, Tok opTok, const Type* a, const Type* b);
  void inSet(ExprPtr& e);
  void classTest(ExprPtr& e, Tok opTok);
  void unary(ExprPtr& e);

  // ---- procedural types and values ----
  const Type* routineType(TypeSpec& typeSpec);
  static std::string signatureText(const Routine& r);
  bool sameType(const Type* a, const Type* b) const;
  bool sameSignature(const Routine& a, const Routine& b) const;
  bool refuseRoutineTypes(const Routine& native);
  const Type* valueType(Routine* r);
  bool isRoutineName(const Expr& e);
  bool routineValue(ExprPtr& e, const Type* to);
  void addressOf(ExprPtr& e);
  void callIndirect(ExprPtr& e, ExprPtr callee, std::vector<ExprPtr> args, bool statement);
  void callIfProcedural(ExprPtr& e);

  // ---- built-in routines ----
  void builtin(ExprPtr& e, Builtin b, std::vector<ExprPtr> args, bool statement);

  // ---- statements ----
  void statement(StmtPtr& s);
  void condition(ExprPtr& e);
  void callStatement(Stmt& s);
  void statementBuiltin(Stmt& s, Builtin b, std::vector<ExprPtr> args, int row, int col, const std::string& text);
  bool resultTarget(Expr& t);
  void assignment(Stmt& s);
  void propertyAssignment(Stmt& s, const Property* prop);
  void forStatement(Stmt& s);
  void caseStatement(Stmt& s);
  bool constantLabel(ExprPtr& e, const Type* t, std::int64_t& out);
  void withStatement(Stmt& s);
  int withTemporary(Stmt& s, ExprPtr value);
  WithEntry openRecord(Stmt& s, ExprPtr designator);
  bool moveIndexesToTemporaries(Stmt& s, Expr& designator);
  void tryExcept(Stmt& s);
  void raiseStatement(Stmt& s);
  void assertion(Stmt& s, std::vector<ExprPtr> args, int row, int col, const std::string& text);

  // ---- declarations of the script ----
  bool declareName(std::unordered_map<std::string, Symbol>& scope, const std::string& name, int row, int col,
                   Symbol s);
  void variables(VarDecl& v, bool global);
  void constant(ConstDecl& c, std::unordered_map<std::string, Symbol>& scope);
  bool constantValue(ExprPtr& e, const Type* t, Value& out);
  void typeDeclaration(TypeDecl& td, std::unordered_map<std::string, Symbol>& scope);

  struct PendingBody {
    RoutineDecl* decl;
    Routine* routine;
  };
  void routineHeading(RoutineDecl& d, std::vector<PendingBody>& bodies);
  void routineBody(RoutineDecl& d, Routine* r);
  void unsatisfiedForwards(const std::unordered_map<std::string, Symbol>& scope);
  void reachOut(Expr& e, int hops);
  void checkProgram(ProgramSyntax& syntax);
};

}  // namespace kelmo::script
