#pragma once
// Debug lines of the generator's sound calls.
#include <string>

namespace kelmo {

// Writes label + " succeeded" for 0, otherwise label + ":" + the code; returns the code.
unsigned reportResult(const std::string& label, unsigned result);

}  // namespace kelmo
