// RetroArch run as a user would, but shut away from the user: its own configuration and home,
// null drivers, and a session bus of its own.

#include "retroarch_client.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pbtest {

namespace fs = std::filesystem;

Scratch::Scratch() {
    std::string pattern = (fs::temp_directory_path() / "pbretro.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

Scratch::~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

// The client's own settings; nothing from the user's configuration is read.
std::string client_config(const fs::path& dir) {
    return "video_driver = \"null\"\n"
           "audio_driver = \"null\"\n"
           "input_driver = \"null\"\n"
           "input_joypad_driver = \"null\"\n"
           "menu_driver = \"null\"\n"
           "midi_driver = \"null\"\n"
           "load_dummy_on_core_shutdown = \"false\"\n"
           "config_save_on_exit = \"false\"\n"
           "gamemode_enable = \"false\"\n"
           "suspend_screensaver_enable = \"false\"\n"
           "global_core_options = \"true\"\n"
           "core_options_path = \"" +
           (dir / "options.cfg").string() + "\"\n";
}

// A private session bus without service activation. The client's game-mode library (when
// installed) aborts when there is no session bus at all, and activation would start its daemon.
std::string bus_config(const fs::path& dir) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:dir=" +
           dir.string() +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

}  // namespace

Client::Client(const fs::path& dir, const fs::path& core, const ClientOptions& options)
    : dir_(dir) {
    write_file(dir / "retroarch.cfg",
               client_config(dir) + options.settings +
                   (options.commands.empty() ? "" : "stdin_cmd_enable = \"true\"\n"));
    write_file(dir / "commands", options.commands);
    write_file(dir / "bus.conf", bus_config(dir));
    write_file(dir / "options.cfg", options.core_options);
    const fs::path home = dir / "home";
    fs::create_directories(home);
    std::vector<std::string> arguments = {"timeout", "-k", "5", std::to_string(options.seconds)};
    if (*DBUS_RUN_SESSION != '\0') {
        arguments.insert(arguments.end(),
                         {DBUS_RUN_SESSION, "--config-file=" + (dir / "bus.conf").string(), "--"});
    }
    arguments.insert(arguments.end(),
                     {RETROARCH, "--config", (dir / "retroarch.cfg").string(), "-L", core.string(),
                      "--max-frames=" + std::to_string(options.frames), "--max-frames-ss",
                      "--max-frames-ss-path=" + (dir / "shot.png").string(), "--verbose"});
    arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    // Only what the client needs: its home (where it keeps everything it writes) and PATH.
    const std::string home_variable = "HOME=" + home.string();
    const std::string config_variable = "XDG_CONFIG_HOME=" + (home / ".config").string();
    const char* path = getenv("PATH");
    const std::string path_variable = std::string("PATH=") + (path ? path : "/usr/bin:/bin");
    char* envp[] = {const_cast<char*>(home_variable.c_str()),
                    const_cast<char*>(config_variable.c_str()),
                    const_cast<char*>(path_variable.c_str()), nullptr};
    const fs::path output = dir / "client.log";
    pid_ = fork();
    if (pid_ == 0) {
        // A process group of its own, so that a client still running at the end goes with all
        // it started.
        setpgid(0, 0);
        if (freopen(output.c_str(), "w", stdout) == nullptr || dup2(1, 2) < 0 ||
            freopen((dir / "commands").c_str(), "r", stdin) == nullptr) {
            _exit(126);
        }
        execvpe(argv[0], argv.data(), envp);
        _exit(127);
    }
    if (pid_ > 0) {
        setpgid(pid_, pid_);  // also here, so that it holds before the child gets to it
    }
}

Client::~Client() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

int Client::wait(std::string& log) {
    int status = 0;
    const bool waited = pid_ > 0 && waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    log = read_file(dir_ / "client.log");
    if (!waited) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int run_retroarch(const fs::path& dir, const fs::path& core, int frames,
                  const std::string& settings, const std::string& core_options, std::string& log,
                  const std::string& commands) {
    ClientOptions options;
    options.frames = frames;
    options.settings = settings;
    options.core_options = core_options;
    options.commands = commands;
    return Client(dir, core, options).wait(log);
}

std::string core_folder_settings(const fs::path& dir, const fs::path& core) {
    const std::string cores = core.parent_path().string();
    fs::create_directories(dir / "states");
    fs::create_directories(dir / "shots");
    return "libretro_directory = \"" + cores + "\"\nlibretro_info_path = \"" + cores +
           "\"\nsavestate_directory = \"" + (dir / "states").string() +
           "\"\nsavestate_file_compression = \"false\"\nscreenshot_directory = \"" +
           (dir / "shots").string() + "\"\n";
}

// An uncompressed state file: "RASTATE", a version byte, then blocks of a four-letter name and a
// 32-bit little-endian size; the core's is "MEM ".
std::vector<uint8_t> core_state(const fs::path& path) {
    const std::string file = read_file(path);
    for (size_t at = 8; file.compare(0, 7, "RASTATE") == 0 && at + 8 <= file.size();) {
        uint32_t size = 0;
        for (int i = 3; i >= 0; --i) {
            size = size << 8 | (uint8_t)file[at + 4 + i];
        }
        if (file.compare(at, 4, "MEM ") == 0 && at + 8 + size <= file.size()) {
            return std::vector<uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + size);
        }
        at += 8 + (size + 7) / 8 * 8;
    }
    return {};
}

std::vector<uint8_t> read_rgb(const fs::path& path, png_uint_32& width, png_uint_32& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    width = image.width;
    height = image.height;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        return {};
    }
    return pixels;
}

std::vector<uint8_t> rgb(const sim::Picture& picture) {
    std::vector<uint8_t> out;
    for (uint8_t index : picture.pixels) {
        const sim::Rgb c = picture.palette[index];
        out.insert(out.end(), {c.r, c.g, c.b});
    }
    return out;
}

size_t differing_pixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3) {
        differing += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    }
    return differing + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) / 3;
}

}  // namespace pbtest
