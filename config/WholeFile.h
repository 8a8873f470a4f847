// Whole-file reads and writes for the settings files: a file is read in one go
// and written by replacing it in one step, never edited in place.
#pragma once

#include <string>
#include <vector>

// The file's bytes; false (and `out` empty) when it cannot be opened or read.
// May throw std::bad_alloc for a file too large for memory.
bool ReadWholeFile(const char* path, std::string& out);

// Writes the pieces, in order, to a new file beside `path` and renames it over
// `path`, so readers see either the old or the new contents, never a mix.
// 1 on success; 0 when a piece could not be written or the file not closed or
// renamed, and then `path` is untouched and the new file removed.
int ReplaceWholeFile(const char* path, const std::vector<std::string>& pieces);
