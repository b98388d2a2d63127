// platform_files -- files named by UTF-8 paths, opened, replaced and removed alike everywhere.
#pragma once

#include <cstdio>

// std::fopen for a UTF-8 name: Windows' C library would read it in the ANSI code page.
std::FILE* openFile(const char* path, const char* mode);
// Gives `from` the name `to`, replacing a file already there, as POSIX rename does and
// Windows' C library refuses to; false, with errno set, when it cannot.
bool replaceFile(const char* from, const char* to);
// std::remove for a UTF-8 name; false, with errno set, when it cannot.
bool removeFile(const char* path);
// Whether a folder has this UTF-8 name.
bool isFolder(const char* path);
// Standard output without Windows' newline translation, so that a trace written there has the
// same bytes on every system.
void useBinaryStandardOutput();
