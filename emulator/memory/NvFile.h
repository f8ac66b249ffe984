// The file that keeps a printer's non-volatile graphics between runs: NV graphics by key and NV
// bit images by number, as rasters. Written whole to a temporary file beside it and renamed over
// it, so a crash leaves the old file or the new one, never half of one.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/decoding/CommandSink.h"

namespace emu {

struct NvContents {
    std::map<std::uint16_t, RasterGraphics> graphics;
    std::vector<RasterGraphics> bitImages;
};

// A file that does not exist reads as empty contents. False with the reason in *error.
bool ReadNvFile(const std::string& path, NvContents* contents, std::string* error);
// Makes the folder when needed. False with the reason in *error.
bool WriteNvFile(const std::string& path, const NvContents& contents, std::string* error);

// The state folder: $XDG_STATE_HOME/CE_MOLV, else $HOME/.local/state/CE_MOLV, else
// ./CE_MOLV-state. Both programs keep a model's memory in <folder>/<model>/nv-graphics.
std::string DefaultStateFolder();
std::string NvFilePath(const std::string& stateFolder, std::string_view model);

}  // namespace emu
