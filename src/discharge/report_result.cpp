#include "discharge/report_result.h"

#include "platform/debug_output.h"

namespace kelmo {

unsigned reportResult(const std::string& label, unsigned result) {
  if (result == 0) {
    debugOutput(label + " succeeded");
  } else {
    debugOutput(label + ":" + std::to_string(result));
  }
  return result;
}

}  // namespace kelmo
