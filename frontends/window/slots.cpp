// The slot file, little-endian: magic, the program's version (16 bytes, NUL-padded), the format,
// the snapshot's size and the counts of the record's changes and intervals; the record's open
// interval; the snapshot; the changes (pulse, buttons) and the intervals; a CRC-32 of all that.
// The checksum comes last and is checked first, so damage anywhere is told apart from a slot
// another version wrote; after it every field is checked as if it could still be anything.

#include "frontends/window/slots.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frontends/capture/output_file.h"
#include "frontends/common/text.h"
#include "plasmaballs_version.h"
#include "platform/sim/bytes.h"

namespace frontends::window {
namespace {

constexpr uint8_t kMagic[8] = {'P', 'B', 'S', 'L', 'O', 'T', 0x0D, 0x0A};
constexpr size_t kVersionBytes = 16;
constexpr uint32_t kFormat = 1;
constexpr size_t kHeaderBytes = sizeof kMagic + kVersionBytes + 4 * 4;
constexpr size_t kOpenIntervalBytes = 12;
constexpr size_t kChangeBytes = 6, kIntervalBytes = 4, kChecksumBytes = 4;
constexpr size_t kLeastBytes =
    kHeaderBytes + kOpenIntervalBytes + sim::snapshot::kBytes + kChecksumBytes;
constexpr off_t kMostBytes = 64 << 20;  // far beyond the record of any run played by hand

std::array<uint8_t, kVersionBytes> our_version() {
    std::array<uint8_t, kVersionBytes> version{};
    static_assert(sizeof PLASMABALLS_VERSION <= kVersionBytes);
    std::memcpy(version.data(), PLASMABALLS_VERSION, sizeof PLASMABALLS_VERSION - 1);
    return version;
}

uint32_t checksum(const uint8_t* data, size_t size) {
    return (uint32_t)crc32(crc32(0, nullptr, 0), data, (uInt)size);
}

// The version text of a slot's header, fit for a one-line message.
std::string version_text(const uint8_t* field) {
    const size_t length = strnlen((const char*)field, kVersionBytes);
    return shown(std::string((const char*)field, length));
}

// Where a slot's record ends up, read from `in` with these counts; false if it cannot be one.
bool read_record(sim::ByteReader& in, uint32_t changes, uint32_t intervals,
                 const uint8_t*& snapshot, InputRecorder::State& record) {
    InputRecorder::Mark& at = record.at;
    at.interval = in.u32();
    at.read = in.u16(), at.levels = in.u16(), at.current = in.u16();
    const uint8_t mixed = in.u8();
    in.u8();
    at.mixed = mixed == 1;
    at.changes = changes, at.changed_within = intervals;
    snapshot = in.take(sim::snapshot::kBytes);
    record.changes.resize(changes);
    for (ButtonChange& change : record.changes) {
        change.pulse = in.u32();
        change.buttons = in.u16();
    }
    record.changed_within.resize(intervals);
    for (uint32_t& interval : record.changed_within) {
        interval = in.u32();
    }
    return mixed <= 1 && InputRecorder::possible(record);
}

}  // namespace

std::string slot_folder(const char* state_home, const char* home) {
    if (state_home != nullptr && state_home[0] == '/') {
        return std::string(state_home) + "/plasmaballs";
    }
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/state/plasmaballs";
    }
    return "";
}

std::string slot_folder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return slot_folder(std::getenv("XDG_STATE_HOME"), home);
}

std::string slot_path(const std::string& folder, int number) {
    return folder + "/slot-" + std::to_string(number);
}

std::vector<uint8_t> slot_bytes(const uint8_t* snapshot, const InputRecorder::State& recorder) {
    std::vector<uint8_t> bytes(kLeastBytes + recorder.changes.size() * kChangeBytes +
                               recorder.changed_within.size() * kIntervalBytes);
    sim::ByteWriter out(bytes.data());
    out.raw(kMagic, sizeof kMagic);
    const std::array<uint8_t, kVersionBytes> version = our_version();
    out.raw(version.data(), version.size());
    out.u32(kFormat);
    out.u32(sim::snapshot::kBytes);
    out.u32((uint32_t)recorder.changes.size());
    out.u32((uint32_t)recorder.changed_within.size());
    const InputRecorder::Mark& at = recorder.at;
    out.u32(at.interval);
    out.u16(at.read), out.u16(at.levels), out.u16(at.current);
    out.u8(at.mixed), out.u8(0);
    out.raw(snapshot, sim::snapshot::kBytes);
    for (const ButtonChange& change : recorder.changes) {
        out.u32(change.pulse);
        out.u16(change.buttons);
    }
    for (uint32_t interval : recorder.changed_within) {
        out.u32(interval);
    }
    out.u32(checksum(bytes.data(), bytes.size() - kChecksumBytes));
    return bytes;
}

std::optional<Slot> read_slot(const std::vector<uint8_t>& bytes, std::string& error) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        error = "not a slot file";
        return std::nullopt;
    }
    const size_t body = bytes.size() - kChecksumBytes;
    if (bytes.size() < kLeastBytes ||
        sim::ByteReader(bytes.data() + body).u32() != checksum(bytes.data(), body)) {
        error = "damaged (its checksum does not match)";
        return std::nullopt;
    }
    sim::ByteReader in(bytes.data() + sizeof kMagic);
    const uint8_t* version = in.take(kVersionBytes);
    if (std::memcmp(version, our_version().data(), kVersionBytes) != 0) {
        error = "saved by plasmaballs " + version_text(version) + ", not " PLASMABALLS_VERSION;
        return std::nullopt;
    }
    const uint32_t format = in.u32(), snapshot_bytes = in.u32();
    const uint32_t changes = in.u32(), intervals = in.u32();
    const uint64_t size =
        kLeastBytes + (uint64_t)changes * kChangeBytes + (uint64_t)intervals * kIntervalBytes;
    Slot slot;
    const uint8_t* snapshot = nullptr;
    if (format != kFormat || snapshot_bytes != sim::snapshot::kBytes || size != bytes.size() ||
        !read_record(in, changes, intervals, snapshot, slot.recorder)) {
        error = "damaged (a checksum that matches, over fields that cannot be)";
        return std::nullopt;
    }
    std::optional<sim::snapshot::Snapshot> read =
        sim::snapshot::read(snapshot, sim::snapshot::kBytes, error);
    if (!read) {
        error = "its state: " + error;
        return std::nullopt;
    }
    if (read->position.stage != sim::snapshot::Stage::kWaiting) {
        error = "it holds no run at one of its waits";
        return std::nullopt;
    }
    slot.snapshot = *read;
    return slot;
}

std::string write_slot(const std::string& folder, int number, const std::vector<uint8_t>& bytes) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        mkdir(folder.substr(0, slash).c_str(), 0700);
    }
    mkdir(folder.c_str(), 0700);
    const std::string path = slot_path(folder, number);
    OutputFile file(path);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.file()) != bytes.size()) {
        throw OutputError(path + ": cannot be written");
    }
    file.commit();
    return path;
}

std::optional<Slot> load_slot(const std::string& folder, int number, std::string& error) {
    const int fd = open(slot_path(folder, number).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        error = errno == ENOENT ? "nothing saved there" : std::strerror(errno);
    } else if (!S_ISREG(info.st_mode) || info.st_size > kMostBytes) {
        error = "not a slot file";
    } else {
        std::vector<uint8_t> bytes((size_t)info.st_size);
        if (read(fd, bytes.data(), bytes.size()) == (ssize_t)bytes.size()) {
            close(fd);
            return read_slot(bytes, error);
        }
        error = "it cannot be read";
    }
    if (fd >= 0) {
        close(fd);
    }
    return std::nullopt;
}

}  // namespace frontends::window
