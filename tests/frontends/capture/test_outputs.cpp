// Output files read back with the same libraries: the palette PNG, the looping GIF with its
// per-frame palettes and delays, and the rule that failures leave nothing behind.

#include <dirent.h>
#include <dlfcn.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontends/capture/image_output.h"
#include "support/temp_folder.h"

// fdopen as this test program sees it: the C library's, unless a test asks the next calls to fail.
int g_failing_fdopens = 0;

extern "C" FILE* fdopen(int fd, const char* mode) noexcept {
    if (g_failing_fdopens > 0) {
        --g_failing_fdopens;
        errno = ENOMEM;
        return nullptr;
    }
    using Fdopen = FILE* (*)(int, const char*);
    static const Fdopen library = (Fdopen)dlsym(RTLD_NEXT, "fdopen");
    return library(fd, mode);
}

namespace {

using pbtest::TempFolder;

sim::Picture test_picture(int salt) {
    sim::Picture picture;
    for (size_t i = 0; i < sim::kPixels; ++i) {
        picture.pixels[i] = (uint8_t)((i * 31 + (size_t)salt) % 251);
    }
    for (int i = 0; i < 256; ++i) {
        picture.palette[i] = {(uint8_t)i, (uint8_t)(255 - i), (uint8_t)((i + salt) & 0xFF)};
    }
    return picture;
}

TEST(Png, IsAnEightBitPaletteImageOfThePicture) {
    TempFolder folder;
    const sim::Picture picture = test_picture(3);
    frontends::save_png(folder / "a.png", picture);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (folder / "a.png").c_str()));
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.height, 240u);
    EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_COLORMAP);
    EXPECT_FALSE(image.format & PNG_FORMAT_FLAG_ALPHA) << "no transparency";
    EXPECT_EQ(image.colormap_entries, 256u);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    std::vector<uint8_t> colours(PNG_IMAGE_COLORMAP_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, colours.data()));
    EXPECT_EQ(std::vector<uint8_t>(picture.pixels.begin(), picture.pixels.end()), pixels);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(colours[3 * i], picture.palette[i].r);
        EXPECT_EQ(colours[3 * i + 1], picture.palette[i].g);
        EXPECT_EQ(colours[3 * i + 2], picture.palette[i].b);
    }
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"a.png"}) << "no temporary left";
}

TEST(Gif, LoopsAndKeepsEachFramesPaletteAndDelay) {
    TempFolder folder;
    {
        frontends::GifRecorder recorder(folder / "r.gif");
        for (int i = 0; i < 4; ++i) {
            recorder.add_sampled_frame(test_picture(i));
        }
        recorder.finish();
    }
    struct stat info;
    ASSERT_EQ(stat((folder / "r.gif").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0044, 0044u) << "readable by other users";

    int error = 0;
    GifFileType* gif = DGifOpenFileName((folder / "r.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 4);
    const int delays[] = {3, 3, 4, 3};
    bool loops = false;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& frame = gif->SavedImages[i];
        const sim::Picture expected = test_picture(i);
        ASSERT_NE(frame.ImageDesc.ColorMap, nullptr);
        ASSERT_EQ(frame.ImageDesc.ColorMap->ColorCount, 256);
        EXPECT_EQ(frame.ImageDesc.ColorMap->Colors[200].Blue, expected.palette[200].b);
        EXPECT_EQ(std::vector<uint8_t>(frame.RasterBits, frame.RasterBits + sim::kPixels),
                  std::vector<uint8_t>(expected.pixels.begin(), expected.pixels.end()));
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, delays[i]);
        EXPECT_EQ(control.TransparentColor, NO_TRANSPARENT_COLOR);
        for (int e = 0; e < frame.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = frame.ExtensionBlocks[e];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::string((const char*)block.Bytes, 11) == "NETSCAPE2.0") {
                loops = true;
            }
        }
    }
    EXPECT_TRUE(loops);
    DGifCloseFile(gif, &error);
}

TEST(Gif, SampledDelaysAddUpExactly) {
    struct Case {
        int stride;
        std::vector<int> delays;
    };
    const Case cases[] = {{2, {3, 3, 4, 3, 3, 4}},
                          {3, {5, 5, 5, 5}},
                          {6, {10, 10, 10}},
                          {4, {6, 7, 7, 6, 7, 7}},
                          {7, {11, 12, 12, 11, 12, 12}}};
    for (const Case& c : cases) {
        TempFolder folder;
        {
            frontends::GifRecorder recorder(folder / "d.gif");
            for (size_t i = 0; i < c.delays.size(); ++i) {
                recorder.add_sampled_frame(test_picture(0), c.stride);
            }
            recorder.finish();
        }
        int error = 0;
        GifFileType* gif = DGifOpenFileName((folder / "d.gif").c_str(), &error);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        ASSERT_EQ(gif->ImageCount, (int)c.delays.size());
        int total = 0;
        for (int i = 0; i < gif->ImageCount; ++i) {
            GraphicsControlBlock control;
            ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
            EXPECT_EQ(control.DelayTime, c.delays[(size_t)i]) << "stride " << c.stride;
            total += control.DelayTime;
        }
        EXPECT_EQ(total * 60, (int)c.delays.size() * c.stride * 100) << "stride " << c.stride;
        DGifCloseFile(gif, &error);
    }
}

TEST(OutputFile, UnfinishedOutputsLeaveNothingBehind) {
    TempFolder folder;
    {
        frontends::OutputFile png(folder / "never.png");
        frontends::GifRecorder gif(folder / "never.gif");
        gif.add_sampled_frame(test_picture(0));
        EXPECT_EQ(folder.entries().size(), 2u) << "temporaries exist while the run goes on";
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(OutputFile, RefusesUnwritablePathsUpFront) {
    TempFolder folder;
    mkdir((folder / "dir").c_str(), 0755);
    for (const std::string& path :
         {folder / "missing/a.png", folder / "dir", std::string("/proc/a.png")}) {
        EXPECT_THROW(frontends::OutputFile output(path), frontends::OutputError) << path;
    }
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"dir"});
}

// A temporary whose stream cannot be made is removed at once and gives back its place among the
// names an interrupt removes, however often it happens: later outputs are still cleaned up.
TEST(OutputFile, AFailedStreamLeavesNoFileAndFreesItsPlace) {
    TempFolder folder;
    g_failing_fdopens = 20;  // more than an interrupt can keep track of at once
    for (int i = 0; i < 20; ++i) {
        EXPECT_THROW(frontends::OutputFile(folder / "lost.png"), frontends::OutputError);
    }
    EXPECT_TRUE(folder.entries().empty());
    const pid_t child = fork();
    if (child == 0) {
        frontends::OutputFile output(folder / "interrupted.png");
        std::fputs("half", output.file());
        std::fflush(output.file());
        std::raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(folder.entries().empty()) << "the interrupted output's temporary was left";
}

// An encoder's working files go into a folder of their own under TMPDIR: gone with it, files a
// library added beside the named ones included, and gone at an interrupt too.
TEST(TemporaryFolder, IsRemovedWithItsFilesAndAtAnInterrupt) {
    TempFolder folder;
    const std::string base = folder / "";
    setenv("TMPDIR", base.substr(0, base.size() - 1).c_str(), 1);
    {
        frontends::TemporaryFolder scratch;
        EXPECT_EQ(scratch.path().rfind(folder / "plasmaballs-", 0), 0u) << scratch.path();
        for (const std::string& path :
             {scratch.file("statistics"), scratch.path() + "/statistics.mbtree"}) {
            std::fclose(std::fopen(path.c_str(), "w"));
        }
        EXPECT_EQ(folder.entries().size(), 1u);
    }
    EXPECT_TRUE(folder.entries().empty());
    const pid_t child = fork();
    if (child == 0) {
        frontends::TemporaryFolder scratch;
        std::FILE* file = std::fopen(scratch.file("statistics").c_str(), "w");
        std::fputs("pass 1", file);
        std::fflush(file);
        std::raise(SIGINT);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    unsetenv("TMPDIR");
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_TRUE(folder.entries().empty()) << "the interrupted encoder's folder was left";
}

TEST(TemporaryFolder, ThatCannotBeMadeIsOneLine) {
    setenv("TMPDIR", "/proc/no-such-folder", 1);
    try {
        frontends::TemporaryFolder scratch;
        ADD_FAILURE() << "a folder was made in " << scratch.path();
    } catch (const frontends::OutputError& error) {
        EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("/proc/no-such-folder"), std::string::npos);
    }
    unsetenv("TMPDIR");
}

}  // namespace
