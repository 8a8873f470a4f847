// The face choice and the dialog template's font block.
#include "views/FontFaces.h"

#include <cwctype>

namespace {

// Windows 10 and 11 carry these with Japanese support installed; the
// Japanese-named faces are the same fonts under their other family name.
constexpr const wchar_t* kFixedFallbacks[] = {L"MS Gothic", L"ＭＳ ゴシック", L"BIZ UDGothic",
                                              L"BIZ UDゴシック"};
constexpr const wchar_t* kAnyFallbacks[] = {L"Meiryo",       L"メイリオ",     L"Yu Gothic",
                                            L"游ゴシック",   L"MS UI Gothic", L"MS Gothic",
                                            L"ＭＳ ゴシック"};

// Face names compare without regard to case, as the font mapper does.
bool SameFace(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

const InstalledFace* Find(const std::vector<InstalledFace>& faces, std::wstring_view name) {
  for (const InstalledFace& face : faces) {
    if (SameFace(face.name, name)) return &face;
  }
  return nullptr;
}

// "@" faces are the vertical-writing forms.
const InstalledFace* FirstUpright(const std::vector<InstalledFace>& faces, bool fixed_only) {
  for (const InstalledFace& face : faces) {
    if (!face.name.empty() && face.name[0] != L'@' && (face.fixed_pitch || !fixed_only)) {
      return &face;
    }
  }
  return nullptr;
}

}  // namespace

std::wstring ChooseFace(std::wstring_view wanted, bool fixed_pitch,
                        const std::vector<InstalledFace>& japanese_faces) {
  if (Find(japanese_faces, wanted) != nullptr) return std::wstring(wanted);
  if (fixed_pitch) {
    for (const wchar_t* name : kFixedFallbacks) {
      const InstalledFace* face = Find(japanese_faces, name);
      if (face != nullptr && face->fixed_pitch) return face->name;
    }
  } else {
    for (const wchar_t* name : kAnyFallbacks) {
      if (const InstalledFace* face = Find(japanese_faces, name)) return face->name;
    }
  }
  const InstalledFace* any = FirstUpright(japanese_faces, fixed_pitch);
  if (any == nullptr && fixed_pitch) any = FirstUpright(japanese_faces, false);
  return any != nullptr ? any->name : std::wstring(wanted);
}

namespace {

constexpr uint32_t kDsSetFont = 0x40;
constexpr size_t kTemplateHeaderBytes = 18;

// A template is read in UTF-16 units from its start.
class TemplateReader {
 public:
  TemplateReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool Unit(size_t at, uint16_t& unit) const {
    if (at + 2 > size_) return false;
    unit = static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    return true;
  }
  // Steps over a name or ordinal field ("sz_Or_Ord") or a string.
  bool SkipField(size_t& at, bool may_be_ordinal) const {
    uint16_t unit = 0;
    if (!Unit(at, unit)) return false;
    if (may_be_ordinal && unit == 0xFFFF) {
      at += 4;
      return at <= size_;
    }
    while (unit != 0) {
      at += 2;
      if (!Unit(at, unit)) return false;
    }
    at += 2;
    return true;
  }
  // The face's first and one-past-last byte (before its NUL); false when the
  // template names no font.
  bool FindFace(size_t& begin, size_t& end) const {
    if (size_ < kTemplateHeaderBytes) return false;
    uint16_t version = 0, signature = 0;
    Unit(0, version);
    Unit(2, signature);
    if (version == 1 && signature == 0xFFFF) return false;  // the DIALOGEX form
    const uint32_t style = bytes_[0] | (bytes_[1] << 8) | (bytes_[2] << 16) |
                           (static_cast<uint32_t>(bytes_[3]) << 24);
    if ((style & kDsSetFont) == 0) return false;
    size_t at = kTemplateHeaderBytes;
    if (!SkipField(at, true) || !SkipField(at, true) || !SkipField(at, false)) return false;
    begin = at + 2;  // after the point size
    end = begin;
    if (!SkipField(end, false)) return false;
    end -= 2;
    return true;
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
};

}  // namespace

std::vector<uint8_t> DialogTemplateWithFace(const uint8_t* bytes, size_t size,
                                            std::u16string_view face) {
  size_t begin = 0, end = 0;
  if (!TemplateReader(bytes, size).FindFace(begin, end)) return {};
  std::vector<uint8_t> patched(bytes, bytes + begin);
  for (char16_t unit : face) {
    patched.push_back(static_cast<uint8_t>(unit & 0xFF));
    patched.push_back(static_cast<uint8_t>(unit >> 8));
  }
  patched.insert(patched.end(), {0, 0});
  // The controls begin on the next 4-byte boundary, in both copies.
  const size_t items = (end + 2 + 3) & ~size_t{3};
  while (patched.size() % 4 != 0) patched.push_back(0);
  if (items < size) patched.insert(patched.end(), bytes + items, bytes + size);
  return patched;
}

std::u16string DialogTemplateFace(const uint8_t* bytes, size_t size) {
  size_t begin = 0, end = 0;
  if (!TemplateReader(bytes, size).FindFace(begin, end)) return {};
  std::u16string face;
  for (size_t at = begin; at < end; at += 2) {
    face.push_back(static_cast<char16_t>(bytes[at] | (bytes[at + 1] << 8)));
  }
  return face;
}
