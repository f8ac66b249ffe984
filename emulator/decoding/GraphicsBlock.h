// The data of one graphics command (GS ( L / GS 8 L), read as it streams in: function 112's
// raster is kept (clipped to what any paper can show, so memory stays bounded however long the
// block); every other function is only named. Finish stores or prints through the sink and says
// what the command did.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "emulator/decoding/CommandSink.h"

namespace emu {

class GraphicsBlock {
  public:
    static constexpr int kMaxRowBytes = 256;  // 2048 dots, wider than any paper
    static constexpr int kMaxHeight = 2400;   // the command's own limit

    void Begin();
    void Feed(const std::uint8_t* data, std::size_t count);
    // length is the block's length as the command gave it (the bytes after pL pH / p1..p4).
    std::string Finish(CommandSink& sink, std::uint64_t length);

  private:
    static constexpr std::size_t kHeadBytes = 10;  // m fn a bx by c xL xH yL yH
    void StartRaster();

    std::array<std::uint8_t, kHeadBytes> m_head{};
    std::size_t m_headFill = 0;
    std::uint64_t m_dataBytes = 0;  // after the head
    bool m_raster = false;
    int m_fullRowBytes = 0;
    RasterGraphics m_graphics;
};

}  // namespace emu
