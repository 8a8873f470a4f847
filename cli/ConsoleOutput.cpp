// Line output with the encoding conversion and the control-character mask.
#include "cli/ConsoleOutput.h"

#include <string>

#include "cli/Cp932ToUtf8.h"
#include "cli/StandardStreams.h"

ConsoleOutput::ConsoleOutput(FILE* stream, bool cp932)
    : stream_(stream), cp932_(cp932 && !IsWideConsole(stream)) {}

void ConsoleOutput::Line(std::string_view cp932_text, bool mask_controls) {
  std::string masked;
  if (mask_controls) {
    masked = MaskControlCharacters(cp932_text);
    cp932_text = masked;
  }
  line_.clear();
  if (cp932_) {
    line_.append(cp932_text);
  } else {
    AppendCp932AsUtf8(cp932_text, line_);
  }
  line_.push_back('\n');
  Write();
}

void ConsoleOutput::TabSeparated(const char* const* cp932_texts, int count) {
  line_.clear();
  for (int i = 0; i < count; ++i) {
    if (i > 0) line_.push_back('\t');
    if (cp932_) {
      line_.append(cp932_texts[i]);
    } else {
      AppendCp932AsUtf8(cp932_texts[i], line_);
    }
  }
  line_.push_back('\n');
  Write();
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

void ConsoleOutput::Write() {
  if (!WriteStreamText(stream_, line_)) write_failed_ = true;
}

bool ConsoleOutput::Finish() {
  return std::fflush(stream_) == 0 && std::ferror(stream_) == 0 && !write_failed_;
}
