#include "platform/windows_locale.h"

#include <windows.h>

#include "platform/utf16.h"

namespace kelmo {

namespace {

std::string localeText(LCTYPE type) {
  wchar_t buffer[128];
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
  return length > 1 ? utf16ToUtf8(std::wstring_view(buffer, static_cast<std::size_t>(length - 1))) : std::string();
}

char localeCharacter(LCTYPE type, char fallback) {
  const std::string text = localeText(type);
  return text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80 ? text[0] : fallback;
}

}  // namespace

WindowsRegionalSettings userRegionalSettings() {
  WindowsRegionalSettings settings;
  settings.decimal = localeCharacter(LOCALE_SDECIMAL, settings.decimal);
  settings.date = localeCharacter(LOCALE_SDATE, settings.date);
  settings.time = localeCharacter(LOCALE_STIME, settings.time);
  settings.shortDateFormat = localeText(LOCALE_SSHORTDATE);
  settings.timeFormat = localeText(LOCALE_STIMEFORMAT);
  return settings;
}

}  // namespace kelmo
