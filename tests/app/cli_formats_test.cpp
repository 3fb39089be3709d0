// Output formats of `halvane render` read back by ffprobe and sox, dither statistics, the
// clip report on signals whose clipped samples are known by construction, and the help.
#include <gtest/gtest.h>

#include <cmath>

#include "CliShell.h"
#include "app/SampleQuantizer.h"

namespace {

class CliFormats : public ::testing::Test {
  protected:
    ShellResult Sh(const std::string& script) {
        return Shell("cd " + dir_.Path() + " && " + script, config_.Path());
    }
    std::string In(const std::string& name) { return dir_.File(name); }
    std::string Probe(const std::string& name, const std::string& entry) {
        return ::Probe(In(name), entry, config_.Path());
    }

    TempDir dir_;
    TempDir config_;
};

}  // namespace

// 5.1 in bypass: every container with the right channel count, frame count and word length;
// the mask (5.1, 63) where the container carries one as libsndfile writes it (CAF names the
// surrounds "side"; libsndfile's W64 and AIFF carry none).
TEST_F(CliFormats, EachContainerReadsBackWithItsLayoutAndWordLength) {
    ASSERT_EQ(Sh("sox -n -r 48000 -c 6 in.wav synth 0.5 sine 300 gain -6").exitCode, 0);
    const struct {
        const char* out;
        const char* options;
        const char* codec;
        const char* layout;  // "" where the container has no mask
    } cases[] = {
        {"f.wav", "", "pcm_f32le", "5.1"},
        {"i16.wav", "--bits 16", "pcm_s16le", "5.1"},
        {"i24.wav", "--bits 24", "pcm_s24le", "5.1"},
        {"i32.wav", "--bits 32", "pcm_s32le", "5.1"},
        {"a.flac", "", "flac", ""},
        {"b.flac", "--bits 16", "flac", ""},
        {"a.aiff", "--bits 24", "pcm_s24be", ""},
        {"a.caf", "--bits 16", "pcm_s16be", "5.1(side)"},
        {"a.w64", "--float", "pcm_f32le", ""},
        {"typed.out", "--type au --bits 16", "pcm_s16be", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        // One shell for the render and both judges: ffprobe's key=value lines, then sox's count.
        ShellResult r = Sh(std::string("$H render in.wav ") + c.out + " --mode bypass " + c.options +
                           " && ffprobe -v error -select_streams a:0 -show_entries "
                           "stream=codec_name,channels,channel_layout -of default=noprint_wrappers=1 " +
                           c.out + " && soxi -s " + c.out);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(std::string("codec_name=") + c.codec + "\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("channels=6\n"), std::string::npos) << r.out;
        if (*c.layout) {
            EXPECT_NE(r.out.find(std::string("channel_layout=") + c.layout + "\n"), std::string::npos)
                << r.out;
        }
        EXPECT_NE(r.out.find("\n24000\n"), std::string::npos) << r.out;
    }
    EXPECT_EQ(Probe("b.flac", "bits_per_raw_sample"), "16");
    EXPECT_EQ(Probe("a.flac", "bits_per_raw_sample"), "24");  // FLAC's default
    // Stereo into the steered decoder: the five-channel mask reaches the integer WAV too.
    ASSERT_EQ(
        Sh("sox -n -r 44100 -c 2 st.wav synth 0.2 sine 440 && $H render st.wav five.wav --bits 24").exitCode,
        0);
    EXPECT_EQ(Probe("five.wav", "channel_layout"), "5.0");
}

// A 16-bit output of a constant 0.3 LSB: without dither every sample rounds to 0; with TPDF
// dither the samples are -1, 0 or 1 LSB, their mean is the signal (the dither has zero mean)
// and the error's variance is that of rounding plus the dither, 1/12 + 1/6 = 1/4 LSB^2.
TEST_F(CliFormats, TpdfDitherStatisticsAtSixteenBits) {
    const int frames = 100000;
    const float lsb = 1.0f / 32768.0f;
    WriteAudio(In("dc.wav"), std::vector<float>(size_t(frames), 0.3f * lsb), 1, 44100,
               SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(Sh("$H render dc.wav plain.wav --mode bypass --bits 16 --no-dither && "
                 "$H render dc.wav dith.wav --mode bypass --bits 16")
                  .exitCode,
              0);
    AudioData plain = ReadAudio(In("plain.wav"));
    EXPECT_EQ(std::count(plain.samples.begin(), plain.samples.end(), 0.0f), frames);
    AudioData d = ReadAudio(In("dith.wav"));
    ASSERT_EQ(d.frames, frames);
    double sum = 0, sq = 0;
    int outside = 0;
    for (float v : d.samples) {
        const double q = double(v) * 32768.0;
        if (q != -1.0 && q != 0.0 && q != 1.0) ++outside;
        sum += q;
        sq += (q - 0.3) * (q - 0.3);
    }
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR(sum / frames, 0.3, 0.01);
    EXPECT_NEAR(sq / frames, 0.25, 0.01);
    // 24 bits and float are not dithered: the 16-bit value is kept exactly.
    ASSERT_EQ(Sh("$H render dc.wav d24.wav --mode bypass --bits 24").exitCode, 0);
    AudioData d24 = ReadAudio(In("d24.wav"));
    EXPECT_EQ(std::count(d24.samples.begin(), d24.samples.end(), std::nearbyint(0.3f * 256) / 8388608.0f),
              frames);
}

// Half the samples at +-1.5 (+3.5 dBFS), half at 0.5: exactly half are clipped in an integer
// output, none in float, which warns of the peak instead; --gain -4 brings all within range.
TEST_F(CliFormats, ClipReportAndFloatPeakWarning) {
    std::vector<float> s(20000);
    for (size_t i = 0; i < s.size(); ++i) s[i] = i % 2 ? 0.5f : (i % 4 ? 1.5f : -1.5f);
    WriteAudio(In("hot.wav"), s, 2, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ShellResult r = Sh("$H render hot.wav o16.wav --mode bypass --bits 16");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("halvane: 10000 samples clipped (peak +3.5 dBFS); try --gain -4\n"),
              std::string::npos)
        << r.err;
    r = Sh("$H render hot.wav o24.wav --mode bypass --bits 24 --gain -4");
    EXPECT_EQ(r.err.find("clipped"), std::string::npos) << r.err;
    AudioData o24 = ReadAudio(In("o24.wav"));
    EXPECT_NEAR(o24.samples[0], -1.5 * std::pow(10.0, -4.0 / 20.0), 1e-6);
    r = Sh("$H render hot.wav of.wav --mode bypass");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("warning: peak +3.5 dBFS, above full scale"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("clipped"), std::string::npos);
    EXPECT_EQ(ReadAudio(In("of.wav")).samples, s);
}

TEST(SampleQuantizer, WordsAreLeftAlignedAndClippedAtBothEnds) {
    SampleQuantizer q(0.0, 16, false);
    const float in[] = {0.0f, 1.0f, -1.0f, 0.5f, -2.0f, 32767.0f / 32768.0f};
    int32_t out[6];
    q.ToInt(in, out, 6);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 32767 << 16);
    EXPECT_EQ(out[2], int32_t(0x80000000u));
    EXPECT_EQ(out[3], 16384 << 16);
    EXPECT_EQ(out[4], int32_t(0x80000000u));
    EXPECT_EQ(out[5], 32767 << 16);
    EXPECT_EQ(q.Clipped(), 2u);  // +1.0 and -2.0; -1.0 is the lowest word itself
    EXPECT_EQ(q.Peak(), 2.0);
}

// Every command's help and the general help with every settings field, on stdout, status 0.
TEST_F(CliFormats, HelpAndVersion) {
    for (const char* cmd : {"render", "preset", "info", "demo", "play", "configure"}) {
        ShellResult r = Sh(std::string("$H ") + cmd + " --help");
        EXPECT_EQ(r.exitCode, 0) << cmd;
        EXPECT_EQ(r.out.rfind(std::string("usage: halvane ") + cmd, 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
    ShellResult r = Sh("$H render --help");
    for (const char* word :
         {"--bits 16|24|32", "--float", "--no-dither", "--gain DB", "--type", "'-' for stdin", "FLAC"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    r = Sh("$H --help");
    EXPECT_EQ(r.exitCode, 0);
    auto fieldLine = [&](const std::string& name, const std::string& rest) {
        const size_t at = r.out.find("\n  " + name + " ");
        if (at == std::string::npos) return false;
        const std::string line = r.out.substr(at + 1, r.out.find('\n', at + 1) - at - 1);
        return line.find(" " + rest) != std::string::npos;
    };
    EXPECT_TRUE(fieldLine("nTrimL", "-12..12 dB, default 0: "));
    EXPECT_TRUE(fieldLine("dwLFECutoff", "20..200 Hz, default 120: "));
    EXPECT_TRUE(fieldLine("dwSurroundDelayMovie", "10..100 ms, default 10: "));
    EXPECT_TRUE(fieldLine("bCUDA", "0..1, default 1: "));
    EXPECT_TRUE(fieldLine("uOperations", "0..4294967295, default 0: "));
    for (const char* word : {"  headphone ", "128+N"}) EXPECT_NE(r.out.find(word), std::string::npos) << word;
    r = Sh("$H --version");
    EXPECT_EQ(r.out, "halvane 1.02\n");
}
