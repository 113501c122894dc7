#pragma once
// The tagged any-type value that variant nodes hold: unassigned, null, integer, float or text.
#include <string>
#include <variant>

namespace kelmo {

struct UnassignedVariant {
  bool operator==(const UnassignedVariant&) const = default;
};
struct NullVariant {
  bool operator==(const NullVariant&) const = default;
};

using Variant = std::variant<UnassignedVariant, NullVariant, int, double, std::string>;

// "UnassignedVariant", "NullVariant", or the value as text (floats in the general format).
std::string variantText(const Variant& v);

}  // namespace kelmo
