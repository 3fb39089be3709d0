// The module's side of the dialog link: the two engine signals, the persisted tab and the
// status service, as plain functions the dialog library calls back into.
#include "host/cfg_halvane_tab.h"
#include "host/halvane_engine.h"
#include "host/halvane_popup.h"
#include "host/halvane_status.h"
#include "sdk/service_enum.h"

namespace {
void SignalReset() { g_bSignalReset.store(1, std::memory_order_relaxed); }
void SignalRecalc() { g_bSignalRecalc.store(1, std::memory_order_relaxed); }
void StoreTab(int tab) { cfg_halvane_tab = tab; }

// The status service from the module's own list. Its instance is a static of the module,
// so the pointer stays valid after the reference is dropped.
halvane_status* StatusService() {
    service_enum_t<halvane_status> e(service_factory_base::__internal__list);
    service_ptr_t<halvane_status> status;
    return e.next(status) ? status.get_ptr() : nullptr;
}

constexpr halvane_dialog_link kLink{sizeof(halvane_dialog_link), &SignalReset, &SignalRecalc,
                                    &halvane_tab_to_open, &StoreTab, &StatusService};
}  // namespace

const halvane_dialog_link& halvane_module_dialog_link() { return kLink; }
