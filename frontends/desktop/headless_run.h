#pragma once
// The command line's headless run: the demo on a board driven headless, the outputs the options
// ask for, and a progress line for a person at a terminal.

#include "frontends/common/options.h"
#include "frontends/common/script.h"

namespace frontends::desktop {

// The script and --frames as one timeline; throws ScriptError for a bad script.
InputTimeline make_timeline(const Options& options);

// Runs headless to the hand-over, writing the outputs the options ask for; returns the exit
// status.
int run_headless(const Options& options, const InputTimeline& timeline);

}  // namespace frontends::desktop
