#include "script/system_unit.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "platform/date_time.h"
#include "platform/text_format.h"
#include "script/exception_classes.h"
#include "script/interpreter.h"

namespace kelmo::script {

namespace {

struct StandardComponent final : EngineObject {
  std::string name;
};

[[noreturn]] void invalidFloatOp() { throw PascalException("EInvalidOp", "Invalid floating point operation"); }

// A result too large for a double, from arguments that were not.
double notOverflowed(double result) {
  if (std::isinf(result)) throw PascalException("EOverflow", "Floating point overflow");
  return result;
}

void checkLength(const SystemContext& c, std::size_t n) {
  if (n > c.limits->maxStringLength)
    throw PascalException("EOutOfMemory",
                          "String too long (more than " + std::to_string(c.limits->maxStringLength) + " bytes)");
}

[[noreturn]] void notANumber(const Value& text, const char* what) {
  throw PascalException("EConvertError", "'" + text.asString() + "' is not a valid " + what);
}

std::string trimmed(std::string_view s, bool left, bool right) {
  std::size_t b = 0, e = s.size();
  if (left)
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  if (right)
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace

bool parseInteger(std::string_view text, std::int64_t& out) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  std::uint64_t v = 0;
  for (; i < text.size(); ++i) {
    int d;
    char c = text[i];
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    if (v > (UINT64_MAX - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) return false;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  if (base == 10 && v > (negative ? 9223372036854775808ull : 9223372036854775807ull)) return false;
  out = negative ? static_cast<std::int64_t>(0ull - v) : static_cast<std::int64_t>(v);
  return true;
}

bool parseFloat(std::string_view text, double& out) {
  std::string s = trimmed(text, true, true);
  if (s.empty()) return false;
  char sep = decimalSeparator();
  for (char& c : s)
    if (c == sep) c = '.';
  for (char c : s)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(out);
}

namespace {

std::string hexText(std::uint64_t v, std::int64_t digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  std::string s(buf);
  if (digits > 32) digits = 32;
  if (static_cast<std::int64_t>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
  return s;
}

double argReal(const NativeCall& c, std::size_t i) { return c.arg(i).asDouble(); }

}  // namespace

void declareSystemUnit(Checker& ch, Program& p, const SystemContext& ctx) {
  ch.setModule("System");

  // ---- classes ----
  ch.declareClass("TObject", "");
  ch.declareClass("TComponent", "TObject");
  p.cComponent = ch.findClass("TComponent");
  p.cObject = ch.findClass("TObject");
  declareExceptionClasses(ch, p);
  auto method = [&](const char* cls, const char* decl, NativeFn fn) {
    if (Routine* r = ch.declareMethod(cls, decl)) r->native = std::move(fn);
  };
  // Objects live as long as a script value refers to them; Free only ends the script's use.
  method("TObject", "procedure Free", [](NativeCall&) { return Value(); });
  method("TObject", "function ClassName: string", [](NativeCall& c) { return Value(c.self().className()); });
  method("TComponent", "constructor Create(AOwner: TComponent)",
         [](NativeCall&) { return engineObject(std::make_shared<StandardComponent>()); });
  ch.declareProperty("TComponent", "Name", "string", PropertyAccess::ReadWrite);
  auto ownComponent = [](const NativeCall& c) -> StandardComponent* {
    auto* component = dynamic_cast<StandardComponent*>(engineObjectOf(c.self()));
    if (component == nullptr)
      throw std::runtime_error("Name is not available for objects of class " + c.self().className());
    return component;
  };
  if (p.cComponent != nullptr) {
    auto* name = const_cast<Property*>(p.cComponent->findProperty("name"));
    name->reader = [ownComponent](NativeCall& c) { return Value(ownComponent(c)->name); };
    name->writer = [ownComponent](NativeCall& c) {
      ownComponent(c)->name = c.arg(0).asString();
      return Value();
    };
  }

  // ---- constants ----
  ch.declareConstant("MaxInt", Value(std::int64_t{INT32_MAX}));
  ch.declareConstant("MaxLongInt", Value(std::int64_t{INT32_MAX}));

  // ---- routines ----
  auto def = [&](const char* decl, NativeFn fn) {
    if (Routine* r = ch.declareRoutine(decl)) r->native = std::move(fn);
  };
  ch.declareType("TDateTime", "double");

  // Conversions
  def("function IntToStr(Value: Int64): string", [](NativeCall& c) { return Value(std::to_string(c.arg(0).asInt())); });
  def("function StrToInt(const S: string): Integer", [](NativeCall& c) {
    std::int64_t v = 0;
    if (!parseInteger(c.arg(0).text(), v) || v < INT32_MIN || v > INT32_MAX) notANumber(c.arg(0), "integer value");
    return Value(v);
  });
  def("function StrToInt64(const S: string): Int64", [](NativeCall& c) {
    std::int64_t v = 0;
    if (!parseInteger(c.arg(0).text(), v)) notANumber(c.arg(0), "integer value");
    return Value(v);
  });
  def("function StrToIntDef(const S: string; Default: Integer): Integer", [](NativeCall& c) {
    std::int64_t v = 0;
    if (!parseInteger(c.arg(0).text(), v) || v < INT32_MIN || v > INT32_MAX) return c.arg(1);
    return Value(v);
  });
  def("function FloatToStr(Value: Double): string", [](NativeCall& c) { return Value(formatGeneral(argReal(c, 0))); });
  def("function StrToFloat(const S: string): Double", [](NativeCall& c) {
    double v = 0;
    if (!parseFloat(c.arg(0).text(), v)) notANumber(c.arg(0), "floating point value");
    return Value(v);
  });
  def("function StrToFloatDef(const S: string; Default: Double): Double", [](NativeCall& c) {
    double v = 0;
    return parseFloat(c.arg(0).text(), v) ? Value(v) : c.arg(1);
  });
  // A negative value of Integer range shows its 32-bit pattern, as Format's %x does: an
  // Integer's -1 is FFFFFFFF, not sixteen digits.
  def("function IntToHex(Value: Int64; Digits: Integer): string", [](NativeCall& c) {
    const std::int64_t n = c.arg(0).asInt();
    const std::uint64_t bits = n < 0 && n >= INT32_MIN ? static_cast<std::uint32_t>(n) : static_cast<std::uint64_t>(n);
    return Value(hexText(bits, c.arg(1).asInt()));
  });
  // Without UseBoolStrs a Boolean reads as the number it is stored as, as Object Pascal's does.
  def("function BoolToStr(B: Boolean; UseBoolStrs: Boolean = False): string", [](NativeCall& c) {
    if (c.arg(1).asBool()) return Value(c.arg(0).asBool() ? "True" : "False");
    return Value(c.arg(0).asBool() ? "-1" : "0");
  });

  // Strings
  // Copy(S, Index) takes the rest of the text.
  def("function Copy(const S: string; Index: Integer; Count: Integer = MaxInt): string", [](NativeCall& c) {
    std::string_view s = c.arg(0).text();
    std::int64_t index = std::max<std::int64_t>(c.arg(1).asInt(), 1);
    std::int64_t count = c.arg(2).asInt();
    if (count <= 0 || index > static_cast<std::int64_t>(s.size())) return Value(std::string_view());
    return Value(s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
  });
  // Pos(Substr, S, Offset) searches from Offset on; an offset outside the text finds nothing.
  def("function Pos(const Substr, S: string; Offset: Integer = 1): Integer", [](NativeCall& c) {
    std::string_view sub = c.arg(0).text(), s = c.arg(1).text();
    std::int64_t offset = c.arg(2).asInt();
    if (sub.empty() || offset < 1 || offset > static_cast<std::int64_t>(s.size())) return Value(0);
    std::size_t at = s.find(sub, static_cast<std::size_t>(offset - 1));
    return Value(at == std::string_view::npos ? 0 : static_cast<std::int64_t>(at) + 1);
  });
  def("procedure Delete(var S: string; Index, Count: Integer)", [](NativeCall& c) {
    std::string s = c.arg(0).asString();
    std::int64_t index = c.arg(1).asInt(), count = c.arg(2).asInt();
    if (index >= 1 && index <= static_cast<std::int64_t>(s.size()) && count > 0) {
      s.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
      c.arg(0) = Value(s);
    }
    return Value();
  });
  def("procedure Insert(const Source: string; var S: string; Index: Integer)", [ctx](NativeCall& c) {
    std::string s = c.arg(1).asString();
    std::int64_t index = std::clamp<std::int64_t>(c.arg(2).asInt(), 1, static_cast<std::int64_t>(s.size()) + 1);
    checkLength(ctx, s.size() + c.arg(0).text().size());
    s.insert(static_cast<std::size_t>(index - 1), c.arg(0).text());
    c.arg(1) = Value(s);
    return Value();
  });
  def("function UpperCase(const S: string): string", [](NativeCall& c) {
    std::string s = c.arg(0).asString();
    for (char& ch2 : s)
      if (ch2 >= 'a' && ch2 <= 'z') ch2 = static_cast<char>(ch2 - 'a' + 'A');
    return Value(s);
  });
  def("function LowerCase(const S: string): string", [](NativeCall& c) {
    std::string s = c.arg(0).asString();
    for (char& ch2 : s)
      if (ch2 >= 'A' && ch2 <= 'Z') ch2 = static_cast<char>(ch2 - 'A' + 'a');
    return Value(s);
  });
  def("function Trim(const S: string): string", [](NativeCall& c) { return Value(trimmed(c.arg(0).text(), true, true)); });
  def("function TrimLeft(const S: string): string", [](NativeCall& c) { return Value(trimmed(c.arg(0).text(), true, false)); });
  def("function TrimRight(const S: string): string", [](NativeCall& c) { return Value(trimmed(c.arg(0).text(), false, true)); });
  def("function StringOfChar(Ch: Char; Count: Integer): string", [ctx](NativeCall& c) {
    std::int64_t n = std::max<std::int64_t>(c.arg(1).asInt(), 0);
    checkLength(ctx, static_cast<std::size_t>(n));
    return Value(std::string(static_cast<std::size_t>(n), c.arg(0).asChar()));
  });
  def("function SameText(const S1, S2: string): Boolean", [](NativeCall& c) { return Value(sameName(c.arg(0).text(), c.arg(1).text())); });
  def("function CompareText(const S1, S2: string): Integer", [](NativeCall& c) {
    std::string a = lowerName(c.arg(0).text()), b = lowerName(c.arg(1).text());
    return Value(a < b ? -1 : a > b ? 1 : 0);
  });

  // Maths
  def("function Round(X: Double): Int64", [](NativeCall& c) {
    double v = std::nearbyint(argReal(c, 0));
    if (!(v >= -9.2233720368547758e18 && v < 9.2233720368547758e18)) invalidFloatOp();
    return Value(static_cast<std::int64_t>(v));
  });
  def("function Trunc(X: Double): Int64", [](NativeCall& c) {
    double v = std::trunc(argReal(c, 0));
    if (!(v >= -9.2233720368547758e18 && v < 9.2233720368547758e18)) invalidFloatOp();
    return Value(static_cast<std::int64_t>(v));
  });
  def("function Frac(X: Double): Double", [](NativeCall& c) { double v = argReal(c, 0); return Value(v - std::trunc(v)); });
  def("function Int(X: Double): Double", [](NativeCall& c) { return Value(std::trunc(argReal(c, 0))); });
  def("function Sqrt(X: Double): Double", [](NativeCall& c) {
    if (argReal(c, 0) < 0) invalidFloatOp();
    return Value(std::sqrt(argReal(c, 0)));
  });
  def("function Sin(X: Double): Double", [](NativeCall& c) { return Value(std::sin(argReal(c, 0))); });
  def("function Cos(X: Double): Double", [](NativeCall& c) { return Value(std::cos(argReal(c, 0))); });
  def("function ArcTan(X: Double): Double", [](NativeCall& c) { return Value(std::atan(argReal(c, 0))); });
  def("function Exp(X: Double): Double", [](NativeCall& c) {
    const double x = argReal(c, 0);
    return Value(std::isinf(x) ? std::exp(x) : notOverflowed(std::exp(x)));
  });
  def("function Ln(X: Double): Double", [](NativeCall& c) {
    if (argReal(c, 0) <= 0) invalidFloatOp();
    return Value(std::log(argReal(c, 0)));
  });
  def("function Power(Base, Exponent: Double): Double", [](NativeCall& c) {
    const double base = argReal(c, 0), exponent = argReal(c, 1);
    const double v = std::pow(base, exponent);
    if (std::isfinite(base) && std::isfinite(exponent)) {
      if (base == 0 && exponent < 0) throw PascalException("EZeroDivide", "Division by zero");
      if (std::isnan(v)) invalidFloatOp();
      notOverflowed(v);
    }
    return Value(v);
  });
  def("function Pi: Double", [](NativeCall&) { return Value(3.14159265358979323846); });
  def("procedure Randomize", [](NativeCall&) { return Value(); });

  // Time
  def("procedure Sleep(Milliseconds: Cardinal)", [ctx](NativeCall& c) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(c.arg(0).asInt());
    // Short naps so that a stop request ends a long sleep.
    while (std::chrono::steady_clock::now() < until) {
      if (ctx.stop->load(std::memory_order_relaxed)) throw ScriptAbort{"Script stopped"};
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          until - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
    }
    return Value();
  });
  def("function Now: TDateTime", [](NativeCall&) { return Value(now()); });
  def("function Date: TDateTime", [](NativeCall&) { return Value(std::floor(now())); });
  def("function Time: TDateTime", [](NativeCall&) { return Value(timeOfDayOf(now())); });
  def("function DateTimeToStr(DateTime: TDateTime): string", [](NativeCall& c) {
    double dt = argReal(c, 0);
    if (!std::isfinite(dt) || std::fabs(dt) > 3e6) invalidFloatOp();
    std::string s = shortDateText(dt);
    if (timeOfDayOf(dt) != 0) s += " " + longTimeText(dt);
    return Value(s);
  });
  def("function DateToStr(DateTime: TDateTime): string", [](NativeCall& c) {
    double dt = argReal(c, 0);
    if (!std::isfinite(dt) || std::fabs(dt) > 3e6) invalidFloatOp();
    return Value(shortDateText(dt));
  });
  def("function TimeToStr(DateTime: TDateTime): string", [](NativeCall& c) {
    double dt = argReal(c, 0);
    if (!std::isfinite(dt) || std::fabs(dt) > 3e6) invalidFloatOp();
    return Value(longTimeText(dt));
  });
  def("function FormatDateTime(const Format: string; DateTime: TDateTime): string", [ctx](NativeCall& c) {
    double dt = argReal(c, 1);
    if (!std::isfinite(dt) || std::fabs(dt) > 3e6) invalidFloatOp();
    checkLength(ctx, c.arg(0).text().size() * 4);
    return Value(formatDateTime(c.arg(0).asString(), dt));
  });
}

}  // namespace kelmo::script
