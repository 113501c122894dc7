#include "script/script_engine.h"

#include <exception>

#include "platform/cp1251.h"
#include "script/ast.h"
#include "script/checker.h"
#include "script/interpreter.h"
#include "script/lexer.h"
#include "script/parser.h"
#include "script/program.h"
#include "script/system_unit.h"

namespace kelmo::script {

std::string kindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return "Error";
    case MessageKind::Warning: return "Warning";
    case MessageKind::Hint: return "Hint";
  }
  return "Error";
}

std::string formatMessage(const CompilerMessage& m) {
  return "[" + kindName(m.kind) + "] " + m.module + "(" + std::to_string(m.row) + ":" + std::to_string(m.col) +
         "): " + m.text;
}

namespace {

class Declarations : public CompileContext {
 public:
  explicit Declarations(Checker& checker) : c_(checker) {}
  void declareClass(std::string_view name, std::string_view parent) override { c_.declareClass(name, parent); }
  void declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                       PropertyAccess access) override {
    c_.declareProperty(className, name, typeName, access);
  }
  void declareMethod(std::string_view className, std::string_view declaration) override {
    c_.declareMethod(className, declaration);
  }
  void declareRoutine(std::string_view declaration) override { c_.declareRoutine(declaration); }
  void declareRoutine(std::string_view declaration, NativeFn fn) override {
    if (Routine* r = c_.declareRoutine(declaration)) r->native = std::move(fn);
  }
  void declareType(std::string_view name, std::string_view typeName) override { c_.declareType(name, typeName); }
  void declareConstant(std::string_view name, const Value& value) override { c_.declareConstant(name, value); }
  void declareUnavailable(std::string_view name, std::string_view reason) override {
    c_.declareUnavailable(name, reason);
  }
  void declareIndexedProperty(std::string_view className, std::string_view declaration,
                              PropertyAccess access) override {
    c_.declareIndexedProperty(className, declaration, access);
  }
  void declare(std::string_view declarations) override { c_.declare(declarations); }

 private:
  Checker& c_;
};

class Bindings : public RuntimeBinder {
 public:
  explicit Bindings(Checker& checker) : c_(checker) {}
  void bindRoutine(std::string_view name, NativeFn fn) override {
    Routine* r = c_.findRoutine(name);
    if (r != nullptr && r->isNative) r->native = std::move(fn);
  }
  void bindMethod(std::string_view className, std::string_view name, NativeFn fn) override {
    ClassInfo* c = c_.findClass(className);
    if (c == nullptr) return;
    auto it = c->methods.find(lowerName(name));
    if (it != c->methods.end()) it->second->native = std::move(fn);
  }
  void bindConstructor(std::string_view className, std::string_view name, NativeFn fn) override {
    bindMethod(className, name, std::move(fn));
  }
  void bindPropertyReader(std::string_view className, std::string_view name, NativeFn fn) override {
    if (Property* p = property(className, name)) p->reader = std::move(fn);
  }
  void bindPropertyWriter(std::string_view className, std::string_view name, NativeFn fn) override {
    if (Property* p = property(className, name)) p->writer = std::move(fn);
  }

 private:
  Property* property(std::string_view className, std::string_view name) {
    ClassInfo* c = c_.findClass(className);
    if (c == nullptr) return nullptr;
    auto it = c->properties.find(lowerName(name));
    return it != c->properties.end() ? it->second : nullptr;
  }
  Checker& c_;
};

}  // namespace

struct ScriptEngine::Impl {
  std::vector<std::shared_ptr<ImportPlugin>> plugins;
  std::function<void(CompileContext&)> onCompile;
  std::vector<CompilerMessage> messages;
  // The last successful compile: the program and the checker that knows its names.
  std::unique_ptr<Program> program;
  std::unique_ptr<Checker> checker;
  std::string errorText;
  int errorRow = 0, errorCol = 0;
  ExecutionLimits limits;
  std::atomic<bool> stop{false};

  bool hasError() const {
    for (const auto& m : messages)
      if (m.kind == MessageKind::Error) return true;
    return false;
  }

  // More messages than this are summed up in one last message: the first ones say what to
  // fix, and a binary file fed as a script must not flood the output pane.
  static constexpr std::size_t kMaxMessages = 100;

  // The host's text is UTF-8; the script's strings are Windows-1251 bytes, so the text is
  // converted once here and the messages, which may quote it, converted back.
  bool compile(std::string_view text) {
    bool ok = compileText(utf8ToCp1251(text));
    if (messages.size() > kMaxMessages) {
      std::size_t more = messages.size() - kMaxMessages;
      CompilerMessage last = messages[kMaxMessages];
      messages.resize(kMaxMessages);
      last.kind = MessageKind::Error;
      last.text = "Too many messages: " + std::to_string(more) + " more not shown";
      messages.push_back(std::move(last));
    }
    for (CompilerMessage& m : messages) m.text = cp1251ToUtf8(m.text);
    return ok;
  }

  bool compileText(std::string_view text) {
    messages.clear();
    program.reset();
    checker.reset();
    auto prog = std::make_unique<Program>();
    auto check = std::make_unique<Checker>(*prog, messages);
    SystemContext context{&limits, &stop};
    declareSystemUnit(*check, *prog, context);
    Declarations declarations(*check);
    for (const auto& plugin : plugins) {
      std::string name = plugin->name();
      check->setModule(name);
      try {
        plugin->compileImport(declarations);
      } catch (const std::exception& e) {
        messages.push_back({MessageKind::Error, name, 0, 0, std::string("Import failed: ") + e.what()});
      }
    }
    if (onCompile) {
      check->setModule("OnCompile");
      try {
        onCompile(declarations);
      } catch (const std::exception& e) {
        messages.push_back({MessageKind::Error, "OnCompile", 0, 0, std::string("Import failed: ") + e.what()});
      }
    }
    check->setModule("");
    std::vector<LexError> lexErrors;
    std::vector<Token> tokens = tokenize(text, lexErrors);
    for (const auto& e : lexErrors) messages.push_back({MessageKind::Error, "", e.row, e.col, e.text});
    if (!lexErrors.empty()) return false;
    SyntaxError syntaxError;
    std::unique_ptr<ProgramSyntax> syntax = parseProgram(tokens, syntaxError);
    if (!syntax) {
      messages.push_back({MessageKind::Error, "", syntaxError.row, syntaxError.col, syntaxError.text});
      return false;
    }
    check->checkProgram(*syntax);
    if (hasError()) return false;
    program = std::move(prog);
    checker = std::move(check);
    return true;
  }

  bool execute() {
    errorText.clear();
    errorRow = errorCol = 0;
    stop.store(false);
    if (!program) {
      errorText = "No script has been compiled successfully";
      return false;
    }
    try {
      Bindings bindings(*checker);
      for (const auto& plugin : plugins) plugin->executeImport(bindings);
    } catch (const std::exception& e) {
      errorText = std::string("Exception: ") + e.what();
      return false;
    }
    try {
      Interpreter interpreter(*program, limits, stop);
      interpreter.run();
      return true;
    } catch (const ScriptError& e) {
      // Abort (EAbort and its descendants) is the silent exception: the script stopped
      // itself, which is not a failure.
      const ClassInfo* abort = program->faultClass(FaultClass::Abort);
      if (e.cls != nullptr && abort != nullptr && e.cls->derivesFrom(abort)) return true;
      // The script's own text (E.Message, a native's message about its strings) is
      // Windows-1251; every other error text here is the host's, UTF-8 already.
      errorText = cp1251ToUtf8(e.isException ? "Exception: " + e.message : e.message);
      errorRow = e.row;
      errorCol = e.col;
    } catch (const ScriptAbort& e) {
      errorText = e.message;
    } catch (const std::bad_alloc&) {
      errorText = "Out of memory";
    } catch (const std::exception& e) {
      errorText = std::string("Internal error: ") + e.what();
    }
    return false;
  }
};

ScriptEngine::ScriptEngine() : impl_(std::make_unique<Impl>()) {}
ScriptEngine::~ScriptEngine() = default;

void ScriptEngine::addPlugin(std::shared_ptr<ImportPlugin> plugin) { impl_->plugins.push_back(std::move(plugin)); }
const std::vector<std::shared_ptr<ImportPlugin>>& ScriptEngine::plugins() const { return impl_->plugins; }
void ScriptEngine::setOnCompile(std::function<void(CompileContext&)> handler) { impl_->onCompile = std::move(handler); }
bool ScriptEngine::compile(std::string_view text) { return impl_->compile(text); }
const std::vector<CompilerMessage>& ScriptEngine::messages() const { return impl_->messages; }
bool ScriptEngine::execute() { return impl_->execute(); }
const std::string& ScriptEngine::errorText() const { return impl_->errorText; }
int ScriptEngine::errorRow() const { return impl_->errorRow; }
int ScriptEngine::errorCol() const { return impl_->errorCol; }
void ScriptEngine::setLimits(const ExecutionLimits& limits) { impl_->limits = limits; }
const ExecutionLimits& ScriptEngine::limits() const { return impl_->limits; }
void ScriptEngine::requestStop() { impl_->stop.store(true); }

}  // namespace kelmo::script
