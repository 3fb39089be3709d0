// The dialog's way back into the module: the link the module handed over when the popup
// opened (host/halvane_popup.h). Without one (a dialog built into a program with no
// module) the signals go nowhere, the first tab opens and the status reads as absent.
// UI thread.
#pragma once

#include "host/halvane_popup.h"

class halvane_status;

namespace foo_dsp_halvane {

// Installs the link (null removes it); returns the previous one. Not copied: the module's
// table outlives the dialog.
const halvane_dialog_link* SetModuleLink(const halvane_dialog_link* link);

void SignalReset();
void SignalRecalc();
int TabToOpen();
void StoreTab(int tab);
halvane_status* StatusService();

}  // namespace foo_dsp_halvane
