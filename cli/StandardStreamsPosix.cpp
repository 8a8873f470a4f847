// On POSIX systems a terminal takes the bytes as they are, like a file.
#include <unistd.h>

#include "cli/StandardStreams.h"

void PrepareStandardStreams() {
  if (isatty(fileno(stdout)) == 0) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
}

bool IsWideConsole(std::FILE*) {
  return false;
}

bool WriteStreamText(std::FILE* stream, std::string_view text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}
