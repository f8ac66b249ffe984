// The entry point of the scalable font's module: a new font for the caller to delete, or null
// with the problem said in a line of *problems.
#pragma once

#include <string>

#include "emulator/rendering/ScalableFont.h"

extern "C" {
using CeMolvOpenScalableFont = emu::ScalableFont* (*)(std::string* problems);
}

inline constexpr const char* kOpenScalableFontSymbol = "ce_molv_open_scalable_font";
