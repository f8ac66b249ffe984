// printer-emulator's modules: the parts that bring libraries most runs do not need (the HTTP
// view, the scalable font), loaded when first needed from the module folder, found from this
// program's own file as the window program is.
#pragma once

#include <string>

namespace emutool {

// The module's entry point NAME, or null with the reason in *error. A module is loaded once,
// with every symbol bound (so one that does not fit this program fails here, clearly), and
// never unloaded: its code runs until the program ends.
void* FindInModule(const char* file, const char* name, std::string* error);

}  // namespace emutool
