// The data of one graphics command (GS ( L / GS 8 L), read as it streams in: function 112's
// raster is kept (clipped to what any paper can show, so memory stays bounded however long the
// block); a definition of NV or download graphics (67, 68, 83, 84) is kept whole up to what the
// memory could hold. Finish stores, erases, prints or answers through the graphics memory, the
// sink and the control handler, and says what the command did.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/decoding/CommandSink.h"
#include "emulator/decoding/ControlHandler.h"
#include "emulator/memory/GraphicsMemory.h"

namespace emu {

class GraphicsBlock {
  public:
    static constexpr int kMaxRowBytes = 256;  // 2048 dots, wider than any paper
    static constexpr int kMaxHeight = 2400;   // the command's own limit

    void Begin();
    void Feed(const std::uint8_t* data, std::size_t count);
    // length is the block's length as the command gave it (the bytes after pL pH / p1..p4).
    std::string Finish(CommandSink& sink, ControlHandler& control, GraphicsMemory& memory,
                       std::uint64_t length);

  private:
    static constexpr std::size_t kHeadBytes = 10;  // m fn a bx by c xL xH yL yH
    // A definition kept whole: the larger memory and the longest head.
    static constexpr std::size_t kMaxKept = GraphicsMemory::kNvCapacity + 16;
    void StartRaster();
    std::string Define(GraphicsMemory& memory, std::uint64_t length);
    std::string PrintByKey(CommandSink& sink, const GraphicsMemory& memory, std::uint64_t length);
    std::string Erase(GraphicsMemory& memory, std::uint64_t length);
    std::uint16_t Key(std::size_t at) const {
        return static_cast<std::uint16_t>(m_head[at] << 8 | m_head[at + 1]);
    }

    std::array<std::uint8_t, kHeadBytes> m_head{};
    std::size_t m_headFill = 0;
    std::uint64_t m_dataBytes = 0;  // after the head
    bool m_raster = false;
    bool m_define = false;
    bool m_overlong = false;           // a definition longer than kMaxKept
    std::vector<std::uint8_t> m_kept;  // a definition's bytes from its first
    int m_fullRowBytes = 0;
    RasterGraphics m_graphics;
};

}  // namespace emu
