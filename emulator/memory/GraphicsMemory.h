// What a receipt printer keeps of the graphics the host sends it:
// - NV graphics (GS ( L / GS 8 L functions 67, 68) by two-character key, and NV bit images (FS q)
//   by number, in non-volatile memory: they outlive the run when a state file is attached, and
//   share the NV area's capacity;
// - download graphics (functions 83, 84) by key and the downloaded bit image (GS *), for the run
//   only (ESC @ keeps download graphics and drops the downloaded bit image, as printers do).
// Pictures are kept as rasters (one bit a dot, rows of whole bytes, most significant bit left).
// Each call returns what it did in the trace's words.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "emulator/decoding/CommandSink.h"

namespace emu {

class GraphicsMemory {
  public:
    // The NV area and the download area, in data bytes.
    static constexpr std::uint32_t kNvCapacity = 256 * 1024;
    static constexpr std::uint32_t kDownloadCapacity = 256 * 1024;
    // GS * x y: x * y at most 1536 (a bit image of x * 8 by y * 8 dots).
    static constexpr int kMaxDownloadedBitImage = 1536;

    enum class Area : std::uint8_t { Nv, Download };

    // Rows of (width + 7) / 8 bytes; column data (each column top to bottom, bytes of 8 dots,
    // most significant bit on top) is turned into rows.
    static RasterGraphics FromRows(int width, int height, const std::uint8_t* data);
    static RasterGraphics FromColumns(int width, int height, const std::uint8_t* data);

    // Where the NV part is kept between runs; loads it (a file that does not exist is an empty
    // memory). False with the reason in *error when the file cannot be read; the memory then
    // starts empty and the file is moved aside (".unreadable"), so no later save replaces it.
    bool AttachFile(const std::string& path, std::string* error);

    std::string Define(Area area, std::uint16_t key, RasterGraphics picture);
    std::string Erase(Area area, std::uint16_t key);
    std::string EraseAll(Area area);
    // Null when the key is not defined.
    const RasterGraphics* Find(Area area, std::uint16_t key) const;
    // Every key defined, in order.
    std::vector<std::uint16_t> DefinedKeys(Area area) const;
    std::uint32_t Capacity(Area area) const;
    std::uint32_t Remaining(Area area) const;

    // FS q: replaces every NV bit image with these (numbered from 1).
    std::string DefineBitImages(std::vector<RasterGraphics> pictures);
    const RasterGraphics* BitImage(int number) const;

    void SetDownloadedBitImage(RasterGraphics picture) { m_downloaded = std::move(picture); }
    const RasterGraphics* DownloadedBitImage() const {
        return m_downloaded ? &*m_downloaded : nullptr;
    }
    void Initialize() { m_downloaded.reset(); }

    static std::string KeyName(std::uint16_t key);

  private:
    static std::uint32_t Size(const RasterGraphics& picture);
    std::uint32_t NvUsed() const;
    std::map<std::uint16_t, RasterGraphics>& Keys(Area area) {
        return area == Area::Nv ? m_nv : m_download;
    }
    const std::map<std::uint16_t, RasterGraphics>& Keys(Area area) const {
        return area == Area::Nv ? m_nv : m_download;
    }
    std::string Saved(std::string what);

    std::map<std::uint16_t, RasterGraphics> m_nv;
    std::vector<RasterGraphics> m_bitImages;
    std::map<std::uint16_t, RasterGraphics> m_download;
    std::optional<RasterGraphics> m_downloaded;
    std::string m_path;
};

}  // namespace emu
