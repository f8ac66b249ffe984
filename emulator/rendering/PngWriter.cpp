#include "emulator/rendering/PngWriter.h"

#include <fcntl.h>
#include <png.h>
#include <zlib.h>

#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "emulator/FileWrite.h"

namespace emu {
namespace {

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t>* out = nullptr;
    char message[256] = {};

    ~PngState() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void OnPngError(png_structp png, png_const_charp text) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", text);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void OnPngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    state->out->insert(state->out->end(), data, data + length);
}

void OnPngFlush(png_structp) {}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// Eight dots read as one word, the first dot in the lowest byte.
std::uint64_t EightDots(const std::uint8_t* dots) {
    std::uint64_t word;
    std::memcpy(&word, dots, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// Set in the low seven bits of a byte whose bits are not all alike: a dot neither black nor white.
std::uint64_t Unlike(std::uint64_t word) { return (word ^ (word >> 1)) & 0x7F7F7F7F7F7F7F7Full; }

bool IsBlackOrWhite(std::uint8_t dot) { return dot == 0 || dot == 255; }

// The picture packed to a bit a dot, row by row, the first dot of a row in the high bit: 1 white,
// 0 black. Eight dots at a time: each byte's low bit, multiplied into place, lands in the top byte
// in reverse order, the first dot highest. Empty when a dot is gray, found in the same pass.
std::vector<std::uint8_t> PackBlackAndWhite(const PaperImage& image) {
    const int width = image.width;
    const std::size_t stride = static_cast<std::size_t>(width + 7) / 8;
    std::vector<std::uint8_t> packed(stride * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* dots = image.gray.data() + static_cast<std::size_t>(y) * width;
        std::uint8_t* bits = packed.data() + y * stride;
        std::uint64_t unlike = 0;
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            const std::uint64_t word = EightDots(dots + x);
            unlike |= Unlike(word);
            const std::uint64_t low = (word >> 7) & 0x0101010101010101ull;
            bits[x / 8] = static_cast<std::uint8_t>((low * 0x8040201008040201ull) >> 56);
        }
        if (x < width) {
            std::uint8_t byte = 0;
            for (int i = 0; x + i < width; ++i) {
                unlike |= !IsBlackOrWhite(dots[x + i]);
                byte |= static_cast<std::uint8_t>((dots[x + i] >> 7) << (7 - i));
            }
            bits[x / 8] = byte;
        }
        if (unlike != 0) return {};
    }
    return packed;
}

// Kept apart from EncodePng so that no object with a destructor lives across setjmp; packed is
// the picture at a bit a dot, or empty for a byte a dot.
bool WriteRows(PngState& state, const PaperImage& image, const PngSettings& settings,
               const std::vector<std::uint8_t>& packed) {
    const bool oneBit = !packed.empty();
    const std::size_t stride = static_cast<std::size_t>(image.width + 7) / 8;
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_set_write_fn(state.png, &state, OnPngWrite, OnPngFlush);
    png_set_compression_level(state.png, settings.level);
    png_set_compression_strategy(state.png, settings.rle ? Z_RLE : Z_DEFAULT_STRATEGY);
    png_set_filter(state.png, PNG_FILTER_TYPE_BASE, settings.filters);
    png_set_IHDR(state.png, state.info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), oneBit ? 1 : 8, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(state.png, state.info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(state.png,
                      oneBit ? packed.data() + y * stride
                             : image.gray.data() + static_cast<std::size_t>(y) * image.width);
    png_write_end(state.png, nullptr);
    return true;
}

}  // namespace

bool IsBlackAndWhite(const PaperImage& image) {
    // A dot is black or white when its eight bits are alike, eight dots a word with no early
    // exit, so the pass stays short and branch-free.
    const std::uint8_t* dots = image.gray.data();
    const std::size_t size = image.gray.size();
    std::uint64_t unlike = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) unlike |= Unlike(EightDots(dots + i));
    for (; i < size; ++i) unlike |= !IsBlackOrWhite(dots[i]);
    return unlike == 0;
}

bool EncodePng(const PaperImage& image, std::vector<std::uint8_t>* png, std::string* error,
               const PngEncoding& encoding) {
    if (image.width <= 0 || image.height <= 0)
        return Fail(error, "the image is empty (" + std::to_string(image.width) + " x " +
                               std::to_string(image.height) + " dots)");
    if (image.gray.size() != static_cast<std::size_t>(image.width) * image.height)
        return Fail(error, "the image holds " + std::to_string(image.gray.size()) + " bytes for " +
                               std::to_string(image.width) + " x " + std::to_string(image.height) +
                               " dots");
    const std::vector<std::uint8_t> packed =
        encoding.allowOneBit ? PackBlackAndWhite(image) : std::vector<std::uint8_t>();
    PngState state;
    state.out = png;
    png->clear();
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (state.png) state.info = png_create_info_struct(state.png);
    if (!state.png || !state.info) return Fail(error, "out of memory in libpng");
    if (!WriteRows(state, image, packed.empty() ? encoding.gray : encoding.oneBit, packed))
        return Fail(error, state.message);
    return true;
}

bool WritePng(const PaperImage& image, const std::string& path, std::string* error) {
    std::vector<std::uint8_t> png;
    std::string why;
    if (!EncodePng(image, &png, &why)) return Fail(error, "cannot write " + path + ": " + why);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(error, "cannot create " + path + ": " + std::strerror(errno));
    return WriteAndClose(fd, png, path, error);
}

}  // namespace emu
