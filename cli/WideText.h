// UTF-8 and UTF-16 for the Windows side of kestrel-cli, which keeps names
// and messages in UTF-8 and hands UTF-16 to the wide-character calls.
#pragma once

#include <string>
#include <string_view>

// Invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
