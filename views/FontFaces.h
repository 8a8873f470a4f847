// Which font face shows the program's Japanese texts. The program asks for its
// faces by their Japanese names ("ＭＳ ゴシック", "HG創英角ﾎﾟｯﾌﾟ体", the
// dialogs' "Terminal"); a Western, Chinese or Korean Windows may not have them,
// or have them without Japanese characters, and the font mapper would then
// draw boxes. The choice is plain code over the faces the system says can show
// Japanese (views/FontsWin32 asks it); on a Japanese system the asked-for face
// is among them and nothing changes.
//
// Dialog templates name their face inside the template, so that is where a
// fallback has to go: before the dialog is created, so that its layout (in
// units of the face's character size) follows the face that is drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct InstalledFace {
  std::wstring name;
  bool fixed_pitch = false;
};

// `wanted` when `japanese_faces` holds it; else the first of the usual
// Japanese faces that is there ("MS Gothic" first for `fixed_pitch`, "Meiryo"
// first otherwise), else any face there of the right pitch, else any at all
// when the pitch cannot be had; `wanted` when none can show Japanese.
std::wstring ChooseFace(std::wstring_view wanted, bool fixed_pitch,
                        const std::vector<InstalledFace>& japanese_faces);

// A copy of the dialog template (the DLGTEMPLATE form that DIALOG resources
// take) with `face` as its font; empty when the template names no font or
// cannot be read.
std::vector<uint8_t> DialogTemplateWithFace(const uint8_t* bytes, size_t size,
                                            std::u16string_view face);

// The font face a dialog template names, empty when it names none.
std::u16string DialogTemplateFace(const uint8_t* bytes, size_t size);
