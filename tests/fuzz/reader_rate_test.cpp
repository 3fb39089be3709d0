// The host refuses audio files whose header claims a sample rate beyond any in use: the
// engine sizes its delay lines by the rate, and a 400-kilobyte file claiming 2 GHz once
// made the host allocate over 5 GB before failing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppError.h"
#include "app/AudioReader.h"

namespace {

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// A float WAV (format tag 3), stereo, `frames` frames of 0.25, at `rate`.
std::string WriteWav(uint32_t rate, uint32_t frames) {
    std::vector<uint8_t> b;
    const uint32_t data = frames * 8;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put32(b, 36 + data);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16);
    Put16(b, 3);
    Put16(b, 2);
    Put32(b, rate);
    Put32(b, uint32_t(uint64_t(rate) * 8));
    Put16(b, 8);
    Put16(b, 32);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, data);
    const float v = 0.25f;
    for (uint32_t i = 0; i < 2 * frames; ++i) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
        b.insert(b.end(), p, p + 4);
    }
    const std::string path = ::testing::TempDir() + "rate_" + std::to_string(rate) + ".wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    return path;
}

TEST(ReaderRate, RatesInUseAreRead) {
    for (uint32_t rate : {8000u, 44100u, 384000u, 768000u}) {
        AudioReader r(WriteWav(rate, 100));
        EXPECT_EQ(r.SampleRate(), rate);
        std::vector<float> buf(2 * 100);
        EXPECT_EQ(r.Read(buf.data(), 100), 100u);
        EXPECT_EQ(buf[199], 0.25f);
    }
}

TEST(ReaderRate, AbsurdRatesAreRefusedWithTheHostsError) {
    for (uint32_t rate : {768001u, 96000000u, 2147483647u}) {
        try {
            AudioReader r(WriteWav(rate, 100));
            ADD_FAILURE() << rate << " Hz was accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.ExitCode(), kExitFailure);
            EXPECT_NE(std::string(e.what()).find("sample rate " + std::to_string(rate)), std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
