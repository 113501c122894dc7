#include "measure/data_recorder.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "measure/data_file.h"
#include "platform/cp1251.h"
#include "platform/text_format.h"

namespace kelmo {

namespace {

constexpr double kSecondsPerDay = 86400.0;

bool isSignallingNan(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  constexpr std::uint64_t kExponent = 0x7FF0000000000000ull;
  constexpr std::uint64_t kQuietBit = 0x0008000000000000ull;
  constexpr std::uint64_t kMantissa = 0x000FFFFFFFFFFFFFull;
  return (bits & kExponent) == kExponent && (bits & kMantissa) != 0 && (bits & kQuietBit) == 0;
}

}  // namespace

std::string headerLine(TDateTime t) {
  return utf8ToCp1251("Начинаю сбор данных: ") + formatDateTime("yyyy:mm:dd hh:mm:ss", t) + "\r\n";
}

std::string valueField(double value) {
  if (isSignallingNan(value)) return "?????? ";
  return formatText("%-5.3f ", {value});
}

std::string dataLine(TDateTime t, const std::array<double, 6>& values) {
  std::string line = formatDateTime("nn:ss:zzz", t) + " " + formatGeneral(t) + " ";
  for (double v : values) line += valueField(v);
  line += "\r\n";
  return line;
}

void DataRecorder::begin() {
  buffer_ = headerLine(now());
  startTime_ = now();
}

bool DataRecorder::writeOut(bool force) {
  const double elapsedSeconds = (now() - startTime_) * kSecondsPerDay;
  if (!force && buffer_.size() <= kHeldCharacters && elapsedSeconds < kHeldSeconds) return true;
  const bool written = writeDataFile(buffer_);
  buffer_.clear();
  return written;
}

}  // namespace kelmo
