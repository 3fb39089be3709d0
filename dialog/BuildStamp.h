// The module's build stamp for the About group: "Built on: " followed by the compiler's
// date and time of this build ("Jan 25 2010 14:27:32": month abbreviation, day, year,
// hours:minutes:seconds).
#pragma once

namespace foo_dsp_halvane {

const char* HalvaneBuildStamp();

}  // namespace foo_dsp_halvane
