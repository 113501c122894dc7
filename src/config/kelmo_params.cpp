#include "config/kelmo_params.h"

#include <stdexcept>
#include <string>

namespace kelmo {
namespace {

// Range in mV -> the module's gain code; -1 for a range the module does not have.
RangeCode rangeCodeOf(int rangeMV) {
  switch (rangeMV) {
    case 5000: return 0;
    case 1600: return 1;
    case 500: return 2;
    case 160: return 3;
    default: return -1;
  }
}

}  // namespace

tKELMO_Params::tKELMO_Params(TComponent* owner) : TComponent(owner) {
  ChannelsQuantity = 8;
  DATA_QUERY_PERIOD_MS = 200;
  chartRangeSec = 30;
  FileName = "test.dat";
  numOfDCIn = 2;
  adcRate = 4.0;
  IrScale = 1.0;
  lowPassFilterK = 0.001;
  ranges = makeOwnedList(*this);
  for (int i = 0; i < ChannelsQuantity; ++i) setRange(i, 5000);
  dataBuffersPerPeriod = 5;
  dischargeTimemS = 50.0;
  dischargeURel = 1.0;
  afterDischargePauseMs = 5.0;
  chargeTimemS = 1.0;
  chargeURel = -1.0;
  afterChargePauseMs = 5.0;
  // airDelay and airLength stay 0: the main window's air fields set them.
}

void tKELMO_Params::setRange(int nChannel, int rangeMV) {
  const int channels = ChannelsQuantity;  // one read: the bound and the message agree
  if (nChannel < 0 || nChannel >= channels) {
    throw std::runtime_error("номер канала может быть от 0 до " + std::to_string(channels - 1) +
                             ", а передано " + std::to_string(nChannel));
  }
  const RangeCode code = rangeCodeOf(rangeMV);
  if (code < 0) {
    throw std::runtime_error("диапазон напряжения может быть 5000,1600,500 или 160мВ, а передано " +
                             std::to_string(rangeMV));
  }
  ranges->setAssoc(std::to_string(nChannel), makeInt(code), false);
}

}  // namespace kelmo
