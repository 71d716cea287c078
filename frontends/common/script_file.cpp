// Run files (and scripts, which are run files too) read from files: apart from their parsing, so
// that a program that parses text it was given (the libretro core) asks nothing of the system's
// file calls.

#include "frontends/common/script.h"

#include <sys/stat.h>

#include <fstream>

namespace frontends {
namespace {

constexpr size_t kMaxScriptBytes = 64 << 20;

// The whole of a file, read in pieces and refused past the limit, so that an endless file
// (/dev/zero) is refused too.
std::string read_file(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw ScriptError(path + ": is a directory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ScriptError(path + ": cannot be read");
    }
    std::string contents;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        contents.append(piece, (size_t)in.gcount());
        if (contents.size() > kMaxScriptBytes) {
            throw ScriptError(path + ": larger than 64 MiB");
        }
    }
    if (in.bad()) {
        throw ScriptError(path + ": cannot be read");
    }
    return contents;
}

}  // namespace

Run load_run(const std::string& path) {
    const std::string contents = read_file(path);
    try {
        return parse_run(contents);
    } catch (const ScriptError& error) {
        throw ScriptError(path + ": " + error.what());
    }
}

}  // namespace frontends
