// printer-emulator's HTTP view, loaded from its module when --http is given (or --help shows the
// interface), found from this program's own file as the window program is.
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "emulator/http/HttpModule.h"

namespace emu {

namespace {

// Loaded once and never unloaded: the view's code runs until the program ends.
void* LoadModule(std::string* error) {
    static void* module = nullptr;
    static std::string failure;
    if (module != nullptr || !failure.empty()) {
        if (module == nullptr) *error = failure;
        return module;
    }
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path path =
        (self.parent_path() / CE_MOLV_HTTP_MODULE).lexically_normal();
    // Every symbol bound now, so a module that does not fit this program fails here, clearly.
    module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = ::dlerror();
        failure = "cannot load the HTTP view " + path.string() + ": " +
                  (reason != nullptr ? reason : "unknown error") + "; reinstall printer-emulator";
        *error = failure;
    }
    return module;
}

template <typename Function>
Function Find(void* module, const char* name, std::string* error) {
    auto function = reinterpret_cast<Function>(::dlsym(module, name));
    if (function == nullptr) *error = std::string("the HTTP view's module has no ") + name;
    return function;
}

}  // namespace

std::unique_ptr<HttpService> MakeHttpService(PrinterStation& station, std::string* error) {
    void* module = LoadModule(error);
    if (module == nullptr) return nullptr;
    const auto make = Find<CeMolvHttpMake>(module, kHttpMakeSymbol, error);
    return make != nullptr ? std::unique_ptr<HttpService>(make(&station)) : nullptr;
}

std::string HttpInterfaceText() {
    std::string error;
    void* module = LoadModule(&error);
    const auto text = module != nullptr
                          ? Find<CeMolvHttpInterfaceText>(module, kHttpInterfaceTextSymbol, &error)
                          : nullptr;
    if (text == nullptr) return "The HTTP interface (--http) is not available: " + error + "\n";
    return text();
}

}  // namespace emu
