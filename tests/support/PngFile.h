// Reads a PNG (a saved receipt, or its bytes) as 8-bit gray through libpng, for tests that check
// the paper dot for dot. Empty pixels when the file cannot be read.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct GrayPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows top down

    bool Dark(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)] < 128;
    }
};

// The picture of an image whose reading has begun; empty when it cannot be read.
inline GrayPicture FinishGrayPng(png_image& image) {
    image.format = PNG_FORMAT_GRAY;
    GrayPicture picture;
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return GrayPicture{};
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

inline GrayPicture ReadGrayPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return GrayPicture{};
    return FinishGrayPng(image);
}

// The same from the PNG's bytes.
inline GrayPicture ReadGrayPng(const std::vector<std::uint8_t>& png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return GrayPicture{};
    return FinishGrayPng(image);
}

}  // namespace testsupport
