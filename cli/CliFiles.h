// The file-system calls of kestrel-cli, with file names as UTF-8 strings on
// both platforms. POSIX systems take the name's bytes as they are; on Windows
// each name becomes UTF-16 for the wide-character calls, so a name works
// whatever the system's code page (the narrow calls would read it in the
// code page and fail on characters outside it). Failures leave errno set.
#pragma once

#include <cstdio>
#include <string>

// fopen with a mode such as "rb" or "r+b" (files are always binary).
std::FILE* OpenCliFile(const std::string& path, const char* mode);

// A descriptor for writing in binary mode, the file created or emptied; -1 on
// failure.
int OpenCliFileForWriting(const std::string& path);

// What a name stands for; Unreachable (missing, say) with errno set.
enum class CliPathKind { Unreachable, Folder, Other };
CliPathKind LookUpCliPath(const std::string& path);

// Creates a new empty file named `stem` followed by six random characters,
// and puts its name into `path`. false with errno when none could be created.
bool CreateUniqueCliFile(const std::string& stem, std::string& path);

// Has the system start writing the file's data to disk without waiting for it
// (nothing where the platform has no such call).
void StartCliFileWriteBack(const std::string& path);

// Waits until the file's data is on disk.
bool FlushCliFileToDisk(const std::string& path);

// Renames `from` to `to`, replacing a file of that name.
bool ReplaceCliFile(const std::string& from, const std::string& to);

bool RemoveCliFile(const std::string& path);

// The folder separators the platform's names use: '/' and, on Windows, '\'.
bool IsCliPathSeparator(char c);
