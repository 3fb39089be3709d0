#include "dialog/BuildStamp.h"

namespace foo_dsp_halvane {

const char* HalvaneBuildStamp() { return "Built on: " __DATE__ " " __TIME__; }

}  // namespace foo_dsp_halvane
