// PNG through libpng and GIF through giflib; errors from either become OutputError.

#include "frontends/capture/image_output.h"

#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstring>

namespace frontends {

using sim::kHeight;
using sim::kPixels;
using sim::kWidth;

void write_png(OutputFile& output, const sim::Picture& picture) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        throw OutputError(output.path() + ": cannot start the PNG encoder");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw OutputError(output.path() + ": cannot be written as PNG");
    }
    png_init_io(png, output.file());
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {picture.palette[i].r, picture.palette[i].g, picture.palette[i].b};
    }
    png_set_PLTE(png, info, colours, 256);
    png_write_info(png, info);
    for (int row = 0; row < kHeight; ++row) {
        png_write_row(png, picture.pixels.data() + row * kWidth);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

void save_png(const std::string& path, const sim::Picture& picture) {
    OutputFile output(path);
    write_png(output, picture);
    output.commit();
}

struct GifRecorder::Encoder {
    GifFileType* gif = nullptr;
};

namespace {

[[noreturn]] void gif_fail(const std::string& path, int code) {
    const char* text = GifErrorString(code);
    throw OutputError(path + ": cannot be written as GIF (" + (text ? text : "unknown error") +
                      ")");
}

}  // namespace

GifRecorder::GifRecorder(const std::string& path) : output_(path), encoder_(new Encoder) {
    int error = 0;
    // giflib closes the descriptor it is given; hand it a duplicate so ours stays valid.
    const int fd = dup(fileno(output_.file()));
    encoder_->gif = fd < 0 ? nullptr : EGifOpenFileHandle(fd, &error);
    if (encoder_->gif == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        gif_fail(path, error);
    }
    GifFileType* gif = encoder_->gif;
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, nullptr) == GIF_ERROR) {
        gif_fail(path, gif->Error);
    }
    // Loop forever.
    unsigned char loop[3] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif) == GIF_ERROR) {
        gif_fail(path, gif->Error);
    }
}

GifRecorder::~GifRecorder() {
    if (encoder_ && encoder_->gif != nullptr) {
        int error = 0;
        EGifCloseFile(encoder_->gif, &error);
    }
}

void GifRecorder::add_frame(const sim::Picture& picture, int delay) {
    GifFileType* gif = encoder_->gif;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {picture.palette[i].r, picture.palette[i].g, picture.palette[i].b};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    const bool ok =
        map != nullptr &&
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, (int)length, extension) != GIF_ERROR &&
        EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, map) != GIF_ERROR &&
        EGifPutLine(gif, const_cast<GifPixelType*>(picture.pixels.data()), (int)kPixels) !=
            GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) {
        gif_fail(output_.path(), gif->Error);
    }
    ++frames_;
}

void GifRecorder::add_sampled_frame(const sim::Picture& picture, int stride) {
    // Frame i ends at (i + 1) x stride pulses, rounded down to hundredths of a second.
    const long long end = (long long)(frames_ + 1) * stride * 100 / sim::kPulsesPerSecond;
    const long long start = (long long)frames_ * stride * 100 / sim::kPulsesPerSecond;
    add_frame(picture, (int)(end - start));
}

void GifRecorder::finish() {
    finish_within(UINT64_MAX);
}

uint64_t GifRecorder::finish_within(uint64_t limit) {
    int error = 0;
    GifFileType* gif = encoder_->gif;
    encoder_->gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR) {
        gif_fail(output_.path(), error);
    }
    const uint64_t size = output_.size();
    if (size <= limit) {
        output_.commit();
    }
    return size;
}

}  // namespace frontends
