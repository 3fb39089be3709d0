#include "dialog/ModuleLink.h"

#include <cstddef>

namespace foo_dsp_halvane {

namespace {
const halvane_dialog_link* g_link = nullptr;

// A field of the module's table, or null when the table is too short to hold it (a module
// built with an older table) or the field is not set.
#define HV_LINK_FIELD(name)                                                                          \
    (g_link && g_link->size >= offsetof(halvane_dialog_link, name) + sizeof(g_link->name) ? g_link->name \
                                                                                          : nullptr)
}  // namespace

const halvane_dialog_link* SetModuleLink(const halvane_dialog_link* link) {
    const halvane_dialog_link* previous = g_link;
    g_link = link;
    return previous;
}

void SignalReset() {
    if (auto fn = HV_LINK_FIELD(signal_reset)) fn();
}
void SignalRecalc() {
    if (auto fn = HV_LINK_FIELD(signal_recalc)) fn();
}
int TabToOpen() {
    auto fn = HV_LINK_FIELD(tab_to_open);
    return fn ? fn() : 0;
}
void StoreTab(int tab) {
    if (auto fn = HV_LINK_FIELD(store_tab)) fn(tab);
}
halvane_status* StatusService() {
    auto fn = HV_LINK_FIELD(status);
    return fn ? fn() : nullptr;
}

}  // namespace foo_dsp_halvane
