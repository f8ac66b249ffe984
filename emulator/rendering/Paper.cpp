#include "emulator/rendering/Paper.h"

#include <algorithm>
#include <cstring>

namespace emu {

Paper::Paper(int width) : m_width(width) {}

int Paper::Length() const { return std::max(m_headMax, m_inkBottom); }

std::uint8_t* Paper::Row(int y) {
    const std::size_t chunk = static_cast<std::size_t>(y / kChunkRows);
    while (m_chunks.size() <= chunk) {
        const std::size_t bytes = static_cast<std::size_t>(kChunkRows) * m_width;
        auto fresh = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
        std::memset(fresh.get(), 255, bytes);
        m_chunks.push_back(std::move(fresh));
    }
    return m_chunks[chunk].get() + static_cast<std::size_t>(y % kChunkRows) * m_width;
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
    image.gray.assign(static_cast<std::size_t>(image.width) * image.height, 255);
    const std::size_t chunkBytes = static_cast<std::size_t>(kChunkRows) * m_width;
    for (std::size_t c = 0; c < m_chunks.size(); ++c) {
        const std::size_t offset = c * chunkBytes;
        if (offset >= image.gray.size()) break;
        const std::size_t bytes = std::min(chunkBytes, image.gray.size() - offset);
        std::memcpy(image.gray.data() + offset, m_chunks[c].get(), bytes);
    }
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
