#include "emulator/program/Modules.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace emutool {

void* FindInModule(const char* file, const char* name, std::string* error) {
    struct Loaded {
        void* handle = nullptr;
        std::string failure;
    };
    static std::mutex lock;
    static std::map<std::string, Loaded> modules;
    std::lock_guard<std::mutex> guard(lock);
    auto [found, fresh] = modules.try_emplace(file);
    Loaded& module = found->second;
    if (fresh) {
        std::error_code ec;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
        const std::filesystem::path path =
            (self.parent_path() / CE_MOLV_MODULE_DIR / file).lexically_normal();
        module.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module.handle == nullptr) {
            // dlerror names the file.
            const char* reason = ::dlerror();
            module.failure = "cannot load " +
                             (reason != nullptr ? std::string(reason) : path.string()) +
                             "; reinstall printer-emulator";
        }
    }
    if (module.handle == nullptr) {
        *error = module.failure;
        return nullptr;
    }
    void* entry = ::dlsym(module.handle, name);
    if (entry == nullptr) *error = std::string(file) + " has no " + name;
    return entry;
}

}  // namespace emutool
