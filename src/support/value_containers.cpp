#include "support/value_containers.h"

#include "platform/text_format.h"

namespace kelmo {

std::string currencyText(Currency c) {
  // Unsigned arithmetic keeps the most negative amount exact.
  const bool negative = c.scaled < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(c.scaled) : static_cast<std::uint64_t>(c.scaled);
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / 10000);
  std::string fraction = std::to_string(magnitude % 10000 + 10000).substr(1);  // four digits
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) {
    text += decimalSeparator();
    text += fraction;
  }
  return text;
}

std::unique_ptr<TValueContainer> TDateTimeContainer::clone() const {
  return std::make_unique<TDateTimeContainer>(value_);
}

std::unique_ptr<TValueContainer> TCurrencyContainer::clone() const {
  return std::make_unique<TCurrencyContainer>(value_);
}

std::unique_ptr<TValueContainer> TExtendedContainer::clone() const {
  return std::make_unique<TExtendedContainer>(value_);
}

std::unique_ptr<TValueContainer> TStringContainer::clone() const {
  return std::make_unique<TStringContainer>(value_);
}

}  // namespace kelmo
