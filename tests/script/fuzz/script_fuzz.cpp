// libFuzzer target: any text goes through compile and, when it compiles, execute under a
// step budget and small memory limits, with the standard library. A crash, sanitizer
// report, hang or runaway memory is a finding; compile messages and runtime error texts
// are the expected outcomes. The file routines reach only a private temporary folder,
// emptied before each input (so that one input's files do not change the next one's
// run); the dialogs answer without a screen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "script/script_engine.h"
#include "script_library/standard_library.h"

namespace {

using namespace kelmo::script;

struct Device {
  int level = 0;
  std::string label;
};

// A plug-in with every kind of declaration, so that fuzzed scripts reach natives too.
class FuzzImport : public ImportPlugin {
 public:
  std::string name() const override { return "FuzzImport"; }
  void compileImport(CompileContext& c) override {
    c.declareClass("TDevice", "TComponent");
    c.declareProperty("TDevice", "Level", "integer");
    c.declareProperty("TDevice", "Label", "string");
    c.declareMethod("TDevice", "Constructor create( iOwner : TComponent)");
    c.declareMethod("TDevice", "Procedure setLevel( n : integer; limit : integer)");
    c.declareRoutine("Function readPort( var value : WORD) : boolean");
    c.declareRoutine("Function device : TDevice");
    c.declare("type TMode = (mdOff, mdOn, mdAuto); TModes = set of TMode;"
              "  TSpan = record First, Last: Integer; end;"
              "const mdAll = [mdOff..mdAuto];");
    c.declareIndexedProperty("TDevice", "property Items[Index: Integer]: Integer; default;");
    c.declareRoutine("function Join(const Args: array of const): string");
    c.declareRoutine("function Total(const Xs: array of Integer; Scale: Integer = 1): Integer");
    c.declareRoutine("function Has(M: TModes; X: TMode): Boolean");
  }
  void executeImport(RuntimeBinder& b) override {
    b.bindConstructor("TDevice", "create", [](NativeCall&) { return Value::object(std::make_shared<Device>()); });
    b.bindPropertyReader("TDevice", "Level", [](NativeCall& c) { return Value(c.self().objectAs<Device>()->level); });
    b.bindPropertyWriter("TDevice", "Level", [](NativeCall& c) {
      c.self().objectAs<Device>()->level = static_cast<int>(c.arg(0).asInt());
      return Value();
    });
    b.bindPropertyReader("TDevice", "Label", [](NativeCall& c) { return Value(c.self().objectAs<Device>()->label); });
    b.bindPropertyWriter("TDevice", "Label", [](NativeCall& c) {
      c.self().objectAs<Device>()->label = c.arg(0).asString();
      return Value();
    });
    b.bindMethod("TDevice", "setLevel", [](NativeCall& c) {
      if (c.arg(0).asInt() > c.arg(1).asInt()) throw std::runtime_error("level too high");
      c.self().objectAs<Device>()->level = static_cast<int>(c.arg(0).asInt());
      return Value();
    });
    b.bindRoutine("readPort", [](NativeCall& c) {
      c.arg(0) = Value(0x1234);
      return Value(true);
    });
    b.bindRoutine("device", [this](NativeCall&) { return Value::borrowedObject(&device_); });
    b.bindRoutine("Sleep", [](NativeCall&) { return Value(); });
    b.bindPropertyReader("TDevice", "Items", [](NativeCall& c) { return Value(c.arg(0).asInt() * 2); });
    b.bindPropertyWriter("TDevice", "Items", [](NativeCall& c) {
      c.self().objectAs<Device>()->level = static_cast<int>(c.arg(0).asInt() + c.arg(1).asInt());
      return Value();
    });
    b.bindRoutine("Join", [](NativeCall& c) {
      std::string out;
      for (std::size_t i = 0; i < c.arg(0).length(); ++i) out += c.arg(0).item(i).asString();
      return Value(out);
    });
    b.bindRoutine("Total", [](NativeCall& c) {
      std::int64_t sum = 0;
      for (std::size_t i = 0; i < c.arg(0).length(); ++i) sum += c.arg(0).item(i).asInt();
      return Value(sum * c.arg(1).asInt());
    });
    b.bindRoutine("Has", [](NativeCall& c) { return Value(c.arg(0).hasElement(c.arg(1).asInt())); });
  }

 private:
  Device device_;
};

// The private folder of this process's scripts, made at the first input and removed when
// the fuzzer exits.
class ScriptFolder {
 public:
  ScriptFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ScriptFolder(const ScriptFolder&) = delete;
  ScriptFolder& operator=(const ScriptFolder&) = delete;
  ~ScriptFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

const std::filesystem::path& scriptFolder() {
  static const ScriptFolder folder;
  return folder.path();
}

void emptyFolder(const std::filesystem::path& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
    std::filesystem::remove_all(entry.path(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptEngine engine;
  ExecutionLimits limits;
  limits.maxSteps = 20000;
  limits.maxCallDepth = 200;
  limits.maxStringLength = 1 << 20;
  limits.maxHeapBytes = 64u << 20;
  engine.setLimits(limits);
  engine.addPlugin(std::make_shared<FuzzImport>());
  std::size_t written = 0;
  kelmo::script_library::ScreenlessDialogs dialogs([&](const std::string& line) { written += line.size(); });
  emptyFolder(scriptFolder());
  for (auto& plugin : kelmo::script_library::standardImports(
           dialogs, kelmo::script_library::ScriptFileNames::inside(scriptFolder())))
    engine.addPlugin(plugin);
  engine.setOnCompile([&](CompileContext& c) {
    c.declareRoutine("procedure writeLn(const Message: string);", [&](NativeCall& call) {
      written += call.arg(0).text().size();
      return Value();
    });
  });
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (engine.compile(text)) engine.execute();
  for (const auto& m : engine.messages()) (void)formatMessage(m);
  return 0;
}
