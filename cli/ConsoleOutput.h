// Prints the core's code page 932 texts on a stream in the encoding the user
// chose: UTF-8 (the default) or the texts' own code page 932 bytes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class ConsoleOutput {
 public:
  ConsoleOutput(FILE* stream, bool cp932) : stream_(stream), cp932_(cp932) {}

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
  FILE* stream_;
  bool cp932_;
  std::string line_;  // reused for every line
};
