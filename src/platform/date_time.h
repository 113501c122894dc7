#pragma once
// Date-times as the rig's files and charts use them: days since 30 December 1899,
// the time of day as the fraction. A clock seam lets tests fix "now".
#include <chrono>
#include <functional>

namespace kelmo {

using TDateTime = double;

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

TDateTime encodeDateTime(const CivilDateTime& c);
CivilDateTime decodeDateTime(TDateTime dt);

// Local date-time now, through the clock seam.
TDateTime now();
// Fraction of the current day (0.5 is noon).
double timeOfDay();
inline double timeOfDayOf(TDateTime dt) { return dt - static_cast<double>(static_cast<long long>(dt)); }

// Replaces the source of now(); an empty function restores the system's local clock.
void setClock(std::function<TDateTime()> clock);

}  // namespace kelmo
