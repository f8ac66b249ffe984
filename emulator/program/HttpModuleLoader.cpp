// printer-emulator's HTTP view, from its module, when --http is given (or --help shows the
// interface).
#include "emulator/http/HttpModule.h"
#include "emulator/program/Modules.h"

namespace emu {

namespace {
constexpr const char* kModule = "ce-molv-http.so";
}

std::unique_ptr<HttpService> MakeHttpService(PrinterStation& station, std::string* error) {
    const auto make =
        reinterpret_cast<CeMolvHttpMake>(emutool::FindInModule(kModule, kHttpMakeSymbol, error));
    return make != nullptr ? std::unique_ptr<HttpService>(make(&station)) : nullptr;
}

std::string HttpInterfaceText() {
    std::string reason;
    const auto text = reinterpret_cast<CeMolvHttpInterfaceText>(
        emutool::FindInModule(kModule, kHttpInterfaceTextSymbol, &reason));
    if (text == nullptr) return "The HTTP interface (--http) is not available: " + reason + "\n";
    return text();
}

}  // namespace emu
