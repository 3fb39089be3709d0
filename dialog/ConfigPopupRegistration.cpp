// Hands the dialog to the module's configuration popup when this library is linked in.
#include "dialog/ConfigPopup.h"
#include "host/halvane_popup.h"

namespace {
const halvane_config_popup_registrar g_dialogPopup(&foo_dsp_halvane::ShowConfigPopup);
}  // namespace
