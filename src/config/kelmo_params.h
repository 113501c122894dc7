#pragma once
// The one settings object of the program, with built-in defaults; the settings script
// changes it at start-up and from the script window.
#include <functional>
#include <string>

#include "support/component.h"
#include "support/node_list.h"
#include "support/shared_value.h"

namespace kelmo {

// The module's gain code of a channel: 0..3 for 5000, 1600, 500 and 160 mV.
using RangeCode = int;

class tKELMO_Params : public TComponent {
 public:
  explicit tKELMO_Params(TComponent* owner = nullptr);

  // Validates and stores one channel's range code in `ranges`; throws std::runtime_error
  // (message as the operator sees it) and changes nothing on bad input.
  void setRange(int nChannel, int rangeMV);

  // Fields read by worker threads while a script may write them are SharedValue.
  SharedValue<int> DATA_QUERY_PERIOD_MS = 0;
  int dataBuffersPerPeriod = 0;
  std::string FileName;
  int numOfDCIn = 0;
  SharedValue<int> ChannelsQuantity = 0;
  int chartRangeSec = 0;
  nod* ranges = nullptr;  // owned by this object (as a component)
  double adcRate = 0;
  SharedValue<double> IrScale = 0.0;
  SharedValue<int> airDelay = 0;
  SharedValue<int> airLength = 0;
  SharedValue<double> lowPassFilterK = 0.0;
  SharedValue<double> dischargeTimemS = 0.0;
  SharedValue<double> dischargeURel = 0.0;
  SharedValue<double> afterDischargePauseMs = 0.0;
  SharedValue<double> chargeTimemS = 0.0;
  SharedValue<double> chargeURel = 0.0;
  SharedValue<double> afterChargePauseMs = 0.0;
};

// The global parameter object; valid from start-up to program end.
tKELMO_Params& kelmo_params();
// Creates the global object with its defaults (replacing any earlier one: tests use this to
// reset). kelmo_params() throws std::logic_error while there is none.
void createGlobalParams();
void destroyGlobalParams();

// Settings script file name, "kelmo.ini", relative to the current directory.
extern std::string SettingsFileName;

// Start-up step: creates the global object, then runs the settings script through the
// runner that the script layer installs (none installed: the defaults stand). On failure
// (false or an exception from the runner) shows "Не удалось инициализировать параметры
// программы" and returns false; the caller ends the process with exit code 123.
using SettingsScriptRunner = std::function<bool(const std::string& fileName)>;
void setSettingsScriptRunner(SettingsScriptRunner runner);
bool initialiseParameters();

}  // namespace kelmo
