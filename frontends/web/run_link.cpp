// The bytes of a link, in order: the format and the number of changes as unsigned LEB128, the
// seed in two bytes (low byte first), one number per change, the end when the run has one, and
// the checksum in two bytes (high byte first). A change's number is its gap times 64 plus its
// buttons' code; the gap is how many pulses lie between it and the change before (the first
// counts from pulse 0), so that changes a few pulses apart take one or two bytes. The code holds
// START in bit 0, SELECT in bit 1 and the stick's one contact in bits 2-5 (0 for none, 1-8 for
// up to down-right in the buttons' order); kRawCode stands for any other set of buttons, whose
// bits follow as a number of their own. The end is given as its gap after the last change.

#include "frontends/web/run_link.h"

#include "frontends/common/text.h"

namespace frontends::web {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr uint32_t kRawCode = 15 << 2;
constexpr uint32_t kCodes = 64;
constexpr size_t kChecksumBytes = 2;

void put_number(std::vector<uint8_t>& bytes, uint64_t value) {
    while (value >= 0x80) {
        bytes.push_back((uint8_t)(value | 0x80));
        value >>= 7;
    }
    bytes.push_back((uint8_t)value);
}

// The code of a set of buttons, when it has one.
std::optional<uint32_t> code_of(sim::Buttons buttons) {
    const sim::Buttons stick = buttons & ~(sim::kStart | sim::kSelect);
    uint32_t contact = 0;
    for (uint32_t bit = 2; bit < 10; ++bit) {
        if (stick == 1u << bit) {
            contact = bit - 1;
        }
    }
    if (stick != 0 && contact == 0) {
        return std::nullopt;
    }
    return contact << 2 | (buttons & (sim::kStart | sim::kSelect));
}

std::string base64url(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = (uint32_t)bytes[i] << 16;
        group |= n > 1 ? (uint32_t)bytes[i + 1] << 8 : 0;
        group |= n > 2 ? bytes[i + 2] : 0;
        for (size_t k = 0; k <= n; ++k) {
            text += kAlphabet[group >> (18 - 6 * k) & 63];
        }
    }
    return text;
}

// The bytes of a link's text; false with the message for a character or length no link has.
bool from_base64url(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
    if (text.size() % 4 == 1) {
        error = "the link has a character too many or too few";
        return false;
    }
    uint32_t group = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t value = kAlphabet.find(text[i]);
        if (value == std::string_view::npos) {
            error = "\"" + shown(text.substr(i, 1)) +
                    "\" is not one of the link's characters (A-Z, a-z, 0-9, - and _)";
            return false;
        }
        group = group << 6 | (uint32_t)value;
        if (i % 4 == 3 || i + 1 == text.size()) {
            const size_t chars = i % 4 + 1;
            group <<= 6 * (4 - chars);
            // Bits past the last byte are zero in a link as written: others are damage.
            if (group & ((1u << (24 - 8 * (chars - 1))) - 1)) {
                error = "the link's last character is not one a link ends with";
                return false;
            }
            for (size_t k = 0; k + 1 < chars; ++k) {
                bytes.push_back((uint8_t)(group >> (16 - 8 * k)));
            }
            group = 0;
        }
    }
    return true;
}

// The numbers of a link's bytes, each read for what it is said to be.
class Reader {
  public:
    Reader(const std::vector<uint8_t>& bytes, size_t end) : bytes_(bytes), end_(end) {}

    std::optional<uint64_t> number(const std::string& what, std::string& error) {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at_ == end_) {
                error = "the link ends within " + what;
                return std::nullopt;
            }
            const uint8_t byte = bytes_[at_++];
            value |= (uint64_t)(byte & 0x7F) << shift;
            if (!(byte & 0x80)) {
                return value;
            }
        }
        error = what + " is longer than any number of a link";
        return std::nullopt;
    }
    std::optional<uint16_t> two_bytes(const std::string& what, std::string& error) {
        if (end_ - at_ < 2) {
            error = "the link ends within " + what;
            return std::nullopt;
        }
        at_ += 2;
        return (uint16_t)(bytes_[at_ - 2] | bytes_[at_ - 1] << 8);
    }
    size_t left() const { return end_ - at_; }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t end_;
    size_t at_ = 0;
};

std::optional<sim::Buttons> buttons_of(uint32_t code, Reader& reader, const std::string& what,
                                       std::string& error) {
    const uint32_t contact = code >> 2;
    if (code == kRawCode) {
        const std::optional<uint64_t> raw = reader.number(what, error);
        if (raw && *raw <= sim::kAllButtons) {
            return (sim::Buttons)*raw;
        }
    } else if (contact <= 8) {
        return (sim::Buttons)((contact ? 1u << (contact + 1) : 0) | (code & 3));
    }
    if (error.empty()) {
        error = what + " holds buttons the console does not have";
    }
    return std::nullopt;
}

// The changes and the end, after the format and the seed.
bool read_changes(Reader& reader, Run& run, std::string& error) {
    const std::optional<uint64_t> count = reader.number("the number of changes", error);
    int64_t last = -1;
    for (uint64_t i = 0; count && i < *count; ++i) {
        const std::string what = "change " + std::to_string(i + 1);
        const std::optional<uint64_t> value = reader.number(what, error);
        if (!value) {
            return false;
        }
        const uint64_t pulse = (uint64_t)(last + 1) + *value / kCodes;
        if (pulse > UINT32_MAX) {
            error = what + " comes after pulse 4294967295";
            return false;
        }
        const std::optional<sim::Buttons> buttons =
            buttons_of((uint32_t)(*value % kCodes), reader, what, error);
        if (!buttons) {
            return false;
        }
        run.changes.push_back({(uint32_t)pulse, *buttons});
        last = (int64_t)pulse;
    }
    if (!count) {
        return false;
    }
    if (reader.left() > 0) {
        const std::optional<uint64_t> gap = reader.number("the end", error);
        if (!gap) {
            return false;
        }
        if ((uint64_t)(last + 1) + *gap > UINT32_MAX) {
            error = "the end comes after pulse 4294967295";
            return false;
        }
        run.end = (uint32_t)((uint64_t)(last + 1) + *gap);
    }
    if (reader.left() > 0) {
        error = std::to_string(reader.left()) + " bytes follow the end";
        return false;
    }
    return true;
}

RunRead refused(const std::string& error) {
    return RunRead{std::nullopt, "run: " + error};
}

}  // namespace

uint16_t link_checksum(const uint8_t* data, size_t size) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= (uint16_t)(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (uint16_t)(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
        }
    }
    return crc;
}

std::string sealed_link(std::vector<uint8_t> bytes) {
    const uint16_t checksum = link_checksum(bytes.data(), bytes.size());
    bytes.push_back((uint8_t)(checksum >> 8));
    bytes.push_back((uint8_t)checksum);
    return base64url(bytes);
}

std::string run_link(const Run& run) {
    std::vector<uint8_t> bytes;
    put_number(bytes, kLinkFormat);
    const uint16_t seed = run.seed.value_or(0);
    bytes.push_back((uint8_t)seed);
    bytes.push_back((uint8_t)(seed >> 8));
    put_number(bytes, run.changes.size());
    int64_t last = -1;
    for (const ButtonChange& change : run.changes) {
        const uint64_t gap = (uint64_t)((int64_t)change.pulse - last - 1);
        const std::optional<uint32_t> code = code_of(change.buttons);
        put_number(bytes, gap * kCodes + code.value_or(kRawCode));
        if (!code) {
            put_number(bytes, change.buttons);
        }
        last = change.pulse;
    }
    if (run.end) {
        put_number(bytes, (uint64_t)((int64_t)*run.end - last - 1));
    }
    return sealed_link(std::move(bytes));
}

RunRead read_run_link(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (text.empty()) {
        return refused("the link holds nothing");
    }
    if (!from_base64url(text, bytes, error)) {
        return refused(error);
    }
    if (bytes.size() < 3 + kChecksumBytes) {
        return refused("the link is too short to hold a run");
    }
    const size_t body = bytes.size() - kChecksumBytes;
    if (link_checksum(bytes.data(), body) != (bytes[body] << 8 | bytes[body + 1])) {
        return refused("the checksum does not match (the link is damaged or incomplete)");
    }
    Reader reader(bytes, body);
    const std::optional<uint64_t> format = reader.number("the format", error);
    if (format && *format != kLinkFormat) {
        return refused("format " + std::to_string(*format) +
                       (*format > kLinkFormat ? " is newer than this page reads"
                                              : " is not one this page reads") +
                       " (it reads format " + std::to_string(kLinkFormat) + ")");
    }
    Run run;
    const std::optional<uint16_t> seed =
        format ? reader.two_bytes("the seed", error) : std::nullopt;
    run.seed = seed;
    if (!seed || !read_changes(reader, run, error)) {
        return refused(error);
    }
    return RunRead{std::move(run), {}};
}

}  // namespace frontends::web
