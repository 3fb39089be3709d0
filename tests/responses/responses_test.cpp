// Response files: HeSuVi WAV in three sample formats and the mirrored half layout, SOFA
// nearest-measurement choice on a grid offset from the speaker angles, the errors for bad
// files, and level matching on an independently made pink noise.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>

#include "headphone/PartitionedConvolver.h"
#include "responses/HrirFile.h"
#include "responses/HrirLevel.h"

namespace fs = std::filesystem;

namespace {

class ResponseFiles : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("hrir_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
};

// Channel ch: a spike of (ch + 1) / 16 after 2 ch frames, then a seeded decaying tail.
std::vector<std::vector<float>> Channels(int channels, size_t frames) {
    std::vector<std::vector<float>> c(size_t(channels), std::vector<float>(frames, 0.0f));
    std::minstd_rand rng(42);
    std::uniform_real_distribution<float> d(-0.05f, 0.05f);
    for (int ch = 0; ch < channels; ++ch) {
        const size_t at = size_t(2 * ch);
        c[size_t(ch)][at] = float(ch + 1) / 16.0f;
        for (size_t i = at + 1; i < frames; ++i) c[size_t(ch)][i] = d(rng) * std::exp(-float(i) / 50.0f);
    }
    return c;
}

void WriteWav(const std::string& path, int format, int rate, const std::vector<std::vector<float>>& c) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = int(c.size());
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const size_t frames = c.empty() ? 0 : c[0].size();
    std::vector<float> inter(frames * c.size());
    for (size_t i = 0; i < frames; ++i)
        for (size_t ch = 0; ch < c.size(); ++ch) inter[i * c.size() + ch] = c[ch][i];
    ASSERT_EQ(sf_writef_float(f, inter.data(), sf_count_t(frames)), sf_count_t(frames));
    sf_close(f);
}

// Where each speaker/ear finds its channel, per the HeSuVi order.
struct Expect {
    Speaker s;
    Ear e;
    int channel;
};
constexpr Expect kFull[] = {{Speaker::FL, Ear::Left, 0},  {Speaker::FL, Ear::Right, 1},
                            {Speaker::SL, Ear::Left, 2},  {Speaker::SL, Ear::Right, 3},
                            {Speaker::FC, Ear::Left, 6},  {Speaker::FR, Ear::Right, 7},
                            {Speaker::FR, Ear::Left, 8},  {Speaker::SR, Ear::Right, 9},
                            {Speaker::SR, Ear::Left, 10}, {Speaker::FC, Ear::Right, 13}};
constexpr Expect kHalf[] = {{Speaker::FL, Ear::Left, 0}, {Speaker::FL, Ear::Right, 1},
                            {Speaker::SL, Ear::Left, 2}, {Speaker::SL, Ear::Right, 3},
                            {Speaker::FC, Ear::Left, 6}, {Speaker::FR, Ear::Right, 0},
                            {Speaker::FR, Ear::Left, 1}, {Speaker::SR, Ear::Right, 2},
                            {Speaker::SR, Ear::Left, 3}, {Speaker::FC, Ear::Right, 6}};

TEST_F(ResponseFiles, HeSuViChannelOrderInEveryFormat) {
    const auto full = Channels(14, 300);
    const auto half = Channels(7, 300);
    struct Format {
        int code;
        float step;  // quantisation of the format
    };
    for (const Format f : {Format{SF_FORMAT_FLOAT, 0.0f},
                           {SF_FORMAT_PCM_24, 1.0f / 8388608.0f},
                           {SF_FORMAT_PCM_16, 1.0f / 32768.0f}}) {
        for (bool mirrored : {false, true}) {
            const std::string path = Path(mirrored ? "half.wav" : "full.wav");
            WriteWav(path, f.code, 48000, mirrored ? half : full);
            const HrirSet set = LoadHrirFile(path);
            EXPECT_EQ(set.rate, 48000.0);
            for (const Expect& x :
                 mirrored ? std::span<const Expect>(kHalf) : std::span<const Expect>(kFull)) {
                const std::vector<float>& want = (mirrored ? half : full)[size_t(x.channel)];
                const std::vector<float>& got = set.at(x.s, x.e);
                ASSERT_EQ(got.size(), want.size());
                for (size_t i = 0; i < want.size(); ++i)
                    ASSERT_NEAR(got[i], want[i], f.step) << "channel " << x.channel << " frame " << i;
            }
        }
    }
}

TEST_F(ResponseFiles, BadFilesGiveOneLineNamingFileAndReason) {
    const auto check = [](const std::string& path, const std::string& reason) {
        try {
            LoadHrirFile(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const HrirFileError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
            EXPECT_EQ(what.rfind(path + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(reason), std::string::npos) << what;
        }
    };
    check(Path("missing.wav"), "no such file");
    WriteWav(Path("three.wav"), SF_FORMAT_FLOAT, 44100, Channels(3, 10));
    check(Path("three.wav"), "3 channels; responses must have 14 (HeSuVi order) or 7 (HeSuVi half order");
    WriteWav(Path("empty.wav"), SF_FORMAT_FLOAT, 44100, std::vector<std::vector<float>>(14));
    check(Path("empty.wav"), "empty responses");
    WriteWav(Path("zeros.wav"), SF_FORMAT_PCM_16, 44100,
             std::vector<std::vector<float>>(7, std::vector<float>(9)));
    check(Path("zeros.wav"), "empty responses");
    std::ofstream(Path("text.wav")) << "not a sound\n";
    check(Path("text.wav"), "not an audio file");
    std::ofstream(Path("fake.sofa"), std::ios::binary) << "\x89HDF\r\n\x1a\n garbage after the signature";
    check(Path("fake.sofa"), "SOFA");
}

#ifdef HV_NCGEN
// A SimpleFreeFieldHRIR file from CDL text: azimuths every 7 degrees from 3 (none on a
// speaker angle) at elevation 0, plus measurements exactly at the speaker azimuths but
// raised 8 to 12 degrees, which must lose. Measurement m's left ear is a spike of
// (m + 1) / 1000 at frame 0, its right ear -(m + 1) / 1000 at frame 1.
struct SofaGrid {
    std::vector<std::pair<double, double>> dirs;  // (azimuth, elevation)
    SofaGrid() {
        for (double az = 3.0; az < 360.0; az += 7.0) dirs.push_back({az, 0.0});
        for (auto [az, el] : {std::pair{30.0, 8.0}, {-30.0, -12.0}, {0.0, 10.0}, {110.0, 9.0}, {250.0, -8.0}})
            dirs.push_back({az, el});
    }
    std::string Cdl(const std::string& conventions) const {
        const size_t m = dirs.size(), n = 4;
        std::ostringstream c;
        c << "netcdf grid {\ndimensions:\n I = 1 ; C = 3 ; R = 2 ; E = 1 ; N = " << n << " ; M = " << m
          << " ; S = 1 ;\nvariables:\n"
             " double ListenerPosition(I, C) ; ListenerPosition:Type = \"cartesian\" ; "
             "ListenerPosition:Units = "
             "\"metre\" ;\n"
             " double ReceiverPosition(R, C, I) ; ReceiverPosition:Type = \"cartesian\" ; "
             "ReceiverPosition:Units = "
             "\"metre\" ;\n"
             " double SourcePosition(M, C) ; SourcePosition:Type = \"spherical\" ; SourcePosition:Units = "
             "\"degree, degree, metre\" ;\n"
             " double EmitterPosition(E, C, I) ; EmitterPosition:Type = \"cartesian\" ; "
             "EmitterPosition:Units = "
             "\"metre\" ;\n"
             " double ListenerUp(I, C) ; double ListenerView(I, C) ; ListenerView:Type = \"cartesian\" ; "
             "ListenerView:Units = \"metre\" ;\n"
             " double Data.IR(M, R, N) ; double Data.SamplingRate(I) ; Data.SamplingRate:Units = \"hertz\" "
             ";\n"
             " double Data.Delay(I, R) ;\n"
             " :Conventions = \"SOFA\" ; :Version = \"1.0\" ; :SOFAConventions = \""
          << conventions
          << "\" ; :SOFAConventionsVersion = \"1.0\" ;\n"
             " :APIName = \"test\" ; :APIVersion = \"1.0\" ; :AuthorContact = \"-\" ; :Organization = \"-\" "
             "; "
             ":License = \"-\" ;\n :DataType = \"FIR\" ; :RoomType = \"free field\" ; :Title = \"grid\" ; "
             ":DateCreated = \"-\" ; :DateModified = \"-\" ; :ListenerShortName = \"-\" ; :DatabaseName = "
             "\"-\" "
             ";\ndata:\n"
             " ListenerPosition = 0, 0, 0 ;\n ReceiverPosition = 0, 0.09, 0, 0, -0.09, 0 ;\n"
             " EmitterPosition = 0, 0, 0 ;\n ListenerUp = 0, 0, 1 ;\n ListenerView = 1, 0, 0 ;\n"
             " Data.SamplingRate = 48000 ;\n Data.Delay = 2, 5 ;\n SourcePosition =";
        for (size_t i = 0; i < m; ++i)
            c << (i ? ", " : " ") << dirs[i].first << ", " << dirs[i].second << ", 1.2";
        c << " ;\n Data.IR =";
        for (size_t i = 0; i < m; ++i) {
            const double v = double(i + 1) / 1000.0;
            c << (i ? ", " : " ") << v << ", 0, 0, 0, 0, " << -v << ", 0, 0";
        }
        c << " ;\n}\n";
        return c.str();
    }
    // Index of the elevation-0 measurement whose azimuth is closest to `az` (the raised
    // ones at the exact azimuths are further away on the sphere).
    size_t Nearest(double az) const {
        size_t best = 0;
        double bestDiff = 1e9;
        for (size_t i = 0; i < dirs.size(); ++i) {
            if (dirs[i].second != 0.0) continue;
            const double diff = std::abs(std::remainder(dirs[i].first - az, 360.0));
            if (diff < bestDiff) bestDiff = diff, best = i;
        }
        return best;
    }
};

std::string MakeSofa(const std::string& path, const std::string& cdl) {
    const std::string cdlPath = path + ".cdl";
    std::ofstream(cdlPath) << cdl;
    const std::string cmd = std::string(HV_NCGEN) + " -k nc4 -o '" + path + "' '" + cdlPath + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return path;
}

TEST_F(ResponseFiles, SofaNearestMeasurementAndDelays) {
    const SofaGrid grid;
    const HrirSet set = LoadHrirFile(MakeSofa(Path("grid.sofa"), grid.Cdl("SimpleFreeFieldHRIR")));
    EXPECT_EQ(set.rate, 48000.0);
    for (int s = 0; s < HrirSet::kSpeakers; ++s) {
        const size_t m = grid.Nearest(kSpeakerAzimuth[s]);
        const float v = float(m + 1) / 1000.0f;
        const std::vector<float>& l = set.taps[size_t(s)][0];
        const std::vector<float>& r = set.taps[size_t(s)][1];
        ASSERT_EQ(l.size(), 2u + 4u);  // Data.Delay 2 and 5 frames ahead of the 4 taps
        ASSERT_EQ(r.size(), 5u + 4u);
        EXPECT_EQ(l[2], v) << "speaker " << s << " wants measurement " << m;
        EXPECT_EQ(r[6], -v) << "speaker " << s;
        EXPECT_EQ(l[0] + l[1] + l[3] + r[5], 0.0f);
    }

    const std::string other = MakeSofa(Path("general.sofa"), grid.Cdl("GeneralFIR"));
    try {
        LoadHrirFile(other);
        ADD_FAILURE() << "GeneralFIR loaded";
    } catch (const HrirFileError& e) {
        EXPECT_EQ(std::string(e.what()), other + ": SOFA convention GeneralFIR, not SimpleFreeFieldHRIR");
    }
}
#endif

// The MIT KEMAR measurements shipped with libmysofa: a real SimpleFreeFieldHRIR file.
TEST(Sofa, KemarFromLibmysofa) {
    const std::string path = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
    if (!fs::exists(path)) GTEST_SKIP() << path << " not installed";
    const HrirSet set = LoadHrirFile(path);
    EXPECT_EQ(set.rate, 44100.0);
    EXPECT_GE(set.length(), 512u);
    EXPECT_TRUE(set.interauralSignOk());
    EXPECT_GT(set.interauralLead(Speaker::SL),
              set.interauralLead(Speaker::FL));  // 110 degrees is further round
}

// After matching, a different pink noise (made here as tones of equal amplitude spaced
// evenly in log frequency: equal power per octave)
// renders both sets within 1 dB of each other, though they start 12 dB and a tilt apart.
TEST(HrirLevel, MatchedSetsEquallyLoudOnPinkNoise) {
    const double rate = 44100.0;
    const auto make = [&](uint32_t seed, float gain, float decay) {
        HrirSet set;
        set.rate = rate;
        std::minstd_rand rng(seed);
        std::uniform_real_distribution<float> d(-1.0f, 1.0f);
        for (auto& sp : set.taps)
            for (auto& h : sp) {
                h.resize(3000);
                float lp = 0.0f;
                for (size_t i = 0; i < h.size(); ++i) {
                    lp = decay * lp + (1.0f - decay) * d(rng);  // a one-pole tilt
                    h[i] = gain * lp * std::exp(-float(i) / 400.0f);
                }
            }
        return set;
    };
    const HrirSet reference = make(1, 1.0f, 0.0f);
    HrirSet set = make(2, 0.25f, 0.9f);
    MatchLevel(set, reference);

    const size_t n = 11025;
    std::vector<std::vector<float>> pink(HrirSet::kSpeakers, std::vector<float>(n + 3000 + 8192, 0.0f));
    std::minstd_rand rng(77);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
    for (auto& p : pink)
        for (double f = 40.0; f < 16000.0; f *= 1.05) {
            const double a = 0.05, ph = phase(rng), w = 2.0 * std::numbers::pi * f / rate;
            for (size_t i = 0; i < n; ++i) p[i] += float(a * std::sin(w * double(i) + ph));
        }
    const auto power = [&](const HrirSet& s) {
        PartitionedConvolver pc;
        const auto resp = s.convolverResponses();
        pc.prepare(8192, HrirSet::kSpeakers, resp);
        std::vector<const float*> in;
        for (auto& p : pink) in.push_back(p.data());
        std::vector<float> l(pink[0].size()), r(pink[0].size());
        pc.process(in.data(), 1, l.data(), r.data(), 1, uint32_t(l.size()));
        double sum = 0.0;
        for (size_t i = 0; i < l.size(); ++i) sum += double(l[i]) * l[i] + double(r[i]) * r[i];
        return sum;
    };
    EXPECT_NEAR(10.0 * std::log10(power(set) / power(reference)), 0.0, 1.0);
    EXPECT_THROW(MatchLevel(set, HrirSet{}), std::invalid_argument);
}

}  // namespace
