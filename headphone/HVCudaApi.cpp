#include "headphone/HVCudaApi.h"

namespace {
// Null until first use, so the default is found even from other modules' static
// initialisers (the device choice runs at module load).
CHVCudaApi* g_pCudaApi = nullptr;
}  // namespace

CHVCudaApi& HVCudaApi() {
    if (!g_pCudaApi) g_pCudaApi = &HVCudaDefaultApi();
    return *g_pCudaApi;
}

CHVCudaApi* HVSetCudaApi(CHVCudaApi* api) {
    CHVCudaApi* previous = &HVCudaApi();
    g_pCudaApi = api ? api : &HVCudaDefaultApi();
    return previous;
}
