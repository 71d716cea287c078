// Temporary outputs are removed on every way out: normal destruction, and SIGINT/SIGTERM/SIGHUP,
// whose handler unlinks them and then removes the temporary folders (unlink and rmdir are
// async-signal-safe) before the signal takes its course.

#include "frontends/capture/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace frontends {
namespace {

constexpr int kSlots = 16;
enum Pending : sig_atomic_t { kFree, kFile, kFolder };
char g_pending[kSlots][4096];
volatile sig_atomic_t g_used[kSlots];

void remove_pending(int signal) {
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i] == kFile) {
            unlink(g_pending[i]);
        }
    }
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i] == kFolder) {
            rmdir(g_pending[i]);
        }
    }
    ::signal(signal, SIG_DFL);
    raise(signal);
}

int claim_slot(const std::string& temporary, Pending kind = kFile) {
    static bool handlers = false;
    if (!handlers) {
        handlers = true;
        for (int s : {SIGINT, SIGTERM, SIGHUP}) {
            ::signal(s, remove_pending);
        }
    }
    if (temporary.size() >= sizeof g_pending[0]) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i] == kFree) {
            std::memcpy(g_pending[i], temporary.c_str(), temporary.size() + 1);
            g_used[i] = kind;
            return i;
        }
    }
    return -1;
}

void release_slot(int slot) {
    if (slot >= 0) {
        g_used[slot] = kFree;
    }
}

std::string reason() {
    return std::strerror(errno);
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    if (path_.empty()) {
        throw OutputError("an output path is empty");
    }
    struct stat info;
    if (stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw OutputError(path_ + ": is a directory");
    }
    const size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = folder + "." + name + ".tmp" + std::to_string(random() % 1000000);
        const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            slot_ = claim_slot(temporary_);
            file_ = fdopen(fd, "wb");
            if (file_ == nullptr) {
                close(fd);
                release_slot(slot_);
                slot_ = -1;
                break;
            }
            return;
        }
        if (errno != EEXIST) {
            throw OutputError(path_ + ": cannot be written (" + reason() + ")");
        }
    }
    unlink(temporary_.c_str());
    throw OutputError(path_ + ": cannot be written");
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
        unlink(temporary_.c_str());
    }
    release_slot(slot_);
}

void OutputFile::rewind() {
    if (std::fflush(file_) != 0 || ftruncate(fileno(file_), 0) != 0 ||
        fseeko(file_, 0, SEEK_SET) != 0) {
        throw OutputError(path_ + ": cannot be written (" + reason() + ")");
    }
}

uint64_t OutputFile::size() {
    struct stat info;
    if (std::fflush(file_) != 0 || fstat(fileno(file_), &info) != 0) {
        throw OutputError(path_ + ": cannot be written (" + reason() + ")");
    }
    return (uint64_t)info.st_size;
}

void OutputFile::commit() {
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed || rename(temporary_.c_str(), path_.c_str()) != 0) {
        const std::string why = reason();
        unlink(temporary_.c_str());
        throw OutputError(path_ + ": cannot be written (" + why + ")");
    }
}

TemporaryFolder::TemporaryFolder() {
    const char* variable = std::getenv("TMPDIR");
    const std::string base = variable != nullptr && *variable != 0 ? variable : "/tmp";
    std::string pattern = base + "/plasmaballs-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw OutputError("a temporary folder cannot be made in " + base + " (" + reason() + ")");
    }
    path_ = pattern;
    slots_.push_back(claim_slot(path_, kFolder));
}

std::string TemporaryFolder::file(const std::string& name) {
    const std::string path = path_ + "/" + name;
    slots_.push_back(claim_slot(path));
    return path;
}

TemporaryFolder::~TemporaryFolder() {
    // Whatever is in it: the files named through it, and any a library made beside them.
    if (DIR* folder = opendir(path_.c_str())) {
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                unlink((path_ + "/" + name).c_str());
            }
        }
        closedir(folder);
    }
    rmdir(path_.c_str());
    for (int slot : slots_) {
        release_slot(slot);
    }
}

}  // namespace frontends
