// Editing a preset file with the DSP's configuration popup (`halvane configure`).
#pragma once

#include <string>

#include "sdk/dsp_entry.h"

// Opens the entry's popup on the preset in `path` (the default settings when the file does
// not exist yet). When the popup leaves a different preset (OK after changes) the file is
// written atomically and the result is true; otherwise (Cancel, Escape, the close box, OK
// without changes) the file is not touched. A file that exists but is not a preset this DSP
// reads throws Failure before anything is shown.
bool EditPresetFile(dsp_entry& entry, const std::string& path);
