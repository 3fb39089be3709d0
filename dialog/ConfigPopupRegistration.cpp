// For programs that link the dialog statically with the module's objects (the dialog tests,
// the rendering tool): the popup is registered with the module, and the module's link is
// installed from the start so that a dialog made directly reaches the same engine words.
#include "dialog/ConfigPopup.h"
#include "dialog/ModuleLink.h"
#include "host/halvane_popup.h"

namespace {
const halvane_config_popup_registrar g_dialogPopup(&foo_dsp_halvane::ShowConfigPopup);
const halvane_dialog_link* const g_installed = foo_dsp_halvane::SetModuleLink(&halvane_module_dialog_link());
}  // namespace
