// A console is found by GetConsoleMode on the stream's handle and written
// with WriteConsoleW; a file or a pipe gets the bytes through the C runtime,
// in binary mode so that LF stays LF as on Linux.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

#include "cli/StandardStreams.h"
#include "log/WideText.h"

namespace {

bool HandleIsConsole(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

void PrepareStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  if (!IsWideConsole(stdout)) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
}

bool IsWideConsole(std::FILE* stream) {
  // Asked once a line: standard output and standard error are looked at once.
  static int standard[3] = {-1, -1, -1};
  const int fd = _fileno(stream);
  if (fd < 1 || fd > 2) return HandleIsConsole(stream);
  if (standard[fd] < 0) standard[fd] = HandleIsConsole(stream) ? 1 : 0;
  return standard[fd] == 1;
}

bool WriteStreamText(std::FILE* stream, std::string_view text) {
  if (!IsWideConsole(stream)) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  }
  std::fflush(stream);
  const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  const std::wstring wide = WideFromUtf8(text);
  size_t at = 0;
  while (at < wide.size()) {
    // Consoles take a limited amount per call.
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - at, 8192));
    DWORD written = 0;
    if (!WriteConsoleW(console, wide.data() + at, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    at += written;
  }
  return true;
}
