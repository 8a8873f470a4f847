// Builds the application title from the executable's own version resource.
#include "app/AppTitleWin32.h"

#include <cstdio>
#include <cstring>
#include <vector>

HINSTANCE AppInstance = nullptr;
char AppProductName[kAppTextSize];
char AppFileVersion[kAppTextSize];
char AppTitle[kAppTextSize];

namespace {

// The string block is fixed; the translation entry is only required to exist.
constexpr const char* kProductNameKey = "\\StringFileInfo\\041104b0\\ProductName";
constexpr const char* kFileVersionKey = "\\StringFileInfo\\041104b0\\FileVersion";

// Copies one version string into `out` (zeroed first). A missing or empty
// string fails; a longer one than `out` holds is cut, never overrun.
int CopyVersionString(const std::vector<char>& info, const char* key, char (&out)[kAppTextSize]) {
  std::memset(out, 0, sizeof(out));
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), key, &value, &length) || length == 0 || value == nullptr) {
    return 0;
  }
  const size_t copy = length < sizeof(out) - 1 ? length : sizeof(out) - 1;
  std::memcpy(out, value, copy);
  out[sizeof(out) - 1] = '\0';
  return out[0] != '\0';
}

}  // namespace

int BuildAppTitle() {
  char path[1024] = {};
  if (GetModuleFileNameA(nullptr, path, sizeof(path)) == 0) return 0;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return 0;
  std::vector<char> info;
  try {
    info.assign(size, 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  void* translation = nullptr;
  UINT translation_length = 0;
  if (!GetFileVersionInfoA(path, 0, size, info.data()) ||
      !VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &translation,
                      &translation_length)) {
    return 0;
  }
  if (!CopyVersionString(info, kProductNameKey, AppProductName)) return 0;
  if (!CopyVersionString(info, kFileVersionKey, AppFileVersion)) return 0;
  std::memset(AppTitle, 0, sizeof(AppTitle));
  std::snprintf(AppTitle, sizeof(AppTitle), "%s Ver %s", AppProductName, AppFileVersion);
  return 1;
}
