// End-to-end runs of the built `halvane` program: it loads the module built beside it, and
// every run gets its own configuration directory. The layouts per mode are decided on the
// engine (tests/core); here they only have to reach the written file.
#include "TestFiles.h"
#include "app/ConfigStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <vector>

namespace {

const char* const kModes[] = {"bypass", "passive", "hv", "headphone", "encoder"};

// HALVANE_GUID {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0} in the preset file's byte order.
const uint8_t kHalvaneGuidBytes[16] = {0xD2, 0xBA, 0x1F, 0xB5, 0xA9, 0x8B, 0x27, 0x44,
                                       0xBB, 0xD6, 0x5B, 0x03, 0xA3, 0xF5, 0xC3, 0xC0};

// The module's configuration stream with the tab variable at `tab`: the GUID of c_halvane_tab
// {025675A5-3989-48E8-8959-F2FB263AF51A} in the stream's byte order, byte count 4, the value.
std::vector<uint8_t> TabRecord(int32_t tab) {
    std::vector<uint8_t> r = {0xA5, 0x75, 0x56, 0x02, 0x89, 0x39, 0xE8, 0x48, 0x89, 0x59, 0xF2, 0xFB,
                              0x26, 0x3A, 0xF5, 0x1A, 4, 0, 0, 0};
    for (int i = 0; i < 4; ++i) r.push_back(uint8_t(uint32_t(tab) >> (8 * i)));
    return r;
}

uint32_t Word(const std::vector<uint8_t>& presetFile, int word) {
    const uint8_t* p = presetFile.data() + 16 + 4 * word;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

class HalvaneCli : public ::testing::Test {
protected:
    RunResult Run(const std::vector<std::string>& args) { return RunHalvane(args, config_.Path()); }
    std::string In(const std::string& name) { return files_.File(name); }
    std::string ConfigPath() { return config_.Path() + "/halvane/foo_dsp_halvane.cfg"; }

    // A float WAV (format tag 3, or extensible) of `frames` frames.
    std::string FloatWav(const std::string& name, int64_t frames, int channels, int rate = 44100,
                         int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
        WriteAudio(In(name), TestSignal(frames, channels, uint32_t(channels)), channels, rate, format);
        return In(name);
    }

    TempDir files_;
    TempDir config_;
};

}  // namespace

// Every mode gives exactly the input's length (the held-back headphone blocks flushed out),
// written as float WAV with the DSP's layout; the header's other words are checked on the
// writer itself.
TEST_F(HalvaneCli, FrameCountsAndChannelMasksInEveryMode) {
    const struct {
        const char* mode;
        const char* set;
        int channels;
        uint32_t mask;
    } cases[] = {{"bypass", "", 2, 3},    {"passive", "", 5, 55},  {"passive", "bLFERedir=1", 6, 63},
                 {"hv", "", 5, 55},       {"headphone", "", 2, 3}, {"encoder", "", 2, 3}};
    const int64_t frames = 10007;
    const std::string in = FloatWav("in.wav", frames, 2);
    for (const auto& c : cases)
        for (const char* chunk : {"4096", "1000"}) {
            SCOPED_TRACE(testing::Message() << c.mode << " " << c.set << ", chunk " << chunk);
            std::vector<std::string> args = {"render", in, In("out.wav"), "--mode", c.mode, "--chunk", chunk};
            if (*c.set) args.insert(args.end(), {"--set", c.set});
            RunResult r = Run(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            WavHeader h = ParseWavHeader(In("out.wav"));
            EXPECT_TRUE(h.ok && h.formatTag == 0xFFFE && h.subFormat[0] == 3);  // IEEE float
            EXPECT_EQ(h.channels, c.channels);
            EXPECT_EQ(h.channelMask, c.mask);
            EXPECT_EQ(h.rate, 44100u);
            EXPECT_EQ(h.dataBytes, uint32_t(frames * c.channels * 4));
        }
}

// Bypass returns every supported layout bit for bit, from plain float WAV and from
// WAVE_FORMAT_EXTENSIBLE input (other channel counts are checked on the DSP instance).
TEST_F(HalvaneCli, BypassIsBitIdenticalFromBothFloatFormats) {
    for (int channels : {1, 2, 5, 6})
        for (int format : {SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT}) {
            std::vector<float> s = TestSignal(4099, channels, 9);
            s[5] = 1.75f, s.back() = -3.0f;  // float files keep values beyond full scale
            WriteAudio(In("b.wav"), s, channels, 48000, format);
            ASSERT_EQ(Run({"render", In("b.wav"), In("bo.wav"), "--mode", "bypass", "--chunk", "777"}).exitCode, 0);
            AudioData b = ReadAudio(In("bo.wav"));
            EXPECT_EQ(b.channels, channels);
            EXPECT_EQ(b.rate, 48000);
            EXPECT_EQ(b.samples, s) << channels << " channels";
        }
}

TEST_F(HalvaneCli, RawWritesWhatTheDspReturnedAndEmptyInputGivesEmptyOutput) {
    const std::string in = FloatWav("in.wav", 10007, 2);
    ASSERT_EQ(Run({"render", in, In("hv.wav"), "--mode", "hv", "--raw", "--chunk", "1000"}).exitCode, 0);
    EXPECT_EQ(ReadAudio(In("hv.wav")).frames, 10007);  // this mode holds nothing back
    ASSERT_EQ(Run({"render", in, In("hp.wav"), "--mode", "headphone", "--raw"}).exitCode, 0);
    EXPECT_LT(ReadAudio(In("hp.wav")).frames, 10007);  // whole blocks only

    const std::string empty = FloatWav("empty.wav", 0, 2);
    for (const char* mode : kModes)
        for (const char* raw : {"--raw", "--chunk=4096"}) {
            RunResult r = Run({"render", empty, In("out.wav"), "--mode", mode, raw});
            ASSERT_EQ(r.exitCode, 0) << mode << ": " << r.err;
            WavHeader h = ParseWavHeader(In("out.wav"));
            EXPECT_TRUE(h.ok && h.dataBytes == 0) << mode << " " << raw;
        }
}

TEST_F(HalvaneCli, BadInputFailsWithoutPartialOutput) {
    const std::string in = FloatWav("in.wav", 2000, 2);
    WriteBytes(In("garbage.wav"), std::vector<uint8_t>(300, 0x5A));
    WriteBytes(In("empty.wav"), {});
    WriteBytes(In("short.preset"), std::vector<uint8_t>(15, 0));
    std::vector<uint8_t> foreign(16 + 112, 0);
    foreign[0] = 1;
    WriteBytes(In("foreign.preset"), foreign);
    const std::string out = In("out.wav");
    const struct {
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {{"render", in, out, "--set", "dwFoo=1"}, 2},   {{"render", in, out, "--set", "dwMode"}, 2},
        {{"render", in, out, "--set", "nTrimL=abc"}, 2}, {{"render", in, out, "--set", "dwDelayC=101"}, 2},
        {{"render", in, out, "--bits", "20"}, 2},       {{"render", in, In("o.flac"), "--float"}, 2},
        {{"render", in, In("o.mp3")}, 2},               {{"render", in, out, "--gain", "loud"}, 2},
        {{"render", in, in}, 1},                        {{"render", in, files_.Path()}, 1},
        {{"render", in, out, "--mode", "loud"}, 2},     {{"render", in, out, "--chunk", "0"}, 2},
        {{"render", in, out, "--frobnicate"}, 2},       {{"render", in}, 2},
        {{"render", In("missing.wav"), out}, 1},        {{"render", In("garbage.wav"), out}, 1},
        {{"render", In("empty.wav"), out}, 1},          {{"render", in, In("no/such/dir/out.wav")}, 1},
        {{"render", in, out, "--preset", In("short.preset")}, 1},
        {{"render", in, out, "--preset", In("foreign.preset")}, 1},
        {{"render", in, out, "--preset", In("missing.preset")}, 1},
        {{"frobnicate"}, 2},                            {{}, 2},
    };
    for (const auto& c : cases) {
        RunResult r = Run(c.args);
        const std::string line = c.args.empty() ? "(no arguments)" : c.args.back();
        EXPECT_EQ(r.exitCode, c.exitCode) << line << ": " << r.err;
        EXPECT_EQ(r.err.rfind("halvane: ", 0), 0u) << line;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
        EXPECT_EQ(files_.List(), (std::vector<std::string>{"empty.wav", "foreign.preset", "garbage.wav", "in.wav",
                                                            "short.preset"}))
            << line;
    }
    // The system's reason, in its words.
    EXPECT_NE(Run({"render", In("missing.wav"), out}).err.find("no such file or directory"), std::string::npos);
    EXPECT_NE(Run({"render", in, files_.Path()}).err.find("is a directory"), std::string::npos);
    // A range error names the field and its range; the same file through a link is refused.
    EXPECT_NE(Run({"render", in, out, "--set", "dwDelayC=101"}).err.find("dwDelayC takes 0..100 ms"), std::string::npos);
    std::filesystem::create_symlink(in, In("link.wav"));
    RunResult same = Run({"render", In("link.wav"), in});
    EXPECT_EQ(same.exitCode, 1);
    EXPECT_NE(same.err.find("same file"), std::string::npos);
    EXPECT_EQ(ReadAudio(in).frames, 2000);
    std::filesystem::remove(In("link.wav"));
    // A failed render leaves an existing output alone.
    WriteBytes(out, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(Run({"render", in, out, "--set", "bogus=1"}).exitCode, 2);
    EXPECT_EQ(ReadBytes(out), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

// `--preset` then `--set` in that order wherever they stand, the last word winning; the words
// are written as given.
TEST_F(HalvaneCli, PresetSaveWritesTheOwnerAndTheWordsAsGiven) {
    ASSERT_EQ(Run({"preset", "save", In("base.preset"), "--set", "nTrimR=4", "--set", "nTrimL=3"}).exitCode, 0);
    const std::string p = In("a.preset");
    RunResult r = Run({"preset", "save", p, "--set", "dwMode=3", "--set", "nTrimL=-5", "--preset",
                       In("base.preset"), "--set", "uOperations=3735928559", "--set", "dwLFECutoff=200",
                       "--mode", "passive"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> file = ReadBytes(p);
    ASSERT_EQ(file.size(), 16u + 112u);
    EXPECT_EQ(0, std::memcmp(file.data(), kHalvaneGuidBytes, 16));
    EXPECT_EQ(Word(file, 0), 1u);  // --mode came last
    EXPECT_EQ(Word(file, 17), uint32_t(-5));
    EXPECT_EQ(Word(file, 18), 4u);  // from the preset
    EXPECT_EQ(Word(file, 10), 0xDEADBEEFu);
    EXPECT_EQ(Word(file, 25), 200u);
    EXPECT_EQ(Word(file, 3), 100u);          // untouched words keep the defaults
}

// `preset show` reads into a default record: repairs applied, the stored reserved word unread.
TEST_F(HalvaneCli, PresetShowPrintsTheRepairedRecordInWordOrder) {
    const std::string p = In("a.preset");
    ASSERT_EQ(Run({"preset", "save", p, "--set", "nTrimC=-7", "--set", "dwDelaySR=42", "--set", "uOperations=77"})
                  .exitCode,
              0);
    // Values the command line refuses, written into the file by hand: the reader repairs them.
    std::vector<uint8_t> bytes = ReadBytes(p);
    auto put = [&](int word, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[size_t(16 + 4 * word + i)] = uint8_t(v >> (8 * i));
    };
    put(0, 9), put(25, 201), put(26, 5);
    WriteBytes(p, bytes);
    RunResult r = Run({"preset", "show", p});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "dwMode=2\nnMasterGain=0\ndwSurroundMode=1\ndwCentreWeight=100\ndwSurroundDelayMusic=0\n"
              "dwSurroundDelayMovie=10\nbMusicSurroundShelf=0\ndwHeadphonesMode=0\nbHeadphonesDecodeMusic=1\n"
              "bHeadphonesDecodeMovie=1\nuOperations=0\ndwDelayL=0\ndwDelayR=0\ndwDelayC=0\ndwDelaySub=0\n"
              "dwDelaySL=0\ndwDelaySR=42\nnTrimL=0\nnTrimR=0\nnTrimC=-7\nnTrimSub=0\nnTrimSL=0\nnTrimSR=0\n"
              "bLFERedir=0\nbLFEInvert=0\ndwLFECutoff=120\nbSSE2=1\nbCUDA=1\n");

    std::vector<uint8_t> wrongSize(kHalvaneGuidBytes, kHalvaneGuidBytes + 16);
    wrongSize.resize(16 + 111);
    WriteBytes(In("size.preset"), wrongSize);
    WriteBytes(In("short.preset"), std::vector<uint8_t>(10, 0));
    for (const char* name : {"short.preset", "size.preset", "none.preset"}) {
        r = Run({"preset", "show", In(name)});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_TRUE(r.out.empty()) << name;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"preset", "show"}).exitCode, 2);
    EXPECT_EQ(Run({"preset", "frob", In("x")}).exitCode, 2);
}

TEST_F(HalvaneCli, MissingOrBrokenModulesAreClearErrors) {
    const struct {
        std::string path;
        const char* words;
    } cases[] = {{In("nothing.so"), "no such file"},
                 {In("in.wav"), "cannot load"},
                 {TEST_MODULE_NO_ENTRY, "no entry point"},
                 {TEST_MODULE_NULL_ENTRY, "returned null"}};
    FloatWav("in.wav", 100, 2);
    for (const auto& c : cases) {
        RunResult r = Run({"info", "--component", c.path});
        EXPECT_EQ(r.exitCode, 1) << c.path;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        r = Run({"render", In("in.wav"), In("out.wav"), "--component", c.path});
        EXPECT_EQ(r.exitCode, 1) << c.path;
        EXPECT_FALSE(std::filesystem::exists(In("out.wav")));
    }
}

TEST_F(HalvaneCli, InfoDescribesTheModule) {
    RunResult r = Run({"info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* text : {"name: Corvell Halvane", "version: 1.02", "file name: foo_dsp_halvane.so",
                             "dsp_entry \"Corvell Halvane\" {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}",
                             "play_callback_static (flags 0x1FF)", "componentversion", "SSE2 support: ",
                             "GPU support: "})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
}

// The file container is checked in file_formats_test.cpp and damaged streams on the loaded
// module (tests/host); here the module's stream goes in and comes back out through the program.
TEST_F(HalvaneCli, ConfigurationIsSavedRestoredAndCorruptFilesKept) {
    ASSERT_EQ(Run({"info"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(ConfigPath()), PackConfigFile(TabRecord(0))) << "a fresh start saves the defaults";
    WriteBytes(ConfigPath(), PackConfigFile(TabRecord(3)));
    ASSERT_EQ(Run({"info"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(ConfigPath()), PackConfigFile(TabRecord(3)));
    // A stream cut inside its record leaves the default, which is then saved in its place.
    std::vector<uint8_t> cut = TabRecord(4);
    cut.resize(18);
    WriteBytes(ConfigPath(), PackConfigFile(cut));
    ASSERT_EQ(Run({"info"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(ConfigPath()), PackConfigFile(TabRecord(0)));

    // A corrupt file is reported, ignored and kept until a good configuration is saved.
    std::vector<uint8_t> flipped = PackConfigFile(TabRecord(2));
    flipped.back() ^= 1;  // checksum no longer matches
    const std::string in = FloatWav("in.wav", 100, 2);
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'c', 'f', 'g'},
                                              flipped, std::vector<uint8_t>{}}) {
        WriteBytes(ConfigPath(), bytes);
        RunResult r = Run({"info"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find("warning"), std::string::npos);
        EXPECT_NE(r.err.find("corrupt"), std::string::npos);
        EXPECT_EQ(ReadBytes(ConfigPath()), bytes);  // not overwritten with defaults
        EXPECT_EQ(Run({"render", in, In("o.wav")}).exitCode, 0);
        EXPECT_EQ(ReadBytes(ConfigPath()), bytes);
    }
}

TEST_F(HalvaneCli, DemoRendersEveryMode) {
    RunResult r = Run({"demo", In("demo")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* programme : {"stereo", "surround51"}) {
        const int64_t frames = ReadAudio(In(std::string("demo/") + programme + "_source.wav")).frames;
        for (const char* mode : kModes) {
            const std::string name = std::string(programme) + "_" + mode + ".wav";
            EXPECT_EQ(ReadAudio(In("demo/" + name)).frames, frames) << name;
            EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
        }
    }
}
