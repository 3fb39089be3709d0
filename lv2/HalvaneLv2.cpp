// The LV2 entry point of halvane.so: four descriptors over PluginInstance. No host feature
// is required; none is read.
#include <lv2/core/lv2.h>


#include "lv2/PluginInstance.h"

namespace {

using halvane::lv2::PluginInstance;
using halvane::lv2::PluginSpec;

template <uint32_t Index>
struct Entry {
    static LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*) {
        try {
            return PluginInstance::Create(halvane::lv2::Plugin(Index), rate).release();
        } catch (...) {  // no exception crosses into the host
            return nullptr;
        }
    }
};

PluginInstance* Self(LV2_Handle h) { return static_cast<PluginInstance*>(h); }

void Connect(LV2_Handle h, uint32_t port, void* data) { Self(h)->Connect(port, data); }
void Activate(LV2_Handle h) { Self(h)->Activate(); }
void Run(LV2_Handle h, uint32_t frames) { Self(h)->Run(frames); }
void Deactivate(LV2_Handle) {}
void Cleanup(LV2_Handle h) { delete Self(h); }
const void* ExtensionData(const char*) { return nullptr; }

#define HV_DESCRIPTOR(i) \
    {nullptr, Entry<i>::Instantiate, Connect, Activate, Run, Deactivate, Cleanup, ExtensionData}

LV2_Descriptor gDescriptors[halvane::lv2::kPluginCount] = {HV_DESCRIPTOR(0), HV_DESCRIPTOR(1), HV_DESCRIPTOR(2),
                                                          HV_DESCRIPTOR(3)};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    if (index >= halvane::lv2::kPluginCount) return nullptr;
    LV2_Descriptor& d = gDescriptors[index];
    d.URI = halvane::lv2::Plugin(index).uri;
    return &d;
}
