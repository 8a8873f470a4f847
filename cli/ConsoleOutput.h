// Prints the core's code page 932 texts on a stream in the encoding the user
// chose: UTF-8 (the default) or the texts' own code page 932 bytes; a Windows
// console is always given the text as UTF-16 (see StandardStreams.h).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class ConsoleOutput {
 public:
  ConsoleOutput(FILE* stream, bool cp932);

  // Writes one line and LF. With `mask_controls`, control characters become
  // '.' first (for texts that carry packet bytes).
  void Line(std::string_view cp932_text, bool mask_controls = false);

  // Writes the texts as one line, separated by tabs.
  void TabSeparated(const char* const* cp932_texts, int count);

  // Writes a text whose lines end in CR LF (the hex pane's) line by line.
  void CrLfText(std::string_view cp932_text, bool mask_controls);

  // Flushes; false when anything could not be written.
  bool Finish();

 private:
  void Write();

  FILE* stream_;
  bool cp932_;
  bool write_failed_ = false;
  std::string line_;  // reused for every line
};
