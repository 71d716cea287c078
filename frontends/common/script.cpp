// Button-script parsing. Every malformed line is refused with its number; nothing is guessed.

#include "frontends/common/script.h"

#include "frontends/common/decimal.h"
#include "frontends/common/text.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

namespace frontends {

using sim::Button;
using sim::Buttons;

namespace {

constexpr size_t kMaxScriptBytes = 64 << 20;

[[noreturn]] void fail(size_t line, const std::string& what) {
    throw ScriptError("line " + std::to_string(line) + ": " + what);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::vector<std::string_view> split_fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) {
            ++i;
        }
        size_t start = i;
        while (i < line.size() && !is_blank(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

uint32_t parse_pulse(std::string_view field, size_t line) {
    const Decimal pulse = read_decimal(field, UINT32_MAX);
    if (pulse.status == Decimal::kNotDecimal) {
        fail(line, "pulse \"" + shown(field) + "\" is not a decimal number");
    }
    if (pulse.status == Decimal::kTooLarge) {
        fail(line, "pulse " + shown(field) + " is larger than 4294967295");
    }
    return (uint32_t)pulse.value;
}

Buttons parse_buttons(std::string_view field, size_t line) {
    if (field == "none") {
        return 0;
    }
    Buttons buttons = 0;
    size_t start = 0;
    while (true) {
        const size_t plus = field.find('+', start);
        const std::string_view name =
            field.substr(start, plus == std::string_view::npos ? field.npos : plus - start);
        const std::optional<Button> button = sim::button_from_name(name);
        if (!button) {
            fail(line, name == "none" ? std::string("\"none\" must stand alone")
                       : name.empty() ? "empty button name in \"" + shown(field) + "\""
                                      : "unknown button \"" + shown(name) +
                                            "\" (expected none, start, select, up, down, "
                                            "left, right, up-left, up-right, down-left or "
                                            "down-right)");
        }
        if (buttons & *button) {
            fail(line, "button \"" + std::string(name) + "\" named twice");
        }
        buttons |= *button;
        if (plus == std::string_view::npos) {
            return buttons;
        }
        start = plus + 1;
    }
}

}  // namespace

std::vector<ButtonChange> parse_script(std::string_view text) {
    std::vector<ButtonChange> changes;
    size_t line_number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_number;
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (line.find('\0') != std::string_view::npos) {
            fail(line_number, "contains a NUL byte");
        }
        const std::vector<std::string_view> fields = split_fields(line);
        if (fields.empty()) {
            continue;
        }
        if (fields.size() != 2) {
            fail(line_number, "expected \"<pulse> <buttons>\", found " +
                                  std::to_string(fields.size()) + " field" +
                                  (fields.size() == 1 ? "" : "s"));
        }
        const uint32_t pulse = parse_pulse(fields[0], line_number);
        if (!changes.empty() && pulse <= changes.back().pulse) {
            fail(line_number, "pulse " + std::to_string(pulse) + " does not come after pulse " +
                                  std::to_string(changes.back().pulse));
        }
        changes.push_back({pulse, parse_buttons(fields[1], line_number)});
    }
    return changes;
}

std::vector<ButtonChange> load_script(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw ScriptError(path + ": is a directory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ScriptError(path + ": cannot be read");
    }
    // Read in pieces and stop past the limit, so that an endless file (/dev/zero) is refused too.
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
    try {
        return parse_script(contents);
    } catch (const ScriptError& error) {
        throw ScriptError(path + ": " + error.what());
    }
}

InputTimeline::InputTimeline(std::vector<ButtonChange> script, std::optional<uint32_t> start_from)
    : script_(std::move(script)), start_from_(start_from) {}

Buttons InputTimeline::at(uint32_t pulse) const {
    const auto after =
        std::upper_bound(script_.begin(), script_.end(), pulse,
                         [](uint32_t p, const ButtonChange& change) { return p < change.pulse; });
    Buttons held = after == script_.begin() ? 0 : std::prev(after)->buttons;
    if (start_from_ && pulse >= *start_from_) {
        held |= sim::kStart;
    }
    return held;
}

bool InputTimeline::ends() const {
    return start_from_.has_value() || (!script_.empty() && (script_.back().buttons & sim::kStart));
}

std::optional<uint32_t> InputTimeline::start_held_from() const {
    std::optional<uint32_t> from = start_from_;
    // Back from the last change, as long as each one holds START until the next.
    for (auto change = script_.rbegin(); change != script_.rend(); ++change) {
        if (from && change->pulse >= *from) {
            continue;
        }
        if (!(change->buttons & sim::kStart)) {
            break;
        }
        from = change->pulse;
    }
    return from;
}

}  // namespace frontends
