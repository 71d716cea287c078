// Levels are kept only where they change, so a long run with few presses stays a short script.

#include "frontends/web/saved_run.h"

namespace frontends::web {

void LevelRecorder::record(uint32_t pulse, sim::Buttons levels) {
    if (levels != last_) {
        changes_.push_back({pulse, levels});
        last_ = levels;
    }
}

std::string script_lines(const std::vector<ButtonChange>& changes) {
    std::string text;
    for (const ButtonChange& change : changes) {
        text += std::to_string(change.pulse) + " " + sim::buttons_to_string(change.buttons) + "\n";
    }
    return text;
}

std::string saved_script(uint16_t seed, uint32_t last_pulse, const std::string& file_name,
                         const std::vector<ButtonChange>& changes) {
    const std::string seed_text = std::to_string(seed);
    return "# plasmaballs button script: seed " + seed_text + ", handed over at pulse " +
           std::to_string(last_pulse) + ".\n# Replay: plasmaballs --headless --seed " + seed_text +
           " --input " + file_name + "\n" + script_lines(changes);
}

}  // namespace frontends::web
