// Builds the application title from the executable's own version resource.
//
// The version block is read straight from the module's resources and walked
// here, not through VERSION.dll: that DLL is not among the system's known DLLs,
// so Windows would look for it in the program's folder first, and a DLL of
// that name left there (a downloads folder) would run inside the program. The
// block's strings are UTF-16 and are kept in code page 932 like every text.
#include "app/AppTitleWin32.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "log/WideText.h"

HINSTANCE AppInstance = nullptr;
char AppProductName[kAppTextSize];
char AppFileVersion[kAppTextSize];
char AppTitle[kAppTextSize];

namespace {

// The string block is fixed; the translation entry is only required to exist.
constexpr std::wstring_view kProductNamePath[] = {L"StringFileInfo", L"041104b0", L"ProductName"};
constexpr std::wstring_view kFileVersionPath[] = {L"StringFileInfo", L"041104b0", L"FileVersion"};
constexpr std::wstring_view kTranslationPath[] = {L"VarFileInfo", L"Translation"};

// One node of the version block: wLength, wValueLength, wType, the key
// (NUL-terminated UTF-16), then on 4-byte boundaries the value and the
// children. Offsets are from the block's start, which is 4-byte aligned.
struct VersionNode {
  const uint8_t* block;
  size_t begin;
  size_t end;  // one past the node
  std::wstring_view key;
  size_t value;     // offset of the value
  size_t children;  // offset of the first child
  uint16_t value_length;
  uint16_t type;    // 1: text (value_length in characters), 0: bytes
};

size_t Aligned(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

uint16_t Word(const uint8_t* block, size_t at) {
  uint16_t word = 0;
  std::memcpy(&word, block + at, sizeof(word));
  return word;
}

// The node at `begin` within [begin, limit), or false when it does not fit.
bool ReadNode(const uint8_t* block, size_t begin, size_t limit, VersionNode& node) {
  if (begin + 6 > limit) return false;
  const uint16_t length = Word(block, begin);
  if (length < 6 || begin + length > limit) return false;
  node = VersionNode{block, begin, begin + length, {}, 0, 0, Word(block, begin + 2),
                     Word(block, begin + 4)};
  const auto* key = reinterpret_cast<const wchar_t*>(block + begin + 6);
  size_t characters = 0;
  while (begin + 6 + 2 * (characters + 1) <= node.end && key[characters] != L'\0') ++characters;
  if (begin + 6 + 2 * (characters + 1) > node.end) return false;
  node.key = std::wstring_view(key, characters);
  node.value = Aligned(begin + 6 + 2 * (characters + 1));
  const size_t value_bytes = node.type == 1 ? 2 * size_t{node.value_length} : node.value_length;
  if (node.value + value_bytes > node.end) return false;
  node.children = Aligned(node.value + value_bytes);
  return true;
}

// Follows `path` from the root's children; false when a key is missing.
template <size_t N>
bool FindNode(const VersionNode& root, const std::wstring_view (&path)[N], VersionNode& found) {
  VersionNode parent = root;
  for (const std::wstring_view& key : path) {
    VersionNode child{};
    size_t at = parent.children;
    bool matched = false;
    while (!matched && ReadNode(parent.block, at, parent.end, child)) {
      matched = child.key == key;
      at = Aligned(child.end);
    }
    if (!matched) return false;
    parent = child;
  }
  found = parent;
  return true;
}

// Copies one version string into `out` (zeroed first). A missing or empty
// string fails; a longer one than `out` holds is cut, never overrun.
int CopyVersionString(const VersionNode& root, const std::wstring_view (&path)[3],
                      char (&out)[kAppTextSize]) {
  std::memset(out, 0, sizeof(out));
  VersionNode node{};
  if (!FindNode(root, path, node) || node.type != 1 || node.value_length == 0) return 0;
  std::wstring_view text(reinterpret_cast<const wchar_t*>(node.block + node.value),
                         node.value_length);
  if (const size_t nul = text.find(L'\0'); nul != std::wstring_view::npos) text = text.substr(0, nul);
  std::string narrow;
  if (!Cp932FromWide(text, narrow)) return 0;
  const size_t copy = narrow.size() < sizeof(out) - 1 ? narrow.size() : sizeof(out) - 1;
  std::memcpy(out, narrow.data(), copy);
  return out[0] != '\0';
}

}  // namespace

int BuildAppTitle() {
  // Resource 1 of type 16: VS_VERSION_INFO, RT_VERSION.
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const auto* block = static_cast<const uint8_t*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (block == nullptr) return 0;
  VersionNode root{};
  VersionNode translation{};
  if (!ReadNode(block, 0, SizeofResource(module, found), root) || root.key != L"VS_VERSION_INFO" ||
      !FindNode(root, kTranslationPath, translation) || translation.value_length == 0) {
    return 0;
  }
  if (!CopyVersionString(root, kProductNamePath, AppProductName)) return 0;
  if (!CopyVersionString(root, kFileVersionPath, AppFileVersion)) return 0;
  std::memset(AppTitle, 0, sizeof(AppTitle));
  std::snprintf(AppTitle, sizeof(AppTitle), "%s Ver %s", AppProductName, AppFileVersion);
  return 1;
}
