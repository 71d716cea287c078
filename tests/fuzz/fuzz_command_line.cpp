// libFuzzer target: the command line as main() takes it, up to the start of the run. Input:
// arguments separated by NUL bytes; after a double NUL, the content of the --input script.
// Every refusal must be one line (status 2), and no refusal may leave a file behind. Paths are
// confined to a scratch folder: output names are kept but their slashes flattened.

#include <dirent.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "frontends/capture/output_file.h"
#include "frontends/capture/outputs.h"
#include "frontends/common/script.h"
#include "frontends/common/text.h"
#include "frontends/desktop/command_line.h"
#include "frontends/desktop/headless_run.h"

namespace {

constexpr const char* kScript = "script";

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fault: %s: %s\n", what, detail.c_str());
    std::abort();
}

void check_one_line(const std::string& message) {
    if (message.empty() || message.find('\n') != std::string::npos) {
        fault("error is not one line", message);
    }
}

std::vector<std::string> scratch_files() {
    std::vector<std::string> names;
    DIR* folder = opendir(".");
    while (const dirent* entry = folder ? readdir(folder) : nullptr) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != kScript) {
            names.push_back(name);
        }
    }
    if (folder) {
        closedir(folder);
    }
    return names;
}

void expect_no_files(const char* when) {
    const std::vector<std::string> left = scratch_files();
    if (!left.empty()) {
        fault(when, left.front());
    }
}

void check_accepted(const frontends::Options& options) {
    if (options.headless && (options.fullscreen || options.scale != 0)) {
        fault("window options accepted with --headless", "");
    }
    if (options.scale < 0 || options.scale > 16) {
        fault("scale out of range", std::to_string(options.scale));
    }
    if (!options.outputs.screenshot.empty() &&
        !frontends::has_suffix(options.outputs.screenshot, ".png")) {
        fault("screenshot without .png", options.outputs.screenshot);
    }
    if (!options.outputs.record.empty() && !frontends::has_suffix(options.outputs.record, ".gif")) {
        fault("recording without .gif", options.outputs.record);
    }
}

std::string flattened(std::string path) {
    for (char& c : path) {
        c = c == '/' ? '_' : c;
    }
    return path;
}

char g_scratch[] = "/tmp/plasmaballs-fuzz-XXXXXX";

void remove_scratch() {
    unlink(kScript);
    if (chdir("/") == 0) {
        rmdir(g_scratch);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (mkdtemp(g_scratch) == nullptr || chdir(g_scratch) != 0) {
        std::perror("plasmaballs fuzz: scratch folder");
        std::exit(1);
    }
    std::atexit(remove_scratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input((const char*)data, size);
    const size_t split = input.find(std::string_view("\0\0", 2));
    const std::string_view arguments = input.substr(0, split);
    std::vector<std::string> argv = {"plasmaballs"};
    for (size_t start = 0; !arguments.empty() && start <= arguments.size();) {
        const size_t end = std::min(arguments.find('\0', start), arguments.size());
        argv.emplace_back(arguments.substr(start, end - start));
        start = end + 1;
    }

    const frontends::desktop::CommandLine command_line =
        frontends::desktop::parse_command_line(argv);
    if (!command_line.options) {
        if (command_line.exit_status == 0) {
            if (command_line.output.empty() || !command_line.error.empty()) {
                fault("help or version without text", command_line.error);
            }
        } else if (command_line.exit_status != 2 || !command_line.output.empty() ||
                   command_line.error.rfind("plasmaballs: ", 0) != 0) {
            fault("refusal without status 2 and its error", command_line.error);
        } else {
            check_one_line(command_line.error);
        }
        return 0;
    }

    frontends::Options options = *command_line.options;
    check_accepted(options);
    if (!options.input.empty()) {
        unlink(kScript);
        if (split != std::string_view::npos) {
            std::ofstream(kScript, std::ios::binary) << input.substr(split + 2);
        }
        options.input = kScript;
    }
    options.outputs.screenshot = flattened(options.outputs.screenshot);
    options.outputs.record = flattened(options.outputs.record);

    // What main() does before the demo starts: the script, the end of a headless run, the
    // outputs. Refusals at each step must leave nothing behind.
    frontends::InputTimeline timeline;
    try {
        timeline = frontends::desktop::make_timeline(options);
    } catch (const frontends::ScriptError& error) {
        check_one_line(error.what());
        expect_no_files("a file left by a refused script");
        return 0;
    }
    if (options.headless && !timeline.ends()) {
        return 0;
    }
    try {
        frontends::Outputs outputs(options.outputs);
        for (const std::string& name : scratch_files()) {
            if (name == options.outputs.screenshot || name == options.outputs.record) {
                fault("an output in place before the run", name);
            }
        }
    } catch (const frontends::OutputError& error) {
        check_one_line(error.what());
    }
    expect_no_files("a file left by outputs never finished");
    return 0;
}
