#pragma once
// What the page's address asks for: seed, frames, a button script or a run to replay, checked as
// strictly as the command line checks its options, with one line for the page to show when
// something is wrong; and the run files the page opens.

#include <stdint.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frontends/common/script.h"
#include "frontends/web/run_link.h"

namespace frontends::web {

struct PageOptions {
    std::optional<uint16_t> seed;    // counter value that seeds the generator
    std::optional<uint32_t> frames;  // START held from this pulse on
    std::vector<ButtonChange> script;
    bool wait = false;       // start at the first key, click or gamepad button instead of at once
    std::optional<Run> run;  // replayed, the player's buttons ignored until it ends
    // Why the address's run is not replayed: the page runs as if it had none.
    std::string run_refused;
};

// Either options to run with, or the message for a bad parameter.
struct PageRequest {
    std::optional<PageOptions> options;
    std::string error;
};

// The address's query parameters, already decoded, in order. Names other than seed, frames,
// script, wait and run are left alone; each known one may appear once. A run replays on its own,
// so it does not go with a script; a seed given beside it replaces the run's.
PageRequest parse_page_options(const std::vector<std::pair<std::string, std::string>>& parameters);

// The timeline the options ask for: the script or the run's replay, plus START from `frames` on.
InputTimeline page_timeline(const PageOptions& options);
// The seed to run with: the address's, the run's, or else 0 for a run (as the command line replays
// it) and `fresh` for none.
uint16_t page_seed(const PageOptions& options, uint16_t fresh);

// A run file opened on the page, or the line saying what is wrong with it, naming the file.
RunRead read_run_file(const std::string& name, const std::string& text);

}  // namespace frontends::web
