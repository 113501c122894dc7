#pragma once
// The lines of the data file as the measurement thread collects them: in memory until the
// text passes 700 characters or the run is 30 seconds old, then written in one call.
#include <array>
#include <string>

#include "platform/date_time.h"

namespace kelmo {

// "Начинаю сбор данных: yyyy:mm:dd hh:mm:ss" and CR LF, in Windows-1251 bytes.
std::string headerLine(TDateTime t);
// "nn:ss:zzz", the date-time number and the six values, CR LF.
std::string dataLine(TDateTime t, const std::array<double, 6>& values);
// "%-5.3f " of the value; "?????? " for a signalling not-a-number, which the formatting
// cannot read without raising the invalid-operation error.
std::string valueField(double value);

class DataRecorder {
 public:
  static constexpr std::size_t kHeldCharacters = 700;
  static constexpr double kHeldSeconds = 30.0;

  // The header into the buffer, then the start time (read again).
  void begin();
  void append(const std::string& bytes) { buffer_ += bytes; }
  // Without force nothing is written while the buffer holds at most 700 characters and the
  // run is younger than 30 seconds. Otherwise the whole buffer goes to the data file in one
  // write and is emptied, written or not. False when the write failed.
  bool writeOut(bool force);

  std::size_t held() const { return buffer_.size(); }

 private:
  std::string buffer_;
  TDateTime startTime_ = 0;
};

}  // namespace kelmo
