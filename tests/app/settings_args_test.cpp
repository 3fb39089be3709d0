// Command-line parsing and the --set / --mode / --preset rules.
#include "app/AppError.h"
#include "app/CliArgs.h"
#include "app/HostOptions.h"
#include "app/SettingsArgs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParsedArgs Parse(std::vector<std::string> words) {
    const OptionSpec specs[] = {{"preset", true, false}, {"set", true, true}, {"mode", true, true},
                                {"raw", false, false}, kChunkOption};
    return ParseArgs(words, specs);
}

int ExitCodeOf(auto&& fn) {
    try {
        fn();
    } catch (const AppError& e) {
        return e.ExitCode();
    }
    return 0;
}

}  // namespace

TEST(CliArgs, OptionsKeepTheirOrderAndBothSpellings) {
    ParsedArgs p = Parse({"in.wav", "--set", "nTrimL=3", "--raw", "--set=nTrimL=-4", "out.wav", "--", "--odd"});
    ASSERT_EQ(p.positional, (std::vector<std::string>{"in.wav", "out.wav", "--odd"}));
    ASSERT_EQ(p.options.size(), 3u);
    EXPECT_EQ(p.options[0].value, "nTrimL=3");
    EXPECT_EQ(p.options[1].name, "raw");
    EXPECT_EQ(p.options[2].value, "nTrimL=-4");
}

TEST(CliArgs, MalformedCommandLinesAreUsageErrors) {
    EXPECT_EQ(ExitCodeOf([] { Parse({"--bogus"}); }), kExitUsage);
    EXPECT_EQ(ExitCodeOf([] { Parse({"-x"}); }), kExitUsage);
    EXPECT_EQ(ExitCodeOf([] { Parse({"--set"}); }), kExitUsage);          // value missing
    EXPECT_EQ(ExitCodeOf([] { Parse({"--raw=1"}); }), kExitUsage);        // flag with a value
    EXPECT_EQ(ExitCodeOf([] { Parse({"--preset", "a", "--preset", "b"}); }), kExitUsage);
    EXPECT_EQ(ExitCodeOf([] { Parse({"--set", "dwMode"}); }), 0);         // parsing alone accepts it
    EXPECT_EQ(ExitCodeOf([] { BuildSettings(Parse({"--set", "dwMode"})); }), kExitUsage);  // no '='
}

TEST(CliArgs, ChunkSizeBounds) {
    EXPECT_EQ(ChunkFramesOption(Parse({})), 4096u);
    EXPECT_EQ(ChunkFramesOption(Parse({"--chunk", "1"})), 1u);
    EXPECT_EQ(ChunkFramesOption(Parse({"--chunk", "4194304"})), 4194304u);
    for (const char* bad : {"0", "-5", "4194305", "12x", "", " 7", "0x10"})
        EXPECT_EQ(ExitCodeOf([&] { ChunkFramesOption(Parse({"--chunk", bad})); }), kExitUsage) << bad;
}

// Each field takes a whole decimal within its range; everything else is a usage error.
TEST(SetField, RangeFollowsTheField) {
    struct Case {
        const char* text;
        int word;
        uint32_t bits;
    };
    const Case good[] = {
        {"uOperations=3735928559", 10, 0xDEADBEEFu}, {"uOperations=4294967295", 10, 0xFFFFFFFFu},
        {"dwMode=4", 0, 4},          {"dwMode=0", 0, 0},           {"bCUDA=1", 27, 1},
        {"nTrimL=-12", 17, uint32_t(-12)}, {"nTrimSR=12", 22, 12u}, {"nMasterGain=-1", 1, 0xFFFFFFFFu},
        {"dwLFECutoff=020", 25, 20}, {"dwSurroundDelayMovie=10", 5, 10}, {"nTrimC=-0", 19, 0},
    };
    for (const Case& c : good) {
        FieldAssignment a = ParseFieldAssignment(c.text);
        EXPECT_EQ(a.word, c.word) << c.text;
        EXPECT_EQ(a.value, c.bits) << c.text;
    }
    const char* bad[] = {"dwMode=5", "dwMode=-1", "dwMode=+1", "dwMode=", "dwMode=1.5", "dwMode= 1",
                         "dwMode=0x2", "nTrimL=13", "nTrimL=-13", "nTrimL=--1", "nTrimL=99999999999999999999",
                         "dwLFECutoff=19", "dwLFECutoff=201", "dwSurroundDelayMovie=9", "bSSE2=2",
                         "uOperations=4294967296", "dwmode=1", "Mode=1", "=1"};
    for (const char* text : bad)
        EXPECT_EQ(ExitCodeOf([&] { ParseFieldAssignment(text); }), kExitUsage) << text;
}

// The order of --preset, --set and --mode is checked end to end in halvane_cli_test.cpp.
TEST(SetField, ModeNamesMap) {
    const char* names[] = {"bypass", "passive", "hv", "headphone", "encoder"};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(ParseModeName(names[i]), i);
    EXPECT_EQ(BuildSettings(Parse({"--set", "dwMode=1", "--mode", "encoder"})).dwMode, 4u);
    EXPECT_EQ(ExitCodeOf([] { ParseModeName("surround"); }), kExitUsage);
}
