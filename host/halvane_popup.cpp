#include "host/halvane_popup.h"

#include <atomic>

namespace {
// Constant-initialised: ready before any registrar runs, whatever the order of static
// construction between object files.
constinit std::atomic<halvane_config_popup_fn> g_popup{nullptr};
}  // namespace

void halvane_register_config_popup(halvane_config_popup_fn p_fn) { g_popup.store(p_fn); }
halvane_config_popup_fn halvane_get_config_popup() { return g_popup.load(); }
