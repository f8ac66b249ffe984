#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "emulator/rendering/PaperImage.h"

namespace emu {
namespace {

struct PngState {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = {};

    ~PngState() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file) std::fclose(file);
    }
};

void OnPngError(png_structp png, png_const_charp text) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", text);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// Kept apart from WritePng so that no object with a destructor lives across setjmp.
bool WriteRows(PngState& state, const PaperImage& image) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_init_io(state.png, state.file);
    png_set_IHDR(state.png, state.info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(state.png, state.info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(state.png, image.gray.data() + static_cast<std::size_t>(y) * image.width);
    png_write_end(state.png, nullptr);
    return true;
}

bool Writable(const PaperImage& image, const std::string& name, std::string* error) {
    if (image.width <= 0 || image.height <= 0)
        return Fail(error, "cannot write " + name + ": the image is empty (" +
                               std::to_string(image.width) + " x " + std::to_string(image.height) +
                               " dots)");
    if (image.gray.size() != static_cast<std::size_t>(image.width) * image.height)
        return Fail(error, "cannot write " + name + ": the image holds " +
                               std::to_string(image.gray.size()) + " bytes for " +
                               std::to_string(image.width) + " x " + std::to_string(image.height) +
                               " dots");
    return true;
}

}  // namespace

bool WritePng(const PaperImage& image, const std::string& path, std::string* error) {
    if (!Writable(image, path, error)) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return Fail(error, "cannot create " + path + ": " + std::strerror(errno));
    return WritePng(image, file, path, error);
}

bool WritePng(const PaperImage& image, std::FILE* file, const std::string& name,
              std::string* error) {
    PngState state;
    state.file = file;
    if (!Writable(image, name, error)) return false;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (state.png) state.info = png_create_info_struct(state.png);
    if (!state.png || !state.info)
        return Fail(error, "cannot write " + name + ": out of memory in libpng");
    errno = 0;
    if (!WriteRows(state, image)) {
        // A failed write reaches libpng as "Write Error"; the system's reason says more.
        return Fail(error, "cannot write " + name + ": " +
                               (errno != 0 ? std::strerror(errno) : state.message));
    }
    if (std::fflush(state.file) != 0 || std::ferror(state.file))
        return Fail(error, "cannot write " + name + ": " + std::strerror(errno));
    const int closed = std::fclose(state.file);
    state.file = nullptr;
    if (closed != 0) return Fail(error, "cannot write " + name + ": " + std::strerror(errno));
    return true;
}

}  // namespace emu
