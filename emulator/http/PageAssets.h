// The page the printer serves, compiled in from emulator/http/page/ (nothing is read at run
// time, nothing comes from elsewhere).
#pragma once

#include <string_view>

namespace emu {

extern const std::string_view kPageHtml;
extern const std::string_view kPageScript;
extern const std::string_view kPageStyle;

}  // namespace emu
