// Options are taken as text and checked here, decimal digits only, so that "1e3", "0x10" or
// " 7" are refused instead of being read some other way.

#include "frontends/desktop/command_line.h"

#include "frontends/capture/video_output.h"
#include "frontends/common/decimal.h"
#include "frontends/common/number_options.h"
#include "frontends/common/text.h"
#include "plasmaballs_version.h"

#include <CLI/CLI.hpp>

#include <functional>

namespace frontends::desktop {
namespace {

constexpr const char* kVersion = "plasmaballs " PLASMABALLS_VERSION;

bool has_control_character(const std::string& text) {
    for (char c : text) {
        if (is_control(c)) {
            return true;
        }
    }
    return false;
}

// Values are quoted as given, so the error is made one line; CLI11 breaks its own messages into
// lines, which become spaces.
CommandLine failure(const std::string& message, LineBreaks breaks = LineBreaks::kShown) {
    CommandLine result;
    result.exit_status = 2;
    result.error = "plasmaballs: " + one_line(message, breaks) + " (see --help)";
    return result;
}

// The options' texts as typed, checked after parsing.
struct Typed {
    std::string seed, frames, scale, record_every, record_scale, record_limit;
};

// "Counter value ..., 0-65535 (default ...)": a help text around the range the table gives.
std::string with_range(const char* before, const NumberOption& option, const char* after) {
    return before + range_text(option) + after;
}

void declare_options(CLI::App& app, Options& options, Typed& typed) {
    app.set_version_flag("--version", kVersion);
    app.add_flag("--headless", options.headless,
                 "Run without a window, as fast as possible: every sync wait takes one pulse");
    app.add_option("--seed", typed.seed,
                   with_range("Counter value that seeds the generator, ", kSeedOption,
                              " (default: 0 headless, from the clock in the window)"))
        ->type_name("N");
    app.add_option("--frames", typed.frames,
                   "Hold START from pulse N on, so that N frames are drawn (0 holds it "
                   "during set-up)")
        ->type_name("N");
    app.add_option("FILE", options.run_file,
                   "A run file (as --save-input writes it, FILE.pbrun) to replay from its seed: "
                   "its buttons alone until it ends, then the player's (in the window); a run "
                   "that ended with START stays on its last picture until the window is closed. "
                   "--headless ends on its last picture")
        ->type_name("");
    app.add_option("--input", options.input,
                   "Button script: lines of \"<pulse> <buttons>\", buttons \"none\" or names "
                   "joined by + (start select up down left right up-left up-right down-left "
                   "down-right); # starts a comment")
        ->type_name("FILE");
    app.add_option("--screenshot", options.outputs.screenshot,
                   "Write the picture at the hand-over as an 8-bit palette PNG")
        ->type_name("FILE.png");
    app.add_option("--record", options.outputs.record,
                   "Record the display, by the name's extension: an animated GIF (every second "
                   "pulse, 30 frames per second), or an MP4 (H.264) or WebM (VP9) video of "
                   "every pulse at 60 frames per second")
        ->type_name("FILE.gif|FILE.mp4|FILE.webm");
    app.add_option("--record-every", typed.record_every,
                   with_range("Put every Nth pulse in the GIF, ", kRecordEveryOption,
                              " (default 2: 30 frames per second; larger values make smaller "
                              "files)"))
        ->type_name("N");
    app.add_option("--record-scale", typed.record_scale,
                   with_range("Scale the video's pictures up by N, ", kRecordScaleOption,
                              ", each pixel a square (default 2: even scales keep every "
                              "pixel's colour exact)"))
        ->type_name("N");
    app.add_option("--record-limit", typed.record_limit,
                   "Make the recording fit within SIZE bytes, such as 10M (K is 1,000, M "
                   "1,000,000), headless only: a video in two passes at the best picture that "
                   "fits (30 frames per second, or 60 where the limit leaves as good a picture as "
                   "without one), a GIF by the pulses between its frames (said on stderr)")
        ->type_name("SIZE");
    app.add_option("--save-input", options.outputs.save_input,
                   "When the run ends, write a run file of what the demo read (its seed and "
                   "buttons), which replays the run as plasmaballs FILE")
        ->type_name("FILE");
    app.add_option("--scale", typed.scale,
                   with_range("Window scale factor ", kScaleOption,
                              " (default: largest that fits, up to 4)"))
        ->type_name("N");
    app.add_flag("--fullscreen", options.fullscreen, "Start the window in fullscreen");
    app.footer(
        "Keys in the window: arrows push the balls, Space or Shift is SELECT (slow motion),\n"
        "Enter is START (the end; so are Escape and closing the window). P pauses and resumes,\n"
        "N advances one pulse while paused, Tab held fast-forwards, Backspace held rewinds;\n"
        "Shift+F1 to Shift+F9 save the run in a slot, F1 to F9 load it (slots are files in\n"
        "$XDG_STATE_HOME/plasmaballs, or ~/.local/state/plasmaballs). F11 or Alt+Enter is\n"
        "fullscreen, F12 a screenshot.");
}

// The numbers, each read by the one reader; the message of the first one refused.
std::optional<std::string> check_numbers(const CLI::App& app, const Typed& typed,
                                         Options& options) {
    struct Number {
        const NumberOption& option;
        const std::string& text;
        std::function<void(uint64_t)> store;
        const char* goes_with;  // an option it is nothing without, or null
    };
    const Number numbers[] = {
        {kSeedOption, typed.seed, [&](uint64_t v) { options.seed = (uint16_t)v; }, nullptr},
        {kFramesOption, typed.frames, [&](uint64_t v) { options.frames = (uint32_t)v; }, nullptr},
        {kScaleOption, typed.scale, [&](uint64_t v) { options.scale = (int)v; }, nullptr},
        {kRecordEveryOption, typed.record_every,
         [&](uint64_t v) { options.outputs.record_every = (int)v; }, "--record"},
        {kRecordScaleOption, typed.record_scale,
         [&](uint64_t v) { options.outputs.record_scale = (int)v; }, nullptr},
    };
    for (const Number& number : numbers) {
        const std::string flag = "--" + std::string(number.option.name);
        if (!app.count(flag)) {
            continue;
        }
        const std::optional<uint64_t> value = read_number(number.option, number.text);
        if (!value) {
            return number_refused(flag, number.option, number.text);
        }
        if (number.goes_with != nullptr && !app.count(number.goes_with)) {
            return flag + " goes with " + number.goes_with;
        }
        number.store(*value);
    }
    return std::nullopt;
}

// The largest --record-limit, which keeps every digit count within what the decimal reader takes.
constexpr uint64_t kMostBytes = 4'000'000'000;

// A size as --record-limit takes it: decimal digits, then K (thousands) or M (millions) if wanted.
std::optional<uint64_t> read_size(std::string_view text) {
    uint64_t unit = 1;
    if (!text.empty() && (text.back() == 'K' || text.back() == 'M')) {
        unit = text.back() == 'K' ? 1'000 : 1'000'000;
        text.remove_suffix(1);
    }
    const std::optional<uint64_t> value = parse_decimal(text, kMostBytes / unit);
    if (!value || *value == 0) {
        return std::nullopt;
    }
    return *value * unit;
}

// --record-limit: its size, and what it goes with. It needs the run's length before the run, so
// not the window; it chooses the GIF's interval itself; and an odd scale would cost every video
// within a size its exact colours.
std::optional<std::string> check_limit(const CLI::App& app, const Typed& typed, Options& options) {
    if (!app.count("--record-limit")) {
        return std::nullopt;
    }
    options.outputs.record_limit = read_size(typed.record_limit);
    if (!options.outputs.record_limit) {
        return "--record-limit takes a size from 1 to 4000M: a whole number of bytes, or of "
               "thousands or millions with K or M after it, not \"" +
               typed.record_limit + "\"";
    }
    if (!app.count("--record")) {
        return "--record-limit goes with --record";
    }
    if (!options.headless) {
        return "--record-limit is for --headless runs: a window's run has no length known before "
               "it starts";
    }
    if (app.count("--record-every")) {
        return "--record-limit chooses the GIF's pulses between frames itself: not with "
               "--record-every";
    }
    if (video_format_for(options.outputs.record) && options.outputs.record_scale % 2 != 0) {
        return "--record-limit takes an even --record-scale: at odd scales 4:2:0 mixes "
               "neighbouring pixels' colours";
    }
    return std::nullopt;
}

// The file names and the options that must or must not go together.
std::optional<std::string> check_files(const CLI::App& app, const Options& options) {
    for (const auto& [option, name] : {std::pair{"--input", &options.input},
                                       std::pair{"--save-input", &options.outputs.save_input},
                                       std::pair{"FILE", &options.run_file}}) {
        if (app.count(option) && name->empty()) {
            return std::string(option) + " needs a file name";
        }
    }
    if (app.count("FILE") && app.count("--input")) {
        return "a run FILE replays on its own: it does not go with --input";
    }
    // Every later error quotes these names; a control character in one would break its line.
    for (const auto& [option, name] :
         {std::pair{"FILE", &options.run_file}, std::pair{"--input", &options.input},
          std::pair{"--screenshot", &options.outputs.screenshot},
          std::pair{"--record", &options.outputs.record},
          std::pair{"--save-input", &options.outputs.save_input}}) {
        if (has_control_character(*name)) {
            return std::string(option) + " names a file with a control character in it";
        }
    }
    if (app.count("--screenshot") && !has_suffix(options.outputs.screenshot, ".png")) {
        return "--screenshot writes a PNG: its name must end in .png";
    }
    const bool gif = has_suffix(options.outputs.record, ".gif");
    const bool video = video_format_for(options.outputs.record).has_value();
    if (app.count("--record") && !gif && !video) {
        return "--record writes a GIF, an MP4 or a WebM video: its name must end in .gif, .mp4 "
               "or .webm";
    }
    if (app.count("--record-every") && !gif) {
        return "--record-every is for a GIF; a video holds every pulse";
    }
    if (app.count("--record-scale") && !video) {
        return "--record-scale goes with --record FILE.mp4 or FILE.webm";
    }
    for (const auto& [a, b] : {std::pair{&options.outputs.screenshot, &options.outputs.record},
                               std::pair{&options.outputs.screenshot, &options.outputs.save_input},
                               std::pair{&options.outputs.record, &options.outputs.save_input}}) {
        if (!a->empty() && *a == *b) {
            return "--screenshot, --record and --save-input must name different files";
        }
    }
    if (options.headless && (options.fullscreen || options.scale != 0)) {
        return "--scale and --fullscreen are for the window, not --headless";
    }
    return std::nullopt;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
    CLI::App app{
        "48 spinning, colliding balls over a colour-cycling plasma, on a simulated "
        "320 x 240 palette console.",
        "plasmaballs"};
    Options options;
    Typed typed;
    declare_options(app, options, typed);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    if (!reversed.empty()) {
        reversed.pop_back();  // the program's own name
    }
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        CommandLine result;
        result.output = app.help();
        return result;
    } catch (const CLI::CallForVersion&) {
        CommandLine result;
        result.output = std::string(kVersion) + "\n";
        return result;
    } catch (const CLI::ParseError& error) {
        return failure(error.what(), LineBreaks::kSpaces);
    }
    if (auto error = check_numbers(app, typed, options)) {
        return failure(*error);
    }
    if (auto error = check_files(app, options)) {
        return failure(*error);
    }
    if (auto error = check_limit(app, typed, options)) {
        return failure(*error);
    }
    CommandLine result;
    result.options = options;
    return result;
}

CommandLine parse_command_line(int argc, const char* const* argv) {
    return parse_command_line(std::vector<std::string>(argv, argv + argc));
}

}  // namespace frontends::desktop
