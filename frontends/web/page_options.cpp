// Query parameters to run options. Numbers are decimal digits only, so "1e3", "0x10" or " 7" are
// refused rather than read some other way; a bad script names its line.

#include "frontends/web/page_options.h"

#include "frontends/common/number_options.h"
#include "frontends/common/text.h"

namespace {

struct ScriptResult {
    std::vector<frontends::ButtonChange> changes;
    std::string error;
};

}  // namespace

// The browser build catches exceptions only in the functions it names; this is the one, so its
// name stays unmangled and it is never inlined into a caller that cannot catch.
extern "C" __attribute__((noinline)) bool pb_web_parse_script(const std::string* text,
                                                              ScriptResult* result) {
    try {
        result->changes = frontends::parse_script(*text);
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
    for (const auto& [name, value] : parameters) {
        if (name != "seed" && name != "frames" && name != "script" && name != "wait") {
            continue;
        }
        for (const std::string& earlier : seen) {
            if (earlier == name) {
                return failure(name + " is given more than once");
            }
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
            if (!pb_web_parse_script(&value, &result)) {
                return failure("script: " + result.error);
            }
            options.script = std::move(result.changes);
        } else if (value.empty() || value == "1") {
            options.wait = true;
        } else if (value != "0") {
            return failure("wait takes 1 or 0, not \"" + shown(value) + "\"");
        }
    }
    return PageRequest{options, {}};
}

InputTimeline page_timeline(const PageOptions& options) {
    return InputTimeline(options.script, options.frames);
}

}  // namespace frontends::web
