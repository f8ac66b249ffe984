#include "emulator/http/HttpModule.h"

#include "emulator/http/HttpView.h"

extern "C" {

emu::HttpService* ce_molv_http_make(emu::PrinterStation* station) {
    return new emu::HttpView(*station);
}

const char* ce_molv_http_interface_text() {
    static const std::string text = emu::HttpView::InterfaceText();
    return text.c_str();
}
}
