#pragma once
// An output written beside its final path and renamed onto it only when complete, so a failed or
// interrupted run never leaves a half-written file.

#include <cstdio>
#include <stdexcept>
#include <string>

namespace frontends {

class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class OutputFile {
  public:
    // Creates the temporary file now, so an unwritable path is refused before any work is done.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& path() const { return path_; }
    // The open temporary file; null once committed.
    std::FILE* file() { return file_; }
    // Flushes, closes and renames onto the final path.
    void commit();

  private:
    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    int slot_ = -1;
};

}  // namespace frontends
