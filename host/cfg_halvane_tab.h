// cfg_halvane_tab: the dialog tab that was selected last (0 Main ... 5), persisted by the
// host with the module's configuration as a 4-byte little-endian record under c_halvane_tab.
// Main thread.
#pragma once

#include "sdk/cfg_var.h"

// {025675A5-3989-48E8-8959-F2FB263AF51A}
inline constexpr GUID c_halvane_tab = {0x025675a5, 0x3989, 0x48e8, {0x89, 0x59, 0xf2, 0xfb, 0x26, 0x3a, 0xf5, 0x1a}};

inline constexpr int kHalvaneTabCount = 6;

extern cfg_int_t<int> cfg_halvane_tab;

// The tab to open: the stored index, or the first tab when the stored value is not 0..5
// (the dialog never writes such a value; a damaged configuration might).
int halvane_tab_to_open();
