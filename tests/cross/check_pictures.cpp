// The core built for another machine, run there (under its emulator) by the small frontend of
// host/, against the desktop: a table of cases with scripts, slow motion, START and resets, among
// them the eight pictures of the independent model of the demo. The last picture of each must be
// the headless run's, pixel for pixel, and the core must ask to be closed exactly where START was
// held (or once slow motion let the demo see it) and nowhere else.
//
// usage: cross_pictures WORK HOST CORE [RUNNER...]
// RUNNER: the command that runs HOST here (an emulator and its arguments); none for a host built
// for this machine.

#include <libretro.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "frontends/common/script.h"
#include "support/independent_pictures.h"
#include "support/run_demo.h"

namespace {

struct Case {
    std::string name;
    uint16_t seed;
    uint32_t frames;     // the headless run's: START held from this pulse on
    std::string script;  // the headless run's, in the command line's format
    bool start;          // the core's last run holds START (else the runs just stop)
    unsigned reset;      // runs played before a reset, 0 for none
    std::string hash;    // the independent model's, if there is one
};

std::vector<Case> cases() {
    std::vector<Case> table = {
        {"slow-motion-mid-wait", 12, 13, "5 select\n6 none\n", false, 0, ""},
        {"slow-motion-thrust", 4660, 150,
         "5 select\n40 select+right\n60 none\n75 select+up-left\n110 none\n", true, 0, ""},
        {"eight-directions", 27182, 100,
         "2 up\n12 up-right\n24 right\n36 down-right\n48 down\n60 down-left\n72 left\n"
         "84 up-left\n96 none\n",
         false, 0, ""},
        {"start-in-slow-motion", 9, 20, "5 select\n", true, 0, ""},
        {"reset-mid-run", 21, 60, "4 right\n12 up\n", false, 7, ""},
        {"held-from-start", 125, 9, "0 left\n4 none\n", false, 0, ""},
        {"held-long", 31337, 300, "0 down-left\n", true, 0, ""},
    };
    for (const pbtest::IndependentPicture& p : pbtest::independent_pictures()) {
        // START ends a few of them (the set-up's picture can be reached no other way), and one
        // runs after a reset.
        const bool start = p.frames == 0 || p.frames == 333 || p.frames == 800;
        table.push_back({"independent-" + std::to_string(p.seed), p.seed, p.frames, p.script, start,
                         p.frames == 90 ? 25u : 0u, p.hash});
    }
    return table;
}

constexpr uint32_t pad(unsigned id) {
    return 1u << id;
}

// The RetroPad buttons that close these console contacts: a diagonal is two directions.
uint32_t pad_for(sim::Buttons contacts) {
    const struct {
        sim::Button contact;
        uint32_t pad;
    } kMap[] = {
        {sim::kStart, pad(RETRO_DEVICE_ID_JOYPAD_START)},
        {sim::kSelect, pad(RETRO_DEVICE_ID_JOYPAD_SELECT)},
        {sim::kUp, pad(RETRO_DEVICE_ID_JOYPAD_UP)},
        {sim::kDown, pad(RETRO_DEVICE_ID_JOYPAD_DOWN)},
        {sim::kLeft, pad(RETRO_DEVICE_ID_JOYPAD_LEFT)},
        {sim::kRight, pad(RETRO_DEVICE_ID_JOYPAD_RIGHT)},
        {sim::kUpLeft, pad(RETRO_DEVICE_ID_JOYPAD_UP) | pad(RETRO_DEVICE_ID_JOYPAD_LEFT)},
        {sim::kUpRight, pad(RETRO_DEVICE_ID_JOYPAD_UP) | pad(RETRO_DEVICE_ID_JOYPAD_RIGHT)},
        {sim::kDownLeft, pad(RETRO_DEVICE_ID_JOYPAD_DOWN) | pad(RETRO_DEVICE_ID_JOYPAD_LEFT)},
        {sim::kDownRight, pad(RETRO_DEVICE_ID_JOYPAD_DOWN) | pad(RETRO_DEVICE_ID_JOYPAD_RIGHT)},
    };
    uint32_t result = 0;
    for (const auto& m : kMap) {
        result |= (contacts & m.contact) ? m.pad : 0;
    }
    // A d-pad closes one stick contact at most.
    const auto held = [&](unsigned id) { return (result & pad(id)) != 0; };
    const sim::Buttons back =
        sim::stick_contact(held(RETRO_DEVICE_ID_JOYPAD_UP), held(RETRO_DEVICE_ID_JOYPAD_DOWN),
                           held(RETRO_DEVICE_ID_JOYPAD_LEFT), held(RETRO_DEVICE_ID_JOYPAD_RIGHT)) |
        (contacts & (sim::kStart | sim::kSelect));
    if (back != contacts) {
        throw std::runtime_error("no d-pad holds " + sim::buttons_to_string(contacts));
    }
    return result;
}

// The case as the host reads it, `runs` long: run k holds the buttons of pulse k (run 1 those of
// pulse 0 too, held from the start), and with START that from its pulse on.
std::string host_line(const Case& c, unsigned runs) {
    std::map<unsigned, uint32_t> pads;
    for (const frontends::ButtonChange& change : frontends::parse_script(c.script)) {
        const unsigned run = std::max(change.pulse, 1u);
        if (pads.count(run) != 0) {
            throw std::runtime_error(c.name + ": changes at pulses 0 and 1");
        }
        pads[run] = pad_for(change.buttons);
    }
    if (c.start) {
        if (c.frames == 1) {
            throw std::runtime_error(c.name + ": START at run 1 shows the set-up's picture");
        }
        const unsigned from = std::max(c.frames, 1u);
        auto before = pads.upper_bound(from);
        pads[from] = before == pads.begin() ? 0 : std::prev(before)->second;
        for (auto held = pads.find(from); held != pads.end(); ++held) {
            held->second |= pad(RETRO_DEVICE_ID_JOYPAD_START);
        }
    } else if (c.frames == 0) {
        throw std::runtime_error(c.name + ": no run shows the set-up's picture without START");
    }
    std::string line = c.name + " " + std::to_string(c.seed) + " " + std::to_string(runs) + " " +
                       std::to_string(c.reset);
    for (const auto& [run, buttons] : pads) {
        line += " " + std::to_string(run) + ":" + std::to_string(buttons);
    }
    return line + "\n";
}

int run_program(const std::vector<std::string>& command) {
    const pid_t child = fork();
    if (child == 0) {
        pbtest::exec_program(command[0].c_str(), {command.begin() + 1, command.end()});
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int check(const std::string& work, const std::vector<std::string>& command) {
    namespace fs = std::filesystem;
    const std::vector<Case> table = cases();
    const std::string out = work + "/out";
    // The headless run's picture at its hand-over, and how many runs the host plays: with START,
    // up to the hand-over, which the pulse count of the headless run says (slow motion delays it).
    std::vector<sim::Picture> pictures;
    std::vector<unsigned> runs;
    for (const Case& c : table) {
        const pbtest::Run headless = pbtest::run_headless(c.seed, c.frames, c.script);
        if (!c.hash.empty() && pbtest::picture_hash(headless.picture) != c.hash) {
            throw std::runtime_error(c.name +
                                     ": the desktop's own picture is not the independent"
                                     " model's");
        }
        pictures.push_back(headless.picture);
        runs.push_back(c.start ? std::max(headless.pulses, 1u) : c.frames);
    }
    fs::remove_all(work);
    fs::create_directories(out);
    {
        std::ofstream list(work + "/cases.txt");
        for (size_t i = 0; i < table.size(); ++i) {
            list << host_line(table[i], runs[i]);
        }
    }
    if (access(command[0].c_str(), X_OK) != 0) {
        throw std::runtime_error("cannot run " + command[0] + " (make test installs it)");
    }
    std::vector<std::string> full = command;
    full.insert(full.end(), {work + "/cases.txt", out});
    if (const int status = run_program(full); status != 0) {
        std::fprintf(stderr, "cross_pictures: the host ended with status %d\n", status);
        return 1;
    }

    std::map<std::string, unsigned> shutdowns;
    std::ifstream results(out + "/results.txt");
    std::string name;
    for (unsigned run = 0; results >> name >> run;) {
        shutdowns[name] = run;
    }
    int failures = 0;
    unsigned all_runs = 0, independent = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const Case& c = table[i];
        std::string problem;
        const std::string shown = pbtest::slurp(out + "/" + c.name + ".xrgb");
        const std::vector<uint32_t> want = pbtest::xrgb(pictures[i]);
        size_t differing = want.size();
        if (shown.size() == want.size() * 4) {
            differing = 0;
            for (size_t i = 0; i < want.size(); ++i) {
                uint32_t word = 0;
                std::memcpy(&word, &shown[i * 4], 4);
                differing += word != want[i];
            }
        }
        const unsigned want_shutdown = c.start ? runs[i] : 0;
        if (shutdowns.count(c.name) == 0) {
            problem = "no result";
        } else if (differing != 0) {
            problem = std::to_string(differing) + " pixels differ from the headless picture";
        } else if (shutdowns[c.name] != want_shutdown) {
            problem = "shutdown asked at run " + std::to_string(shutdowns[c.name]) + ", not " +
                      std::to_string(want_shutdown);
        }
        if (!problem.empty()) {
            std::fprintf(stderr, "cross_pictures: case %s (seed %u, %u runs): %s\n", c.name.c_str(),
                         c.seed, runs[i], problem.c_str());
            ++failures;
        }
        all_runs += runs[i] + c.reset;
        independent += !c.hash.empty();
    }
    if (failures != 0) {
        std::fprintf(stderr, "cross_pictures: %d of %zu cases failed; pictures kept in %s\n",
                     failures, table.size(), out.c_str());
        return 1;
    }
    fs::remove_all(out);
    std::printf(
        "cross_pictures: %zu cases, %u runs: every last picture is the desktop's (%u of them"
        " the independent model's), shutdown asked exactly at START\n",
        table.size(), all_runs, independent);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: cross_pictures WORK HOST CORE [RUNNER...]\n");
        return 2;
    }
    std::vector<std::string> command(argv + 4, argv + argc);
    command.insert(command.end(), {argv[2], argv[3]});
    try {
        return check(argv[1], command);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cross_pictures: %s\n", error.what());
        return 1;
    }
}
