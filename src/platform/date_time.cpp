#include "platform/date_time.h"

#include <cmath>
#include <ctime>
#include <mutex>

namespace kelmo {

namespace {


// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const long long kUnixToDelphi = 25569;  // 1970-01-01 as a day number since 1899-12-30

std::mutex clockMutex;
std::function<TDateTime()> clockOverride;

TDateTime systemNow() {
  using namespace std::chrono;
  const auto t = system_clock::now();
  const auto secs = time_point_cast<seconds>(t);
  const int ms = static_cast<int>(duration_cast<milliseconds>(t - secs).count());
  const std::time_t tt = system_clock::to_time_t(secs);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &tt);
#else
  localtime_r(&tt, &local);
#endif
  return encodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec, ms});
}

}  // namespace

TDateTime encodeDateTime(const CivilDateTime& c) {
  const long long days = daysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) + kUnixToDelphi;
  const double time = (((c.hour * 60.0 + c.minute) * 60.0 + c.second) * 1000.0 + c.millisecond) / 86400000.0;
  return static_cast<double>(days) + time;
}

CivilDateTime decodeDateTime(TDateTime dt) {
  // Whole milliseconds first, so 23:59:59.9996 rounds into the next day instead of 1000 ms.
  const long long totalMs = std::llround(dt * 86400000.0);
  long long days = totalMs / 86400000;
  long long msOfDay = totalMs % 86400000;
  if (msOfDay < 0) {
    msOfDay += 86400000;
    --days;
  }
  CivilDateTime c;
  civilFromDays(days - kUnixToDelphi, c.year, c.month, c.day);
  c.hour = static_cast<int>(msOfDay / 3600000);
  c.minute = static_cast<int>(msOfDay / 60000 % 60);
  c.second = static_cast<int>(msOfDay / 1000 % 60);
  c.millisecond = static_cast<int>(msOfDay % 1000);
  return c;
}

TDateTime now() {
  {
    std::lock_guard lock(clockMutex);
    if (clockOverride) return clockOverride();
  }
  return systemNow();
}

double timeOfDay() { return timeOfDayOf(now()); }

void setClock(std::function<TDateTime()> clock) {
  std::lock_guard lock(clockMutex);
  clockOverride = std::move(clock);
}

}  // namespace kelmo
