#include "emulator/memory/NvFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "emulator/FileWrite.h"

namespace emu {
namespace {

constexpr char kMagic[] = "CE_MOLV-NV 1\n";
constexpr std::size_t kMagicLength = sizeof kMagic - 1;

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutPicture(std::string& out, const RasterGraphics& picture) {
    Put16(out, static_cast<unsigned>(picture.widthDots));
    Put16(out, static_cast<unsigned>(picture.height));
    out.append(reinterpret_cast<const char*>(picture.bits.data()), picture.bits.size());
}

struct Reader {
    const std::string& bytes;
    std::size_t at = 0;
    bool ok = true;

    unsigned Get16() {
        if (at + 2 > bytes.size()) return ok = false, 0;
        const unsigned value =
            static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
        at += 2;
        return value;
    }
    std::uint32_t Get32() {
        const std::uint32_t low = Get16();
        return low | static_cast<std::uint32_t>(Get16()) << 16;
    }
    RasterGraphics GetPicture() {
        RasterGraphics picture;
        picture.widthDots = static_cast<int>(Get16());
        picture.height = static_cast<int>(Get16());
        picture.rowBytes = (picture.widthDots + 7) / 8;
        const std::size_t size = static_cast<std::size_t>(picture.rowBytes) * picture.height;
        if (picture.widthDots < 1 || picture.widthDots > RasterGraphics::kMaxDefinedWidth ||
            picture.height < 1 || picture.height > RasterGraphics::kMaxDefinedHeight ||
            at + size > bytes.size()) {
            ok = false;
            return picture;
        }
        picture.bits.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
        return picture;
    }
};

}  // namespace

bool ReadNvFile(const std::string& path, NvContents* contents, std::string* error) {
    *contents = NvContents{};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) return true;
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Reader reader{bytes};
    if (bytes.compare(0, kMagicLength, kMagic) != 0) {
        *error = path + " is not a stored-graphics file of this program";
        return false;
    }
    reader.at = kMagicLength;
    for (std::uint32_t n = reader.Get32(); reader.ok && n > 0; --n) {
        const auto key = static_cast<std::uint16_t>(reader.Get16());
        RasterGraphics picture = reader.GetPicture();
        if (reader.ok) contents->graphics[key] = std::move(picture);
    }
    for (std::uint32_t n = reader.ok ? reader.Get32() : 0; reader.ok && n > 0; --n) {
        RasterGraphics picture = reader.GetPicture();
        if (reader.ok) contents->bitImages.push_back(std::move(picture));
    }
    if (!reader.ok || reader.at != bytes.size()) {
        *contents = NvContents{};
        *error = path + " is damaged";
        return false;
    }
    return true;
}

bool WriteNvFile(const std::string& path, const NvContents& contents, std::string* error) {
    std::string bytes(kMagic, kMagicLength);
    Put32(bytes, static_cast<std::uint32_t>(contents.graphics.size()));
    for (const auto& [key, picture] : contents.graphics) {
        Put16(bytes, key);
        PutPicture(bytes, picture);
    }
    Put32(bytes, static_cast<std::uint32_t>(contents.bitImages.size()));
    for (const RasterGraphics& picture : contents.bitImages) PutPicture(bytes, picture);

    const std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
        *error = "cannot make " + target.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    int savedErrno = 0;
    bool written = WriteAll(fd, bytes, &savedErrno);
    if (written && ::fsync(fd) != 0) {
        written = false;
        savedErrno = errno;
    }
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(written ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::string DefaultStateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/CE_MOLV";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/state/CE_MOLV";
    return "CE_MOLV-state";
}

std::string NvFilePath(const std::string& stateFolder, std::string_view model) {
    return (std::filesystem::path(stateFolder) / std::string(model) / "nv-graphics").string();
}

}  // namespace emu
