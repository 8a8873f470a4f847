// Standard output and standard error of kestrel-cli. Text goes out as bytes:
// UTF-8 (or code page 932 with --cp932) with LF line ends, the same into a
// file, a pipe or a POSIX terminal. A Windows console is the exception: it is
// written UTF-16, so that the text shows right whatever its code page.
#pragma once

#include <cstdio>
#include <string_view>

// Called once at the start: on Windows both streams in binary mode (no CR
// before LF); standard output in large blocks when it is not a terminal or a
// console, since listings run to millions of lines.
void PrepareStandardStreams();

// true for a Windows console, which is given UTF-8 text (turned into UTF-16)
// whatever encoding the user chose for files and pipes.
bool IsWideConsole(std::FILE* stream);

// Writes the text: UTF-8 turned into UTF-16 on a Windows console, the bytes as
// they are everywhere else. false when it could not be written.
bool WriteStreamText(std::FILE* stream, std::string_view text);
