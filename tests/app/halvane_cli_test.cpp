// End-to-end runs of the built `halvane` program: it loads the module built beside it, and
// every run gets its own configuration directory.
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sndfile.h>
#include <string>
#include <vector>

namespace {

const char* const kModes[] = {"bypass", "passive", "hv", "headphone", "encoder"};

// HALVANE_GUID {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0} in the preset file's byte order.
const uint8_t kHalvaneGuidBytes[16] = {0xD2, 0xBA, 0x1F, 0xB5, 0xA9, 0x8B, 0x27, 0x44,
                                       0xBB, 0xD6, 0x5B, 0x03, 0xA3, 0xF5, 0xC3, 0xC0};

// c_halvane_tab {025675A5-3989-48E8-8959-F2FB263AF51A} in the configuration stream's byte order.
const uint8_t kTabGuidBytes[16] = {0xA5, 0x75, 0x56, 0x02, 0x89, 0x39, 0xE8, 0x48,
                                   0x89, 0x59, 0xF2, 0xFB, 0x26, 0x3A, 0xF5, 0x1A};

class HalvaneCli : public ::testing::Test {
protected:
    RunResult Run(const std::vector<std::string>& args) { return RunHalvane(args, config_.Path()); }
    std::string In(const std::string& name) { return files_.File(name); }

    // A float WAV (format tag 3) of `frames` frames.
    std::string FloatWav(const std::string& name, int64_t frames, int channels, int rate = 44100,
                         int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
        WriteAudio(In(name), TestSignal(frames, channels, uint32_t(channels)), channels, rate, format);
        return In(name);
    }
    // No output and no temporary file may be left next to `dir` entries other than `keep`.
    void ExpectOnly(const std::vector<std::string>& keep) {
        EXPECT_EQ(files_.List(), keep);
    }

    TempDir files_;
    TempDir config_;
};

uint32_t Word(const std::vector<uint8_t>& file, int word) {
    const uint8_t* p = file.data() + 16 + 4 * word;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::vector<uint8_t> ConfigFile(const std::vector<uint8_t>& payload, uint32_t crc);

}  // namespace

// The layout each mode returns for 2-, 5- and 6-channel sources, and the length of every result.
TEST_F(HalvaneCli, FrameCountsAndChannelMasksInEveryMode) {
    struct Expect {
        int inChannels;
        const char* mode;
        int outChannels;
        uint32_t mask;
    };
    const Expect cases[] = {
        {2, "bypass", 2, 3},    {2, "passive", 5, 55},  {2, "hv", 5, 55},  {2, "headphone", 2, 3},
        {2, "encoder", 2, 3},   {6, "bypass", 6, 63},   {6, "passive", 6, 63}, {6, "hv", 6, 63},
        {6, "headphone", 2, 3}, {6, "encoder", 2, 3},   {5, "encoder", 2, 3},  {5, "hv", 5, 55},
    };
    const int64_t frames = 10007;
    for (const Expect& c : cases) {
        std::string in = FloatWav("in" + std::to_string(c.inChannels) + ".wav", frames, c.inChannels);
        for (const char* chunk : {"4096", "1000"}) {
            std::string out = In(std::string("out_") + c.mode + ".wav");
            RunResult r = Run({"render", in, out, "--mode", c.mode, "--chunk", chunk});
            ASSERT_EQ(r.exitCode, 0) << c.mode << ": " << r.err;
            WavHeader h = ParseWavHeader(out);
            ASSERT_TRUE(h.ok);
            SCOPED_TRACE(std::string(c.mode) + " from " + std::to_string(c.inChannels) + " channels");
            EXPECT_EQ(h.formatTag, 0xFFFE);
            EXPECT_EQ(h.bitsPerSample, 32);
            EXPECT_EQ(h.subFormat[0], 3);  // IEEE float
            EXPECT_EQ(h.channels, c.outChannels);
            EXPECT_EQ(h.channelMask, c.mask);
            EXPECT_EQ(h.rate, 44100u);
            EXPECT_EQ(h.dataBytes, uint32_t(frames * c.outChannels * 4));
        }
    }
}

TEST_F(HalvaneCli, BassRedirectionAddsTheLfeChannel) {
    std::string in = FloatWav("in.wav", 5000, 2);
    RunResult r = Run({"render", in, In("out.wav"), "--mode", "passive", "--set", "bLFERedir=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    WavHeader h = ParseWavHeader(In("out.wav"));
    EXPECT_EQ(h.channels, 6);
    EXPECT_EQ(h.channelMask, 63u);
    EXPECT_EQ(h.dataBytes, 5000u * 6 * 4);
}

// Bypass returns every supported layout bit for bit, from plain float WAV and from
// WAVE_FORMAT_EXTENSIBLE input; other channel counts pass untouched in every mode.
TEST_F(HalvaneCli, BypassAndUnsupportedLayoutsAreBitIdentical) {
    for (int channels : {1, 2, 5, 6}) {
        for (int format : {SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT}) {
            std::string in = FloatWav("b.wav", 4099, channels, 48000, format);
            ASSERT_EQ(Run({"render", in, In("bo.wav"), "--mode", "bypass", "--chunk", "777"}).exitCode, 0);
            AudioData a = ReadAudio(in), b = ReadAudio(In("bo.wav"));
            EXPECT_EQ(b.channels, channels);
            EXPECT_EQ(b.rate, 48000);
            EXPECT_EQ(b.samples, a.samples) << channels << " channels";
        }
    }
    std::string in3 = FloatWav("three.wav", 3000, 3);
    for (const char* mode : kModes) {
        ASSERT_EQ(Run({"render", in3, In("o3.wav"), "--mode", mode}).exitCode, 0) << mode;
        EXPECT_EQ(ReadAudio(In("o3.wav")).samples, ReadAudio(in3).samples) << mode;
        EXPECT_EQ(ParseWavHeader(In("o3.wav")).channelMask, 7u) << mode;  // L R C, as given
    }
}

TEST_F(HalvaneCli, RawWritesWhatTheDspReturned) {
    std::string in = FloatWav("in.wav", 10007, 2);
    ASSERT_EQ(Run({"render", in, In("hv.wav"), "--mode", "hv", "--raw", "--chunk", "1000"}).exitCode, 0);
    EXPECT_EQ(ReadAudio(In("hv.wav")).frames, 10007);  // this mode holds nothing back
    ASSERT_EQ(Run({"render", in, In("hp.wav"), "--mode", "headphone", "--raw"}).exitCode, 0);
    EXPECT_LE(ReadAudio(In("hp.wav")).frames, 10007);
    ASSERT_EQ(Run({"render", in, In("hp2.wav"), "--mode", "headphone"}).exitCode, 0);
    EXPECT_EQ(ReadAudio(In("hp2.wav")).frames, 10007);
}

TEST_F(HalvaneCli, ZeroFrameInputGivesZeroFrameOutput) {
    std::string in = FloatWav("empty.wav", 0, 2);
    for (const char* mode : kModes) {
        for (bool raw : {false, true}) {
            std::vector<std::string> args = {"render", in, In("out.wav"), "--mode", mode};
            if (raw) args.push_back("--raw");
            RunResult r = Run(args);
            ASSERT_EQ(r.exitCode, 0) << mode << ": " << r.err;
            WavHeader h = ParseWavHeader(In("out.wav"));
            EXPECT_TRUE(h.ok) << mode;
            EXPECT_EQ(h.dataBytes, 0u) << mode;
        }
    }
}

TEST_F(HalvaneCli, BadInputFailsWithoutPartialOutput) {
    std::string in = FloatWav("in.wav", 2000, 2);
    WriteBytes(In("garbage.wav"), std::vector<uint8_t>(300, 0x5A));
    WriteBytes(In("empty.wav"), {});
    WriteBytes(In("short.preset"), std::vector<uint8_t>(15, 0));
    std::vector<uint8_t> foreign(16 + 112, 0);
    foreign[0] = 1;
    WriteBytes(In("foreign.preset"), foreign);
    const std::string out = In("out.wav");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"render", in, out, "--set", "dwFoo=1"}, 1},
        {{"render", in, out, "--set", "dwMode=4294967296"}, 1},
        {{"render", in, out, "--set", "nTrimL=-2147483649"}, 1},
        {{"render", in, out, "--set", "dwMode"}, 2},
        {{"render", in, out, "--mode", "loud"}, 2},
        {{"render", in, out, "--chunk", "0"}, 2},
        {{"render", in, out, "--frobnicate"}, 2},
        {{"render", in}, 2},
        {{"render", In("missing.wav"), out}, 1},
        {{"render", In("garbage.wav"), out}, 1},
        {{"render", In("empty.wav"), out}, 1},
        {{"render", in, out, "--preset", In("short.preset")}, 1},
        {{"render", in, out, "--preset", In("foreign.preset")}, 1},
        {{"render", in, out, "--preset", In("missing.preset")}, 1},
        {{"render", in, In("no/such/dir/out.wav")}, 1},
        {{"render", in, out, "--component", In("missing.so")}, 1},
        {{"frobnicate"}, 2},
        {{}, 2},
    };
    for (const Case& c : cases) {
        RunResult r = Run(c.args);
        std::string line = c.args.empty() ? "(no arguments)" : c.args.back();
        EXPECT_EQ(r.exitCode, c.exitCode) << line << ": " << r.err;
        EXPECT_NE(r.err.find("halvane: "), std::string::npos) << line;
        ExpectOnly({"empty.wav", "foreign.preset", "garbage.wav", "in.wav", "short.preset"});
    }
}

TEST_F(HalvaneCli, FailedRenderLeavesAnExistingOutputAlone) {
    std::string in = FloatWav("in.wav", 2000, 2);
    WriteBytes(In("out.wav"), {'k', 'e', 'e', 'p'});
    EXPECT_EQ(Run({"render", in, In("out.wav"), "--set", "bogus=1"}).exitCode, 1);
    EXPECT_EQ(ReadBytes(In("out.wav")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST_F(HalvaneCli, PresetSaveWritesTheOwnerAndTheWordsAsGiven) {
    const std::string p = In("a.preset");
    RunResult r = Run({"preset", "save", p, "--set", "dwMode=3", "--set", "nTrimL=-5", "--set",
                       "uOperations=3735928559", "--set", "dwLFECutoff=4294967295", "--mode", "passive"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> file = ReadBytes(p);
    ASSERT_EQ(file.size(), 16u + 112u);
    EXPECT_EQ(0, std::memcmp(file.data(), kHalvaneGuidBytes, 16));
    EXPECT_EQ(Word(file, 0), 1u);            // --mode came last
    EXPECT_EQ(Word(file, 17), uint32_t(-5));
    EXPECT_EQ(Word(file, 10), 0xDEADBEEFu);
    EXPECT_EQ(Word(file, 25), 0xFFFFFFFFu);  // written unrepaired
    EXPECT_EQ(Word(file, 3), 100u);          // untouched words keep the defaults
    EXPECT_EQ(Word(file, 5), 10u);
}

TEST_F(HalvaneCli, PresetShowPrintsTheRepairedRecordInWordOrder) {
    const std::string p = In("a.preset");
    ASSERT_EQ(Run({"preset", "save", p, "--set", "nTrimC=-7", "--set", "dwMode=9", "--set",
                   "dwLFECutoff=201", "--set", "bSSE2=5", "--set", "dwDelaySR=42"}).exitCode, 0);
    RunResult r = Run({"preset", "show", p});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const char* expectedLines[] = {
        "dwMode=2", "nMasterGain=0", "dwSurroundMode=1", "dwCentreWeight=100",
        "dwSurroundDelayMusic=0", "dwSurroundDelayMovie=10", "bMusicSurroundShelf=0",
        "dwHeadphonesMode=0", "bHeadphonesDecodeMusic=1", "bHeadphonesDecodeMovie=1",
        nullptr /* uOperations: the default record's own word */, "dwDelayL=0", "dwDelayR=0", "dwDelayC=0",
        "dwDelaySub=0", "dwDelaySL=0", "dwDelaySR=42", "nTrimL=0", "nTrimR=0", "nTrimC=-7",
        "nTrimSub=0", "nTrimSL=0", "nTrimSR=0", "bLFERedir=0", "bLFEInvert=0", "dwLFECutoff=120",
        "bSSE2=1", "bCUDA=1"};
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(r.out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 28u) << r.out;
    for (size_t i = 0; i < 28; ++i) {
        if (expectedLines[i]) EXPECT_EQ(lines[i], expectedLines[i]);
        else EXPECT_EQ(lines[i].rfind("uOperations=", 0), 0u);
    }

    // The stored reserved word never shows: two files differing only there print the same.
    ASSERT_EQ(Run({"preset", "save", In("b.preset"), "--preset", p, "--set", "uOperations=77"}).exitCode, 0);
    ASSERT_EQ(Run({"preset", "save", In("c.preset"), "--preset", p, "--set", "uOperations=4000000000"}).exitCode, 0);
    EXPECT_EQ(Run({"preset", "show", In("b.preset")}).out, Run({"preset", "show", In("c.preset")}).out);
    EXPECT_EQ(Run({"preset", "show", In("b.preset")}).out, r.out);
}

TEST_F(HalvaneCli, PresetThenSetInOrder) {
    ASSERT_EQ(Run({"preset", "save", In("base.preset"), "--set", "nTrimR=4", "--set", "nTrimL=3"}).exitCode, 0);
    ASSERT_EQ(Run({"preset", "save", In("d.preset"), "--set", "nTrimL=-9", "--preset", In("base.preset")}).exitCode, 0);
    std::vector<uint8_t> file = ReadBytes(In("d.preset"));
    EXPECT_EQ(Word(file, 17), uint32_t(-9));  // --set applies over --preset wherever it stands
    EXPECT_EQ(Word(file, 18), 4u);
}

TEST_F(HalvaneCli, PresetShowRejectsWhatTheReaderRejects) {
    WriteBytes(In("short.preset"), std::vector<uint8_t>(10, 0));
    std::vector<uint8_t> wrongSize(kHalvaneGuidBytes, kHalvaneGuidBytes + 16);
    wrongSize.resize(16 + 111);
    WriteBytes(In("size.preset"), wrongSize);
    std::vector<uint8_t> foreign(16 + 112, 0);
    WriteBytes(In("foreign.preset"), foreign);
    for (const char* name : {"short.preset", "size.preset", "foreign.preset", "none.preset"}) {
        RunResult r = Run({"preset", "show", In(name)});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_TRUE(r.out.empty()) << name;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"preset", "show"}).exitCode, 2);
    EXPECT_EQ(Run({"preset", "frob", In("x")}).exitCode, 2);
}

TEST_F(HalvaneCli, MissingOrBrokenModulesAreClearErrors) {
    struct Case {
        std::string path;
        const char* words;
    };
    const Case cases[] = {{In("nothing.so"), "no such file"},
                          {In("in.wav"), "cannot load"},
                          {TEST_MODULE_NO_ENTRY, "no entry point"},
                          {TEST_MODULE_NULL_ENTRY, "returned null"}};
    FloatWav("in.wav", 100, 2);
    for (const Case& c : cases) {
        RunResult r = Run({"info", "--component", c.path});
        EXPECT_EQ(r.exitCode, 1) << c.path;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        r = Run({"render", In("in.wav"), In("out.wav"), "--component", c.path});
        EXPECT_EQ(r.exitCode, 1) << c.path;
        EXPECT_FALSE(FileExists(In("out.wav")));
    }
}

TEST_F(HalvaneCli, InfoDescribesTheModule) {
    RunResult r = Run({"info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* text : {"name: Corvell Halvane", "version: 1.02", "file name: foo_dsp_halvane.so",
                             "dsp_entry \"Corvell Halvane\" {B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}",
                             "play_callback_static (flags 0x1FF)", "componentversion",
                             "SSE2 support: ", "GPU support: "})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
}

namespace {
std::vector<uint8_t> ConfigFile(const std::vector<uint8_t>& payload, uint32_t crc) {
    std::vector<uint8_t> f = {'H', 'V', 'H', 'O', 'S', 'T', 'C', 'F'};
    for (uint32_t v : {uint32_t(payload.size()), crc})
        for (int i = 0; i < 4; ++i) f.push_back(uint8_t(v >> (8 * i)));
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}
// The module's stream with the tab variable set to `tab`: GUID, byte count 4, the value.
std::vector<uint8_t> TabRecord(int32_t tab) {
    std::vector<uint8_t> r(24, 0);
    std::memcpy(r.data(), kTabGuidBytes, 16);
    r[16] = 4;
    for (int i = 0; i < 4; ++i) r[20 + i] = uint8_t(uint32_t(tab) >> (8 * i));
    return r;
}
// CRC-32 worked out bit by bit, apart from the program's table-free loop.
uint32_t ReferenceCrc(const std::vector<uint8_t>& b) {
    uint32_t crc = ~0u;
    for (uint8_t byte : b)
        for (int i = 0; i < 8; ++i) {
            bool mix = (crc ^ (byte >> i)) & 1;
            crc >>= 1;
            if (mix) crc ^= 0xEDB88320u;
        }
    return ~crc;
}
}  // namespace

TEST_F(HalvaneCli, ConfigurationIsSavedAndRestored) {
    const std::string cfg = config_.Path() + "/halvane/foo_dsp_halvane.cfg";
    ASSERT_EQ(Run({"info"}).exitCode, 0);
    // A fresh start saves the module's defaults: the tab variable at 0.
    std::vector<uint8_t> expected = ConfigFile(TabRecord(0), ReferenceCrc(TabRecord(0)));
    EXPECT_EQ(ReadBytes(cfg), expected);

    // A stored tab 3 goes into the module and comes back out unchanged.
    expected = ConfigFile(TabRecord(3), ReferenceCrc(TabRecord(3)));
    WriteBytes(cfg, expected);
    ASSERT_EQ(Run({"info"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(cfg), expected);
}

TEST_F(HalvaneCli, CorruptConfigurationIsKeptAndIgnored) {
    const std::string dir = config_.Path() + "/halvane";
    ASSERT_EQ(Run({"info"}).exitCode, 0);  // creates the directory
    const std::string cfg = dir + "/foo_dsp_halvane.cfg";
    std::vector<uint8_t> good = ConfigFile(TabRecord(2), ReferenceCrc(TabRecord(2)));
    std::vector<uint8_t> flipped = good;
    flipped.back() ^= 1;  // checksum no longer matches
    const std::vector<std::vector<uint8_t>> corrupt = {
        {'n', 'o', 't', ' ', 'a', ' ', 'c', 'o', 'n', 'f', 'i', 'g'}, flipped, {}};
    for (const auto& bytes : corrupt) {
        WriteBytes(cfg, bytes);
        RunResult r = Run({"info"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find("warning"), std::string::npos);
        EXPECT_NE(r.err.find("corrupt"), std::string::npos);
        EXPECT_EQ(ReadBytes(cfg), bytes);  // not overwritten with defaults
        std::string in = FloatWav("in.wav", 100, 2);
        EXPECT_EQ(Run({"render", in, In("o.wav")}).exitCode, 0);
        EXPECT_EQ(ReadBytes(cfg), bytes);
    }
}

TEST_F(HalvaneCli, TruncatedStreamInsideAGoodFileIsReadSafely) {
    const std::string cfg = config_.Path() + "/halvane/foo_dsp_halvane.cfg";
    ASSERT_EQ(Run({"info"}).exitCode, 0);
    std::vector<uint8_t> record = TabRecord(4);
    for (size_t cut : {size_t(5), size_t(18), size_t(22)}) {
        std::vector<uint8_t> part(record.begin(), record.begin() + ptrdiff_t(cut));
        WriteBytes(cfg, ConfigFile(part, ReferenceCrc(part)));
        RunResult r = Run({"info"});
        EXPECT_EQ(r.exitCode, 0) << cut << ": " << r.err;
        // The cut record kept the default, and the module's whole stream was saved back.
        EXPECT_EQ(ReadBytes(cfg), ConfigFile(TabRecord(0), ReferenceCrc(TabRecord(0)))) << cut;
    }
}

TEST_F(HalvaneCli, DemoRendersEveryMode) {
    RunResult r = Run({"demo", files_.File("demo")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* programme : {"stereo", "surround51"}) {
        AudioData source = ReadAudio(files_.File(std::string("demo/") + programme + "_source.wav"));
        for (const char* mode : kModes) {
            std::string path = files_.File(std::string("demo/") + programme + "_" + mode + ".wav");
            AudioData out = ReadAudio(path);
            EXPECT_EQ(out.frames, source.frames) << path;
            EXPECT_NE(r.out.find(std::string(programme) + "_" + mode + ".wav"), std::string::npos) << r.out;
        }
    }
}
