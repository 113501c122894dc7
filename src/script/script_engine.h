#pragma once
// The script engine as its host sees it: a compiler and runtime for a Pascal-syntax
// language, extended by an ordered list of import plug-ins that declare types, classes and
// routines by their Pascal declaration texts and bind them to native C++ callables.
//
//   ScriptEngine engine;
//   engine.addPlugin(std::make_shared<MyImport>());
//   engine.setOnCompile([&](CompileContext& c) {
//     c.declareRoutine("procedure writeLn(const Message: string);",
//                      [&](NativeCall& call) { out.push_back(call.arg(0).asString()); return Value(); });
//   });
//   if (engine.compile(text) && !engine.execute()) show(engine.errorText());
//
// A plug-in declares types and constants by text and reads structured arguments by value:
//   c.declare("type TReplaceFlags = set of (rfReplaceAll, rfIgnoreCase);");
//   c.declareRoutine("function StringReplace(const S, Old, New: string; Flags: TReplaceFlags): string");
//   c.declareRoutine("function Format(const Fmt: string; const Args: array of const): string");
//   c.declareIndexedProperty("TStrings", "property Strings[Index: Integer]: string; default;");
//   ... call.arg(3).hasElement(0)  (rfReplaceAll in Flags); call.arg(1).length(), .item(i)
//
// Identifiers are not case-sensitive. A native reports failure by throwing a std::exception
// (a PascalException to give it one of the exception classes): the script stops (unless it
// catches it) with the error text "Exception: " + what().
// The engine is single-threaded: one thread compiles and executes; requestStop() alone may be
// called from any thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "script/value.h"

namespace kelmo::script {

// ---- compiler messages ----------------------------------------------------------------

enum class MessageKind { Error, Warning, Hint };

struct CompilerMessage {
  MessageKind kind = MessageKind::Error;
  std::string module;  // empty for the script text, else the plug-in that declared the text
  int row = 0;         // 1-based, of the offending token
  int col = 0;         // 1-based
  std::string text;
};

std::string kindName(MessageKind kind);  // "Error", "Warning", "Hint"
// "[Error] (3:5): Unknown identifier 'foo'", i.e. "[" kind "] " module "(" row ":" col "): " text.
std::string formatMessage(const CompilerMessage& m);

// ---- natives --------------------------------------------------------------------------

// What a native sees of one call. Arguments arrive converted to their declared types
// (integers, boolean and char as ordinals, floating types as doubles, strings, objects).
class NativeCall {
 public:
  NativeCall(const Value* self, Value* args, std::size_t count) noexcept
      : self_(self), args_(args), count_(count) {}

  // The object of a method or property accessor; nil for global routines and constructors.
  const Value& self() const noexcept { return *self_; }
  std::size_t argCount() const noexcept { return count_; }
  // A var parameter is written back to the caller's variable when the native returns.
  // A property writer gets the new value as argument 0.
  Value& arg(std::size_t i) const noexcept { return args_[i]; }

 private:
  const Value* self_;
  Value* args_;
  std::size_t count_;
};

// Returns the function result, the property value or the new object (constructors);
// procedures and writers return Value().
using NativeFn = std::function<Value(NativeCall&)>;

// A native's failure as one of the script's exception classes: the script sees an object of
// the class named (declared by the system unit or a plug-in; a handler for one of its
// parents catches it too) whose Message is what(). Any other std::exception a native throws
// is of class Exception.
//   throw PascalException("EConvertError", "'" + text + "' is not a valid integer value");
class PascalException : public std::runtime_error {
 public:
  PascalException(std::string_view className, const std::string& message)
      : std::runtime_error(message), className_(className) {}
  const std::string& className() const noexcept { return className_; }

 private:
  std::string className_;
};

// An object of the exception classes with this message, as Exception.Create makes it: for a
// plug-in's own constructors of them (Exception.CreateFmt). It takes the class the script
// constructs.
Value exceptionObject(std::string message);

// ---- import plug-ins ------------------------------------------------------------------

enum class PropertyAccess { ReadWrite, ReadOnly, WriteOnly };

// Handed to compile-time hooks. Declaration texts are Pascal headings, for example
//   "Function pModule_TTL_IN( var value : WORD) : boolean"
//   "Constructor create( iOwner : TComponent)"
//   "procedure writeLn(const Message: string);"
// A text that does not parse, or names an unknown type, becomes an Error message of the
// compile with the plug-in's name as module; the declaration is then skipped.
class CompileContext {
 public:
  virtual ~CompileContext() = default;

  // A class whose parent is declared already (the engine's own: TObject, TComponent, Exception).
  virtual void declareClass(std::string_view name, std::string_view parent) = 0;
  virtual void declareProperty(std::string_view className, std::string_view name,
                               std::string_view typeName,
                               PropertyAccess access = PropertyAccess::ReadWrite) = 0;
  // A method or constructor heading ("procedure", "function" or "constructor").
  virtual void declareMethod(std::string_view className, std::string_view declaration) = 0;
  // A global procedure or function heading.
  virtual void declareRoutine(std::string_view declaration) = 0;
  // Declares and binds at once (the host's compile event: writeLn, showMessage).
  virtual void declareRoutine(std::string_view declaration, NativeFn fn) = 0;
  // Another name for a type: declareType("TChannelNo", "integer").
  virtual void declareType(std::string_view name, std::string_view typeName) = 0;
  // A named constant of an ordinal, double or string value.
  virtual void declareConstant(std::string_view name, const Value& value) = 0;
  // A name scripts may not use, such as a COM class the engine does not offer: a script
  // naming it gets a compile error with `reason` instead of "Unknown identifier".
  virtual void declareUnavailable(std::string_view name, std::string_view reason) = 0;
  // Type, constant and variable sections by text; enumeration values become constants:
  //   declare("type TMsgDlgType = (mtWarning, mtError, mtInformation, mtConfirmation, mtCustom);"
  //           "  TReplaceFlags = set of (rfReplaceAll, rfIgnoreCase);"
  //           "  TPoint = record X, Y: Integer; end;"
  //           "const mrOk = 1; mbYesNo = [mbYes, mbNo];");
  virtual void declare(std::string_view declarations) = 0;
  // A property with index parameters; "default" makes obj[i] stand for obj.Strings[i]:
  //   declareIndexedProperty("TStrings", "property Strings[Index: Integer]: string; default;")
  // Its reader gets the indices as arguments 0..n-1; its writer gets the new value as
  // argument 0 and the indices after it.
  virtual void declareIndexedProperty(std::string_view className, std::string_view declaration,
                                      PropertyAccess access = PropertyAccess::ReadWrite) = 0;
};

// Handed to execution-time hooks. Names are those of the declarations, in any case.
// Binding a name that was not declared is ignored; a declared routine that is called while
// unbound stops the script with an error text naming it. The engine's own TComponent
// members (Create, Name) may be rebound by a host whose objects are components of its own.
class RuntimeBinder {
 public:
  virtual ~RuntimeBinder() = default;
  virtual void bindRoutine(std::string_view name, NativeFn fn) = 0;
  virtual void bindMethod(std::string_view className, std::string_view name, NativeFn fn) = 0;
  virtual void bindConstructor(std::string_view className, std::string_view name, NativeFn fn) = 0;
  virtual void bindPropertyReader(std::string_view className, std::string_view name, NativeFn fn) = 0;
  virtual void bindPropertyWriter(std::string_view className, std::string_view name, NativeFn fn) = 0;
};

class ImportPlugin {
 public:
  virtual ~ImportPlugin() = default;
  virtual std::string name() const = 0;  // module name of messages about its declarations
  virtual void compileImport(CompileContext& context) = 0;
  virtual void executeImport(RuntimeBinder& binder) = 0;
};

// ---- the engine -----------------------------------------------------------------------

struct ExecutionLimits {
  std::uint64_t maxSteps = 0;   // statements and loop turns; 0 = unlimited
  int maxCallDepth = 1000;      // nested script routine calls
  std::size_t maxStringLength = 64u << 20;  // bytes of one string value
  std::size_t maxHeapBytes = 512u << 20;    // strings and arrays of the script, all together
};

class ScriptEngine {
 public:
  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Plug-ins run their hooks in the order added, at every compile and every execute.
  void addPlugin(std::shared_ptr<ImportPlugin> plugin);
  const std::vector<std::shared_ptr<ImportPlugin>>& plugins() const;
  // Runs after the plug-ins' compile hooks, at every compile.
  void setOnCompile(std::function<void(CompileContext&)> handler);

  // Compiles the whole text (a program: optional header, declarations, and a main block
  // "begin" ... "end."). Messages come in the order found; false when any is an Error.
  bool compile(std::string_view text);
  const std::vector<CompilerMessage>& messages() const;

  // Runs the last successfully compiled script from its start (globals fresh).
  // True only when it ran to its end or stopped itself with Abort (an EAbort no handler
  // caught); otherwise errorText() says why.
  bool execute();
  const std::string& errorText() const;
  int errorRow() const;  // position of the statement that failed; 0 when unknown
  int errorCol() const;

  void setLimits(const ExecutionLimits& limits);
  const ExecutionLimits& limits() const;
  // Stops a running script at its next statement with the error text "Script stopped".
  // Safe from any thread; cleared by the next execute().
  void requestStop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelmo::script
