// Line output with the encoding conversion and the control-character mask.
#include "cli/ConsoleOutput.h"

#include <string>

#include "cli/Cp932ToUtf8.h"

void ConsoleOutput::Line(std::string_view cp932_text, bool mask_controls) {
  std::string text = mask_controls ? MaskControlCharacters(cp932_text) : std::string(cp932_text);
  if (!cp932_) text = Cp932ToUtf8(text);
  text.push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stream_);
}

void ConsoleOutput::CrLfText(std::string_view cp932_text, bool mask_controls) {
  size_t start = 0;
  while (start < cp932_text.size()) {
    const size_t end = cp932_text.find("\r\n", start);
    if (end == std::string_view::npos) {
      Line(cp932_text.substr(start), mask_controls);
      return;
    }
    Line(cp932_text.substr(start, end - start), mask_controls);
    start = end + 2;
  }
}

bool ConsoleOutput::Finish() {
  return std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
}
