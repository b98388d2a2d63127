// engine_file_helper -- resolves resource names to paths in the folder beside the executable.
#pragma once

#include <cstdint>

// Remembers the executable's directory and reserves `extraBytes` of room for resource names.
void initializeFileHelper(std::int32_t extraBytes);
// Builds <executable dir>Resources//<relativeName> in one shared buffer that the next call
// overwrites; the buffer grows when a name does not fit.
const char* getFileFullPath(const char* relativeName);
void quitFileHelper();
