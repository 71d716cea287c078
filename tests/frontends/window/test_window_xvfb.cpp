// The real window on a private Xvfb server: it shows exactly a headless picture (through each road
// to the screen, at whole scales), runs in real time without spinning, Escape, closing the
// window and F12 behave as a user expects, and a run loaded from slots, paused, advanced and
// rewound still saves a script that replays to its last picture. What the window shows is read from
// the X server while the program is stopped; pulses it may miss on a loaded machine do not matter,
// as the picture is looked up among every pulse's picture of the headless run.

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

#include "frontends/window/slots.h"
#include "support/run_demo.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
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

// Pixels of `picture` as a w x h window must show them: scaled by the largest whole factor that
// fits, centred, black around.
std::vector<sim::Rgb> letterboxed(const sim::Picture& picture, int w, int h) {
    const int scale = std::max(1, std::min(w / sim::kWidth, h / sim::kHeight));
    const int left = std::max(0, (w - sim::kWidth * scale) / 2);
    const int top = std::max(0, (h - sim::kHeight * scale) / 2);
    std::vector<sim::Rgb> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int sx = (x - left) / scale, sy = (y - top) / scale;
            const bool inside = x >= left && y >= top && sx < sim::kWidth && sy < sim::kHeight;
            pixels.push_back(inside ? picture.palette[picture.pixels[(size_t)sy * sim::kWidth + sx]]
                                    : sim::Rgb{});
        }
    }
    return pixels;
}

std::optional<std::vector<sim::Rgb>> read_png(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<sim::Rgb> pixels((size_t)image.width * image.height);
    if (image.width != (unsigned)sim::kWidth || image.height != (unsigned)sim::kHeight ||
        !png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return pixels;
}

// A window's pixels, row by row.
struct Grab {
    int width = 0, height = 0;
    std::vector<sim::Rgb> pixels;
};

// The X side of the test: finds the program's window by its process, reads what it shows, and
// talks to it as a window manager and a keyboard would.
class XClient {
  public:
    explicit XClient(const std::string& display)
        : display_(XOpenDisplay(display.c_str())), name_(display) {
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
        return wait_for([&](Window window) { return pid_of(window, wm_pid) == pid; }, seconds);
    }
    // The first mapped top-level window that is `wanted`, waiting up to `seconds` for one.
    template <typename Wanted>
    Window wait_for(Wanted wanted, double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline) {
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            Window found = 0;
            if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children,
                           &count)) {
                for (unsigned i = 0; i < count && !found; ++i) {
                    found = wanted(children[i]) && viewable(children[i]) ? children[i] : 0;
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
    // What the window shows, as the server holds it.
    std::optional<Grab> grab(Window window) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, window, &attributes)) {
            return std::nullopt;
        }
        return grab(window, attributes.width, attributes.height, attributes.visual);
    }
    // A window's last picture, kept by the server past the window's end.
    struct Kept {
        Pixmap pixmap = 0;
        int width = 0, height = 0;
        Visual* visual = nullptr;  // a pixmap has none: its pixels are read as the window's
    };
    // From now on the server keeps what `window` shows in a pixmap of its own, which outlives
    // the window: the last picture a program showed can be read after it has ended.
    Kept keep_contents(Window window) {
        int major = 0, minor = 4;  // the version this client speaks, told before any request
        XCompositeQueryVersion(display_, &major, &minor);
        XWindowAttributes attributes;
        XGetWindowAttributes(display_, window, &attributes);
        XCompositeRedirectWindow(display_, window, CompositeRedirectAutomatic);
        const Pixmap pixmap = XCompositeNameWindowPixmap(display_, window);
        XSync(display_, False);
        return {pixmap, attributes.width, attributes.height, attributes.visual};
    }
    std::optional<Grab> grab(const Kept& kept) {
        return grab(kept.pixmap, kept.width, kept.height, kept.visual);
    }
    std::optional<Grab> grab(Drawable drawable, int width, int height, const Visual* visual) {
        XImage* image = XGetImage(display_, drawable, 0, 0, (unsigned)width, (unsigned)height,
                                  AllPlanes, ZPixmap);
        if (image == nullptr) {
            return std::nullopt;
        }
        Grab grab{width, height, {}};
        const auto channel = [](unsigned long pixel, unsigned long mask) {
            int shift = 0;
            while (mask != 0 && !(mask & 1)) {
                mask >>= 1;
                ++shift;
            }
            return (uint8_t)((pixel >> shift) & mask);
        };
        for (int y = 0; y < grab.height; ++y) {
            for (int x = 0; x < grab.width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                grab.pixels.push_back({channel(pixel, visual->red_mask),
                                       channel(pixel, visual->green_mask),
                                       channel(pixel, visual->blue_mask)});
            }
        }
        XDestroyImage(image);
        return grab;
    }
    const std::string& name() const { return name_; }
    // The window's name, as a window manager shows it (a message box's is UTF-8 only).
    std::string title(Window window) {
        char* name = nullptr;
        std::string title;
        if (XFetchName(display_, window, &name) && name != nullptr) {
            title = name;
            XFree(name);
            return title;
        }
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0,
                               256, False, XInternAtom(display_, "UTF8_STRING", False), &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr) {
            title.assign((const char*)data, items);
        }
        if (data) {
            XFree(data);
        }
        return title;
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
    std::string name_;
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

// The colours of a picture, row by row.
std::vector<sim::Rgb> colours(const sim::Picture& picture) {
    std::vector<sim::Rgb> out;
    for (uint8_t index : picture.pixels) {
        out.push_back(picture.palette[index]);
    }
    return out;
}

// The 320 x 240 picture inside a w x h window, one pixel of each block.
std::vector<sim::Rgb> unscaled(const Grab& grab) {
    const int scale = std::max(1, std::min(grab.width / sim::kWidth, grab.height / sim::kHeight));
    const int left = std::max(0, (grab.width - sim::kWidth * scale) / 2);
    const int top = std::max(0, (grab.height - sim::kHeight * scale) / 2);
    std::vector<sim::Rgb> out;
    for (int y = 0; y < sim::kHeight; ++y) {
        for (int x = 0; x < sim::kWidth; ++x) {
            const int gx = left + x * scale, gy = top + y * scale;
            out.push_back(gx < grab.width && gy < grab.height
                              ? grab.pixels[(size_t)gy * grab.width + gx]
                              : sim::Rgb{});
        }
    }
    return out;
}

struct Found {
    int pulse = -1;  // -1: not in the run
    sim::Picture picture;
};

// Looks each of `wanted` (320 x 240 colours) up among the displays at the rising edges of the
// headless run of `pulses` pulses and at its hand-over (pulse `pulses` + 1): a window shows one of
// these at every moment, whichever pulses it missed.
std::vector<Found> find_in_headless_run(uint16_t seed, uint32_t pulses,
                                        const std::vector<std::vector<sim::Rgb>>& wanted) {
    std::vector<Found> found(wanted.size());
    size_t missing = wanted.size();
    const auto look = [&](const sim::Board& board, int pulse) {
        const sim::Picture picture = board.picture();
        const std::vector<sim::Rgb> shown = colours(picture);
        for (size_t i = 0; i < wanted.size(); ++i) {
            if (found[i].pulse < 0 && shown == wanted[i]) {
                found[i] = {pulse, picture};
                --missing;
            }
        }
    };
    frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, pulses));
    frontend.on_pulse = [&](const sim::Board& board, uint32_t pulse) {
        look(board, (int)pulse);
        if (missing == 0) {
            throw sim::DemoEnded{sim::DemoEnded::kHandOver, 0};  // no need to run on
        }
    };
    sim::Board board(frontend);
    board.set_counter(sim::counter_for_seed(seed));
    frontend.prepare(board);
    sim::run_demo(board);
    if (missing != 0) {
        look(board, (int)pulses + 1);
    }
    return found;
}

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

    // What the window shows, read from the server while the program stands still.
    std::optional<Grab> grab_stopped(XClient& x, pid_t child, Window window) {
        kill(child, SIGSTOP);
        // Requests the program sent before it stopped are still drawn: give the server a moment.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::optional<Grab> grab = x.grab(window);
        kill(child, SIGCONT);
        return grab;
    }

    // The window, w x h, shows one of the headless run's pictures after set-up, whole and with
    // black bars around it; returns its pulse.
    int expect_headless_picture(const std::optional<Grab>& grab, uint16_t seed, uint32_t pulses,
                                int w, int h) {
        if (!grab) {
            ADD_FAILURE() << "nothing read back from the window";
            return -1;
        }
        EXPECT_EQ(grab->width, w);
        EXPECT_EQ(grab->height, h);
        const Found found = find_in_headless_run(seed, pulses, {unscaled(*grab)})[0];
        EXPECT_GT(found.pulse, 1) << "the window (" << w << " x " << h
                                  << ") shows no picture of the headless run after set-up";
        if (found.pulse > 0) {
            EXPECT_TRUE(letterboxed(found.picture, grab->width, grab->height) == grab->pixels)
                << "the picture of pulse " << found.pulse << " is not scaled and placed exactly";
        }
        return found.pulse;
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
    };
    const Case cases[] = {
        {"", "1", 320, 240},
        {"", "3", 960, 720},
        {"opengl", "2", 640, 480},
        {"software", "2", 640, 480},
    };
    constexpr uint32_t kFrames = 90;
    uint16_t seed = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver + " scale " + c.scale);
        ++seed;
        XClient x(xvfb_.display());
        ASSERT_TRUE(x.connected());
        const pid_t child = start({"--seed", std::to_string(seed), "--frames",
                                   std::to_string(kFrames), "--scale", c.scale},
                                  {{"SDL_RENDER_DRIVER", c.driver}});
        const Window window = x.wait_for_window(child, 15);
        ASSERT_NE(window, 0u) << "no window appeared";
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const std::optional<Grab> grab = grab_stopped(x, child, window);
        const Ended run = finish(child);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        // START comes at pulse 90, which the 60 Hz clock reaches no sooner than 1.5 s in.
        EXPECT_GE(run.seconds, kFrames / 60.0);
        expect_headless_picture(grab, seed, kFrames, c.width, c.height);
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

    const std::optional<Grab> grab = grab_stopped(x, child, window);
    x.press(window, XK_F12);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    x.press(window, XK_Escape);
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    // Seconds of pulses at most; the run stays well within a minute.
    constexpr uint32_t kPulses = 3600;
    const int grabbed = expect_headless_picture(grab, 77, kPulses, 320, 240);
    const std::optional<std::vector<sim::Rgb>> end = read_png(path("end.png"));
    ASSERT_TRUE(end.has_value()) << "no screenshot at the hand-over";

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
    const std::optional<std::vector<sim::Rgb>> f12 = read_png(path(screenshot));
    ASSERT_TRUE(f12.has_value());
    // Both screenshots are pictures of the same run, taken after the one read from the window.
    const std::vector<Found> found = find_in_headless_run(77, kPulses, {*end, *f12});
    EXPECT_GE(found[0].pulse, grabbed) << "the hand-over's screenshot is not a later picture";
    EXPECT_GE(found[1].pulse, grabbed) << "F12 saved no later picture of the run";
    EXPECT_EQ(run.err, "plasmaballs: screenshot saved as " + screenshot + "\n");
}

TEST_F(WindowTest, ClosingTheWindowLeavesThroughTheHandOver) {
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"--seed", "78", "--scale", "1", "--record", "run.gif"});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::optional<Grab> grab = grab_stopped(x, child, window);
    x.close(window);
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    expect_headless_picture(grab, 78, 3600, 320, 240);
    EXPECT_EQ(slurp(path("run.gif")).substr(0, 6), "GIF89a") << "the recording was not finished";
}

TEST_F(WindowTest, ASavedSessionReplaysHeadlessToTheLastPictureShown) {
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"--seed", "321", "--scale", "1", "--save-input", "run.txt"});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";
    const XClient::Kept kept = x.keep_contents(window);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Real key presses through the server, as a keyboard makes them (with the pointer over the
    // window and the focus on it): the stick, slow motion, a diagonal, and Enter, which is START
    // (each held longer than the demo takes to look: a key pressed and let go between two pulses is
    // never seen).
    const std::string xdotool = "DISPLAY=" + x.name() + " xdotool ";
    const std::string id = std::to_string(window);
    const std::string keys = xdotool + "mousemove --window " + id + " 10 10 && " + xdotool +
                             "windowfocus --sync " + id + " && " + xdotool +
                             "sleep 0.3 keydown Right sleep 0.4 keyup Right"
                             " keydown space sleep 0.6 keyup space"
                             " keydown Up keydown Left sleep 0.4 keyup Left keyup Up"
                             " sleep 0.2 keydown Return sleep 0.5 keyup Return";
    ASSERT_EQ(std::system(keys.c_str()), 0) << "xdotool failed";
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::optional<Grab> last = x.grab(kept);
    ASSERT_TRUE(last) << "the window's last picture could not be read back";

    const std::string script = slurp(path("run.txt"));
    EXPECT_EQ(script.rfind("# plasmaballs run: seed 321, handed over at pulse ", 0), 0u) << script;
    EXPECT_NE(script.find("\n# Replay: plasmaballs run.txt\n"), std::string::npos) << script;
    for (const char* held : {" right\n", " select\n", " up-left\n"}) {
        EXPECT_NE(script.find(held), std::string::npos) << "no" << held << "in\n" << script;
    }
    const pbtest::Run replay = pbtest::run_headless(321, UINT32_MAX, script);
    EXPECT_NE(script.find("handed over at pulse " + std::to_string(replay.pulses) + ".\n"),
              std::string::npos)
        << "the replay hands over at pulse " << replay.pulses << ", not as\n"
        << script;
    EXPECT_TRUE(letterboxed(replay.picture, 320, 240) == last->pixels)
        << "the replay of\n"
        << script << "does not end on the window's last picture";
}

// The kept picture of a paused window once its title is `title` and the picture, other than
// `unlike`, has stood still for a moment (empty after 15 s).
std::optional<Grab> settled(XClient& x, Window window, const XClient::Kept& kept,
                            const std::string& title, const std::optional<Grab>& unlike) {
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    std::optional<Grab> last;
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::optional<Grab> grab = x.grab(kept);
        if (grab && last && grab->pixels == last->pixels && x.title(window) == title &&
            (!unlike || grab->pixels != unlike->pixels)) {
            return grab;
        }
        last = grab;
    }
    ADD_FAILURE() << "the window did not settle on a new picture with the title \"" << title
                  << "\" (it is \"" << x.title(window) << "\")";
    return std::nullopt;
}

TEST_F(WindowTest, LoadedPausedAdvancedAndRewoundTheSavedScriptStillReplaysToTheLastPicture) {
    // Slot 3 holds seed 324's run at its wait for pulse 30, as another process saved it.
    const std::string slots = path("state/plasmaballs");
    const pbtest::Stopped other = pbtest::stop_before(324, 30);
    frontends::window::write_slot(
        slots, 3, frontends::window::slot_bytes(other.snapshot.data(), other.record));
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"--seed", "323", "--scale", "1", "--save-input", "run.txt"},
                              {{"XDG_STATE_HOME", path("state")}});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";
    const XClient::Kept kept = x.keep_contents(window);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const std::string xdotool = "DISPLAY=" + x.name() + " xdotool ";
    const auto keys = [&xdotool](const std::string& keys) {
        ASSERT_EQ(std::system((xdotool + keys).c_str()), 0) << "xdotool failed: " << keys;
    };
    const std::string id = std::to_string(window);
    keys("mousemove --window " + id + " 10 10");
    keys("windowfocus --sync " + id);

    // Paused, slot 3 loaded: seed 324's run begun afresh, at the slot's picture; it stands still
    // and spends nothing. N shows the next pulse's picture, Backspace an earlier one.
    const std::string paused_title = "plasmaballs (seed 324) - paused";
    keys("key p key F3");
    const std::optional<Grab> paused = settled(x, window, kept, paused_title, std::nullopt);
    const double cpu_before = cpu_seconds(child);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(cpu_seconds(child) - cpu_before, 0.25) << "the paused window spins";
    keys("key n");
    const std::optional<Grab> advanced = settled(x, window, kept, paused_title, paused);
    keys("keydown BackSpace sleep 0.3 keyup BackSpace");
    const std::optional<Grab> rewound = settled(x, window, kept, paused_title, advanced);
    ASSERT_TRUE(paused && advanced && rewound);
    const std::vector<Found> found =
        find_in_headless_run(324, 3600, {paused->pixels, advanced->pixels, rewound->pixels});
    EXPECT_EQ(found[0].pulse, 30) << "slot 3 loaded another picture";
    EXPECT_EQ(found[1].pulse, 31) << "N did not advance exactly one pulse";
    EXPECT_GT(found[2].pulse, 0) << "Backspace showed no picture of the run";
    EXPECT_LT(found[2].pulse, 31) << "Backspace did not go back";

    // Slot 1 saved there; the run goes on with the stick held right, then slot 1 is loaded: the
    // picture saved, and a script that no longer holds the push to the right.
    keys("key shift+F1");
    keys("key p keydown Right sleep 0.5 keyup Right key p");
    const std::optional<Grab> moved = settled(x, window, kept, paused_title, rewound);
    keys("key F1");
    const std::optional<Grab> loaded = settled(x, window, kept, paused_title, moved);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->pixels == rewound->pixels) << "slot 1 loaded another picture";
    // A damaged slot is refused, and the run goes on as it was.
    std::ofstream(slots + "/slot-2") << "not a slot\n";
    keys("key F2 key p keydown Left sleep 0.4 keyup Left keydown Return sleep 0.5 keyup Return");
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "plasmaballs: slot 1 saved as " + slots +
                           "/slot-1\nplasmaballs: slot 2 not loaded: not a slot file\n");

    const std::optional<Grab> last = x.grab(kept);
    ASSERT_TRUE(last) << "the window's last picture could not be read back";
    const std::string script = slurp(path("run.txt"));
    EXPECT_EQ(script.rfind("# plasmaballs run: seed 324,", 0), 0u) << script;
    EXPECT_NE(script.find(" left\n"), std::string::npos) << script;
    EXPECT_EQ(script.find("right"), std::string::npos) << "the loaded slot's run never went right\n"
                                                       << script;
    EXPECT_TRUE(letterboxed(pbtest::run_headless(324, UINT32_MAX, script).picture, 320, 240) ==
                last->pixels)
        << "the replay of\n"
        << script << "does not end on the window's last picture";
}

TEST_F(WindowTest, AnInterruptEndsTheRunAsStartAndSavesWhatWasPlayed) {
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start(
        {"--seed", "322", "--scale", "1", "--save-input", "run.txt", "--screenshot", "end.png"});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(child, SIGINT);
    const Ended run = finish(child);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string script = slurp(path("run.txt"));
    ASSERT_NE(script.rfind(" start\n"), std::string::npos) << script;
    EXPECT_EQ(script.rfind(" start\n"), script.size() - 7) << "the script does not end with START";
    const std::optional<std::vector<sim::Rgb>> end = read_png(path("end.png"));
    ASSERT_TRUE(end) << "no screenshot at the hand-over";
    EXPECT_TRUE(*end ==
                letterboxed(pbtest::run_headless(322, UINT32_MAX, script).picture, 320, 240))
        << "the replay does not end on the picture at the hand-over";
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
        const std::optional<Grab> grab = grab_stopped(x, child, window);
        x.press(window, XK_Escape);
        const Ended run = finish(child);
        ASSERT_EQ(run.status, 0) << run.err;
        expect_headless_picture(grab, 79, 3600, 700, 500);
    }
}

TEST_F(WindowTest, ARunFileReplaysAloneAndKeepsItsLastPictureUntilClosed) {
    const std::string run = "format 1\nseed 88\n20 right\n50 select\n70 none\n90 start\n";
    std::ofstream(path("run.pbrun")) << run;
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"--scale", "1", "run.pbrun"});
    const Window window = x.wait_for_window(child, 15);
    ASSERT_NE(window, 0u) << "no window appeared";
    const XClient::Kept kept = x.keep_contents(window);
    // The player's keys count for nothing while the run replays.
    const std::string keys = "DISPLAY=" + x.name() + " xdotool windowfocus --sync " +
                             std::to_string(window) + " keydown Left sleep 0.5 keyup Left";
    ASSERT_EQ(std::system(keys.c_str()), 0) << "xdotool failed";
    const std::optional<Grab> last =
        settled(x, window, kept, "plasmaballs (seed 88) - ended", std::nullopt);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the window did not stay";
    ASSERT_TRUE(last);
    EXPECT_TRUE(letterboxed(pbtest::run_headless(88, UINT32_MAX, run).picture, 320, 240) ==
                last->pixels)
        << "the window does not end on the run's own last picture";
    x.press(window, XK_Escape);
    const Ended ended = finish(child);
    EXPECT_EQ(ended.status, 0) << ended.err;
}

TEST_F(WindowTest, ABadRunFileIsShownInAMessageBoxAsWellAsOnStderr) {
    std::ofstream(path("bad.pbrun")) << "# fine\n4 sideways\n";
    XClient x(xvfb_.display());
    ASSERT_TRUE(x.connected());
    const pid_t child = start({"bad.pbrun"});
    // A message box need not say whose it is: it is found by its title.
    const Window box = x.wait_for([&x](Window w) { return x.title(w) == "plasmaballs"; }, 15);
    ASSERT_NE(box, 0u) << "no message box appeared";
    EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the program did not wait for the box";
    x.press(box, XK_Return);
    const Ended ended = finish(child);
    EXPECT_EQ(ended.status, 2);
    EXPECT_EQ(ended.err.rfind("plasmaballs: bad.pbrun: line 2: unknown button \"sideways\"", 0), 0u)
        << ended.err;
    EXPECT_EQ(std::count(ended.err.begin(), ended.err.end(), '\n'), 1) << ended.err;
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
}

}  // namespace
