#include "dialog/ConfigPopup.h"

#include <ftw.h>
#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <string>

#include <QApplication>

#include "dialog/ConfigDlg.h"
#include "dialog/ModuleLink.h"
#include "dialog/WindowWrapper.h"

namespace foo_dsp_halvane {

namespace {

bool Unset(const char* name) {
    const char* v = std::getenv(name);
    return !v || !*v;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

// The Qt application of a host that is not a Qt program, and the private runtime folder it
// was given. Both go when the dialog's library unloads (or at exit).
struct Application {
    std::string runtimeDir;
    std::unique_ptr<QApplication> app;

    ~Application() {
        app.reset();
        if (runtimeDir.empty()) return;
        nftw(runtimeDir.c_str(), RemoveEntry, 8, FTW_DEPTH | FTW_PHYS);
        unsetenv("XDG_RUNTIME_DIR");
    }

    // Qt wants a runtime folder owned by the user with mode 0700; mkdtemp makes one.
    void GiveRuntimeDir() {
        if (!Unset("XDG_RUNTIME_DIR")) return;
        std::string pattern = (Unset("TMPDIR") ? std::string("/tmp") : std::string(std::getenv("TMPDIR"))) +
                              "/halvane-runtime-XXXXXX";
        if (!mkdtemp(pattern.data())) return;  // Qt falls back to its own default, and says so
        runtimeDir = pattern;
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    }
};

// Without a display (and with no platform chosen explicitly) there is nowhere to show a
// window: report it, show nothing.
bool EnsureApplication() {
    if (QApplication::instance()) return true;
    if (Unset("DISPLAY") && Unset("WAYLAND_DISPLAY") && Unset("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "halvane: no display to show the configuration dialog on\n");
        return false;
    }
    static int argc = 1;
    static char name[] = "halvane";
    static char* argv[] = {name, nullptr};
    static Application holder;
    holder.GiveRuntimeDir();
    holder.app = std::make_unique<QApplication>(argc, argv);
    return true;
}

}  // namespace

void ShowConfigPopup(const halvane_dialog_link* p_link, const dsp_preset* p_data, fb2k_hwnd p_parent,
                     dsp_preset_edit_callback* p_callback) {
    if (!p_data || !p_callback) return;
    SetModuleLink(p_link);
    if (!EnsureApplication()) return;
    t_dsp_halvane_params scratch = t_dsp_halvane_params::g_default();
    ConfigDlg dlg(*p_data, *p_callback);
    if (!scratch.set_data(*p_data)) return;  // not this DSP's preset: no dialog
    WindowWrapper owner(p_parent);
    owner.Own(dlg);
    dlg.exec();  // the result is not used: every change has already been published
}

}  // namespace foo_dsp_halvane
