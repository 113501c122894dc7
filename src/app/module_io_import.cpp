#include "app/module_io_import.h"

#include <cstdint>

#include "app/module_io.h"

namespace kelmo {

using script::NativeCall;
using script::Value;

void TPSImport_E154IO_ps::compileImport(script::CompileContext& context) {
  context.declareRoutine("Function pModule_ENABLE_TTL_OUT( value : boolean) : boolean");
  context.declareRoutine("Function pModule_TTL_OUT( value : WORD) : boolean");
  context.declareRoutine("Function pModule_TTL_IN( var value : WORD) : boolean");
  context.declareRoutine("Function pModule_init_e154 : boolean");
}

void TPSImport_E154IO_ps::executeImport(script::RuntimeBinder& binder) {
  binder.bindRoutine("pModule_ENABLE_TTL_OUT",
                     [](NativeCall& call) { return Value(pModule_ENABLE_TTL_OUT(call.arg(0).asBool())); });
  binder.bindRoutine("pModule_TTL_OUT", [](NativeCall& call) {
    return Value(pModule_TTL_OUT(static_cast<std::uint16_t>(call.arg(0).asInt())));
  });
  binder.bindRoutine("pModule_TTL_IN", [](NativeCall& call) {
    auto word = static_cast<std::uint16_t>(call.arg(0).asInt());
    const bool ok = pModule_TTL_IN(word);
    call.arg(0) = Value(static_cast<int>(word));
    return Value(ok);
  });
  binder.bindRoutine("pModule_init_e154", [](NativeCall&) { return Value(pModule_init_e154()); });
}

}  // namespace kelmo
