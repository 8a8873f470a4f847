// The working directory on Windows, in the program's code page like every
// narrow file name it passes to the system.
#include <windows.h>

#include "log/SettingsPaths.h"

std::string WorkingDirectory() {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return "";
  std::string folder(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, folder.data());
  if (length == 0 || length >= needed) return "";
  folder.resize(length);
  return folder;
}

std::string PathInFolder(const std::string& folder, const char* name) {
  // A code page 932 name may end in a second byte that looks like '\': only a
  // drive's root ("C:\") or a folder given with '/' already ends in a separator.
  const bool ends_in_separator =
      folder.back() == '/' || (folder.size() == 3 && folder[1] == ':' && folder[2] == '\\');
  return folder + (ends_in_separator ? "" : "\\") + name;
}
