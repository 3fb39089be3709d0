// The module as the player reaches it: the client object from its entry point, and the DSP
// entry found in its service list by HALVANE_GUID. The module's objects are linked into the
// program (the player would load them from foo_dsp_halvane.so; the code is the same).
// Each aborts where the module does not provide what it asks for.
#pragma once

#include "engine/HVConfig.h"
#include "host/dsp_halvane_params.h"
#include "sdk/component_client.h"
#include "sdk/service_enum.h"

foobar2000_client* ModuleClient();
dsp_entry_v2& ModuleDspEntry();
// A new instance from a preset holding these 28 words as given (reading the preset repairs
// out-of-range words, as for any preset).
service_ptr_t<dsp_v2> NewDsp(const HVLIB_CONFIG& cfg);
