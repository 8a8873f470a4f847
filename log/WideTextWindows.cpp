// The conversions through MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include <algorithm>

#include "log/WideText.h"

namespace {

constexpr UINT kCp932 = 932;

std::wstring WideFrom(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
  return WideFrom(CP_UTF8, utf8);
}

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring WideFromCp932(std::string_view cp932) {
  return WideFrom(kCp932, cp932);
}

void CopyWideFromCp932(std::string_view cp932, wchar_t* out, int capacity) {
  if (capacity <= 0) return;
  const int size = static_cast<int>(cp932.size());
  // Most texts fit: straight into the buffer, without an allocation.
  int length = size == 0 ? 0 : MultiByteToWideChar(kCp932, 0, cp932.data(), size, out, capacity - 1);
  if (length == 0 && size != 0) {
    const std::wstring wide = WideFromCp932(cp932);
    length = static_cast<int>(std::min<size_t>(wide.size(), static_cast<size_t>(capacity - 1)));
    std::copy_n(wide.data(), length, out);
  }
  out[length] = L'\0';
}

bool Cp932FromWide(std::wstring_view wide, std::string& cp932) {
  cp932.clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  BOOL lost = FALSE;
  const int length = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                         0, nullptr, &lost);
  if (length == 0 || lost) return false;
  cp932.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), size, cp932.data(), length,
                      nullptr, nullptr);
  // The code page holds some characters in two ways (NEC and IBM extensions):
  // only a text that comes back unchanged is the same name.
  if (WideFromCp932(cp932) == wide) return true;
  cp932.clear();
  return false;
}
