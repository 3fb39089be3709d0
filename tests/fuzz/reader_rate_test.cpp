// The host refuses audio files whose header claims a sample rate beyond any in use: the
// engine sizes its delay lines by the rate, and a 400-kilobyte file claiming 2 GHz once
// made the host allocate over 5 GB before failing.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppError.h"
#include "app/AudioReader.h"

namespace {

// A float WAV (format tag 3), stereo, `frames` frames of 0.25, at `rate`.
std::string WriteWav(uint32_t rate, uint32_t frames) {
    std::vector<uint8_t> b;
    auto put = [&b](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
    tag("RIFF");
    put(36 + frames * 8, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(3, 2);          // IEEE float
    put(2, 2);          // channels
    put(rate, 4);
    put(uint32_t(uint64_t(rate) * 8), 4);  // bytes per second
    put(8, 2);          // bytes per frame
    put(32, 2);         // bits per sample
    tag("data");
    put(frames * 8, 4);
    for (uint32_t i = 0; i < 2 * frames; ++i) put(0x3E800000u, 4);  // 0.25f
    const std::string path = ::testing::TempDir() + "rate_" + std::to_string(rate) + ".wav";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(b.data()), std::ssize(b));
    return path;
}

TEST(ReaderRate, RatesInUseAreReadAndAbsurdOnesRefusedWithTheHostsError) {
    const struct {
        uint32_t rate;
        bool read;
    } kCases[] = {{8000, true},      {44100, true},     {384000, true},        {768000, true},
                  {768001, false}, {96000000, false}, {2147483647, false}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.rate);
        try {
            AudioReader r(WriteWav(c.rate, 100));
            ASSERT_TRUE(c.read) << "accepted";
            EXPECT_EQ(r.SampleRate(), c.rate);
            std::vector<float> buf(2 * 100);
            EXPECT_EQ(r.Read(buf.data(), 100), 100u);
            EXPECT_EQ(buf[199], 0.25f);
        } catch (const AppError& e) {
            EXPECT_FALSE(c.read) << e.what();
            EXPECT_EQ(e.ExitCode(), kExitFailure);
            EXPECT_NE(std::string(e.what()).find("sample rate " + std::to_string(c.rate)), std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
