// The replay command is meant to be copied into a shell, so the file name is quoted as a shell
// reads it back.

#include "frontends/common/saved_run.h"

#include <string_view>

namespace frontends {
namespace {

// A file name as a shell reads it back: as it is when it holds nothing a shell treats specially.
std::string shell_quoted(const std::string& name) {
    constexpr std::string_view kSafe = "-_./+,:=@%";
    bool plain = !name.empty();
    for (char c : name) {
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || kSafe.find(c) != std::string_view::npos);
    }
    if (plain) {
        return name;
    }
    std::string quoted = "'";
    for (char c : name) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

std::string script_lines(const std::vector<ButtonChange>& changes) {
    std::string text;
    for (const ButtonChange& change : changes) {
        text += std::to_string(change.pulse) + " " + sim::buttons_to_string(change.buttons) + "\n";
    }
    return text;
}

std::string pulses_named(const std::vector<uint32_t>& pulses) {
    std::string text = "pulse " + std::to_string(pulses.front());
    if (pulses.size() == 2) {
        text += " (and 1 other pulse)";
    } else if (pulses.size() > 2) {
        text += " (and " + std::to_string(pulses.size() - 1) + " other pulses)";
    }
    return text;
}

std::string saved_run(uint16_t seed, const InputRecorder& recorder, const std::string& name,
                      RunEnd end) {
    const uint32_t player_from = recorder.interval() + 1;
    std::string text =
        "# plasmaballs run: seed " + std::to_string(seed) +
        (end == RunEnd::kHandOver ? ", handed over at pulse " + std::to_string(recorder.interval())
                                  : ", the player's from pulse " + std::to_string(player_from)) +
        ".\n# Replay: plasmaballs " + shell_quoted(name) + "\n";
    const std::vector<uint32_t> changed_within = recorder.changed_within();
    if (!changed_within.empty()) {
        text += "# WARNING: the buttons changed while the demo was working within " +
                pulses_named(changed_within) +
                ";\n# no script can replay that, so this one holds what the demo read last "
                "there and its replay may differ\n";
    }
    text += "format " + std::to_string(kRunFormat) + "\nseed " + std::to_string(seed) + "\n" +
            script_lines(recorder.changes());
    return end == RunEnd::kHandOver ? text : text + "end " + std::to_string(player_from) + "\n";
}

}  // namespace frontends
