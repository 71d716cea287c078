// The command as a user meets it: refusals with status 2 and no files, silent successful runs,
// and outputs that hold exactly the pictures of an in-process run.

#include <fcntl.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontends/capture/record_limit.h"
#include "plasmaballs_version.h"
#include "support/run_demo.h"
#include "support/temp_folder.h"
#include "support/video_file.h"

namespace {

using pbtest::slurp;

struct Result {
    int status = -1;
    std::string out, err;
};

class Folder : public pbtest::TempFolder {
  public:
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(*this / name, std::ios::binary) << text;
    }
    // The names in it besides the runs' stdout and stderr, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names = TempFolder::entries();
        std::erase_if(names, [](const std::string& name) { return name.rfind("std", 0) == 0; });
        return names;
    }

    // Runs the program in this folder, with TMPDIR set if `temporary` is given.
    Result run(const std::vector<std::string>& arguments, const std::string& temporary = "") const {
        const std::string out = *this / "stdout", err = *this / "stderr";
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(path().c_str()) != 0 ||
                (!temporary.empty() && setenv("TMPDIR", temporary.c_str(), 1) != 0)) {
                _exit(127);
            }
            dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            pbtest::exec_program(PLASMABALLS_BINARY, arguments);
        }
        int status = 0;
        waitpid(child, &status, 0);
        Result result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = slurp(out);
        result.err = slurp(err);
        return result;
    }
};

sim::Picture read_png(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    sim::Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << " is not a PNG";
        return picture;
    }
    image.format = PNG_FORMAT_RGB_COLORMAP;
    std::vector<uint8_t> colours(PNG_IMAGE_COLORMAP_SIZE(image));
    EXPECT_EQ(image.colormap_entries, 256u);
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, colours.data()));
    for (int i = 0; i < 256; ++i) {
        picture.palette[i] = {colours[3 * i], colours[3 * i + 1], colours[3 * i + 2]};
    }
    return picture;
}

struct Refusal {
    std::vector<std::string> arguments;
    std::string message;  // expected within the error line
};

TEST(Cli, RefusesBadInputWithStatusTwoAndNoFiles) {
    // A recording of 600 pulses within `limit`, with further arguments.
    const auto limited = [](const char* file, const char* limit,
                            std::vector<std::string> more = {}) {
        more.insert(more.begin(),
                    {"--headless", "--frames", "600", "--record", file, "--record-limit", limit});
        return more;
    };
    const std::vector<Refusal> cases = {
        {{"--headless", "--frames", "1", "--seed", "65536"}, "--seed takes a whole number"},
        {{"--headless", "--frames", "1", "--seed", "-1"}, "--seed"},
        {{"--headless", "--frames", "1", "--seed", "0x10"}, "--seed takes a whole number"},
        {{"--headless", "--frames", "1e3"}, "--frames takes a whole number"},
        {{"--headless", "--frames", ""}, "--frames takes a whole number"},
        {{"--headless", "--frames", "4294967296"}, "--frames takes a whole number"},
        {{"--headless", "--bogus"}, "bogus"},
        {{"--headless", "--frames"}, "--frames"},
        {{"--headless"}, "would never end"},
        {{"--headless", "--input", "script.txt"}, "would never end"},
        {{"--headless", "--frames", "1", "--input", "missing.txt"}, "missing.txt: cannot be read"},
        {{"--headless", "--frames", "1", "--input", "bad.txt"}, "bad.txt: line 2: unknown button"},
        {{"--headless", "--frames", "1", "--screenshot", "a.bmp"}, "must end in .png"},
        {{"--headless", "--frames", "1", "--record", "a.png"}, "must end in .gif"},
        {{"--headless", "--frames", "1", "--screenshot", "no/such/dir/a.png"}, "cannot be written"},
        {{"--headless", "--frames", "1", "--record", "/proc/x.gif", "--screenshot", "ok.png"},
         "cannot be written"},
        {{"--headless", "--frames", "1", "--scale", "2"}, "for the window"},
        {{"--scale", "0"}, "--scale takes"},
        {{"stray"}, "stray"},
        {{"--headless", "--frames", "1", "--record", "r.gif", "--record-every", "1"},
         "--record-every takes"},
        {{"--headless", "--frames", "1", "--record-every", "6"}, "goes with --record"},
        {{"--headless", "--frames", "1", "--record", "a.avi"}, "must end in .gif, .mp4 or .webm"},
        {{"--headless", "--frames", "1", "--record", "/proc/x.mp4"}, "cannot be written"},
        {{"--headless", "--frames", "1", "--record", "r.mp4", "--record-every", "3"},
         "--record-every is for a GIF"},
        {{"--headless", "--frames", "1", "--record", "r.gif", "--record-scale", "2"},
         "--record-scale goes with --record FILE.mp4 or FILE.webm"},
        {{"--headless", "--frames", "1", "--record", "r.webm", "--record-scale", "0"},
         "--record-scale takes a whole number from 1 to 8"},
        {{"--headless", "--frames", "1", "--record", "r.mp4", "--record-scale", "9"},
         "--record-scale takes"},
        {{"--headless", "--frames", "1", "--record", "r.mp4", "--record-scale", "2x"},
         "--record-scale takes"},
        {limited("r.mp4", "M"), "--record-limit takes a size from 1 to 4000M"},
        {limited("r.mp4", ""), "--record-limit takes a size"},
        {limited("r.webm", "0"), "--record-limit takes a size"},
        {limited("r.gif", "0K"), "--record-limit takes a size"},
        {limited("r.mp4", "10G"), "--record-limit takes a size"},
        {limited("r.mp4", "10MB"), "--record-limit takes a size"},
        {limited("r.mp4", "4001M"), "--record-limit takes a size"},
        {{"--headless", "--frames", "600", "--record-limit", "10M"},
         "--record-limit goes with --record"},
        {{"--record", "r.mp4", "--record-limit", "10M"}, "--record-limit is for --headless runs"},
        {limited("r.mp4", "3M"),
         "--record-limit 3M is too small for a video of up to 617 pulses (10.3 s) at scale 2"},
        {limited("r.webm", "6M", {"--record-scale", "8"}), "--record-limit 6M is too small"},
        {limited("r.gif", "500K"), "--record-limit 500K is too small for a GIF"},
        {limited("r.mp4", "10M", {"--record-scale", "3"}),
         "--record-limit takes an even --record-scale"},
        {limited("r.webm", "10M", {"--record-scale", "1"}),
         "--record-limit takes an even --record-scale"},
        {limited("r.gif", "10M", {"--record-every", "4"}), "not with --record-every"},
        {{"--headless", "--frames", "1", "--save-input", ""}, "--save-input needs a file name"},
        {{"--headless", "--frames", "1", "--save-input", "a\tb.txt"}, "control character"},
        {{"--headless", "--frames", "1", "--save-input", "no/such/dir/s.txt"}, "cannot be written"},
        {{"--headless", "--frames", "1", "--record", "r.mp4", "--save-input", "r.mp4"},
         "must name different files"},
        {{"--headless", "script.txt", "--input", "script.txt"}, "does not go with --input"},
        {{"--headless", "bad.txt"}, "bad.txt: line 2: unknown button"},
        {{"--headless", "missing.pbrun"}, "missing.pbrun: cannot be read"},
        {{"--headless", "script.txt", "script.txt"}, "script.txt"},
    };
    Folder folder;
    folder.write("script.txt", "3 up\n");
    folder.write("bad.txt", "# fine\n4 sideways\n");
    for (const Refusal& c : cases) {
        const Result result = folder.run(c.arguments);
        std::string shown;
        for (const std::string& a : c.arguments) {
            shown += a + " ";
        }
        EXPECT_EQ(result.status, 2) << shown;
        EXPECT_EQ(result.err.rfind("plasmaballs: ", 0), 0u) << shown << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << shown << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(result.out.empty()) << shown;
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{"bad.txt", "script.txt"})) << shown;
    }
}

TEST(Cli, HelpAndVersionSucceed) {
    Folder folder;
    const Result help = folder.run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--headless", "--seed", "--frames", "--input", "--screenshot",
                               "--record", "--record-every", "--record-scale", "--record-limit",
                               "--save-input", "--scale", "--fullscreen", "--version", "P pauses",
                               "Tab held", "Backspace held", "Shift+F1 to Shift+F9", "F1 to F9"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const Result version = folder.run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "plasmaballs " PLASMABALLS_VERSION "\n");
}

TEST(Cli, ScreenshotHoldsTheExactFrameAndRunsAreRepeatable) {
    Folder folder;
    folder.write("moves.txt", "2 right\n5 up-left+select\n30 none\n");
    const std::vector<std::string> arguments = {"--headless", "--seed",       "4321",
                                                "--frames",   "40",           "--input",
                                                "moves.txt",  "--screenshot", "a.png"};
    const Result first = folder.run(arguments);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.out.empty() && first.err.empty()) << "a successful run prints nothing";
    const pbtest::Run expected =
        pbtest::run_headless(4321, 40, "2 right\n5 up-left+select\n30 none\n");
    EXPECT_TRUE(read_png(folder / "a.png") == expected.picture);

    std::vector<std::string> again = arguments;
    again.back() = "b.png";
    EXPECT_EQ(folder.run(again).status, 0);
    EXPECT_EQ(slurp(folder / "a.png"), slurp(folder / "b.png"));
}

TEST(Cli, FramesZeroShowsThePlasmaAsGenerated) {
    Folder folder;
    ASSERT_EQ(folder.run({"--headless", "--frames", "0", "--screenshot", "p.png"}).status, 0);
    const sim::Picture picture = read_png(folder / "p.png");
    const pbtest::Run run = pbtest::run_headless(0, 0);
    EXPECT_TRUE(
        std::equal(picture.pixels.begin(), picture.pixels.end(), run.video.begin() + 0x280000));
    for (uint8_t p : picture.pixels) {
        ASSERT_GE(p, 76);
    }
}

TEST(Cli, RecordingSamplesEverySecondPulse) {
    Folder folder;
    const Result result = folder.run({"--headless", "--frames", "20", "--record", "r.gif"});
    ASSERT_EQ(result.status, 0) << result.err;
    // Pulses 1, 3, ..., 19: ten frames.
    int error = 0;
    GifFileType* gif = DGifOpenFileName((folder / "r.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 10);
    DGifCloseFile(gif, &error);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"r.gif"});
}

TEST(Cli, VideosHoldEveryPulseAtSixtyFramesPerSecond) {
    struct Case {
        std::vector<std::string> arguments;
        std::string codec;
        int scale;
    };
    const Case cases[] = {
        {{"--record", "run.mp4"}, "h264", 2},
        {{"--record", "run.webm", "--record-scale", "4"}, "vp9", 4},
    };
    constexpr int kPulses = 30;
    // The last frame is the display at pulse 30's rise, after 29 frames were drawn.
    const sim::Picture last = pbtest::run_headless(2468, kPulses - 1).picture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        Folder folder;
        std::vector<std::string> arguments = {"--headless", "--seed", "2468", "--frames",
                                              std::to_string(kPulses)};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Result result = folder.run(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        double quality = 0;
        const auto stream = pbtest::read_video(
            folder / c.arguments[1], [&](int frame, const std::vector<uint8_t>& rgb) {
                if (frame == kPulses - 1) {
                    quality = pbtest::psnr(rgb, pbtest::scaled_rgb(last, c.scale));
                }
            });
        ASSERT_TRUE(stream) << "the video cannot be decoded";
        EXPECT_EQ(stream->codec, c.codec);
        EXPECT_EQ(stream->rate_num, 60 * stream->rate_den)
            << stream->rate_num << "/" << stream->rate_den;
        EXPECT_EQ(stream->frames, kPulses);
        EXPECT_EQ(stream->width, 320 * c.scale);
        EXPECT_EQ(stream->height, 240 * c.scale);
        EXPECT_GE(quality, 40.0) << "dB against the exact picture, scaled";
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{c.arguments[1]}));
    }
}

// The pictures at every pulse's rise, as the recorder is given them.
std::vector<sim::Picture> pictures(uint16_t seed, uint32_t frames) {
    std::vector<sim::Picture> shown;
    frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, frames));
    frontend.on_pulse = [&shown](const sim::Board& board, uint32_t) {
        shown.push_back(board.picture());
    };
    sim::Board board(frontend);
    board.set_counter((uint32_t)seed << 16);
    frontend.prepare(board);
    sim::run_demo(board);
    return shown;
}

uint64_t size_of(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (uint64_t)info.st_size : 0;
}

TEST(Cli, AVideoWithinALimitFitsAtTheRateItChose) {
    struct Case {
        std::string name, limit;
        uint32_t pulses;
        uint64_t bytes;
        int rate;  // what the limit leaves: 30 frames a second, or 60 as good as without one
    };
    const Case cases[] = {
        {"run.mp4", "600K", 60, 600'000, 30},
        {"run.webm", "2500K", 40, 2'500'000, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        mkdir((folder / "tmp").c_str(), 0700);
        const Result result =
            folder.run({"--headless", "--seed", "2468", "--frames", std::to_string(c.pulses),
                        "--record", c.name, "--record-limit", c.limit},
                       folder / "tmp");
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_LE(size_of(folder / c.name), c.bytes);
        EXPECT_GT(size_of(folder / c.name), c.bytes / 2) << "the limit is there to be used";
        // Each frame is the picture of its own pulse: closer to it than to the pulse after.
        const std::vector<sim::Picture> exact = pictures(2468, c.pulses + 1);
        const int every = 60 / c.rate;
        double own = 0, next = 0;
        const auto stream =
            pbtest::read_video(folder / c.name, [&](int frame, const std::vector<uint8_t>& rgb) {
                const size_t pulse = (size_t)frame * every;  // from 0: pulse 1 is exact[0]
                if (pulse + 1 < exact.size()) {
                    own += pbtest::psnr(rgb, pbtest::scaled_rgb(exact[pulse], 2));
                    next += pbtest::psnr(rgb, pbtest::scaled_rgb(exact[pulse + 1], 2));
                }
            });
        ASSERT_TRUE(stream) << "the video cannot be decoded";
        EXPECT_EQ(stream->rate_num, c.rate * stream->rate_den);
        EXPECT_EQ(stream->frames, (int)frontends::frames_of(c.pulses, every));
        EXPECT_GT(own, next);
        EXPECT_GE(own / std::max(stream->frames, 1), 28.0) << "mean dB against the exact pictures";
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{c.name, "tmp"}));
        EXPECT_EQ(rmdir((folder / "tmp").c_str()), 0) << "the encoder's statistics were left";
    }
}

// A limit just below the GIF of every tenth pulse: more than the plan's figure for a frame lets
// through, so the run is made again, one pulse in 11.
TEST(Cli, AGifWithinALimitSaysTheIntervalItChose) {
    Folder folder;
    const auto run = [&folder](const char* option, const std::string& value) {
        return folder.run({"--headless", "--seed", "40000", "--frames", "6000", "--record", "r.gif",
                           option, value});
    };
    ASSERT_EQ(run("--record-every", "10").status, 0);
    const uint64_t limit = size_of(folder / "r.gif") - 1;
    ASSERT_EQ(frontends::gif_interval_within(limit, 6000 + frontends::kHandOverWithin), 10)
        << "this limit no longer makes the plan's first choice too large";
    unlink((folder / "r.gif").c_str());

    const Result result = run("--record-limit", std::to_string(limit));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err,
              "plasmaballs: r.gif holds one pulse in 11, 5.45 frames a second, to fit within " +
                  std::to_string(limit) + "\n");
    EXPECT_LE(size_of(folder / "r.gif"), limit);
    int error = 0;
    GifFileType* gif = DGifOpenFileName((folder / "r.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, (int)frontends::frames_of(6000, 11));
    DGifCloseFile(gif, &error);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"r.gif"});
}

TEST(Cli, ASavedInputReplaysTheRunByItsOwnCommand) {
    Folder folder;
    folder.write("moves.txt", "10 right\n40 select+up\n75 down-left\n110 none\n");
    const Result saved =
        folder.run({"--headless", "--seed", "97", "--frames", "150", "--input", "moves.txt",
                    "--save-input", "saved run.txt", "--screenshot", "a.png"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.err, "");
    const std::string script = slurp(folder / "saved run.txt");
    ASSERT_NE(script.find("# Replay: plasmaballs 'saved run.txt'\n"), std::string::npos) << script;
    // The replay as the file's own comment says it (headless, with a screenshot of its end), and
    // as a script with the seed typed again, as before.
    for (const std::vector<std::string>& replay :
         {std::vector<std::string>{"--headless", "saved run.txt", "--screenshot", "b.png"},
          {"--headless", "--seed", "97", "--input", "saved run.txt", "--screenshot", "b.png"}}) {
        ASSERT_EQ(folder.run(replay).status, 0);
        EXPECT_TRUE(read_png(folder / "a.png") == read_png(folder / "b.png"))
            << "the replay of\n"
            << script << "ends on another picture";
    }
}

TEST(Cli, ARunFileEndsOnThePictureWhereThePlayerTakesOver) {
    Folder folder;
    folder.write("mid.pbrun", "format 1\nseed 97\n10 right\n40 select+up\nend 75\n");
    const Result result = folder.run(
        {"--headless", "mid.pbrun", "--screenshot", "a.png", "--save-input", "again.pbrun"});
    ASSERT_EQ(result.status, 0) << result.err;
    // The player takes over at pulse 75's rise: 74 frames drawn.
    EXPECT_TRUE(read_png(folder / "a.png") ==
                pbtest::run_headless(97, 74, "10 right\n40 select+up\n").picture);
    EXPECT_NE(slurp(folder / "again.pbrun").find("\nseed 97\n10 right\n40 select+up\nend 75\n"),
              std::string::npos)
        << slurp(folder / "again.pbrun");
    // An explicit seed wins over the file's: the same buttons from another seed.
    ASSERT_EQ(
        folder.run({"--headless", "--seed", "5", "mid.pbrun", "--screenshot", "b.png"}).status, 0);
    EXPECT_TRUE(read_png(folder / "b.png") ==
                pbtest::run_headless(5, 74, "10 right\n40 select+up\n").picture);
}

// Runs the program with stderr on a terminal of its own and returns what the terminal showed.
std::string terminal_output(const std::vector<std::string>& arguments) {
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        pbtest::exec_program(PLASMABALLS_BINARY, arguments);
    }
    std::string shown;
    char buffer[4096];
    ssize_t got;
    while ((got = read(terminal, buffer, sizeof buffer)) > 0) {
        shown.append(buffer, (size_t)got);
    }
    close(terminal);
    waitpid(child, nullptr, 0);
    return shown;
}

TEST(Cli, ALongRunShowsItsProgressOnATerminalOnly) {
    // A run is long by its time, not its pulses: size it to take about three seconds here, so
    // that a fast machine does not finish before a line is due.
    Folder folder;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(folder.run({"--headless", "--frames", "20000"}).status, 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string frames =
        std::to_string(std::clamp((long)(20000 * 3.0 / std::max(seconds, 1e-3)), 20000L, 4000000L));
    const std::vector<std::string> arguments = {"--headless", "--frames", frames};
    const std::string shown = terminal_output(arguments);
    EXPECT_NE(shown.find("\rplasmaballs: pulse "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" of " + frames + " ("), std::string::npos) << shown;
    EXPECT_NE(shown.find(" pulses/s, "), std::string::npos) << shown;
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << "the line is not cleared at the end";
    const Result quiet = folder.run(arguments);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "") << "progress on a stderr that is not a terminal";
}

}  // namespace
