// The groups scripts are refused: calls into libraries and COM objects. Scripts run on the
// rig's computer beside the acquisition, so they call no code outside the engine; naming
// such a routine or class is a compile error that says so, rather than "Unknown
// identifier". (A routine declared `external` is refused by the parser itself.)
#include "script_library/import_table.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

class RefusedImport final : public script::ImportPlugin {
 public:
  RefusedImport(std::string name, std::vector<std::string> names, std::string what)
      : name_(std::move(name)), names_(std::move(names)), what_(std::move(what)) {}
  std::string name() const override { return name_; }
  void compileImport(script::CompileContext& context) override {
    for (const std::string& n : names_) context.declareUnavailable(n, what_ + " are not offered to scripts: '" + n + "' cannot be used");
  }
  void executeImport(script::RuntimeBinder&) override {}

 private:
  std::string name_;
  std::vector<std::string> names_;
  std::string what_;
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeExternalRoutinesImport() {
  return std::make_shared<RefusedImport>(
      "DLL", std::vector<std::string>{"LoadLibrary", "GetProcAddress", "FreeLibrary", "SafeLoadLibrary"},
      "Calls into libraries");
}

std::shared_ptr<script::ImportPlugin> makeComObjectsImport() {
  return std::make_shared<RefusedImport>(
      "COM",
      std::vector<std::string>{"CreateOleObject", "GetActiveOleObject", "CreateComObject", "Variant", "OleVariant",
                               "IDispatch", "IUnknown", "CoInitialize", "CoUninitialize"},
      "COM objects");
}

}  // namespace kelmo::script_library
