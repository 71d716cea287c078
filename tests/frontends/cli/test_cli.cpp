// The command as a user meets it: refusals with status 2 and no files, silent successful runs,
// and outputs that hold exactly the pictures of an in-process run.

#include <dirent.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_demo.h"

namespace {

using pbtest::slurp;

struct Result {
    int status = -1;
    std::string out, err;
};

class Folder {
  public:
    Folder() {
        char pattern[] = "/tmp/pbcli-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~Folder() { std::system(("rm -rf " + path_).c_str()); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(*this / name, std::ios::binary) << text;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        DIR* dir = opendir(path_.c_str());
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != ".." && name.rfind("std", 0) != 0) {
                names.push_back(name);
            }
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs the program in this folder.
    Result run(const std::vector<std::string>& arguments) const {
        const std::string out = *this / "stdout", err = *this / "stderr";
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(path_.c_str()) != 0) {
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

  private:
    std::string path_;
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
                               "--record", "--scale", "--fullscreen", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const Result version = folder.run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "plasmaballs 1.0.0\n");
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

}  // namespace
