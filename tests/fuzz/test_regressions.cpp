// Faults found by fuzzing and by reviewing the input paths, kept as ordinary tests: each input
// is refused with one line, never a hang.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "frontends/common/script.h"
#include "frontends/desktop/command_line.h"

namespace {

std::string script_error(const std::string& path) {
    try {
        frontends::load_run(path);
    } catch (const frontends::ScriptError& error) {
        return error.what();
    }
    return "";
}

// An endless input used to be read whole before its size was checked: memory grew until the
// machine gave out. A folder used to read as an empty script.
TEST(InputRegressions, EndlessFilesAndFoldersAreRefusedAsScripts) {
    EXPECT_EQ(script_error("/dev/zero"), "/dev/zero: larger than 64 MiB");
    char folder[] = "/tmp/plasmaballs-script-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    EXPECT_EQ(script_error(folder), std::string(folder) + ": is a directory");
    rmdir(folder);
}

// Values and file names are quoted in errors as given; a newline in one broke the error into
// two lines. Names with control characters are refused up front, before any file is touched.
TEST(InputRegressions, ControlCharactersInValuesKeepTheErrorOnOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {"plasmaballs", "--scale", "2p-left\n"},
        {"plasmaballs", "--seed", "1\n2"},
        {"plasmaballs", "--frames", std::string("7\r\0\x1b[2J", 7)},
        {"plasmaballs", "--headless", "--frames", "1", "--screenshot", "a\nb.png"},
        {"plasmaballs", "--headless", "--frames", "1", "--record", "\x1b[2Jb.gif"},
        {"plasmaballs", "--headless", "--input", "script\n.txt"},
    };
    for (const auto& arguments : cases) {
        const frontends::desktop::CommandLine command_line =
            frontends::desktop::parse_command_line(arguments);
        EXPECT_EQ(command_line.exit_status, 2) << arguments[1];
        EXPECT_FALSE(command_line.options.has_value()) << arguments[1];
        EXPECT_EQ(command_line.error.find_first_of(std::string("\n\r\0\x1b", 4)), std::string::npos)
            << command_line.error;
    }
}

}  // namespace
