#include "platform/utf16.h"

#include <windows.h>

#include <climits>

namespace kelmo {

std::wstring utf8ToUtf16(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return {};
  const int inLength = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), length);
  return wide;
}

std::string utf16ToUtf8(std::wstring_view utf16) {
  if (utf16.empty() || utf16.size() > INT_MAX) return {};
  const int inLength = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace kelmo
