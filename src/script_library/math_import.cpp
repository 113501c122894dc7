// Math: the routines of the Math unit a rig engineer reaches for (rounding to digits,
// logarithms, tests for NaN and infinity, random ranges). Abs, Sqr, Round, Trunc, Frac,
// Int, Power, Ln, Exp and Random belong to the engine's own system unit.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>

#include "script_library/import_table.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

using script::NativeCall;
using script::Value;

[[noreturn]] void invalidOperation() { throw script::PascalException("EInvalidOp", "Invalid floating point operation"); }

double real(const NativeCall& c, std::size_t i) { return c.arg(i).asDouble(); }

// An Integer result, as Floor and Ceil give.
Value integerResult(double v) {
  if (!(v >= INT32_MIN && v <= INT32_MAX)) invalidOperation();
  return Value(static_cast<std::int64_t>(v));
}

double logarithm(double v, double base) {
  if (!(v > 0)) invalidOperation();
  return std::log(v) / std::log(base);
}

// Rounds to a power of ten: digit -2 keeps hundredths, 2 rounds to hundreds. Halves go to
// the even neighbour, as Round does, judged on the value as the user sees it (15
// significant digits): 1.235 gives 1.24 and 1.245 gives 1.24, although neither is exactly
// a half in binary.
double roundTo(double v, std::int64_t digit) {
  if (digit < -37 || digit > 37)
    throw script::PascalException("ERangeError", "RoundTo: digit " + std::to_string(digit) + " is out of range -37..37");
  const double factor = std::pow(10.0, static_cast<double>(digit));
  char shown[40];
  std::snprintf(shown, sizeof shown, "%.14e", v / factor);
  return std::nearbyint(std::strtod(shown, nullptr)) * factor;
}

std::mt19937_64& generator() {
  static std::mt19937_64 g{std::random_device{}()};
  return g;
}

class MathImport final : public TableImport {
 public:
  MathImport() : TableImport("Math") {
    constants = {
        {"NaN", Value(std::numeric_limits<double>::quiet_NaN())},
        {"Infinity", Value(std::numeric_limits<double>::infinity())},
        {"NegInfinity", Value(-std::numeric_limits<double>::infinity())},
    };
    routines = {
        {"function Floor(X: Double): Integer", [](NativeCall& c) { return integerResult(std::floor(real(c, 0))); }},
        {"function Ceil(X: Double): Integer", [](NativeCall& c) { return integerResult(std::ceil(real(c, 0))); }},
        {"function Log10(X: Double): Double", [](NativeCall& c) { return Value(logarithm(real(c, 0), 10)); }},
        {"function Log2(X: Double): Double", [](NativeCall& c) { return Value(logarithm(real(c, 0), 2)); }},
        {"function LogN(Base, X: Double): Double", [](NativeCall& c) { return Value(logarithm(real(c, 1), real(c, 0))); }},
        {"function IntPower(Base: Double; Exponent: Integer): Double",
         [](NativeCall& c) { return Value(std::pow(real(c, 0), static_cast<double>(c.arg(1).asInt()))); }},
        {"function Tan(X: Double): Double", [](NativeCall& c) { return Value(std::tan(real(c, 0))); }},
        {"function ArcSin(X: Double): Double", [](NativeCall& c) {
           if (std::fabs(real(c, 0)) > 1) invalidOperation();
           return Value(std::asin(real(c, 0)));
         }},
        {"function ArcCos(X: Double): Double", [](NativeCall& c) {
           if (std::fabs(real(c, 0)) > 1) invalidOperation();
           return Value(std::acos(real(c, 0)));
         }},
        {"function ArcTan2(Y, X: Double): Double", [](NativeCall& c) { return Value(std::atan2(real(c, 0), real(c, 1))); }},
        {"function Hypot(X, Y: Double): Double", [](NativeCall& c) { return Value(std::hypot(real(c, 0), real(c, 1))); }},
        {"function RoundTo(AValue: Double; ADigit: Integer): Double",
         [](NativeCall& c) { return Value(roundTo(real(c, 0), c.arg(1).asInt())); }},
        {"function IsNan(AValue: Double): Boolean", [](NativeCall& c) { return Value(std::isnan(real(c, 0))); }},
        {"function IsInfinite(AValue: Double): Boolean", [](NativeCall& c) { return Value(std::isinf(real(c, 0))); }},
        {"function Sign(AValue: Double): Integer", [](NativeCall& c) {
           const double v = real(c, 0);
           return Value(v > 0 ? 1 : v < 0 ? -1 : 0);
         }},
        {"function EnsureRange(AValue, AMin, AMax: Integer): Integer", [](NativeCall& c) {
           std::int64_t v = c.arg(0).asInt();
           if (v < c.arg(1).asInt()) v = c.arg(1).asInt();
           if (v > c.arg(2).asInt()) v = c.arg(2).asInt();
           return Value(v);
         }},
        // Double parameters take integers and floats alike; the bounds belong to the range.
        {"function InRange(AValue, AMin, AMax: Double): Boolean", [](NativeCall& c) {
           const double v = real(c, 0);
           return Value(v >= real(c, 1) && v <= real(c, 2));
         }},
        // From AFrom up to but not including ATo, whichever of the two is smaller.
        {"function RandomRange(AFrom, ATo: Integer): Integer", [](NativeCall& c) {
           std::int64_t a = c.arg(0).asInt(), b = c.arg(1).asInt();
           if (a == b) return Value(a);
           if (a > b) std::swap(a, b);
           return Value(std::uniform_int_distribution<std::int64_t>(a, b - 1)(generator()));
         }},
    };
  }
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeMathImport() { return std::make_shared<MathImport>(); }

}  // namespace kelmo::script_library
