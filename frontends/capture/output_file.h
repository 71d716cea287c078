#pragma once
// An output written beside its final path and renamed onto it only when complete, so a failed or
// interrupted run never leaves a half-written file; and a private folder for an encoder's working
// files, removed with them.

#include <stdint.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

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
    // Empties the temporary, to write the output again from its start.
    void rewind();
    // The size of what has been written, as the file holds it.
    uint64_t size();
    // Flushes, closes and renames onto the final path.
    void commit();

  private:
    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    int slot_ = -1;
};

// A folder of its own under $TMPDIR (or /tmp) for files a library writes by name; it and the
// files named through it are removed when it goes, or at an interrupt.
class TemporaryFolder {
  public:
    // Makes the folder; throws OutputError when it cannot be made.
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` in the folder, which an interrupt will remove.
    std::string file(const std::string& name);

  private:
    std::string path_;
    std::vector<int> slots_;  // the folder's and its files'
};

}  // namespace frontends
