#pragma once
// The command line's headless run: the demo on a board driven headless, the outputs the options
// ask for, and a progress line for a person at a terminal.

#include "frontends/common/script.h"
#include "frontends/desktop/options.h"

namespace frontends::desktop {

// The run file or the script, and --frames, as one timeline; the file's seed is taken into
// `options.seed` where the command line gave none. Throws ScriptError for a bad file.
InputTimeline make_timeline(Options& options);

// Runs headless to the hand-over, or to where a run file gives way to the player, writing the
// outputs the options ask for; returns the exit status.
int run_headless(const Options& options, const InputTimeline& timeline);

}  // namespace frontends::desktop
