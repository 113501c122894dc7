#pragma once
// The parameter plug-in: scripts see the class tKELMO_Params with its settings as
// properties, setRange and create, the global kelmo_params, and the two routines of the
// asymmetric discharge generator.
#include <string>

#include "script/script_engine.h"

namespace kelmo {

class TPSImport_ukelmo_params final : public script::ImportPlugin {
 public:
  std::string name() const override { return "uPSI_ukelmo_params"; }
  void compileImport(script::CompileContext& context) override;
  void executeImport(script::RuntimeBinder& binder) override;
};

}  // namespace kelmo
