#include "host/halvane_popup.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <string>

namespace {
// Constant-initialised: ready before any registrar runs, whatever the order of static
// construction between object files.
constinit std::atomic<halvane_config_popup_fn> g_popup{nullptr};

// The dialog library, once loaded; closed when the module unloads (its QApplication and
// private runtime folder go with it).
struct DialogLibrary {
    void* handle = nullptr;
    halvane_config_popup_fn entry = nullptr;
    bool tried = false;
    ~DialogLibrary() {
        if (handle) dlclose(handle);
    }
};
DialogLibrary g_library;

// <directory of the object holding this function>/halvane_dialog.so: the module's own
// folder, or the program's when the module's objects are linked into it.
std::string DialogLibraryPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&DialogLibraryPath), &info) || !info.dli_fname) return {};
    std::string dir(info.dli_fname);
    const size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    return dir + "/" + kHalvaneDialogLibrary;
}

halvane_config_popup_fn LoadDialogLibrary() {
    if (g_library.tried) return g_library.entry;
    g_library.tried = true;
    const std::string path = DialogLibraryPath();
    struct stat st{};
    if (path.empty() || stat(path.c_str(), &st) != 0) return nullptr;  // built without the dialog
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::fprintf(stderr, "halvane: cannot load the configuration dialog: %s\n", why ? why : path.c_str());
        return nullptr;
    }
    auto entry = reinterpret_cast<halvane_config_popup_fn>(dlsym(handle, kHalvaneDialogEntry));
    if (!entry) {
        std::fprintf(stderr, "halvane: %s has no entry %s\n", path.c_str(), kHalvaneDialogEntry);
        dlclose(handle);
        return nullptr;
    }
    g_library.handle = handle;
    g_library.entry = entry;
    return entry;
}
}  // namespace

void halvane_register_config_popup(halvane_config_popup_fn p_fn) { g_popup.store(p_fn); }
halvane_config_popup_fn halvane_get_config_popup() { return g_popup.load(); }

halvane_config_popup_fn halvane_find_config_popup() {
    if (halvane_config_popup_fn fn = g_popup.load()) return fn;
    return LoadDialogLibrary();
}
