// The system's texts on Windows are in the ANSI code page.
#include <string>

#include "platform/text_encoding.h"
#include "platform/win32/windows_api.h"

namespace platform {

const bool kTextIsUtf8 = false;

std::string textFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return utf8;
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       nullptr, 0);
  if (wide <= 0) return utf8ToWindows1252(utf8);
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], wide);
  const int narrow = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, "?", nullptr);
  if (narrow <= 0) return utf8ToWindows1252(utf8);
  std::string out(static_cast<std::size_t>(narrow), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), wide, &out[0], narrow, "?", nullptr);
  return out;
}

}  // namespace platform
