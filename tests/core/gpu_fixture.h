// Common set-up of the GPU path tests: a fake layer with one device, known response
// spectra in a bank of the test's own and noise blocks in HP().m_time, all independent of the
// code under test. The headphone state is restored so other tests see it unchanged.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/core/TestUtil.h"
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
        savedSupport_ = int(GpuSupported());
        ASSERT_EQ(HP().m_gpu.m_bInit, 0) << "a previous test left device state behind";
        fake.devices = {{1500000, 40}};
        SetGpuSupported(1);
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
                    auto& spec = bank_.spec[f][e][s];
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
        savedBank_ = HP().m_bank;
        HP().m_bank = &bank_;
        for (int s = 0; s < 5; ++s) {  // block inputs: the 8192 samples, then the zero half
            input[s].resize(HP_BLOCK);
            for (float& x : input[s]) x = float(u(rng));
            HP().m_time[s].Resize(HP_FFT, true);
            std::memcpy(HP().m_time[s].m_pData, input[s].data(), HP_BLOCK * sizeof(float));
        }
        for (auto& ear : HP().m_conv)
            for (auto& c : ear) c.Resize(HP_FFT, true);
    }

    void TearDown() override {
        if (HP().m_gpu.m_bInit) fake.failAt = 0, ReleaseGPUResources(HP());
        HP().m_gpu.m_bInit = 0;
        HP().m_bank = savedBank_;
        SetGpuSupported(savedSupport_);
    }

    // Linear convolution of block input s with response (f, e, s), in double.
    std::vector<double> DirectConvolution(int f, int e, int s) const {
        std::vector<double> y(HP_FFT, 0.0);
        for (int k = 0; k < kNumTestTaps; ++k)
            for (uint32_t n = 0; n < HP_BLOCK; ++n)
                y[size_t(kTestTaps[k]) + n] += tap[f][e][s][k] * double(input[s][n]);
        return y;
    }

    HVHeadphoneBank bank_;  // the test responses' spectra, in use while the test runs

  private:
    int savedSupport_ = 0;
    const HVHeadphoneBank* savedBank_ = nullptr;
};
