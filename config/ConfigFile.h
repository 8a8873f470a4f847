// The settings file config.ini (its path from log/SettingsPaths.h): single
// keys read at the moment they are needed, each with its caller's default; the
// whole file loaded for the filter-settings dialog and rewritten whole when it
// saves.
//
// Every reader opens the file afresh, so it is safe on any thread and sees the
// latest save. Write replaces the file in one step (a new file renamed over the
// old one), so a reader never sees a half-written file and a failed save leaves
// the old one whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/FilterSettings.h"

namespace ConfigFile {

// ProfileReadInt / ProfileReadString (config/ProfileFile.h) on the settings file.
int ReadInt(const char* section, const char* key, int default_value);
std::string ReadString(const char* section, const char* key, const char* default_value,
                       size_t capacity);

// Reads everything with the dialog's defaults: flags set only for the value 1,
// LIST_NUM rules (at most kMaxLoadedRules) with texts of up to 1023 characters.
FilterSettings Load();

// A hand-edited LIST_NUM beyond this would only flood the dialog's list.
inline constexpr int kMaxLoadedRules = 10000;

// 1 when the whole text was written and has replaced the old file, else 0.
// A successful Write moves the change count on.
int Write(const FilterSettings& settings);

// A count that moves on whenever config.ini may have changed: a Write in this
// process, or a change notice from ConfigWatcher. Readers that keep a parsed
// copy (the packet filter) compare it per packet instead of asking the file
// system. Any thread.
uint64_t ChangeCount();
void MarkChanged();

}  // namespace ConfigFile
