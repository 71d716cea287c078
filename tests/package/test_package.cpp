// What a user of the packages sees: one version everywhere, and RetroArch showing the installed
// core (cmake --install's, and the Debian package's) under the name its information file gives,
// started without content.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <libretro.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "retroarch_client.h"
#include "support/run_demo.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSource = PLASMABALLS_SOURCE_DIR;

// The first match of `pattern`'s group 1 in `text`, or "" when there is none.
std::string first_match(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : std::string();
}

std::string command_output(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, n);
        }
        pclose(pipe);
    }
    return output;
}

std::string core_library_version(const char* core) {
    void* library = dlopen(core, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return "";
    }
    std::string version;
    if (auto get_info = (void (*)(retro_system_info*))dlsym(library, "retro_get_system_info")) {
        retro_system_info info{};
        get_info(&info);
        version = info.library_version != nullptr ? info.library_version : "";
    }
    dlclose(library);
    return version;
}

// The version named by the files of `folder` that match `pattern` (group 1): one for all of them
// (the packages of each architecture).
std::string version_in_file_name(const fs::path& folder, const std::string& pattern) {
    std::string found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string version = first_match(entry.path().filename().string(), pattern);
        if (!version.empty()) {
            found = found.empty() || found == version ? version : "(several versions)";
        }
    }
    return found;
}

TEST(Version, EveryPlaceNamesTheOneInCMakeLists) {
    const std::string version = first_match(pbtest::read_file(kSource / "CMakeLists.txt"),
                                            R"(project\(plasmaballs VERSION ([0-9.]+))");
    ASSERT_FALSE(version.empty());
    const fs::path build = PLASMABALLS_BUILD_DIR;
    const std::string number = "([0-9][0-9.]*)";
    struct Place {
        const char* what;
        std::string version;
    } places[] = {
        {"plasmaballs --version",
         first_match(command_output(PLASMABALLS_BINARY " --version"), "^plasmaballs " + number)},
        {"the core's library_version", core_library_version(PLASMABALLS_CORE)},
        {"the core information's display_version",
         first_match(pbtest::read_file(build / "plasmaballs_libretro.info"),
                     "\ndisplay_version = \"" + number + "\"")},
        {"the page (build/web/page/index.html)",
         first_match(pbtest::read_file(kSource / "build/web/page/index.html"),
                     "plasmaballs " + number)},
        {"debian/changelog's last entry",
         first_match(pbtest::read_file(kSource / "debian/changelog"),
                     R"(^plasmaballs \()" + number + R"(\))")},
        {"the metainfo's newest release",
         first_match(pbtest::read_file(kSource / "data/org.plasmaballs.plasmaballs.metainfo.xml"),
                     "<release version=\"" + number + "\"")},
        {"the manual page's title line",
         first_match(pbtest::read_file(kSource / "data/plasmaballs.6"),
                     "\n\\.TH PLASMABALLS 6 [0-9-]+ \"plasmaballs " + number + "\"")},
        {"the source archive",
         version_in_file_name(kSource / "build/dist", "^plasmaballs-" + number + "\\.tar\\.gz$")},
        {"the console archive", version_in_file_name(kSource / "build/dist",
                                                     "^plasmaballs-" + number + "-console\\.zip$")},
        {"the web archive",
         version_in_file_name(kSource / "build/dist", "^plasmaballs-" + number + "-web\\.zip$")},
        {"the program's package",
         version_in_file_name(kSource / "build/deb", "^plasmaballs_" + number + "_.*\\.deb$")},
        {"the core's package",
         version_in_file_name(kSource / "build/deb",
                              "^libretro-plasmaballs_" + number + "_.*\\.deb$")},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.version, version) << place.what;
    }
}

// RetroArch's own record of the cores it knows (core_info.cache in the information folder): an
// "#RZIPv" header, then zlib chunks, each after its 32-bit length. Empty when unreadable.
std::string core_information(const fs::path& cache) {
    const std::string data = pbtest::read_file(cache);
    constexpr size_t kHeader = 20;
    if (data.size() < kHeader || data.compare(0, 6, "#RZIPv") != 0) {
        return "";
    }
    std::string text;
    size_t at = kHeader;
    while (at + 4 <= data.size()) {
        uint32_t length = 0;
        std::memcpy(&length, data.data() + at, 4);  // little-endian, as this machine
        at += 4;
        if (length > data.size() - at) {
            return "";
        }
        std::vector<unsigned char> chunk(1 << 20);
        uLongf size = chunk.size();
        if (uncompress(chunk.data(), &size, (const Bytef*)data.data() + at, length) != Z_OK) {
            return "";
        }
        text.append((const char*)chunk.data(), size);
        at += length;
    }
    return text;
}

// The one file that matches usr/lib/*/libretro/NAME or usr/lib/libretro/NAME under `root`.
fs::path find_core(const fs::path& root) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(root / "usr/lib", error)) {
        if (entry.path().filename() == "plasmaballs_libretro.so" &&
            entry.path().parent_path().filename() == "libretro") {
            return entry.path();
        }
    }
    return {};
}

TEST(RetroArch, ShowsTheInstalledCoreByItsDisplayNameAndStartsItWithoutContent) {
    const fs::path roots[] = {PLASMABALLS_INSTALL_ROOT, PLASMABALLS_DEB_ROOT};
    const std::vector<uint8_t> expected = pbtest::rgb(pbtest::run_headless(23, 40).picture);
    for (const fs::path& root : roots) {
        SCOPED_TRACE(root.string());
        const fs::path core = find_core(root);
        ASSERT_FALSE(core.empty()) << "no core under " << root;
        const fs::path info = root / "usr/share/libretro/info";
        const std::string display_name = first_match(
            pbtest::read_file(info / "plasmaballs_libretro.info"), "\ndisplay_name = \"(.*)\"");
        ASSERT_FALSE(display_name.empty()) << "no display_name in the information file";
        fs::remove(info / "core_info.cache");

        pbtest::Scratch scratch;
        const fs::path& dir = scratch.path();
        // The runtime log, which RetroArch keeps only for a core it has information on, under
        // the information's core name.
        const std::string settings = "libretro_directory = \"" + core.parent_path().string() +
                                     "\"\n"
                                     "libretro_info_path = \"" +
                                     info.string() +
                                     "\"\n"
                                     "content_runtime_log = \"true\"\n"
                                     "playlist_directory = \"" +
                                     (dir / "playlists").string() + "\"\n";
        std::string log;
        ASSERT_EQ(
            pbtest::run_retroarch(dir, core, 40, settings, "plasmaballs_seed = \"23\"\n", log), 0)
            << log;

        const std::string known = core_information(info / "core_info.cache");
        EXPECT_NE(known.find("{\"display_name\":\"" + display_name + "\""), std::string::npos)
            << "RetroArch's core information: " << known;
        EXPECT_NE(known.find("\"core_file_id\":{\"str\":\"plasmaballs_libretro\""),
                  std::string::npos)
            << known;
        EXPECT_NE(known.find("\"has_info\":true"), std::string::npos) << known;
        EXPECT_NE(known.find("\"supports_no_game\":true"), std::string::npos) << known;
        EXPECT_TRUE(fs::exists(dir / "playlists/logs/plasmaballs/plasmaballs.lrtl")) << log;

        png_uint_32 width = 0, height = 0;
        const std::vector<uint8_t> shot = pbtest::read_rgb(dir / "shot.png", width, height);
        ASSERT_FALSE(shot.empty()) << "no readable screenshot\n" << log;
        EXPECT_EQ(pbtest::differing_pixels(shot, expected), 0u) << log;
    }
}

}  // namespace
