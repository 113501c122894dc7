#pragma once
// The module I/O plug-in: the module's digital I/O and its initialisation as script
// functions.
#include <string>

#include "script/script_engine.h"

namespace kelmo {

class TPSImport_E154IO_ps final : public script::ImportPlugin {
 public:
  std::string name() const override { return "uPSI_E154IO_ps"; }
  void compileImport(script::CompileContext& context) override;
  void executeImport(script::RuntimeBinder& binder) override;
};

}  // namespace kelmo
