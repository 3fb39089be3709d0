// What the dialog uses of the component: the preset object and the edit callback of the
// host's interfaces, the preset reader/writer, the persisted tab and the product texts.
#pragma once

#include "host/cfg_halvane_tab.h"
#include "host/dsp_halvane_params.h"
#include "host/halvane_version.h"
#include "sdk/dsp_entry.h"
#include "sdk/dsp_preset.h"
