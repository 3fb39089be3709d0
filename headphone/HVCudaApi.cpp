#include "headphone/HVCudaApi.h"

#include <atomic>

namespace {
// Null until first use, so the default is found even from other modules' static
// initialisers (the device choice runs at load). Atomic: streams on several threads read it.
std::atomic<CHVCudaApi*> g_pCudaApi{nullptr};
}  // namespace

CHVCudaApi& HVCudaApi() {
    CHVCudaApi* api = g_pCudaApi.load(std::memory_order_acquire);
    if (!api) {
        CHVCudaApi* expected = nullptr;
        api = &HVCudaDefaultApi();
        if (!g_pCudaApi.compare_exchange_strong(expected, api, std::memory_order_acq_rel)) api = expected;
    }
    return *api;
}

CHVCudaApi* HVSetCudaApi(CHVCudaApi* api) {
    return g_pCudaApi.exchange(api ? api : &HVCudaDefaultApi(), std::memory_order_acq_rel)
               ?: &HVCudaDefaultApi();
}
