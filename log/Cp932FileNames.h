// Opening files by the names the program keeps: code page 932 bytes, as the
// file dialogs hand them over and the settings name them. POSIX systems take
// the bytes as they are; on Windows each name becomes UTF-16 for the
// wide-character calls, so a file opens the same whatever the system's code
// page (the narrow calls would read the bytes in that code page and open
// another name, or none). A name that is not valid code page 932 opens
// nothing. Failures leave errno set.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

// fopen with a binary mode such as "rb" or "wb".
std::FILE* OpenCp932File(const char* path, const char* mode);

// open/_open with O_... flags (binary mode added on Windows); -1 on failure.
int OpenCp932Descriptor(const char* path, int flags, int permissions);

// The name as the standard library's file-system calls take it.
std::filesystem::path Cp932Path(const std::string& path);
