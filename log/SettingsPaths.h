// Where the program's three files beside it live: config.ini, system.ini and
// error.log. The program fixes them once at start-up, as full paths in the
// working directory of that moment, because the current directory does not
// stay put: the open-file dialog moves it to the folder the user opened a
// capture from, whatever its flags ask. Until then, and in programs that never
// fix them (kestrel-cli, the tests' own folders aside), they are the relative
// names "./config.ini", "./system.ini" and "./error.log".
//
// Set before any other thread starts (or, in tests, while none runs); read
// from any thread afterwards.
#pragma once

#include <string>

namespace SettingsPaths {

// Fixes the three paths in the current working directory. false when that
// cannot be found out; the paths then stay relative.
bool FixInWorkingDirectory();

// Fixes them in `folder`, as the platform's file calls name it; an empty
// folder gives the relative names again.
void FixIn(const std::string& folder);

const char* Config();
const char* System();
const char* ErrorLog();

}  // namespace SettingsPaths

// The platform side: the current working directory as a full path, or "" when
// it cannot be found out; and `name` in `folder`.
std::string WorkingDirectory();
std::string PathInFolder(const std::string& folder, const char* name);
