// output_file -- a file written under a temporary name and given its own only once complete, so
// a run cut short never leaves a half-written file under the name asked for.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { discard(); }

    // Opens PATH.partial for writing, or standard output for "-". `program` and `what` name
    // the file in messages: "brickfall: cannot write the trace FILE: ...". False, with the
    // reason on stderr, when it cannot be written; a folder is refused at once, since renaming
    // onto it would fail only once the run is over.
    bool open(const char* path, const char* program, const char* what);
    // Null until opened.
    std::FILE* file() const { return file_; }
    // Closes the file and gives it its name; false, with the reason on stderr, if any write,
    // the close or the rename failed, in which case nothing is left under either name.
    bool commit();
    // Drops what was written: nothing of a run that failed is kept.
    void discard();
    // Copies what has been written so far to `to`, the file staying open for more; false when
    // it is not open or cannot be read back (standard output cannot).
    bool copyWrittenTo(std::FILE* to);

  private:
    const char* program_ = "";
    const char* what_ = "";
    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
};
