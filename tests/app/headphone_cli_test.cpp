// `render --mode headphone` with measured responses from files: the render equals the sum of
// the channels' own convolutions with the file's pairs (14-channel and mirrored 7-channel
// layouts, default and short blocks), a file at another rate lands where its timing says,
// level matching, and the errors of bad files and bad options.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace {

constexpr int kRate = 48000;
constexpr int kTaps = 10000;  // longer than the default 8192-frame block

// Speaker, ear (0 left, 1 right) of each HeSuVi channel; speaker -1: a rear pair, unused.
// Speakers: 0 FL, 1 FR, 2 FC, 3 SL, 4 SR.
const int kHesuvi[14][2] = {{0, 0}, {0, 1}, {3, 0}, {3, 1}, {-1, 0}, {-1, 1}, {2, 0},
                            {1, 1}, {1, 0}, {4, 1}, {4, 0}, {-1, 1}, {-1, 0}, {2, 1}};

// Synthetic measured pairs [speaker][ear]: distinct delays (the near ear first) and
// amplitudes, seeded decaying tails, lengths from 300 to kTaps frames.
struct Pairs {
    std::vector<float> h[5][2];
    Pairs() {
        std::minstd_rand rng(1234);
        std::normal_distribution<float> g(0.0f, 1.0f);
        const int length[5] = {kTaps, 300, 4000, 9000, 700};
        const int nearEar[5] = {0, 1, 0, 0, 1};
        for (int s = 0; s < 5; ++s)
            for (int e = 0; e < 2; ++e) {
                auto& v = h[s][e];
                v.assign(size_t(length[s]), 0.0f);
                const int delay = 5 + 3 * s + (e == nearEar[s] ? 0 : 20);
                v[size_t(delay)] = (e == nearEar[s] ? 0.9f : 0.5f) - 0.05f * float(s);
                for (int i = delay + 1; i < length[s]; ++i)
                    v[size_t(i)] = 0.03f * g(rng) * std::exp(-float(i - delay) / float(length[s] / 5));
            }
    }
    float at(int s, int e, int64_t t) const {
        return t >= 0 && t < int64_t(h[s][e].size()) ? h[s][e][size_t(t)] : 0.0f;
    }
};

class HeadphoneCli : public ::testing::Test {
  protected:
    RunResult Run(const std::vector<std::string>& args) { return RunHalvane(args, config_.Path()); }
    std::string In(const std::string& name) { return files_.File(name); }

    // The pairs as a 14-channel file, or as the 7-channel half (left side; the right side
    // then mirrors it), scaled by `gain`.
    std::string ResponseFile(const std::string& name, int channels, float gain = 1.0f, int rate = kRate,
                             int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, bool swapEars = false) {
        std::vector<float> x(size_t(kTaps) * size_t(channels), 0.0f);
        for (int c = 0; c < channels; ++c) {
            const int s = kHesuvi[c][0], e = swapEars ? 1 - kHesuvi[c][1] : kHesuvi[c][1];
            if (s < 0) continue;
            for (int t = 0; t < kTaps; ++t)
                x[size_t(t) * size_t(channels) + size_t(c)] = gain * pairs_.at(s, e, t);
        }
        WriteAudio(In(name), x, channels, rate, format);
        return In(name);
    }

    Pairs pairs_;
    TempDir files_;
    TempDir config_;
};

// Unit impulses on the six channels of a 5.1 file at these frames (L R C LFE SL SR).
const int64_t kImpulseAt[6] = {0, 100, 200, 300, 400, 500};

}  // namespace

// Every ear of the render is the sum of the six channels' impulses through their pairs (LFE
// through the FC pair at unity), sample for sample up to float rounding: at the default block
// and at 64 frames, for 14 channels and for 7 mirrored ones (FR->R = FL->L and so on).
TEST_F(HeadphoneCli, RenderIsTheSumOfEachChannelsConvolution) {
    const int64_t frames = kTaps + 700;
    std::vector<float> x(size_t(frames) * 6, 0.0f);
    for (int c = 0; c < 6; ++c) x[size_t(kImpulseAt[c]) * 6 + size_t(c)] = 1.0f;
    WriteAudio(In("in.wav"), x, 6, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    // Speaker of each input channel: L R C LFE(->FC) SL SR.
    const int speakerOf[6] = {0, 1, 2, 2, 3, 4};
    for (int channels : {14, 7}) {
        const std::string file = ResponseFile("r" + std::to_string(channels) + ".wav", channels);
        for (const char* block : {"8192", "64"}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, block " << block);
            RunResult r = Run({"render", In("in.wav"), In("out.wav"), "--mode", "headphone", "--hrir", file,
                               "--hp-block", block, "--chunk", "1000"});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const AudioData out = ReadAudio(In("out.wav"));
            ASSERT_EQ(out.channels, 2);
            ASSERT_EQ(out.frames, frames);
            double worst = 0.0;
            for (int64_t t = 0; t < frames; ++t)
                for (int e = 0; e < 2; ++e) {
                    double ref = 0.0;
                    for (int c = 0; c < 6; ++c) {
                        int s = speakerOf[c], ear = e;
                        if (channels == 7 && (s == 1 || s == 4 || (s == 2 && e == 1))) {
                            // Mirrored: FR and SR take FL and SL with the ears exchanged, FC->R = FC->L.
                            s = s == 1 ? 0 : s == 4 ? 3 : 2;
                            ear = s == 2 ? 0 : 1 - e;
                        }
                        ref += pairs_.at(s, ear, t - kImpulseAt[c]);
                    }
                    worst = std::max(worst, std::abs(ref - double(out.samples[size_t(t) * 2 + size_t(e)])));
                }
            EXPECT_LT(worst, 2e-6);
        }
    }
}

// A file at 44.1 kHz played at 96 kHz is resampled once: the FL impulse's peaks land where
// the file's delays (plus the resampler's 1 ms of room) put them, the near ear first.
TEST_F(HeadphoneCli, ResponsesAtAnotherRateKeepTheirTiming) {
    const std::string file = ResponseFile("r44.wav", 14, 1.0f, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    std::vector<float> x(size_t(30000) * 2, 0.0f);
    x[0] = 1.0f;  // FL of a stereo source, no pre-decode
    WriteAudio(In("in.wav"), x, 2, 96000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    RunResult r = Run({"render", In("in.wav"), In("out.wav"), "--mode", "headphone", "--hrir", file, "--set",
                       "bHeadphonesDecodeMusic=0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const AudioData out = ReadAudio(In("out.wav"));
    for (int e = 0; e < 2; ++e) {
        size_t peak = 0;
        for (size_t t = 0; t < size_t(out.frames); ++t)
            if (std::abs(out.samples[t * 2 + size_t(e)]) > std::abs(out.samples[peak * 2 + size_t(e)]))
                peak = t;
        const double seconds = (5.0 + (e == 0 ? 0.0 : 20.0)) / 44100.0 + 44.0 / 44100.0;
        EXPECT_NEAR(double(peak), seconds * 96000.0, 1.5) << "ear " << e;
    }
}

// A file with its ears the wrong way round (FL reaching the right ear first) is turned back,
// with a warning: the FL impulse comes out as the true FL pair.
TEST_F(HeadphoneCli, SwappedEarsAreExchangedWithAWarning) {
    const std::string file =
        ResponseFile("swapped.wav", 14, 1.0f, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT, true);
    std::vector<float> x(size_t(kTaps + 100) * 2, 0.0f);
    x[0] = 1.0f;
    WriteAudio(In("in.wav"), x, 2, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    RunResult r = Run({"render", In("in.wav"), In("out.wav"), "--mode", "headphone", "--hrir", file, "--set",
                       "bHeadphonesDecodeMusic=0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("halvane: warning: " + file + ": "), std::string::npos) << r.err;
    const AudioData out = ReadAudio(In("out.wav"));
    for (int64_t t = 0; t < kTaps; ++t)
        for (int e = 0; e < 2; ++e)
            ASSERT_NEAR(out.samples[size_t(t) * 2 + size_t(e)], pairs_.at(0, e, t), 1e-6) << t;
}

// Matching brings any gain of the same responses to one level: x1 and x0.01 render alike.
TEST_F(HeadphoneCli, LevelMatchingIgnoresTheFilesGain) {
    WriteAudio(In("in.wav"), TestSignal(20000, 2, 7), 2, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    std::vector<float> outs[2];
    for (int k = 0; k < 2; ++k) {
        const std::string file = ResponseFile("r.wav", 14, k == 0 ? 1.0f : 0.01f);
        RunResult r = Run({"render", In("in.wav"), In("out.wav"), "--mode", "headphone", "--hrir", file,
                           "--hrir-level", "match"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        outs[k] = ReadAudio(In("out.wav")).samples;
    }
    double peak = 0.0, worst = 0.0;
    for (size_t i = 0; i < outs[0].size(); ++i) {
        peak = std::max(peak, double(std::abs(outs[0][i])));
        worst = std::max(worst, double(std::abs(outs[0][i] - outs[1][i])));
    }
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(worst, 1e-4 * peak);
}

// Bad files exit 1 with one line naming the file and the reason; bad options exit 2; nothing
// is written and an existing output stays as it was.
TEST_F(HeadphoneCli, BadFilesAndOptionsWriteNothing) {
    WriteAudio(In("in.wav"), TestSignal(3000, 2, 3), 2, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    WriteAudio(In("three.wav"), std::vector<float>(300, 0.1f), 3, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    WriteAudio(In("silent.wav"), std::vector<float>(14 * 50, 0.0f), 14, kRate,
               SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    WriteAudio(In("empty.wav"), {}, 14, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    WriteBytes(In("garbage.wav"), std::vector<uint8_t>(500, 0x41));
    WriteBytes(In("out.wav"), {'k', 'e', 'e', 'p'});
    const std::vector<std::string> before = files_.List();
    const struct {
        std::string file, reason;
    } files[] = {{"missing.wav", "no such file"},
                 {"three.wav", "3 channels"},
                 {"silent.wav", "empty"},
                 {"empty.wav", "empty"},
                 {"garbage.wav", "not an audio"}};
    for (const auto& f : files) {
        RunResult r =
            Run({"render", In("in.wav"), In("out.wav"), "--mode", "headphone", "--hrir", In(f.file)});
        EXPECT_EQ(r.exitCode, 1) << f.file;
        EXPECT_EQ(r.err.rfind("halvane: " + In(f.file) + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(f.reason), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    for (const std::vector<std::string>& extra : {std::vector<std::string>{"--hp-block", "100"},
                                                  {"--hp-block", "16384"},
                                                  {"--hp-block", "32"},
                                                  {"--hrir-level", "match"},
                                                  {"--hrir", In("three.wav"), "--hrir-level", "loud"}}) {
        std::vector<std::string> args = {"render", In("in.wav"), In("out.wav"), "--mode", "headphone"};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(Run(args).exitCode, 2) << extra[0] << " " << extra[1];
    }
    EXPECT_EQ(files_.List(), before);
    EXPECT_EQ(ReadBytes(In("out.wav")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}
