// Button-script parsing. Every malformed line is refused with its number; nothing is guessed.

#include "frontends/common/script.h"

#include "frontends/common/decimal.h"
#include "frontends/common/number_options.h"
#include "frontends/common/text.h"

#include <algorithm>

namespace frontends {

using sim::Button;
using sim::Buttons;

namespace {

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

uint32_t parse_pulse(std::string_view field, size_t line, const std::string& what = "pulse") {
    const Decimal pulse = read_decimal(field, UINT32_MAX);
    if (pulse.status == Decimal::kNotDecimal) {
        fail(line, what + " \"" + shown(field) + "\" is not a decimal number");
    }
    if (pulse.status == Decimal::kTooLarge) {
        fail(line, what + " " + shown(field) + " is larger than 4294967295");
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

// The lines of a script or a run file, one after the other; `run` allows a run file's lines.
class Parser {
  public:
    explicit Parser(bool run) : run_lines_(run) {}

    void line(std::string_view text, size_t number) {
        const size_t hash = text.find('#');
        if (hash != std::string_view::npos) {
            text = text.substr(0, hash);
        }
        if (text.find('\0') != std::string_view::npos) {
            fail(number, "contains a NUL byte");
        }
        const std::vector<std::string_view> fields = split_fields(text);
        if (fields.empty()) {
            return;
        }
        const std::string_view keyword = run_lines_ ? fields[0] : "";
        if (keyword == "format" || keyword == "seed" || keyword == "end") {
            expect_two(fields, number, std::string(keyword) + " <number>");
            run_line(keyword, fields[1], number);
        } else {
            expect_two(fields, number, "<pulse> <buttons>");
            change(fields, number);
        }
        any_line_ = true;
    }
    Run& run() { return run_; }

  private:
    static void expect_two(const std::vector<std::string_view>& fields, size_t number,
                           const std::string& form) {
        if (fields.size() != 2) {
            fail(number, "expected \"" + form + "\", found " + std::to_string(fields.size()) +
                             " field" + (fields.size() == 1 ? "" : "s"));
        }
    }

    void change(const std::vector<std::string_view>& fields, size_t number) {
        if (run_.end) {
            fail(number, "nothing but comments may follow the end line");
        }
        const uint32_t pulse = parse_pulse(fields[0], number);
        if (!run_.changes.empty() && pulse <= run_.changes.back().pulse) {
            fail(number, "pulse " + std::to_string(pulse) + " does not come after pulse " +
                             std::to_string(run_.changes.back().pulse));
        }
        run_.changes.push_back({pulse, parse_buttons(fields[1], number)});
    }

    void run_line(std::string_view keyword, std::string_view value, size_t number) {
        if (keyword == "format") {
            if (any_line_) {
                fail(number, "format must be the first line");
            }
            const Decimal format = read_decimal(value, UINT32_MAX);
            if (format.status != Decimal::kValue || format.value != kRunFormat) {
                fail(number, "format \"" + shown(value) + "\" is not one this program reads (" +
                                 "it reads format " + std::to_string(kRunFormat) + ")");
            }
        } else if (keyword == "seed") {
            if (run_.seed || !run_.changes.empty() || run_.end) {
                fail(number, run_.seed ? "seed is given more than once"
                                       : "seed must come before the first change");
            }
            const std::optional<uint64_t> seed = read_number(kSeedOption, value);
            if (!seed) {
                fail(number, number_refused("seed", kSeedOption, shown(value)));
            }
            run_.seed = (uint16_t)*seed;
        } else {
            if (run_.end) {
                fail(number, "end is given more than once");
            }
            const uint32_t end = parse_pulse(value, number, "end");
            if (!run_.changes.empty() && end <= run_.changes.back().pulse) {
                fail(number, "end " + std::to_string(end) + " does not come after pulse " +
                                 std::to_string(run_.changes.back().pulse));
            }
            run_.end = end;
        }
    }

    const bool run_lines_;
    bool any_line_ = false;
    Run run_;
};

Run parse_lines(std::string_view text, bool run) {
    Parser parser(run);
    size_t line_number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        parser.line(text.substr(start, end - start), ++line_number);
        start = end + 1;
    }
    return std::move(parser.run());
}

}  // namespace

std::vector<ButtonChange> parse_script(std::string_view text) {
    return parse_lines(text, false).changes;
}

Run parse_run(std::string_view text) {
    return parse_lines(text, true);
}

std::optional<uint32_t> Run::player_from() const {
    if (end) {
        return end;
    }
    if (changes.empty()) {
        return 0;
    }
    // A last change at the last pulse there is leaves no pulse after it for the player.
    if ((changes.back().buttons & sim::kStart) || changes.back().pulse == UINT32_MAX) {
        return std::nullopt;
    }
    return changes.back().pulse + 1;
}

InputTimeline::InputTimeline(std::vector<ButtonChange> script, std::optional<uint32_t> start_from)
    : script_(std::move(script)), start_from_(start_from) {}

InputTimeline InputTimeline::replay(Run run, std::optional<uint32_t> start_from) {
    const std::optional<uint32_t> player_from = run.player_from();
    InputTimeline timeline(std::move(run.changes), start_from);
    timeline.replay_ = true;
    timeline.player_from_ = player_from;
    return timeline;
}

Buttons InputTimeline::at(uint32_t pulse) const {
    const Buttons start = start_from_ && pulse >= *start_from_ ? sim::kStart : 0;
    if (player_from_ && pulse >= *player_from_) {
        return start;
    }
    const auto after =
        std::upper_bound(script_.begin(), script_.end(), pulse,
                         [](uint32_t p, const ButtonChange& change) { return p < change.pulse; });
    return (after == script_.begin() ? 0 : std::prev(after)->buttons) | start;
}

Buttons InputTimeline::with_player(uint32_t pulse, Buttons player) const {
    return at(pulse) | (replaying(pulse) ? 0 : player);
}

bool InputTimeline::ends() const {
    return start_from_ || player_from_ ||
           (!script_.empty() && (script_.back().buttons & sim::kStart));
}

std::optional<uint32_t> InputTimeline::start_held_from() const {
    std::optional<uint32_t> from = start_from_;
    // A replay lets go of its own START where the player takes over.
    if (player_from_ && !(from && *from <= *player_from_)) {
        return from;
    }
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

namespace {

// The earlier of two pulses, where none is never.
std::optional<uint32_t> earlier(std::optional<uint32_t> a, std::optional<uint32_t> b) {
    return a && (!b || *a < *b) ? a : b;
}

}  // namespace

std::optional<uint32_t> InputTimeline::headless_end() const {
    return earlier(player_from_, start_held_from());
}

std::optional<uint32_t> InputTimeline::last_pulse() const {
    std::optional<uint32_t> last = start_held_from();
    if (last) {
        last = *last > UINT32_MAX - kHandOverWithin ? UINT32_MAX : *last + kHandOverWithin;
    }
    return earlier(player_from_, last);
}

}  // namespace frontends
