// Writes the bundle's manifest.ttl and halvane.ttl from the plugin table, so the ports
// described to hosts are exactly the ports the code reads.
//
//   make_lv2_ttl OUTDIR BINARY_NAME
#include <cstdio>
#include <string>

#include "lv2/PluginSpecs.h"

using namespace halvane::lv2;

namespace {

const char* UnitUri(Unit u) {
    switch (u) {
        case Unit::Db: return "units:db";
        case Unit::Ms: return "units:ms";
        case Unit::Hz: return "units:hz";
        case Unit::Percent: return "units:pc";
        default: return nullptr;
    }
}

// Speaker designations in our channel order (L R C LFE SL SR), as the 5.1 group names them.
const char* const kSixDesignations[] = {"pg:left", "pg:right", "pg:center", "pg:lowFrequencyEffects",
                                        "pg:rearLeft", "pg:rearRight"};
const char* const kStereoDesignations[] = {"pg:left", "pg:right"};

void AudioPort(FILE* f, const PluginSpec& p, uint32_t index, bool input, uint32_t ch, uint32_t channels) {
    const char* sym = input ? p.inSymbols[ch] : p.outSymbols[ch];
    const char* name = input ? p.inNames[ch] : p.outNames[ch];
    std::fprintf(f, "    a lv2:AudioPort , lv2:%sPort ;\n    lv2:index %u ;\n    lv2:symbol \"%s\" ;\n"
                    "    lv2:name \"%s\" ;\n",
                 input ? "Input" : "Output", index, sym, name);
    std::fprintf(f, "    pg:group <#%s_%s> ;\n    lv2:designation %s\n",
                 p.slug, input ? "in" : "out", channels == 6 ? kSixDesignations[ch] : kStereoDesignations[ch]);
}

void SettingPortTtl(FILE* f, const SettingPort& s, uint32_t index) {
    std::fprintf(f, "    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index %u ;\n    lv2:symbol \"%s\" ;\n"
                    "    lv2:name \"%s\" ;\n    lv2:default %d ;\n    lv2:minimum %d ;\n    lv2:maximum %d ;\n",
                 index, s.symbol, s.name, s.def, s.min, s.max);
    switch (s.type) {
        case ControlType::Toggle: std::fprintf(f, "    lv2:portProperty lv2:toggled"); break;
        case ControlType::Integer: std::fprintf(f, "    lv2:portProperty lv2:integer"); break;
        case ControlType::Enumeration:
            std::fprintf(f, "    lv2:portProperty lv2:integer , lv2:enumeration ;\n    lv2:scalePoint ");
            for (int32_t v = s.min; v <= s.max; ++v)
                std::fprintf(f, "%s[ rdfs:label \"%s\" ; rdf:value %d ]", v == s.min ? "" : " , ",
                             s.labels[v - s.min], v);
            break;
    }
    if (const char* u = UnitUri(s.unit)) std::fprintf(f, " ;\n    units:unit %s", u);
    std::fprintf(f, "\n");
}

void PluginTtl(FILE* f, const PluginSpec& p) {
    const uint32_t audio = AudioPortCount(p);
    const char* inGroup = p.inChannels == 6 ? "pg:FivePointOneGroup" : "pg:StereoGroup";
    const char* outGroup = p.outChannels == 6 ? "pg:FivePointOneGroup" : "pg:StereoGroup";
    std::fprintf(f, "<#%s_in>\n    a %s , pg:InputGroup ;\n    lv2:symbol \"in\" ;\n    rdfs:label \"Input\" .\n\n",
                 p.slug, inGroup);
    std::fprintf(f, "<#%s_out>\n    a %s , pg:OutputGroup ;\n    lv2:symbol \"out\" ;\n    rdfs:label \"Output\" .\n\n",
                 p.slug, outGroup);
    std::fprintf(f, "<%s>\n    a lv2:Plugin , lv2:%s ;\n    doap:name \"%s\" ;\n"
                    "    lv2:project <#project> ;\n    lv2:optionalFeature lv2:hardRTCapable ;\n"
                    "    pg:mainInput <#%s_in> ;\n    pg:mainOutput <#%s_out> ;\n",
                 p.uri, p.mode == 4 ? "MixerPlugin" : "SpatialPlugin", p.name,
                 p.slug, p.slug);
    uint32_t index = 0;
    std::fprintf(f, "    lv2:port [\n");
    auto next = [&] { std::fprintf(f, "    ] , [\n"); };
    for (uint32_t k = 0; k < p.inChannels; ++k, ++index) {
        if (index) next();
        AudioPort(f, p, index, true, k, p.inChannels);
    }
    for (uint32_t k = 0; k < p.outChannels; ++k, ++index) {
        next();
        AudioPort(f, p, index, false, k, p.outChannels);
    }
    for (uint32_t i = 0; i < p.settingCount; ++i, ++index) {
        next();
        SettingPortTtl(f, p.settings[i], audio + i);
    }
    next();
    std::fprintf(f, "    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index %u ;\n    lv2:symbol \"output_gain\" ;\n"
                    "    lv2:name \"Output gain\" ;\n    lv2:default %g ;\n    lv2:minimum %g ;\n    lv2:maximum %g ;\n"
                    "    units:unit units:db\n",
                 OutputGainPort(p), kOutputGainDefault, kOutputGainMin, kOutputGainMax);
    next();
    std::fprintf(f, "    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index %u ;\n    lv2:symbol \"enabled\" ;\n"
                    "    lv2:name \"Enabled\" ;\n    lv2:designation lv2:enabled ;\n    lv2:default 1 ;\n"
                    "    lv2:minimum 0 ;\n    lv2:maximum 1 ;\n    lv2:portProperty lv2:toggled\n",
                 EnabledPort(p));
    if (p.headphone) {
        next();
        std::fprintf(f, "    a lv2:OutputPort , lv2:ControlPort ;\n    lv2:index %u ;\n    lv2:symbol \"latency\" ;\n"
                        "    lv2:name \"Latency\" ;\n    lv2:designation lv2:latency ;\n    lv2:minimum 0 ;\n"
                        "    lv2:maximum %d ;\n    lv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
                        "    units:unit units:frame\n",
                     LatencyPort(p), kBlockMax);
        next();
        std::fprintf(f, "    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index %u ;\n    lv2:symbol \"block\" ;\n"
                        "    lv2:name \"Block size (read at activation)\" ;\n    lv2:default %d ;\n"
                        "    lv2:minimum %d ;\n    lv2:maximum %d ;\n    lv2:portProperty lv2:integer ;\n"
                        "    units:unit units:frame\n",
                     BlockPort(p), kBlockDefault, kBlockMin, kBlockMax);
    }
    std::fprintf(f, "    ] .\n\n");
}

const char* const kPrefixes =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_lv2_ttl OUTDIR BINARY_NAME\n");
        return 2;
    }
    const std::string dir = argv[1];
    FILE* m = std::fopen((dir + "/manifest.ttl").c_str(), "w");
    FILE* f = std::fopen((dir + "/halvane.ttl").c_str(), "w");
    if (!m || !f) {
        std::fprintf(stderr, "make_lv2_ttl: cannot write into %s\n", argv[1]);
        return 1;
    }
    std::fputs(kPrefixes, m);
    for (uint32_t i = 0; i < kPluginCount; ++i)
        std::fprintf(m, "<%s>\n    a lv2:Plugin ;\n    lv2:binary <%s> ;\n    rdfs:seeAlso <halvane.ttl> .\n\n",
                     Plugin(i).uri, argv[2]);
    std::fputs(kPrefixes, f);
    std::fprintf(f, "<#project>\n    a doap:Project ;\n    doap:name \"Halvane\" ;\n"
                    "    doap:shortdesc \"Surround upmix, matrix encoding and binaural headphone rendering\" .\n\n");
    for (uint32_t i = 0; i < kPluginCount; ++i) PluginTtl(f, Plugin(i));
    const bool ok = std::fclose(m) == 0 && std::fclose(f) == 0;
    return ok ? 0 : 1;
}
