// Conversion of the core's texts (code page 932 bytes) for a UTF-8 terminal.
#pragma once

#include <string>
#include <string_view>

// Converts code page 932 text to UTF-8. A byte that does not begin a valid
// code page 932 character (packet bytes in a hex dump's character column often
// do not) becomes U+FFFD, and conversion goes on with the next byte.
std::string Cp932ToUtf8(std::string_view text);
// The same, appended to `out`.
void AppendCp932AsUtf8(std::string_view text, std::string& out);

// Replaces the C0 control characters and DEL with '.', so that text taken from
// packet bytes cannot move the cursor or start an escape sequence. Works on
// code page 932 text: its trail bytes are never below 0x40.
std::string MaskControlCharacters(std::string_view text);
