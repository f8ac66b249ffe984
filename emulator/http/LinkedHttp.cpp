// The HTTP view made in the program itself, for programs that link emulator_http.
#include "emulator/http/HttpService.h"
#include "emulator/http/HttpView.h"

namespace emu {

std::unique_ptr<HttpService> MakeHttpService(PrinterStation& station, std::string*) {
    return std::make_unique<HttpView>(station);
}

std::string HttpInterfaceText() { return HttpView::InterfaceText(); }

}  // namespace emu
