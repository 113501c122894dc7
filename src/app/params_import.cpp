#include "app/params_import.h"

#include <array>
#include <cstdint>
#include <memory>

#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "platform/cp1251.h"

namespace kelmo {

namespace {

using script::NativeCall;
using script::Value;

constexpr const char* kClassName = "tKELMO_Params";

tKELMO_Params& self(NativeCall& call) {
  auto* params = call.self().objectAs<tKELMO_Params>();
  if (params == nullptr) throw script::PascalException("EAccessViolation", "Access violation: the tKELMO_Params object is nil");
  return *params;
}

// Readers and writers copy the field unchanged; values are validated where they are used.
template <class Field>
Value readField(const Field& field) {
  return Value(field);
}
Value readField(const SharedValue<int>& field) { return Value(field.load()); }
Value readField(const SharedValue<double>& field) { return Value(field.load()); }
// The program holds texts as UTF-8, the script as Windows-1251.
Value readField(const std::string& field) { return Value(utf8ToCp1251(field)); }

void writeField(int& field, const Value& v) { field = static_cast<std::int32_t>(v.asInt()); }
void writeField(SharedValue<int>& field, const Value& v) { field = static_cast<std::int32_t>(v.asInt()); }
void writeField(double& field, const Value& v) { field = v.asDouble(); }
void writeField(SharedValue<double>& field, const Value& v) { field = v.asDouble(); }
void writeField(std::string& field, const Value& v) { field = cp1251ToUtf8(v.asString()); }

struct PropertyBinding {
  const char* name;
  const char* typeName;
  script::NativeFn reader;
  script::NativeFn writer;
};

template <class Field>
PropertyBinding property(const char* name, const char* typeName, Field tKELMO_Params::*field) {
  return {name, typeName, [field](NativeCall& call) { return readField(self(call).*field); },
          [field](NativeCall& call) {
            writeField(self(call).*field, call.arg(0));
            return Value();
          }};
}

// In declaration order, which is the order scripts see them in.
const std::array<PropertyBinding, 17>& properties() {
  static const std::array<PropertyBinding, 17> table = {
      property("DATA_QUERY_PERIOD_MS", "integer", &tKELMO_Params::DATA_QUERY_PERIOD_MS),
      property("dataBuffersPerPeriod", "integer", &tKELMO_Params::dataBuffersPerPeriod),
      property("FileName", "string", &tKELMO_Params::FileName),
      property("numOfDCIn", "integer", &tKELMO_Params::numOfDCIn),
      property("ChannelsQuantity", "integer", &tKELMO_Params::ChannelsQuantity),
      property("chartRangeSec", "integer", &tKELMO_Params::chartRangeSec),
      property("adcRate", "double", &tKELMO_Params::adcRate),
      property("IrScale", "double", &tKELMO_Params::IrScale),
      property("airDelay", "integer", &tKELMO_Params::airDelay),
      property("airLength", "integer", &tKELMO_Params::airLength),
      property("lowPassFilterK", "double", &tKELMO_Params::lowPassFilterK),
      property("dischargeTimemS", "double", &tKELMO_Params::dischargeTimemS),
      property("dischargeURel", "double", &tKELMO_Params::dischargeURel),
      property("afterDischargePauseMs", "double", &tKELMO_Params::afterDischargePauseMs),
      property("chargeTimemS", "double", &tKELMO_Params::chargeTimemS),
      property("chargeURel", "double", &tKELMO_Params::chargeURel),
      property("afterChargePauseMs", "double", &tKELMO_Params::afterChargePauseMs),
  };
  return table;
}

}  // namespace

void TPSImport_ukelmo_params::compileImport(script::CompileContext& context) {
  context.declareClass(kClassName, "TComponent");
  for (const PropertyBinding& p : properties()) context.declareProperty(kClassName, p.name, p.typeName);
  context.declareMethod(kClassName, "Procedure setRange( nChannel : integer; rangeMV : integer)");
  context.declareMethod(kClassName, "Constructor create( iOwner : TComponent)");
  context.declareRoutine("Function kelmo_params : TKELMO_Params");
  context.declareRoutine("Procedure startAsymmetricDischarge");
  context.declareRoutine("Procedure stopAsymmetricDischarge");
}

void TPSImport_ukelmo_params::executeImport(script::RuntimeBinder& binder) {
  for (const PropertyBinding& p : properties()) {
    binder.bindPropertyReader(kClassName, p.name, p.reader);
    binder.bindPropertyWriter(kClassName, p.name, p.writer);
  }
  binder.bindMethod(kClassName, "setRange", [](NativeCall& call) {
    self(call).setRange(static_cast<std::int32_t>(call.arg(0).asInt()),
                        static_cast<std::int32_t>(call.arg(1).asInt()));
    return Value();
  });
  // The new object belongs to the script's references, whatever owner is passed: an owner
  // taking it too would free it twice, and the global object must not collect objects
  // from every run.
  binder.bindConstructor(kClassName, "create", [](NativeCall&) {
    return Value::object(std::make_shared<tKELMO_Params>(nullptr), kClassName);
  });
  binder.bindRoutine("kelmo_params", [](NativeCall&) { return Value::borrowedObject(&kelmo_params(), kClassName); });
  binder.bindRoutine("startAsymmetricDischarge", [](NativeCall&) {
    startAsymmetricDischarge();
    return Value();
  });
  binder.bindRoutine("stopAsymmetricDischarge", [](NativeCall&) {
    stopAsymmetricDischarge();
    return Value();
  });
}

}  // namespace kelmo
