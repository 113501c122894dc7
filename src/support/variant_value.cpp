#include "support/variant_value.h"

#include "platform/text_format.h"

namespace kelmo {

std::string variantText(const Variant& v) {
  struct Text {
    std::string operator()(const UnassignedVariant&) const { return "UnassignedVariant"; }
    std::string operator()(const NullVariant&) const { return "NullVariant"; }
    std::string operator()(int i) const { return std::to_string(i); }
    std::string operator()(double d) const { return formatGeneral(d); }
    std::string operator()(const std::string& s) const { return s; }
  };
  return std::visit(Text{}, v);
}

}  // namespace kelmo
