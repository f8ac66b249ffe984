// The application icon (resource 128) as file bytes: an ICO with nine images, 48, 32 and 16
// pixels square, each in 16 colours, 256 colours and 24-bit colour.
#pragma once

#include <cstddef>

extern const unsigned char kIconResource[];
extern const std::size_t kIconResourceSize;
