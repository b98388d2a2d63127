// platform_files -- files named by UTF-8 paths, opened, replaced and removed alike everywhere.
#include "platform_files.hpp"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

namespace {
// The UTF-16 form Windows' file calls take; false, with errno EINVAL, for a name that is not
// UTF-8, so that no other file is touched by mistake.
bool widen(const char* utf8, std::wstring& wide) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (length <= 0) {
        errno = EINVAL;
        return false;
    }
    wide.assign(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), length);
    wide.pop_back();  // the terminator counted in length
    return true;
}
}  // namespace

std::FILE* openFile(const char* path, const char* mode) {
    std::wstring widePath;
    std::wstring wideMode;
    if (!widen(path, widePath) || !widen(mode, wideMode)) {
        return nullptr;
    }
    return _wfopen(widePath.c_str(), wideMode.c_str());
}

bool replaceFile(const char* from, const char* to) {
    std::wstring wideFrom;
    std::wstring wideTo;
    if (!widen(from, wideFrom) || !widen(to, wideTo)) {
        return false;
    }
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
        return true;
    }
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            errno = ENOENT;
            break;
        case ERROR_ACCESS_DENIED:
            errno = EACCES;
            break;
        default:
            errno = EIO;
            break;
    }
    return false;
}

bool removeFile(const char* path) {
    std::wstring widePath;
    return widen(path, widePath) && _wremove(widePath.c_str()) == 0;
}

bool isFolder(const char* path) {
    std::wstring widePath;
    if (!widen(path, widePath)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void useBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

#else
#include <filesystem>
#include <system_error>

std::FILE* openFile(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

bool replaceFile(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}

bool removeFile(const char* path) {
    return std::remove(path) == 0;
}

bool isFolder(const char* path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

void useBinaryStandardOutput() {}
#endif
