#include "tests/driver/driver_common.h"

std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string converted(size, '\0');
  WideCharToMultiByte(codePage, 0, text.data(), length, &converted[0], size, nullptr, nullptr);
  return converted;
}

UINT SystemCodePage() {
  UINT codePage = CP_ACP;
  GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                 reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t));
  return codePage;
}

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring converted(size, L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, &converted[0], size);
  return converted;
}
