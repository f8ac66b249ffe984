#include "emulator/memory/GraphicsMemory.h"

#include <algorithm>
#include <cstdio>

#include "emulator/decoding/TraceText.h"
#include "emulator/memory/NvFile.h"

namespace emu {
namespace {

std::string Dots(const RasterGraphics& picture) {
    return emu::Dots(static_cast<std::uint64_t>(picture.widthDots),
                     static_cast<std::uint64_t>(picture.height));
}

const char* AreaName(GraphicsMemory::Area area) {
    return area == GraphicsMemory::Area::Nv ? "NV graphics" : "download graphics";
}

RasterGraphics Blank(int width, int height) {
    RasterGraphics picture;
    picture.widthDots = width;
    picture.height = height;
    picture.rowBytes = (width + 7) / 8;
    picture.bits.assign(static_cast<std::size_t>(picture.rowBytes) * height, 0);
    return picture;
}

}  // namespace

RasterGraphics GraphicsMemory::FromRows(int width, int height, const std::uint8_t* data) {
    RasterGraphics picture = Blank(width, height);
    std::copy_n(data, picture.bits.size(), picture.bits.begin());
    return picture;
}

RasterGraphics GraphicsMemory::FromColumns(int width, int height, const std::uint8_t* data) {
    RasterGraphics picture = Blank(width, height);
    const int columnBytes = (height + 7) / 8;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t byte = data[static_cast<std::size_t>(x) * columnBytes + y / 8];
            if (byte & (0x80 >> (y % 8)))
                picture.bits[static_cast<std::size_t>(y) * picture.rowBytes + x / 8] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return picture;
}

std::vector<std::uint16_t> GraphicsMemory::DefinedKeys(Area area) const {
    std::vector<std::uint16_t> keys;
    for (const auto& [key, picture] : Keys(area)) keys.push_back(key);
    return keys;
}

std::string GraphicsMemory::KeyName(std::uint16_t key) {
    return std::string("\"") + static_cast<char>(key >> 8) + static_cast<char>(key & 0xFF) + "\"";
}

std::uint32_t GraphicsMemory::Size(const RasterGraphics& picture) {
    return static_cast<std::uint32_t>(picture.bits.size());
}

std::uint32_t GraphicsMemory::NvUsed() const {
    std::uint32_t used = 0;
    for (const auto& entry : m_nv) used += Size(entry.second);
    for (const RasterGraphics& picture : m_bitImages) used += Size(picture);
    return used;
}

std::uint32_t GraphicsMemory::Capacity(Area area) const {
    return area == Area::Nv ? kNvCapacity : kDownloadCapacity;
}

std::uint32_t GraphicsMemory::Remaining(Area area) const {
    if (area == Area::Nv) return kNvCapacity - NvUsed();
    std::uint32_t used = 0;
    for (const auto& entry : m_download) used += Size(entry.second);
    return kDownloadCapacity - used;
}

bool GraphicsMemory::AttachFile(const std::string& path, std::string* error) {
    m_path = path;
    NvContents contents;
    const bool read = ReadNvFile(path, &contents, error);
    // What cannot be read is kept aside, not overwritten by the next definition.
    if (!read && std::rename(path.c_str(), (path + ".unreadable").c_str()) == 0)
        *error += " (moved aside to " + path + ".unreadable)";
    m_nv = std::move(contents.graphics);
    m_bitImages = std::move(contents.bitImages);
    return read;
}

std::string GraphicsMemory::Saved(std::string what) {
    if (m_path.empty()) return what;
    std::string error;
    if (!WriteNvFile(m_path, NvContents{m_nv, m_bitImages}, &error))
        return what + " (not kept for the next run: " + error + ")";
    return what;
}

std::string GraphicsMemory::Define(Area area, std::uint16_t key, RasterGraphics picture) {
    auto& keys = Keys(area);
    const auto old = keys.find(key);
    const std::uint32_t freed = old == keys.end() ? 0 : Size(old->second);
    const std::string what = std::string(AreaName(area)) + " " + KeyName(key) + " " + Dots(picture);
    if (Size(picture) > Remaining(area) + freed)
        return what + ": " + N(Size(picture)) + " bytes, " + N(Remaining(area) + freed) +
               " left of " + N(Capacity(area)) + ", nothing stored";
    keys[key] = std::move(picture);
    const std::string defined = what + " defined";
    return area == Area::Nv ? Saved(defined) : defined;
}

std::string GraphicsMemory::Erase(Area area, std::uint16_t key) {
    const std::string what = std::string(AreaName(area)) + " " + KeyName(key);
    if (Keys(area).erase(key) == 0) return what + " not defined, nothing erased";
    return area == Area::Nv ? Saved(what + " erased") : what + " erased";
}

std::string GraphicsMemory::EraseAll(Area area) {
    const std::string what =
        "all " + std::string(AreaName(area)) + " erased (" + N(Keys(area).size()) + ")";
    Keys(area).clear();
    return area == Area::Nv ? Saved(what) : what;
}

const RasterGraphics* GraphicsMemory::Find(Area area, std::uint16_t key) const {
    const auto& keys = Keys(area);
    const auto found = keys.find(key);
    return found == keys.end() ? nullptr : &found->second;
}

std::string GraphicsMemory::DefineBitImages(std::vector<RasterGraphics> pictures) {
    std::uint32_t size = 0;
    std::string sizes;
    for (const RasterGraphics& picture : pictures) {
        size += Size(picture);
        sizes += (sizes.empty() ? "" : ", ") + Dots(picture);
    }
    const std::uint32_t room = Remaining(Area::Nv) + [this] {
        std::uint32_t old = 0;
        for (const RasterGraphics& picture : m_bitImages) old += Size(picture);
        return old;
    }();
    const std::string what = N(pictures.size()) + " NV bit images (" + sizes + ")";
    if (size > room) return what + ": " + N(size) + " bytes, " + N(room) + " left, nothing stored";
    m_bitImages = std::move(pictures);
    return Saved(what + " defined");
}

const RasterGraphics* GraphicsMemory::BitImage(int number) const {
    if (number < 1 || number > static_cast<int>(m_bitImages.size())) return nullptr;
    return &m_bitImages[static_cast<std::size_t>(number - 1)];
}

}  // namespace emu
