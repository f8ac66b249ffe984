// The entry points of the HTTP view's module (ce-molv-http.so), which printer-emulator loads for
// --http. The module holds the view and its server library; the printer's own code it calls is
// the program's, which exports it, so there is one printer, not a copy in the module.
#pragma once

#include "emulator/http/HttpService.h"

extern "C" {
// A new view of the station, for the caller to delete.
using CeMolvHttpMake = emu::HttpService* (*)(emu::PrinterStation* station);
// What --help says of the interface, valid while the module is loaded.
using CeMolvHttpInterfaceText = const char* (*)();
}

inline constexpr const char* kHttpMakeSymbol = "ce_molv_http_make";
inline constexpr const char* kHttpInterfaceTextSymbol = "ce_molv_http_interface_text";
