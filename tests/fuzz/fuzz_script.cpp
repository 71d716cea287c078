// libFuzzer target: the button-script and run-file parsers. Any text is either refused with a
// ScriptError naming one of its lines, or accepted as a run that formats and parses back to
// itself.

#include <stddef.h>
#include <stdint.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "frontends/common/script.h"
#include "platform/sim/buttons.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fault: %s: %s\n", what, detail.c_str());
    std::abort();
}

size_t line_count(std::string_view text) {
    size_t lines = text.empty() ? 0 : 1;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        lines += text[i] == '\n';
    }
    return lines;
}

// "line N: ..." on one line, with N a line of the text.
void check_error(std::string_view text, const std::string& message) {
    if (message.find('\n') != std::string::npos || message.rfind("line ", 0) != 0) {
        fault("not a one-line error naming its line", message);
    }
    const unsigned long line = std::strtoul(message.c_str() + 5, nullptr, 10);
    if (line < 1 || line > line_count(text)) {
        fault("error names a line the script does not have", message);
    }
}

// A run file's own lines around its changes, as they were read.
void check_run(std::string_view text) {
    frontends::Run run;
    try {
        run = frontends::parse_run(text);
    } catch (const frontends::ScriptError& error) {
        check_error(text, error.what());
        return;
    }
    std::string again = "format 1\n";
    if (run.seed) {
        again += "seed " + std::to_string(*run.seed) + "\n";
    }
    for (const frontends::ButtonChange& change : run.changes) {
        again += std::to_string(change.pulse) + " " + sim::buttons_to_string(change.buttons) + "\n";
    }
    if (run.end) {
        again += "end " + std::to_string(*run.end) + "\n";
    }
    if (frontends::parse_run(again) != run) {
        fault("formatting and parsing a run again changes it", again);
    }
    const std::optional<uint32_t> from = run.player_from();
    if (from && !run.changes.empty() && *from <= run.changes.back().pulse) {
        fault("the player takes over before the run's last change", again);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text((const char*)data, size);
    check_run(text);
    std::vector<frontends::ButtonChange> changes;
    try {
        changes = frontends::parse_script(text);
    } catch (const frontends::ScriptError& error) {
        check_error(text, error.what());
        return 0;
    }
    std::string again;
    for (size_t i = 0; i < changes.size(); ++i) {
        if (changes[i].buttons & ~sim::kAllButtons) {
            fault("buttons outside the console's", std::to_string(changes[i].buttons));
        }
        if (i > 0 && changes[i].pulse <= changes[i - 1].pulse) {
            fault("pulses do not increase", std::to_string(changes[i].pulse));
        }
        again += std::to_string(changes[i].pulse) + " " +
                 sim::buttons_to_string(changes[i].buttons) + "\n";
    }
    if (frontends::parse_script(again) != changes) {
        fault("formatting and parsing again changes the script", again);
    }
    const frontends::InputTimeline timeline(changes, std::nullopt);
    for (const frontends::ButtonChange& change : changes) {
        if (timeline.at(change.pulse) != change.buttons) {
            fault("the timeline misses a change", std::to_string(change.pulse));
        }
    }
    return 0;
}
