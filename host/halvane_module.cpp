// The module's registrations, built by static construction when the host loads it: the
// client object behind the exported entry point, the DSP entry, the version information,
// the playback callback, the status and headphone-options services and the persisted tab.
#include "host/callback_halvane.h"
#include "host/cfg_halvane_tab.h"
#include "host/componentversion_myimpl.h"
#include "host/dsp_halvane.h"
#include "host/halvane_headphone_options.h"
#include "host/halvane_status.h"
#include "sdk/component_client.h"

namespace {
foobar2000_client_impl g_client;
}  // namespace

extern "C" __attribute__((visibility("default"))) foobar2000_client* foobar2000_get_interface(
    foobar2000_api* p_api, fb2k_module_handle hIns) {
    g_foobar2000_api = p_api;
    g_hIns = hIns;
    return &g_client;
}

static dsp_factory_t<dsp_halvane> foo;
static service_factory_single_t<componentversion_myimpl> g_componentversion_myimpl_factory;
static play_callback_static_factory_t<callback_halvane> foo2;
static service_factory_single_t<halvane_status_impl> g_halvane_status_factory;
static service_factory_single_t<halvane_headphone_options_impl> g_halvane_headphone_options_factory;

cfg_int_t<int> cfg_halvane_tab(c_halvane_tab, 0);

int halvane_tab_to_open() {
    const int tab = cfg_halvane_tab;
    return tab >= 0 && tab < kHalvaneTabCount ? tab : 0;
}
