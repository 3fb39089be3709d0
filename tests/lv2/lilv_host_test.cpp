// A small LV2 host on lilv: loads the built bundle as any host would, and checks the
// plugins against `halvane render` of the same input and settings, two instances with
// different settings interleaved in one process, at fixed and varying block sizes.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 48000;
constexpr uint32_t kFrames = 40000;

using Planar = std::vector<std::vector<float>>;

std::string TempDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/halvane-lv2-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

void WriteWav(const std::string& path, const Planar& x) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = int(x.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<float> inter(x.size() * x[0].size());
    for (size_t i = 0; i < x[0].size(); ++i)
        for (size_t c = 0; c < x.size(); ++c) inter[i * x.size() + c] = x[c][i];
    sf_writef_float(f, inter.data(), sf_count_t(x[0].size()));
    sf_close(f);
}

Planar ReadWav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> inter(size_t(info.frames) * info.channels);
    sf_readf_float(f, inter.data(), info.frames);
    sf_close(f);
    Planar x(info.channels, std::vector<float>(info.frames));
    for (sf_count_t i = 0; i < info.frames; ++i)
        for (int c = 0; c < info.channels; ++c) x[c][i] = inter[size_t(i) * info.channels + c];
    return x;
}

// Independent noise on every channel, a different seed per layout.
Planar Noise(uint32_t channels, uint32_t frames, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    Planar x(channels, std::vector<float>(frames));
    for (auto& ch : x)
        for (float& v : ch) v = u(rng);
    return x;
}

// `halvane render` of `input` with the given arguments; planar result.
Planar Render(const Planar& input, const std::string& args) {
    const std::string in = TempDir() + "/in" + std::to_string(input.size()) + ".wav";
    const std::string out = TempDir() + "/ref.wav";
    WriteWav(in, input);
    const std::string cmd = std::string(HALVANE_CLI) + " render " + in + " " + out + " " + args + " >/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadWav(out);
}

struct World {
    LilvWorld* world = lilv_world_new();
    World() { lilv_world_load_all(world); }
    ~World() { lilv_world_free(world); }
    const LilvPlugin* Plugin(const char* uri) {
        LilvNode* n = lilv_new_uri(world, uri);
        const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), n);
        lilv_node_free(n);
        return p;
    }
};

World& TheWorld() {
    static World w;
    return w;
}

// One plugin instance with its own buffers; controls by symbol, default otherwise.
struct Host {
    const LilvPlugin* plugin;
    LilvInstance* inst = nullptr;
    std::vector<float> controls;
    std::vector<std::vector<float>> audio;  // by port index (empty for control ports)
    std::vector<uint32_t> ins, outs;
    int latencyPort = -1;

    Host(const char* uri, double rate, const std::map<std::string, float>& set = {}) {
        plugin = TheWorld().Plugin(uri);
        if (!plugin) return;
        inst = lilv_plugin_instantiate(plugin, rate, nullptr);
        if (!inst) return;
        LilvWorld* w = TheWorld().world;
        LilvNode* audioClass = lilv_new_uri(w, LV2_CORE__AudioPort);
        LilvNode* inputClass = lilv_new_uri(w, LV2_CORE__InputPort);
        const uint32_t n = lilv_plugin_get_num_ports(plugin);
        controls.assign(n, 0.0f);
        audio.resize(n);
        std::vector<float> defs(n);
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defs.data());
        for (uint32_t i = 0; i < n; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const std::string sym = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            const bool input = lilv_port_is_a(plugin, port, inputClass);
            if (lilv_port_is_a(plugin, port, audioClass)) {
                (input ? ins : outs).push_back(i);
            } else {
                controls[i] = std::isnan(defs[i]) ? 0.0f : defs[i];
                if (auto it = set.find(sym); it != set.end()) controls[i] = it->second;
                if (sym == "latency") latencyPort = int(i);
                lilv_instance_connect_port(inst, i, &controls[i]);
            }
        }
        lilv_node_free(audioClass);
        lilv_node_free(inputClass);
        lilv_instance_activate(inst);
    }
    ~Host() {
        if (inst) {
            lilv_instance_deactivate(inst);
            lilv_instance_free(inst);
        }
    }
    void Set(const char* symbol, float v) {
        LilvNode* s = lilv_new_string(TheWorld().world, symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, s);
        lilv_node_free(s);
        ASSERT_NE(port, nullptr) << symbol;
        controls[lilv_port_get_index(plugin, port)] = v;
    }
    void Reset() {
        lilv_instance_deactivate(inst);
        lilv_instance_activate(inst);
    }
    float Latency() const { return latencyPort < 0 ? 0.0f : controls[latencyPort]; }

    // Runs x[.][from, from+n) through the plugin into y.
    void Run(const Planar& x, Planar& y, uint32_t from, uint32_t n) {
        for (size_t k = 0; k < ins.size(); ++k) {
            audio[ins[k]].assign(x[k].begin() + from, x[k].begin() + from + n);
            lilv_instance_connect_port(inst, ins[k], audio[ins[k]].data());
        }
        for (size_t k = 0; k < outs.size(); ++k) {
            audio[outs[k]].assign(n, -7.0f);  // never left as it was
            lilv_instance_connect_port(inst, outs[k], audio[outs[k]].data());
        }
        lilv_instance_run(inst, n);
        for (size_t k = 0; k < outs.size(); ++k)
            std::copy(audio[outs[k]].begin(), audio[outs[k]].end(), y[k].begin() + from);
    }
};

// Block schedules: fixed sizes and sizes that change from call to call.
std::vector<uint32_t> Schedule(int kind, uint32_t frames) {
    std::vector<uint32_t> s;
    std::mt19937 rng(kind);
    std::uniform_int_distribution<uint32_t> any(1, 3000);
    const uint32_t fixed[] = {1, 64, 1000, 8192};
    for (uint32_t done = 0; done < frames;) {
        uint32_t n = kind < 4 ? fixed[kind] : any(rng);
        n = std::min(n, frames - done);
        s.push_back(n);
        done += n;
    }
    return s;
}

// Largest difference of y (delayed by `latency`) from the reference; ref channel c is y
// channel map[c].
double MaxDiff(const Planar& ref, const Planar& y, uint32_t latency, const std::vector<int>& map) {
    double d = 0;
    for (size_t c = 0; c < ref.size(); ++c)
        for (uint32_t i = 0; i + latency < kFrames; ++i)
            d = std::max(d, double(std::fabs(ref[c][i] - y[map[c]][i + latency])));
    return d;
}

struct Case {
    const char* uri;
    std::map<std::string, float> set;
    std::string renderArgs;
    std::vector<int> map;  // output channel of each reference channel
};

// Two instances of each pair run interleaved, block by block, with their own settings.
void RunPair(const Case& a, const Case& b, uint32_t inChannelsA, uint32_t inChannelsB) {
    const Planar xa = Noise(inChannelsA, kFrames, 1), xb = Noise(inChannelsB, kFrames, 2);
    const Planar ra = Render(xa, a.renderArgs), rb = Render(xb, b.renderArgs);
    ASSERT_FALSE(ra.empty());
    ASSERT_FALSE(rb.empty());
    Host ha(a.uri, kRate, a.set), hb(b.uri, kRate, b.set);
    ASSERT_NE(ha.inst, nullptr);
    ASSERT_NE(hb.inst, nullptr);
    for (int kind = 0; kind < 5; ++kind) {
        ha.Reset();
        hb.Reset();
        Planar ya(ha.outs.size(), std::vector<float>(kFrames)), yb(hb.outs.size(), std::vector<float>(kFrames));
        uint32_t done = 0;
        for (uint32_t n : Schedule(kind, kFrames)) {
            ha.Run(xa, ya, done, n);
            hb.Run(xb, yb, done, n);
            done += n;
        }
        EXPECT_LE(MaxDiff(ra, ya, uint32_t(ha.Latency()), a.map), 1e-5) << a.uri << " schedule " << kind;
        EXPECT_LE(MaxDiff(rb, yb, uint32_t(hb.Latency()), b.map), 1e-5) << b.uri << " schedule " << kind;
    }
}

TEST(LilvHost, UpmixAndEncoderEqualTheCommandLine) {
    // Steered Movie with room settings (five channels) beside passive with bass to LFE.
    Case steered{"urn:halvane:upmix",
                 {{"dwSurroundMode", 0}, {"dwSurroundDelayMovie", 20}, {"dwDelayC", 3}, {"nTrimSL", -4}},
                 "--mode hv --set dwSurroundMode=0 --set dwSurroundDelayMovie=20 --set dwDelayC=3 --set nTrimSL=-4",
                 {0, 1, 2, 4, 5}};
    Case passive{"urn:halvane:upmix",
                 {{"dwMode", 1}, {"bLFERedir", 1}, {"dwLFECutoff", 80}, {"nMasterGain", -3}},
                 "--mode passive --set bLFERedir=1 --set dwLFECutoff=80 --set nMasterGain=-3",
                 {0, 1, 2, 3, 4, 5}};
    RunPair(steered, passive, 2, 2);
    Case encoder{"urn:halvane:encoder", {}, "--mode encoder", {0, 1}};
    RunPair(encoder, steered, 6, 2);
}

TEST(LilvHost, HeadphonesEqualTheCommandLineAfterTheirLatency) {
    Case six{"urn:halvane:headphone", {{"nMasterGain", -2}}, "--mode headphone --set nMasterGain=-2", {0, 1}};
    Case stereo{"urn:halvane:headphone-stereo",
                {{"dwHeadphonesMode", 1}},
                "--mode headphone --set dwHeadphonesMode=1",
                {0, 1}};
    RunPair(six, stereo, 6, 2);
    for (uint32_t rate : {44100u, 48000u}) {
        Host h("urn:halvane:headphone", rate);
        ASSERT_NE(h.inst, nullptr) << rate;
        Planar x = Noise(6, 16, 3), y(2, std::vector<float>(16));
        h.Run(x, y, 0, 16);
        EXPECT_EQ(h.Latency(), 8191.0f) << "the default block of 8192 frames";
    }
}

TEST(LilvHost, RatesBlocksAndBadInput) {
    // Rates: every plugin from 8 to 384 kHz where its mode runs; never outside.
    for (const char* uri : {"urn:halvane:upmix", "urn:halvane:encoder"})
        for (double rate : {8000.0, 22050.0, 96000.0, 384000.0}) EXPECT_NE(Host(uri, rate).inst, nullptr) << rate;
    for (const char* uri : {"urn:halvane:upmix", "urn:halvane:headphone"})
        for (double rate : {7999.0, 400000.0, 0.0}) EXPECT_EQ(Host(uri, rate).inst, nullptr) << rate;
    {
        // A headphone instance at another rate either is refused or reports its block delay.
        Host h("urn:halvane:headphone", 96000);
        if (h.inst) {
            Planar x = Noise(6, 8, 3), y(2, std::vector<float>(8));
            h.Run(x, y, 0, 8);
            EXPECT_GT(h.Latency(), 0.0f);
        }
    }

    // Out-of-range and NaN controls act as the clamped values (here: the defaults' limits).
    const Planar x = Noise(2, kFrames, 4);
    const Planar ref = Render(x, "--mode hv --set dwCentreWeight=100 --set nMasterGain=6 --set dwSurroundDelayMovie=10");
    Host wild("urn:halvane:upmix", kRate, {{"dwCentreWeight", 1e9f}, {"nMasterGain", 1e30f},
                                           {"dwSurroundDelayMovie", -50}, {"dwMode", NAN}, {"output_gain", NAN}});
    Planar y(6, std::vector<float>(kFrames));
    wild.Run(x, y, 0, kFrames);
    EXPECT_LE(MaxDiff(ref, y, 0, {0, 1, 2, 4, 5}), 1e-5);

    // NaN and infinite samples: the output stays finite and the stream carries on.
    Host h("urn:halvane:headphone", kRate);
    Planar bad = Noise(6, kFrames, 5);
    bad[0][100] = NAN;
    bad[2][200] = INFINITY;
    bad[4][300] = 3e38f;  // finite, but overflows the sums
    Planar hy(2, std::vector<float>(kFrames));
    for (uint32_t done = 0; done < kFrames; done += 500) h.Run(bad, hy, done, 500);
    double tailEnergy = 0;
    for (auto& ch : hy)
        for (uint32_t i = 0; i < kFrames; ++i) {
            ASSERT_TRUE(std::isfinite(ch[i])) << i;
            if (i > kFrames - 5000) tailEnergy += ch[i] * ch[i];
        }
    EXPECT_GT(tailEnergy, 1.0);

    // Ports left unconnected: no crash, and nothing is written.
    LilvInstance* raw = lilv_plugin_instantiate(TheWorld().Plugin("urn:halvane:headphone-stereo"), kRate, nullptr);
    ASSERT_NE(raw, nullptr);
    lilv_instance_activate(raw);
    lilv_instance_run(raw, 64);
    lilv_instance_deactivate(raw);
    lilv_instance_free(raw);
}

TEST(LilvHost, OutputGainAndClickFreeBypass) {
    const Planar x = Noise(6, kFrames, 6);
    const Planar ref = Render(x, "--mode headphone");
    Host h("urn:halvane:headphone", kRate, {{"output_gain", -6}});
    Planar y(2, std::vector<float>(kFrames));
    const uint32_t cut = 20000;
    h.Run(x, y, 0, cut);
    h.Set("enabled", 0);
    h.Run(x, y, cut, kFrames - cut);
    const uint32_t lat = uint32_t(h.Latency());
    const float g = std::pow(10.0f, -6.0f / 20.0f);
    double wetDiff = 0, dryDiff = 0, step = 0;
    for (uint32_t i = lat; i < cut; ++i)
        for (int c = 0; c < 2; ++c) wetDiff = std::max(wetDiff, double(std::fabs(y[c][i] - g * ref[c][i - lat])));
    // After the 10 ms crossfade the dry front pair comes out, delayed like the processed sound.
    for (uint32_t i = cut + 480; i < kFrames; ++i)
        for (int c = 0; c < 2; ++c) dryDiff = std::max(dryDiff, double(std::fabs(y[c][i] - x[c][i - lat])));
    // Halfway through the crossfade: half of each.
    const uint32_t mid = cut + 239;
    for (int c = 0; c < 2; ++c)
        step = std::max(step, double(std::fabs(y[c][mid] - 0.5f * g * ref[c][mid - lat] - 0.5f * x[c][mid - lat])));
    EXPECT_LE(wetDiff, 1e-5);
    EXPECT_EQ(dryDiff, 0.0);
    EXPECT_LT(step, 1e-4);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("LV2_PATH", HALVANE_LV2_PATH, 1);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::system(("rm -rf " + TempDir()).c_str());
    return rc;
}
