#include "emulator/rendering/Paper.h"

#include <algorithm>
#include <cstring>

namespace emu {

Paper::Paper(int width) : m_width(width) {}

int Paper::Length() const { return std::max(m_headMax, m_inkBottom); }

std::uint8_t* Paper::Row(int y) {
    const std::size_t offset = static_cast<std::size_t>(y) * m_width;
    if (offset >= m_dots.size()) {
        if (m_dots.capacity() == 0) m_dots.reserve(static_cast<std::size_t>(kMaxRows) * m_width);
        const std::size_t chunks = static_cast<std::size_t>(y / kChunkRows) + 1;
        m_dots.resize(chunks * kChunkRows * m_width, 255);
    }
    return m_dots.data() + offset;
}

void Paper::Darken(int y, int x0, int x1, std::uint8_t shade) {
    if (y < 0 || y >= kMaxRows) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_width);
    if (x0 >= x1) return;
    std::uint8_t* row = Row(y);
    for (int x = x0; x < x1; ++x) row[x] = std::min(row[x], shade);
    m_inkBottom = std::max(m_inkBottom, y + 1);
}

void Paper::Burn(int y, const std::uint8_t* shades) {
    if (y < 0 || y >= kMaxRows) return;
    std::uint8_t* row = Row(y);
    if (y >= m_inkBottom)  // still blank paper: the shades are the row
        std::memcpy(row, shades, static_cast<std::size_t>(m_width));
    else
        for (int x = 0; x < m_width; ++x) row[x] = std::min(row[x], shades[x]);
    m_inkBottom = std::max(m_inkBottom, y + 1);
}

void Paper::Advance(int rows) {
    m_head = std::min(kMaxRows, m_head + std::max(rows, 0));
    m_headMax = std::max(m_headMax, m_head);
}

void Paper::Reverse(int rows) { m_head = std::max(0, m_head - std::max(rows, 0)); }

PaperImage Paper::Image() const {
    PaperImage image;
    image.width = m_width;
    image.height = Length();
    // Each dot is written once: the rows reached, then blank paper for rows the head passed
    // beyond them.
    const std::size_t size = static_cast<std::size_t>(image.width) * image.height;
    image.gray.reserve(size);
    image.gray.assign(m_dots.begin(), m_dots.begin() + std::min(size, m_dots.size()));
    image.gray.resize(size, 255);
    return image;
}

PaperImage Paper::Take() {
    PaperImage image;
    image.width = m_width;
    image.height = Length();
    image.gray = std::move(m_dots);
    image.gray.resize(static_cast<std::size_t>(image.width) * image.height, 255);
    m_dots = {};
    m_head = m_headMax = m_inkBottom = 0;
    return image;
}

void Paper::TurnHalf(int top, int rows) {
    top = std::max(top, 0);
    const int bottom = std::min(top + rows, kMaxRows);
    if (m_inkBottom > top) m_inkBottom = std::max(m_inkBottom, bottom);
    for (int a = top, b = bottom - 1; a <= b; ++a, --b) {
        std::uint8_t* upper = Row(a);
        std::uint8_t* lower = Row(b);
        std::reverse(upper, upper + m_width);
        if (a != b) {
            std::reverse(lower, lower + m_width);
            std::swap_ranges(upper, upper + m_width, lower);
        }
    }
}

}  // namespace emu
