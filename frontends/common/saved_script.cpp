// The replay command is meant to be copied into a shell, so the file name is quoted as a shell
// reads it back.

#include "frontends/common/saved_script.h"

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

std::string saved_script(uint16_t seed, const InputRecorder& recorder, const std::string& name) {
    const std::string seed_text = std::to_string(seed);
    std::string text = "# plasmaballs button script: seed " + seed_text +
                       ", handed over at pulse " + std::to_string(recorder.interval()) +
                       ".\n# Replay: plasmaballs --headless --seed " + seed_text + " --input " +
                       shell_quoted(name) + "\n";
    const std::vector<uint32_t> changed_within = recorder.changed_within();
    if (!changed_within.empty()) {
        text += "# WARNING: the buttons changed while the demo was working within " +
                pulses_named(changed_within) +
                ";\n# no script can replay that, so this one holds what the demo read last "
                "there and its replay may differ\n";
    }
    return text + script_lines(recorder.changes());
}

}  // namespace frontends
