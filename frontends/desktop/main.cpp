// plasmaballs: the demo on a simulated board, headless or in a window.

#include <cstdio>

#include "frontends/capture/output_file.h"
#include "frontends/desktop/command_line.h"
#include "frontends/desktop/headless_run.h"
#include "frontends/window/window.h"

int main(int argc, char** argv) {
    using namespace frontends;
    const desktop::CommandLine command_line = desktop::parse_command_line(argc, argv);
    if (!command_line.options) {
        std::fputs(command_line.output.c_str(), stdout);
        if (!command_line.error.empty()) {
            std::fprintf(stderr, "%s\n", command_line.error.c_str());
        }
        return command_line.exit_status;
    }
    Options options = *command_line.options;
    InputTimeline timeline;
    try {
        timeline = desktop::make_timeline(options);
    } catch (const ScriptError& error) {
        std::fprintf(stderr, "plasmaballs: %s\n", error.what());
        // A run file opened from the desktop has no terminal to show the line.
        if (!options.headless && !options.run_file.empty()) {
            window::show_error(error.what());
        }
        return 2;
    }
    try {
        if (options.headless) {
            if (!timeline.ends()) {
                std::fputs(
                    "plasmaballs: a headless run needs --frames N or a script whose last "
                    "line holds start, or it would never end\n",
                    stderr);
                return 2;
            }
            return desktop::run_headless(options, timeline);
        }
        return window::run_window(window_request(options), timeline);
    } catch (const OutputError& error) {
        std::fprintf(stderr, "plasmaballs: %s\n", error.what());
        return 2;
    }
}
