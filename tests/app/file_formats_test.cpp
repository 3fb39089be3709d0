// The host's file formats: written WAV headers, preset files, the configuration container.
#include "TestFiles.h"
#include "app/AppError.h"
#include "app/ConfigStore.h"
#include "app/Crc32.h"
#include "app/PresetFile.h"
#include "app/WavWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

TEST(Crc32, StandardCheckValues) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);  // the catalogued check value of CRC-32
    EXPECT_EQ(Crc32("", 0), 0u);
    EXPECT_EQ(Crc32("a", 1), 0xE8B7BE43u);
}

// The 80-byte header of an empty 5-channel file at 48 kHz, laid out by hand from the
// WAVE_FORMAT_EXTENSIBLE definition.
TEST(WavWriter, HeaderBytesOfAnEmptyFile) {
    TempDir dir;
    WavWriter w(dir.File("e.wav"), 5, 48000, 55);
    w.Finish();
    const uint8_t expected[80] = {
        'R', 'I', 'F', 'F', 72, 0, 0, 0, 'W', 'A', 'V', 'E',
        'f', 'm', 't', ' ', 40, 0, 0, 0,
        0xFE, 0xFF, 5, 0, 0x80, 0xBB, 0, 0,      // tag, channels, 48000
        0x00, 0xA6, 0x0E, 0x00, 20, 0, 32, 0,    // 960000 bytes/s, align 20, 32 bits
        22, 0, 32, 0, 55, 0, 0, 0,               // cbSize, valid bits, mask
        0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71,
        'f', 'a', 'c', 't', 4, 0, 0, 0, 0, 0, 0, 0,
        'd', 'a', 't', 'a', 0, 0, 0, 0};
    std::vector<uint8_t> got = ReadBytes(dir.File("e.wav"));
    ASSERT_EQ(got.size(), sizeof(expected));
    EXPECT_EQ(0, std::memcmp(got.data(), expected, sizeof(expected)));
}

// Samples written in pieces read back bit for bit through libsndfile: see the bypass renders
// in halvane_cli_test.cpp.
TEST(WavWriter, UnfinishedFileLeavesNothingBehind) {
    TempDir dir;
    {
        WavWriter w(dir.File("x.wav"), 2, 44100, 3);
        std::vector<float> s(200, 0.5f);
        w.WriteFrames(s.data(), 100);
    }
    EXPECT_TRUE(dir.List().empty());
}

// The owner GUID field by field little-endian, then the data; under 16 bytes is an error,
// 16 bytes a preset without data.
TEST(PresetFile, LayoutRoundTripAndShortFiles) {
    TempDir dir;
    dsp_preset_impl p;
    p.set_owner(GUID{0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}});
    const uint8_t data[3] = {0xAA, 0xBB, 0xCC};
    p.set_data(data, 3);
    WritePresetFile(dir.File("p.bin"), p);
    std::vector<uint8_t> bytes = {4, 3, 2, 1, 6, 5, 8, 7, 9, 10, 11, 12, 13, 14, 15, 16, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(ReadBytes(dir.File("p.bin")), bytes);
    dsp_preset_impl back;
    ReadPresetFile(dir.File("p.bin"), back);
    EXPECT_TRUE(back == p);

    bytes.resize(16);
    WriteBytes(dir.File("p.bin"), bytes);
    ReadPresetFile(dir.File("p.bin"), back);
    EXPECT_EQ(back.get_owner(), p.get_owner());
    EXPECT_EQ(back.get_data_size(), 0u);
    for (size_t n : {0u, 1u, 15u}) {
        bytes.resize(n);
        WriteBytes(dir.File("p.bin"), bytes);
        EXPECT_THROW(ReadPresetFile(dir.File("p.bin"), back), AppError) << n;
    }
}

// "HVHOSTCF", payload size and CRC-32 of the payload (u32 LE each), then the payload.
TEST(ConfigFile, LayoutRoundTripAndCorruption) {
    const std::vector<uint8_t> payload = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const uint32_t crc = Crc32(payload.data(), payload.size());
    std::vector<uint8_t> expected = {'H', 'V', 'H', 'O', 'S', 'T', 'C', 'F', 9, 0, 0, 0};
    for (int i = 0; i < 4; ++i) expected.push_back(uint8_t(crc >> (8 * i)));
    expected.insert(expected.end(), payload.begin(), payload.end());
    const std::vector<uint8_t> file = PackConfigFile(payload);
    ASSERT_EQ(file, expected);
    std::string problem;
    EXPECT_EQ(UnpackConfigFile(file, problem), payload);
    EXPECT_TRUE(UnpackConfigFile(PackConfigFile({}), problem).has_value());

    // Every single-bit flip anywhere in the file is caught, so is every truncation and an
    // appended byte.
    for (size_t byte = 0; byte < file.size(); ++byte)
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<uint8_t> bad = file;
            bad[byte] ^= uint8_t(1 << bit);
            EXPECT_FALSE(UnpackConfigFile(bad, problem).has_value()) << byte << ":" << bit;
        }
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(UnpackConfigFile(std::vector<uint8_t>(file.begin(), file.begin() + n), problem).has_value());
    std::vector<uint8_t> longer = file;
    longer.push_back(0);
    EXPECT_FALSE(UnpackConfigFile(longer, problem).has_value());
}

TEST(ConfigFile, DirectoryFollowsXdgThenHome) {
    auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const std::optional<std::string> oldXdg = saved("XDG_CONFIG_HOME"), oldHome = saved("HOME");
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/xdg/conf", 1);
    EXPECT_EQ(ConfigDirectory(), "/xdg/conf/halvane");
    for (const char* ignored : {"", "relative/dir"}) {  // empty or not absolute
        setenv("XDG_CONFIG_HOME", ignored, 1);
        EXPECT_EQ(ConfigDirectory(), "/home/someone/.config/halvane") << ignored;
    }
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigDirectory(), "/home/someone/.config/halvane");
    for (const auto& [name, old] : {std::pair{"XDG_CONFIG_HOME", oldXdg}, {"HOME", oldHome}})
        old ? setenv(name, old->c_str(), 1) : unsetenv(name);
}
