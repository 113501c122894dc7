#include "app/script_runner.h"

#include "app/module_io_import.h"
#include "app/params_import.h"
#include "app/version.h"
#include "platform/cp1251.h"
#include "platform/message_box.h"
#include "script_library/standard_library.h"

namespace kelmo {

void ScriptOutput::showScriptMessage(const std::string& text) {
  showMessageBox({kProgramName, text, BoxIcon::None, BoxButtons::Ok});
}

script_library::DialogButton ScriptOutput::messageDialog(const std::string& text, script_library::DialogKind kind,
                                                        const std::vector<script_library::DialogButton>& buttons) {
  return script_library::MessageBoxDialogs(kProgramName).messageDialog(text, kind, buttons);
}

bool ScriptOutput::inputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  return script_library::MessageBoxDialogs(kProgramName).inputQuery(caption, prompt, value);
}

std::vector<std::shared_ptr<script::ImportPlugin>> scriptWindowPlugins(script_library::ScriptDialogs& dialogs) {
  std::vector<std::shared_ptr<script::ImportPlugin>> plugins = script_library::standardImports(dialogs);
  plugins.push_back(std::make_shared<TPSImport_ukelmo_params>());
  plugins.push_back(std::make_shared<TPSImport_E154IO_ps>());
  return plugins;
}

ScriptRunner::ScriptRunner(ScriptOutput& output) : output_(output) {
  for (auto& plugin : scriptWindowPlugins(output_)) engine_.addPlugin(std::move(plugin));
  engine_.setOnCompile([this](script::CompileContext& context) {
    context.declareRoutine("procedure writeLn(const Message: string);", [this](script::NativeCall& call) {
      output_.addOutput(cp1251ToUtf8(call.arg(0).text()));
      return script::Value();
    });
    context.declareRoutine("procedure showMessage(const Message: string);", [this](script::NativeCall& call) {
      output_.showScriptMessage(cp1251ToUtf8(call.arg(0).text()));
      return script::Value();
    });
  });
}

bool ScriptRunner::compileAndRun(std::string_view scriptText) { return compile(scriptText) && execute(); }

bool ScriptRunner::compile(std::string_view scriptText) {
  runSucceeded_ = false;
  output_.clearOutput();
  const bool compiled = engine_.compile(scriptText);

  std::string compileText = std::string(kCompiledScript) + "\r\n";
  for (const script::CompilerMessage& message : engine_.messages()) {
    compileText += script::formatMessage(message) + "\r\n";
  }
  if (compiled) compileText += std::string(kSuccesfullyCompiled) + "\r\n";
  output_.addOutput(compileText);
  return compiled;
}

bool ScriptRunner::execute() {
  runSucceeded_ = engine_.execute();
  output_.addOutput(runSucceeded_ ? std::string(kSuccesfullyExecuted)
                                  : std::string(kErrorWhileExecuting) + engine_.errorText());
  return runSucceeded_;
}

std::vector<std::string> paneLines(std::string_view entry) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < entry.size(); ++i) {
    if (entry[i] != '\r' && entry[i] != '\n') continue;
    lines.emplace_back(entry.substr(start, i - start));
    if (entry[i] == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.emplace_back(entry.substr(start));
  return lines;
}

std::optional<script::CompilerMessage> ScriptRunner::firstCompileError() const {
  for (const script::CompilerMessage& message : engine_.messages()) {
    if (message.kind == script::MessageKind::Error) return message;
  }
  return std::nullopt;
}

}  // namespace kelmo
