// Common set-up of the GPU path tests: a fake layer with one device, known response
// spectra in g_hrirSpec and noise blocks in g_hpTime, all independent of the code under
// test. The headphone state is saved and restored so other tests see it unchanged.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/HVLib.h"
#include "headphone/HVGpu.h"
#include "headphone/HVHeadphoneState.h"
#include "tests/core/gpu_fake.h"

// Sparse test responses: a handful of taps spread over the whole 8192, so that a direct
// convolution is cheap and both halves of every result carry signal.
inline constexpr int kTestTaps[] = {0, 1, 2, 7, 10, 22, 257, 1000, 4095, 6000, 8191};
inline constexpr int kNumTestTaps = int(sizeof(kTestTaps) / sizeof(kTestTaps[0]));

class GpuPathTest : public ::testing::Test {
  protected:
    ScopedFakeCuda layer;
    FakeCuda& fake = layer.fake;
    double tap[2][2][5][kNumTestTaps] = {};  // [flavour][ear][source][k] = h(kTestTaps[k])
    std::vector<float> input[5];             // the 8192 samples of each block input

    void SetUp() override {
        savedSupport_ = CHVLib::m_bCUDASupport;
        ASSERT_EQ(g_bGPUInit, 0) << "a previous test left device state behind";
        fake.devices = {{1500000, 40}};
        CHVLib::m_bCUDASupport = 1;
        std::minstd_rand rng(3141592653u);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        for (auto& f : tap)
            for (auto& e : f)
                for (auto& s : e)
                    for (double& t : s) t = double(float(u(rng)));
        // Unnormalised forward DFT of each zero-padded response, evaluated directly in
        // double: H[k] = sum over taps of h[n] e^(-2 pi i k n / HP_FFT).
        for (int f = 0; f < 2; ++f)
            for (int e = 0; e < 2; ++e)
                for (int s = 0; s < 5; ++s) {
                    auto& spec = g_hrirSpec[f][e][s];
                    Swap(spec, saved_[f][e][s]);
                    spec.Resize(HP_BINS);
                    for (uint32_t k = 0; k < HP_BINS; ++k) {
                        double re = 0.0, im = 0.0;
                        for (int t = 0; t < kNumTestTaps; ++t) {
                            const double w =
                                2.0 * M_PI * double((k * uint32_t(kTestTaps[t])) % HP_FFT) / HP_FFT;
                            re += tap[f][e][s][t] * std::cos(w);
                            im -= tap[f][e][s][t] * std::sin(w);
                        }
                        spec[k] = {float(re), float(im)};
                    }
                }
        for (int s = 0; s < 5; ++s) {  // block inputs: the 8192 samples, then the zero half
            input[s].resize(HP_BLOCK);
            for (float& x : input[s]) x = float(u(rng));
            g_hpTime[s].Resize(HP_FFT, true);
            std::memcpy(g_hpTime[s].m_pData, input[s].data(), HP_BLOCK * sizeof(float));
        }
        for (auto& ear : g_hpConv)
            for (auto& c : ear) c.Resize(HP_FFT, true);
    }

    void TearDown() override {
        if (g_bGPUInit) fake.failAt = 0, ReleaseGPUResources();
        g_bGPUInit = 0;
        for (int f = 0; f < 2; ++f)
            for (int e = 0; e < 2; ++e)
                for (int s = 0; s < 5; ++s) Swap(g_hrirSpec[f][e][s], saved_[f][e][s]);
        CHVLib::m_bCUDASupport = savedSupport_;
    }

    // Linear convolution of block input s with response (f, e, s), in double.
    std::vector<double> DirectConvolution(int f, int e, int s) const {
        std::vector<double> y(HP_FFT, 0.0);
        for (int k = 0; k < kNumTestTaps; ++k)
            for (uint32_t n = 0; n < HP_BLOCK; ++n)
                y[size_t(kTestTaps[k]) + n] += tap[f][e][s][k] * double(input[s][n]);
        return y;
    }

  private:
    int savedSupport_ = 0;
    HVBuffer<HVCHUNK_02> saved_[2][2][5];  // the prepared spectra, set aside while the test runs

    static void Swap(HVBuffer<HVCHUNK_02>& a, HVBuffer<HVCHUNK_02>& b) {
        std::swap(a.m_pData, b.m_pData), std::swap(a.m_dwCount, b.m_dwCount);
        std::swap(a.m_dwCapacity, b.m_dwCapacity), std::swap(a.m_dwPos, b.m_dwPos);
    }
};
