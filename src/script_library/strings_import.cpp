// Strings: the text routines of the system unit and of StrUtils that the engine's own
// system unit lacks (Format and number texts, replacing, quoting, case on the code page,
// parts of texts, conversions that try).
#include <algorithm>
#include <stdexcept>

#include "script/system_unit.h"
#include "script_library/import_table.h"
#include "script_library/number_text.h"
#include "script_library/single_byte_case.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

using script::NativeCall;
using script::Value;

std::string_view text(const NativeCall& c, std::size_t i) { return c.arg(i).text(); }
std::int64_t integer(const NativeCall& c, std::size_t i) { return c.arg(i).asInt(); }

// The part of s from 1-based `index` with at most `count` bytes; empty when outside.
std::string_view part(std::string_view s, std::int64_t index, std::int64_t count) {
  index = std::max<std::int64_t>(index, 1);
  if (count <= 0 || index > static_cast<std::int64_t>(s.size())) return {};
  return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

std::int64_t posFrom(std::string_view sub, std::string_view s, std::int64_t offset) {
  if (sub.empty() || offset < 1 || offset > static_cast<std::int64_t>(s.size())) return 0;
  const std::size_t at = s.find(sub, static_cast<std::size_t>(offset - 1));
  return at == std::string_view::npos ? 0 : static_cast<std::int64_t>(at) + 1;
}

std::string replaced(std::string_view s, std::string_view from, std::string_view to, bool all, bool ignoreCase) {
  if (from.empty()) return std::string(s);
  const std::string haystack = ignoreCase ? ansiUpperCase(s) : std::string(s);
  const std::string needle = ignoreCase ? ansiUpperCase(from) : std::string(from);
  std::string out;
  std::size_t start = 0;
  // Upper case keeps every character's length on the code page, so positions carry over.
  while (start <= s.size()) {
    const std::size_t at = haystack.size() == s.size() ? haystack.find(needle, start) : s.find(from, start);
    if (at == std::string::npos) break;
    out.append(s.substr(start, at - start));
    out.append(to);
    if (out.size() > script::ExecutionLimits().maxStringLength) throw script::PascalException("EOutOfMemory", "String too long");
    start = at + from.size();
    if (!all) break;
  }
  out.append(s.substr(std::min(start, s.size())));
  return out;
}

std::string quoted(std::string_view s, char quote) {
  std::string out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  return out + quote;
}

// Format(pattern, args) of the arguments `pattern` and `args` of a call.
std::string formatted(const NativeCall& c, std::size_t pattern, std::size_t args) {
  std::vector<Value> items;
  for (std::size_t i = 0; i < c.arg(args).length(); ++i) items.push_back(c.arg(args).item(i));
  return formatPascal(text(c, pattern), items, script::ExecutionLimits().maxStringLength);
}

class StringsImport final : public TableImport {
 public:
  StringsImport() : TableImport("Strings") {
    declarations =
        "type TFloatFormat = (ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency);"
        "  TReplaceFlags = set of (rfReplaceAll, rfIgnoreCase);";
    // The exception classes' constructor that formats, beside Format: EConvertError.CreateFmt.
    methods = {
        {"Exception", "constructor CreateFmt(const Msg: string; const Args: array of const)",
         [](NativeCall& c) { return script::exceptionObject(formatted(c, 0, 1)); }},
    };
    routines = {
        {"function Format(const Format: string; const Args: array of const): string",
         [](NativeCall& c) { return Value(formatted(c, 0, 1)); }},
        {"function StringReplace(const S, OldPattern, NewPattern: string; Flags: TReplaceFlags): string",
         [](NativeCall& c) {
           return Value(replaced(text(c, 0), text(c, 1), text(c, 2), c.arg(3).hasElement(0), c.arg(3).hasElement(1)));
         }},
        {"function FloatToStrF(Value: Double; Format: TFloatFormat; Precision, Digits: Integer): string",
         [](NativeCall& c) {
           const std::int64_t f = c.arg(1).asInt();
           if (f < 0 || f > 4) throw std::runtime_error("FloatToStrF: " + std::to_string(f) + " is not a float format");
           return Value(floatToStrF(c.arg(0).asDouble(), static_cast<FloatFormat>(f), static_cast<int>(std::clamp<std::int64_t>(c.arg(2).asInt(), 0, 99)),
                                    static_cast<int>(std::clamp<std::int64_t>(c.arg(3).asInt(), 0, 99))));
         }},
        {"function FormatFloat(const Format: string; Value: Double): string",
         [](NativeCall& c) { return Value(formatFloat(text(c, 0), c.arg(1).asDouble())); }},
        {"function QuotedStr(const S: string): string", [](NativeCall& c) { return Value(quoted(text(c, 0), '\'')); }},
        {"function AnsiQuotedStr(const S: string; Quote: Char): string",
         [](NativeCall& c) { return Value(quoted(text(c, 0), c.arg(1).asChar())); }},
        {"function AnsiUpperCase(const S: string): string", [](NativeCall& c) { return Value(ansiUpperCase(text(c, 0))); }},
        {"function AnsiLowerCase(const S: string): string", [](NativeCall& c) { return Value(ansiLowerCase(text(c, 0))); }},
        {"function AnsiSameText(const S1, S2: string): Boolean",
         [](NativeCall& c) { return Value(ansiUpperCase(text(c, 0)) == ansiUpperCase(text(c, 1))); }},
        {"function AnsiCompareText(const S1, S2: string): Integer", [](NativeCall& c) {
           const std::string a = ansiUpperCase(text(c, 0)), b = ansiUpperCase(text(c, 1));
           return Value(a < b ? -1 : a > b ? 1 : 0);
         }},
        {"function CompareStr(const S1, S2: string): Integer", [](NativeCall& c) {
           const int r = text(c, 0).compare(text(c, 1));
           return Value(r < 0 ? -1 : r > 0 ? 1 : 0);
         }},
        {"function AnsiPos(const Substr, S: string): Integer",
         [](NativeCall& c) { return Value(posFrom(text(c, 0), text(c, 1), 1)); }},
        {"function PosEx(const SubStr, S: string; Offset: Integer = 1): Integer",
         [](NativeCall& c) { return Value(posFrom(text(c, 0), text(c, 1), integer(c, 2))); }},
        {"function LeftStr(const AText: string; ACount: Integer): string",
         [](NativeCall& c) { return Value(part(text(c, 0), 1, integer(c, 1))); }},
        {"function RightStr(const AText: string; ACount: Integer): string", [](NativeCall& c) {
           const std::string_view s = text(c, 0);
           const std::int64_t n = std::clamp<std::int64_t>(integer(c, 1), 0, static_cast<std::int64_t>(s.size()));
           return Value(s.substr(s.size() - static_cast<std::size_t>(n)));
         }},
        {"function MidStr(const AText: string; AStart, ACount: Integer): string",
         [](NativeCall& c) { return Value(part(text(c, 0), integer(c, 1), integer(c, 2))); }},
        {"function DupeString(const AText: string; ACount: Integer): string", [](NativeCall& c) {
           const std::string_view s = text(c, 0);
           const std::int64_t n = std::max<std::int64_t>(integer(c, 1), 0);
           if (!s.empty() && static_cast<std::uint64_t>(n) > (64u << 20) / s.size())
             throw script::PascalException("EOutOfMemory", "String too long");
           std::string out;
           for (std::int64_t i = 0; i < n; ++i) out += s;
           return Value(out);
         }},
        {"function ReverseString(const AText: string): string", [](NativeCall& c) {
           std::string s(text(c, 0));
           std::reverse(s.begin(), s.end());
           return Value(s);
         }},
        {"function StartsStr(const ASubText, AText: string): Boolean",
         [](NativeCall& c) { return Value(text(c, 1).substr(0, text(c, 0).size()) == text(c, 0)); }},
        {"function EndsStr(const ASubText, AText: string): Boolean", [](NativeCall& c) {
           const std::string_view sub = text(c, 0), s = text(c, 1);
           return Value(sub.size() <= s.size() && s.substr(s.size() - sub.size()) == sub);
         }},
        {"function ContainsStr(const AText, ASubText: string): Boolean",
         [](NativeCall& c) { return Value(text(c, 0).find(text(c, 1)) != std::string_view::npos); }},
        {"function ContainsText(const AText, ASubText: string): Boolean", [](NativeCall& c) {
           return Value(ansiUpperCase(text(c, 0)).find(ansiUpperCase(text(c, 1))) != std::string::npos);
         }},
        {"function TryStrToInt(const S: string; var Value: Integer): Boolean", [](NativeCall& c) {
           std::int64_t v = 0;
           if (!script::parseInteger(text(c, 0), v) || v < INT32_MIN || v > INT32_MAX) return Value(false);
           c.arg(1) = Value(v);
           return Value(true);
         }},
        {"function TryStrToInt64(const S: string; var Value: Int64): Boolean", [](NativeCall& c) {
           std::int64_t v = 0;
           if (!script::parseInteger(text(c, 0), v)) return Value(false);
           c.arg(1) = Value(v);
           return Value(true);
         }},
        {"function TryStrToFloat(const S: string; var Value: Double): Boolean", [](NativeCall& c) {
           double v = 0;
           if (!script::parseFloat(text(c, 0), v)) return Value(false);
           c.arg(1) = Value(v);
           return Value(true);
         }},
        {"function StrToInt64Def(const S: string; Default: Int64): Int64", [](NativeCall& c) {
           std::int64_t v = 0;
           return script::parseInteger(text(c, 0), v) ? Value(v) : c.arg(1);
         }},
        {"function StrToBool(const S: string): Boolean", [](NativeCall& c) {
           const std::string s = ansiUpperCase(text(c, 0));
           if (s == "TRUE" || s == "T" || s == "YES" || s == "Y") return Value(true);
           if (s == "FALSE" || s == "F" || s == "NO" || s == "N") return Value(false);
           std::int64_t v = 0;
           if (script::parseInteger(s, v)) return Value(v != 0);
           throw script::PascalException("EConvertError", "'" + std::string(text(c, 0)) + "' is not a valid boolean value");
         }},
    };
  }
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeStringsImport() { return std::make_shared<StringsImport>(); }

}  // namespace kelmo::script_library
