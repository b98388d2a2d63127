// output_file -- a file written under a temporary name and given its own only once complete, so
// a run cut short never leaves a half-written file under the name asked for.
#include "output_file.hpp"

#include <array>
#include <cerrno>
#include <cstring>

#include "platform_files.hpp"

bool OutputFile::open(const char* path, const char* program, const char* what) {
    program_ = program;
    what_ = what;
    if (std::strcmp(path, "-") == 0) {
        useBinaryStandardOutput();
        file_ = stdout;
        return true;
    }
    path_ = path;
    if (isFolder(path)) {
        std::fprintf(stderr, "%s: cannot write the %s %s: it is a folder\n", program_, what_, path);
        return false;
    }
    temporary_ = path_ + ".partial";
    file_ = openFile(temporary_.c_str(), "wb");
    if (file_ == nullptr) {
        std::fprintf(stderr, "%s: cannot write the %s %s: %s\n", program_, what_,
                     temporary_.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

bool OutputFile::commit() {
    if (file_ == stdout) {
        file_ = nullptr;
        return std::fflush(stdout) == 0;
    }
    if (file_ == nullptr) {
        return true;
    }
    const bool written = std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    const int closeError = errno;
    file_ = nullptr;
    if (written && closed && replaceFile(temporary_.c_str(), path_.c_str())) {
        return true;
    }
    const int error = written && closed ? errno : closeError;
    removeFile(temporary_.c_str());
    std::fprintf(stderr, "%s: could not write the %s %s: %s\n", program_, what_, path_.c_str(),
                 std::strerror(error));
    return false;
}

void OutputFile::discard() {
    if (file_ != nullptr && file_ != stdout) {
        std::fclose(file_);
        removeFile(temporary_.c_str());
    }
    file_ = nullptr;
}

bool OutputFile::copyWrittenTo(std::FILE* to) {
    if (file_ == nullptr || file_ == stdout || std::fflush(file_) != 0) {
        return false;
    }
    std::FILE* written = openFile(temporary_.c_str(), "rb");
    if (written == nullptr) {
        return false;
    }
    std::array<char, 4096> buffer;
    std::size_t read = 0;
    bool copied = true;
    while (copied && (read = std::fread(buffer.data(), 1, buffer.size(), written)) > 0) {
        copied = std::fwrite(buffer.data(), 1, read, to) == read;
    }
    copied = copied && std::ferror(written) == 0;
    std::fclose(written);
    return copied;
}
