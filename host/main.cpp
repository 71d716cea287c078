// plasmaballs: the demo on a simulated console, headless or in a window.

#include <cstdio>

#include "host/cli.h"
#include "host/session.h"
#ifdef PLASMABALLS_WINDOW
#include "host/window.h"
#endif

int main(int argc, char** argv) {
    const host::CommandLine command_line = host::parse_command_line(argc, argv);
    if (!command_line.options) {
        std::fputs(command_line.output.c_str(), stdout);
        if (!command_line.error.empty()) {
            std::fprintf(stderr, "%s\n", command_line.error.c_str());
        }
        return command_line.exit_status;
    }
    const host::Options& options = *command_line.options;
    host::InputTimeline timeline;
    try {
        timeline = host::make_timeline(options);
    } catch (const host::ScriptError& error) {
        std::fprintf(stderr, "plasmaballs: %s\n", error.what());
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
            return host::run_headless(options, timeline);
        }
#ifdef PLASMABALLS_WINDOW
        return host::run_window(options, timeline);
#else
        std::fputs("plasmaballs: this build has no window; run with --headless\n", stderr);
        return 2;
#endif
    } catch (const host::OutputError& error) {
        std::fprintf(stderr, "plasmaballs: %s\n", error.what());
        return 2;
    }
}
