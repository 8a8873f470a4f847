// What Kestrel_Scan.exe asks Windows to load. A DLL named in the import table
// that is not one of the system's known DLLs is looked for in the program's
// folder first, where anyone could have put a DLL of that name (a downloads
// folder); the common controls are the one exception, redirected to the
// side-by-side store by the manifest, which must therefore be there.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

template <typename T>
T At(const std::vector<char>& image, size_t offset) {
  T value{};
  if (offset + sizeof(T) <= image.size()) std::memcpy(&value, image.data() + offset, sizeof(T));
  return value;
}

// The names in the import directory, read from the file through its section table.
std::vector<std::string> ImportedDlls(const std::vector<char>& image) {
  const auto nt = static_cast<size_t>(At<IMAGE_DOS_HEADER>(image, 0).e_lfanew);
  const auto headers = At<IMAGE_NT_HEADERS64>(image, nt);
  const size_t sections = nt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                          headers.FileHeader.SizeOfOptionalHeader;
  const auto file_offset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
      const auto s = At<IMAGE_SECTION_HEADER>(image, sections + i * sizeof(IMAGE_SECTION_HEADER));
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData) {
        return rva - s.VirtualAddress + s.PointerToRawData;
      }
    }
    return image.size();
  };
  std::vector<std::string> names;
  const DWORD directory =
      headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (size_t at = file_offset(directory); at < image.size();
       at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto entry = At<IMAGE_IMPORT_DESCRIPTOR>(image, at);
    if (entry.Name == 0) break;
    names.emplace_back(image.data() + std::min(file_offset(entry.Name), image.size() - 1));
  }
  return names;
}

TEST(ProgramImage, ImportsOnlyKnownSystemDllsAndCarriesItsManifest) {
  const char* program = std::getenv("KESTREL_APP_EXE");
  ASSERT_NE(program, nullptr);
  std::ifstream file(program, std::ios::binary);
  const std::vector<char> image{std::istreambuf_iterator<char>(file), {}};
  ASSERT_GT(image.size(), 4096u);

  // Windows 10's KnownDLLs that a program like this one may use, and the
  // C runtime that ships with every Windows.
  const std::set<std::string> known = {"kernel32.dll", "user32.dll",  "gdi32.dll",
                                       "comdlg32.dll", "shell32.dll", "ws2_32.dll",
                                       "msvcrt.dll",   "advapi32.dll", "ole32.dll",
                                       "oleaut32.dll", "shlwapi.dll", "imm32.dll"};
  const std::vector<std::string> imports = ImportedDlls(image);
  EXPECT_GE(imports.size(), 5u);
  for (const std::string& dll : imports) {
    EXPECT_TRUE(known.count(Lower(dll)) == 1 || Lower(dll) == "comctl32.dll") << dll;
  }

  HMODULE data = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(data, nullptr);
  HRSRC found = FindResourceW(data, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(data, found))),
                             SizeofResource(data, found));
  for (const char* part : {"level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  FreeLibrary(data);
}

}  // namespace
