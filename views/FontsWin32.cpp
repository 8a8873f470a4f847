// Enumerating the Japanese faces, and dialog templates with a face that shows.
#include "views/FontsWin32.h"

#include <mutex>
#include <vector>

#include "log/WideText.h"
#include "views/FontFaces.h"

namespace {

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM faces) {
  auto& list = *reinterpret_cast<std::vector<InstalledFace>*>(faces);
  const bool fixed = (font->lfPitchAndFamily & 0x3) == FIXED_PITCH;
  list.push_back({font->lfFaceName, fixed});
  return 1;
}

std::vector<InstalledFace> EnumerateJapaneseFaces(const std::wstring& face) {
  std::vector<InstalledFace> faces;
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  ReleaseDC(nullptr, screen);
  return faces;
}

// The choice for each face asked for, made once: the system's fonts are not
// expected to change while the program runs.
std::wstring ChosenFace(const std::wstring& wanted, bool fixed_pitch) {
  struct Choice {
    std::wstring wanted;
    bool fixed_pitch;
    std::wstring face;
  };
  static std::mutex lock;
  static bool listed = false;
  static std::vector<InstalledFace> faces;
  static std::vector<Choice> choices;
  const std::lock_guard<std::mutex> hold(lock);
  for (const Choice& choice : choices) {
    if (choice.wanted == wanted && choice.fixed_pitch == fixed_pitch) return choice.face;
  }
  if (!listed) {
    faces = EnumerateJapaneseFaces(L"");
    listed = true;
  }
  // The system may list a face under a name of another language than the one
  // asked for: asking for it by name settles that.
  std::vector<InstalledFace> known = faces;
  for (const InstalledFace& face : EnumerateJapaneseFaces(wanted)) {
    known.push_back({wanted, face.fixed_pitch});
  }
  choices.push_back({wanted, fixed_pitch, ChooseFace(wanted, fixed_pitch, known)});
  return choices.back().face;
}

}  // namespace

std::wstring JapaneseFace(const char* face, bool fixed_pitch) {
  return ChosenFace(WideFromCp932(face), fixed_pitch);
}

HFONT CreateJapaneseFont(int height, const char* face, bool fixed_pitch) {
  const DWORD pitch = fixed_pitch ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH;
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, pitch,
                     JapaneseFace(face, fixed_pitch).c_str());
}

namespace {

// The template as found, or the copy with the chosen face in `patched`.
const DLGTEMPLATE* TemplateToUse(HINSTANCE instance, int id, std::vector<uint8_t>& patched) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  const auto* bytes = static_cast<const uint8_t*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (bytes == nullptr) return nullptr;
  const DWORD size = SizeofResource(instance, found);
  const std::u16string named = DialogTemplateFace(bytes, size);
  if (named.empty()) return reinterpret_cast<const DLGTEMPLATE*>(bytes);
  const std::wstring wanted(named.begin(), named.end());
  const std::wstring face = ChosenFace(wanted, false);
  if (face == wanted) return reinterpret_cast<const DLGTEMPLATE*>(bytes);
  patched = DialogTemplateWithFace(bytes, size, std::u16string(face.begin(), face.end()));
  if (patched.empty()) return reinterpret_cast<const DLGTEMPLATE*>(bytes);
  return reinterpret_cast<const DLGTEMPLATE*>(patched.data());
}

}  // namespace

INT_PTR RunDialogWithJapaneseFont(HINSTANCE instance, int id, HWND owner, DLGPROC procedure,
                                  LPARAM parameter) {
  std::vector<uint8_t> patched;
  const DLGTEMPLATE* dialog = TemplateToUse(instance, id, patched);
  if (dialog == nullptr) return -1;
  return DialogBoxIndirectParamW(instance, dialog, owner, procedure, parameter);
}

HWND CreateDialogWithJapaneseFont(HINSTANCE instance, int id, HWND owner, DLGPROC procedure,
                                  LPARAM parameter) {
  std::vector<uint8_t> patched;
  const DLGTEMPLATE* dialog = TemplateToUse(instance, id, patched);
  if (dialog == nullptr) return nullptr;
  return CreateDialogIndirectParamW(instance, dialog, owner, procedure, parameter);
}
