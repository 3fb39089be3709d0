#include "dialog/ConfigPopup.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>

#include "dialog/ConfigDlg.h"
#include "dialog/WindowWrapper.h"

namespace foo_dsp_halvane {

namespace {

// A Qt application for hosts that are not Qt programs. Without a display (and with no
// platform chosen explicitly) there is nowhere to show a window: report it, show nothing.
bool EnsureApplication() {
    if (QApplication::instance()) return true;
    const bool hasDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
    if (!hasDisplay) {
        std::fprintf(stderr, "halvane: no display to show the configuration dialog on\n");
        return false;
    }
    static int argc = 1;
    static char name[] = "halvane";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app(new QApplication(argc, argv));
    return true;
}

}  // namespace

void ShowConfigPopup(const dsp_preset& p_data, fb2k_hwnd p_parent, dsp_preset_edit_callback& p_callback) {
    if (!EnsureApplication()) return;
    t_dsp_halvane_params scratch = t_dsp_halvane_params::g_default();
    ConfigDlg dlg(p_data, p_callback);
    if (!scratch.set_data(p_data)) return;  // not this DSP's preset: no dialog
    WindowWrapper owner(p_parent);
    owner.Own(dlg);
    dlg.exec();  // the result is not used: every change has already been published
}

}  // namespace foo_dsp_halvane
