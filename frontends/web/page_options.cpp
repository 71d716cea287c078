// Query parameters to run options. Numbers are decimal digits only, so "1e3", "0x10" or " 7" are
// refused rather than read some other way; a bad script names its line.

#include "frontends/web/page_options.h"

#include "frontends/common/number_options.h"
#include "frontends/common/text.h"

#include <algorithm>

namespace {

struct ScriptResult {
    frontends::Run run;
    std::string error;
};

}  // namespace

// The browser build catches exceptions only in the functions it names; this is the one, so its
// name stays unmangled and it is never inlined into a caller that cannot catch. It reads a script,
// or with `run` a run file.
extern "C" __attribute__((noinline)) bool pb_web_parse_script(const std::string* text, bool run,
                                                              ScriptResult* result) {
    try {
        if (run) {
            result->run = frontends::parse_run(*text);
        } else {
            result->run.changes = frontends::parse_script(*text);
        }
        return true;
    } catch (const frontends::ScriptError& error) {
        result->error = error.what();
        return false;
    }
}

namespace frontends::web {
namespace {

constexpr size_t kMaxScriptBytes = 1 << 20;

PageRequest failure(const std::string& message) {
    return PageRequest{std::nullopt, message};
}

}  // namespace

PageRequest parse_page_options(const std::vector<std::pair<std::string, std::string>>& parameters) {
    PageOptions options;
    std::vector<std::string> seen;
    const auto given = [&seen](const std::string& name) {
        return std::find(seen.begin(), seen.end(), name) != seen.end();
    };
    for (const auto& [name, value] : parameters) {
        if (name != "seed" && name != "frames" && name != "script" && name != "wait" &&
            name != "run") {
            continue;
        }
        if (given(name)) {
            return failure(name + " is given more than once");
        }
        seen.push_back(name);
        if (name == kSeedOption.name || name == kFramesOption.name) {
            const NumberOption& option = name == kSeedOption.name ? kSeedOption : kFramesOption;
            const std::optional<uint64_t> number = read_number(option, value);
            if (!number) {
                return failure(number_refused(name, option, shown(value)));
            }
            if (&option == &kSeedOption) {
                options.seed = (uint16_t)*number;
            } else {
                options.frames = (uint32_t)*number;
            }
        } else if (name == "script") {
            if (value.size() > kMaxScriptBytes) {
                return failure("script is longer than 1 MiB");
            }
            ScriptResult result;
            if (!pb_web_parse_script(&value, false, &result)) {
                return failure("script: " + result.error);
            }
            options.script = std::move(result.run.changes);
        } else if (name == "run") {
            RunRead read = read_run_link(value);
            options.run = std::move(read.run);
            options.run_refused = std::move(read.error);
        } else if (value.empty() || value == "1") {
            options.wait = true;
        } else if (value != "0") {
            return failure("wait takes 1 or 0, not \"" + shown(value) + "\"");
        }
    }
    if (given("run") && given("script")) {
        return failure("run replays on its own: it does not go with script");
    }
    return PageRequest{options, {}};
}

InputTimeline page_timeline(const PageOptions& options) {
    if (options.run) {
        return InputTimeline::replay(*options.run, options.frames);
    }
    return InputTimeline(options.script, options.frames);
}

uint16_t page_seed(const PageOptions& options, uint16_t fresh) {
    if (options.seed) {
        return *options.seed;
    }
    return options.run ? options.run->seed.value_or(0) : fresh;
}

RunRead read_run_file(const std::string& name, const std::string& text) {
    ScriptResult result;
    if (!pb_web_parse_script(&text, true, &result)) {
        return RunRead{std::nullopt, one_line(name) + ": " + result.error};
    }
    return RunRead{std::move(result.run), {}};
}

}  // namespace frontends::web
