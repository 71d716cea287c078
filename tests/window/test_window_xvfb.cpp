// The real window on a private Xvfb server: it shows exactly the headless picture (through each
// road to the screen, at whole scales), runs in real time without spinning, and Escape, closing
// the window and F12 behave as a user expects. Pulses the window may miss on a loaded machine do
// not matter: pictures are compared with the headless run of as many frames as the window drew.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/run_demo.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using pbtest::slurp;

using Clock = std::chrono::steady_clock;

// An X server of our own; -displayfd lets it choose a free display, so parallel runs never race.
// -noreset: by default the server resets when its last client leaves, refusing connections
// meanwhile, which a test that starts one window after another would run into.
class Xvfb {
  public:
    Xvfb() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c;
        while (poll(&ready, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) {
            display_ = ":" + number;
        }
    }
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// What PLASMABALLS_TEST_SHOWN holds: the rising edges seen, the road to the screen, the pixels.
struct Shown {
    uint32_t rises = 0;
    std::string pipeline;
    int width = 0, height = 0;
    std::vector<host::Rgb> pixels;
};

std::optional<Shown> read_shown(const std::string& path) {
    std::istringstream in(slurp(path));
    std::string magic, hash, word;
    Shown shown;
    int depth = 0;
    if (!(in >> magic >> hash >> word >> shown.rises >> word >> shown.pipeline >> shown.width >>
          shown.height >> depth) ||
        magic != "P6" || depth != 255) {
        return std::nullopt;
    }
    in.get();
    shown.pixels.resize((size_t)shown.width * shown.height);
    in.read((char*)shown.pixels.data(), (std::streamsize)(shown.pixels.size() * 3));
    if (!in) {
        return std::nullopt;
    }
    return shown;
}

// Pixels of `picture` as a w x h window must show them: scaled by the largest whole factor that
// fits, centred, black around.
std::vector<host::Rgb> letterboxed(const host::Picture& picture, int w, int h) {
    const int scale = std::max(1, std::min(w / host::kWidth, h / host::kHeight));
    const int left = std::max(0, (w - host::kWidth * scale) / 2);
    const int top = std::max(0, (h - host::kHeight * scale) / 2);
    std::vector<host::Rgb> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int sx = (x - left) / scale, sy = (y - top) / scale;
            const bool inside = x >= left && y >= top && sx < host::kWidth && sy < host::kHeight;
            pixels.push_back(inside
                                 ? picture.palette[picture.pixels[(size_t)sy * host::kWidth + sx]]
                                 : host::Rgb{});
        }
    }
    return pixels;
}

std::optional<std::vector<host::Rgb>> read_png(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<host::Rgb> pixels((size_t)image.width * image.height);
    if (image.width != (unsigned)host::kWidth || image.height != (unsigned)host::kHeight ||
        !png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return pixels;
}

// The X side of the test: finds the program's window by its process and talks to it as a
// window manager and a keyboard would.
class XClient {
  public:
    explicit XClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
        // A window that went away meanwhile is the test's finding to report, not a reason to abort.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~XClient() {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    bool connected() const { return display_ != nullptr; }

    // The mapped top-level window of process `pid`, waiting up to `seconds` for it.
    Window wait_for_window(pid_t pid, double seconds) {
        const Atom wm_pid = XInternAtom(display_, "_NET_WM_PID", False);
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline) {
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            Window found = 0;
            if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children,
                           &count)) {
                for (unsigned i = 0; i < count && !found; ++i) {
                    if (pid_of(children[i], wm_pid) == pid && viewable(children[i])) {
                        found = children[i];
                    }
                }
                XFree(children);
            }
            if (found) {
                return found;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }
    // What a window manager sends when the user clicks the close button.
    void close(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long)XInternAtom(display_, "WM_DELETE_WINDOW", False);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
    }
    void resize(Window window, unsigned w, unsigned h) {
        XResizeWindow(display_, window, w, h);
        XFlush(display_);
    }
    void press(Window window, KeySym key) {
        for (int type : {KeyPress, KeyRelease}) {
            XEvent event{};
            event.xkey.type = type;
            event.xkey.window = window;
            event.xkey.root = DefaultRootWindow(display_);
            event.xkey.time = CurrentTime;
            event.xkey.same_screen = True;
            event.xkey.keycode = XKeysymToKeycode(display_, key);
            XSendEvent(display_, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                       &event);
            XFlush(display_);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

  private:
    pid_t pid_of(Window window, Atom wm_pid) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        pid_t pid = -1;
        if (XGetWindowProperty(display_, window, wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data != nullptr && items == 1) {
            pid = (pid_t) * (const long*)data;
        }
        if (data) {
            XFree(data);
        }
        return pid;
    }
    bool viewable(Window window) {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display_, window, &attributes) &&
               attributes.map_state == IsViewable;
    }
    Display* display_;
};

// Processor time (user + system) of a running process, in seconds.
double cpu_seconds(pid_t pid) {
    std::istringstream in(slurp("/proc/" + std::to_string(pid) + "/stat"));
    std::string field;
    in >> field >> field;  // pid, (name) — the name has no spaces here
    for (int i = 3; i <= 13; ++i) {
        in >> field;
    }
    double user = 0, system = 0;
    in >> user >> system;
    return (user + system) / (double)sysconf(_SC_CLK_TCK);
}

struct Ended {
    int status = -1;
    double seconds = 0;
    std::string err;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pbwindow-XXXXXX";
        folder_ = mkdtemp(pattern);
        ASSERT_FALSE(xvfb_.display().empty()) << "Xvfb did not start";
    }
    void TearDown() override { std::system(("rm -rf " + folder_).c_str()); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    // Starts the program in the test folder on the test's display.
    pid_t start(const std::vector<std::string>& arguments,
                const std::vector<std::pair<std::string, std::string>>& environment = {}) {
        started_ = Clock::now();
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(folder_.c_str()) != 0) {
                _exit(127);
            }
            dup2(open("stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            setenv("DISPLAY", xvfb_.display().c_str(), 1);
            setenv("PLASMABALLS_TEST_SHOWN", "shown.ppm", 1);
            unsetenv("SDL_RENDER_DRIVER");
            // Under the sanitizers, no leak report at exit: the system libraries behind SDL
            // keep allocations for the life of the process, some in OpenGL drivers unloaded
            // before the report could name them. Memory errors are still caught.
            const char* asan = getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS",
                   ((asan ? std::string(asan) + ":" : "") + "detect_leaks=0").c_str(), 1);
            unsetenv("SDL_VIDEODRIVER");
            for (const auto& [name, value] : environment) {
                if (value.empty()) {
                    unsetenv(name.c_str());
                } else {
                    setenv(name.c_str(), value.c_str(), 1);
                }
            }
            pbtest::exec_program(PLASMABALLS_BINARY, arguments);
        }
        return child;
    }

    // Waits for the program to end (killing it after `seconds`).
    Ended finish(pid_t child, double seconds = 20) {
        Ended run;
        int status = 0;
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                ADD_FAILURE() << "the window did not end in time";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.err = slurp(path("stderr"));
        return run;
    }

    // The window's last picture, w x h, equals the headless one after as many frames.
    void expect_headless_picture(uint16_t seed, int w, int h, const std::string& pipeline = "") {
        const std::optional<Shown> shown = read_shown(path("shown.ppm"));
        ASSERT_TRUE(shown) << "no picture read back from the window";
        if (!pipeline.empty()) {
            EXPECT_EQ(shown->pipeline, pipeline);
        }
        ASSERT_EQ(shown->width, w);
        ASSERT_EQ(shown->height, h);
        const pbtest::Run headless = pbtest::run_headless(seed, shown->rises);
        EXPECT_TRUE(shown->pixels == letterboxed(headless.picture, w, h))
            << "the window does not show the headless picture of " << shown->rises << " frames ("
            << shown->pipeline << ", " << w << " x " << h << ")";
    }

    Xvfb xvfb_;
    std::string folder_;
    Clock::time_point started_;
};

TEST_F(WindowTest, ShowsTheHeadlessPictureOnEveryRoadInRealTime) {
    struct Case {
        std::string driver;  // SDL_RENDER_DRIVER; empty lets the window choose
        std::string scale;
        int width, height;
        std::string pipeline;
    };
    const Case cases[] = {
        {"", "1", 320, 240, ""},
        {"", "3", 960, 720, ""},
        {"opengl", "2", 640, 480, "opengl"},
        {"software", "2", 640, 480, "software"},
    };
    constexpr uint32_t kFrames = 45;
    uint16_t seed = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver + " scale " + c.scale);
        ++seed;
        const Ended run = finish(start({"--seed", std::to_string(seed), "--frames",
                                        std::to_string(kFrames), "--scale", c.scale},
                                       {{"SDL_RENDER_DRIVER", c.driver}}));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        // START comes at pulse 45, which the 60 Hz clock reaches no sooner than 0.75 s in.
        EXPECT_GE(run.seconds, kFrames / 60.0);
        expect_headless_picture(seed, c.width, c.height, c.pipeline);
    }
}

TEST_F(WindowTest, EscapeLeavesThroughTheHandOver) {
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"--seed", "77", "--scale", "1", "--screenshot", "end.png"});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";

    // While it runs, waiting for the pulses costs next to no processor time.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double cpu_before = cpu_seconds(child);
    const auto wall_before = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const double busy = (cpu_seconds(child) - cpu_before) /
                        std::chrono::duration<double>(Clock::now() - wall_before).count();
    EXPECT_LT(busy, 0.25) << "the window spins instead of sleeping until the next pulse";

    x.press(window, XK_F12);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    x.press(window, XK_Escape);
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    expect_headless_picture(77, 320, 240);

    const pbtest::Run headless = pbtest::run_headless(77, read_shown(path("shown.ppm"))->rises);
    EXPECT_EQ(read_png(path("end.png")), letterboxed(headless.picture, 320, 240))
        << "the hand-over's screenshot is not the picture at the hand-over";

    // F12 left a timestamped palette PNG in the current folder and said so.
    std::string screenshot;
    DIR* dir = opendir(folder_.c_str());
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("plasmaballs-", 0) == 0 && name.size() > 4 &&
            name.substr(name.size() - 4) == ".png") {
            screenshot = name;
        }
    }
    closedir(dir);
    ASSERT_FALSE(screenshot.empty()) << "F12 wrote no screenshot; stderr: " << run.err;
    EXPECT_TRUE(read_png(path(screenshot)).has_value());
    EXPECT_EQ(run.err, "plasmaballs: screenshot saved as " + screenshot + "\n");
}

TEST_F(WindowTest, ClosingTheWindowLeavesThroughTheHandOver) {
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"--seed", "78", "--scale", "1", "--record", "run.gif"});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    x.close(window);
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    expect_headless_picture(78, 320, 240);
    EXPECT_EQ(slurp(path("run.gif")).substr(0, 6), "GIF89a") << "the recording was not finished";
}

TEST_F(WindowTest, AResizedWindowKeepsAWholeScaleBetweenBlackBars) {
    for (const std::string driver : {"", "opengl"}) {
        SCOPED_TRACE(driver.empty() ? "chosen road" : driver);
        XClient x(xvfb_.display());
        ASSERT_TRUE(x.connected());
        const pid_t child =
            start({"--seed", "79", "--scale", "1"}, {{"SDL_RENDER_DRIVER", driver}});
        const Window window = x.wait_for_window(child, 15);
        ASSERT_NE(window, 0u) << "no window appeared";
        x.resize(window, 700, 500);  // as a window manager would: scale 2, bars of 30 and 10
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        x.press(window, XK_Escape);
        const Ended run = finish(child);
        ASSERT_EQ(run.status, 0) << run.err;
        expect_headless_picture(79, 700, 500, driver);
    }
}

TEST_F(WindowTest, WithoutADisplayItSaysSoInOneLine) {
    const pid_t child = start({"--seed", "1", "--screenshot", "never.png"},
                              {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    const Ended run = finish(child);
    EXPECT_EQ(run.status, 3);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind("plasmaballs: no display", 0), 0u) << run.err;
    EXPECT_FALSE(std::ifstream(path("never.png")).good());
    EXPECT_FALSE(std::ifstream(path("shown.ppm")).good());
}

}  // namespace
