#pragma once
// Boxes for the node values that do not fit a node's own fields. Each is made with its
// value and never changes.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/date_time.h"
#include "support/object.h"

namespace kelmo {

// A currency amount: signed fixed point with four decimal places (amount × 10000).
struct Currency {
  std::int64_t scaled = 0;
  bool operator==(const Currency&) const = default;
};

// The amount with at most four decimals, no trailing zeros, the regional decimal separator.
std::string currencyText(Currency c);

class TValueContainer : public TObject {
 public:
  virtual std::unique_ptr<TValueContainer> clone() const = 0;
};

class TDateTimeContainer final : public TValueContainer {
 public:
  explicit TDateTimeContainer(TDateTime value) : value_(value) {}
  TDateTime value() const { return value_; }
  std::unique_ptr<TValueContainer> clone() const override;

 private:
  TDateTime value_;
};

class TCurrencyContainer final : public TValueContainer {
 public:
  explicit TCurrencyContainer(Currency value) : value_(value) {}
  Currency value() const { return value_; }
  std::unique_ptr<TValueContainer> clone() const override;

 private:
  Currency value_;
};

class TExtendedContainer final : public TValueContainer {
 public:
  explicit TExtendedContainer(long double value) : value_(value) {}
  long double value() const { return value_; }
  std::unique_ptr<TValueContainer> clone() const override;

 private:
  long double value_;
};

class TStringContainer final : public TValueContainer {
 public:
  explicit TStringContainer(std::string value) : value_(std::move(value)) {}
  const std::string& value() const { return value_; }
  std::unique_ptr<TValueContainer> clone() const override;

 private:
  std::string value_;
};

}  // namespace kelmo
