#pragma once
// Number texts as Object Pascal's runtime writes them: Format, FloatToStrF and FormatFloat,
// with the regional decimal and thousands separators. Each throws EConvertError (a
// script::PascalException) with the runtime's message when a pattern and its arguments do
// not fit.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "script/value.h"

namespace kelmo::script_library {

// Format(pattern, [args]): %d %u %x %s %f %e %g %n %m with an argument index ("%1:s"),
// '-' for left alignment, width and precision, either of them '*' (taken from the
// arguments). Texts longer than maxLength stop with an error.
std::string formatPascal(std::string_view pattern, const std::vector<script::Value>& args, std::size_t maxLength);

enum class FloatFormat { General, Exponent, Fixed, Number, Currency };

// FloatToStrF: precision is the significant digits (1 to 15); digits is the decimals of
// Fixed, Number and Currency, and the least exponent digits of General and Exponent.
std::string floatToStrF(double value, FloatFormat format, int precision, int digits);

// FormatFloat: '0' and '#' digit places, '.', ',' for thousands, E+00 / E-00 exponents,
// quoted literals, and up to three sections "positive;negative;zero".
std::string formatFloat(std::string_view pattern, double value);

}  // namespace kelmo::script_library
