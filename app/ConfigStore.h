// The host's own configuration file: where a loaded module's configuration stream
// (its get_config output) is kept between runs.
//
// Location: $XDG_CONFIG_HOME/halvane/<module>.cfg, or ~/.config/halvane/<module>.cfg when
// XDG_CONFIG_HOME is unset, empty or not absolute (<module> is the module's file name without
// ".so"). File layout, little-endian: the 8 bytes "HVHOSTCF", the payload size (u32), the
// CRC-32 of the payload (u32), then the payload, the stream exactly as the module wrote it.
// A file that is shorter, longer, has another magic or a wrong checksum is corrupt.
//
// A corrupt file is reported once as a warning, the module keeps its defaults, and the file is
// left as it is: it is replaced only when the module's configuration at exit differs from the
// one it had after loading (a real, good configuration to keep). Saving writes a temporary
// file and renames it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The directory holding the host's configuration ($XDG_CONFIG_HOME/halvane or
// ~/.config/halvane); empty when neither a usable XDG_CONFIG_HOME nor a home directory exists.
std::string ConfigDirectory();

enum class ConfigLoad { Absent, Loaded, Corrupt };

struct LoadedConfig {
    ConfigLoad state = ConfigLoad::Absent;
    std::vector<uint8_t> payload;  // the stream, when Loaded
    std::string problem;           // why the file is corrupt or unreadable
};

// Packs / unpacks the file layout above. Unpack returns nullopt and fills `problem` when the
// bytes are not a well-formed file.
std::vector<uint8_t> PackConfigFile(const std::vector<uint8_t>& payload);
std::optional<std::vector<uint8_t>> UnpackConfigFile(const std::vector<uint8_t>& file,
                                                     std::string& problem);

class ConfigStore {
public:
    // `moduleStem` names the file (e.g. "foo_dsp_halvane").
    explicit ConfigStore(const std::string& moduleStem);

    const std::string& Path() const { return path_; }
    // Reads the file (Absent when it does not exist).
    LoadedConfig Load() const;
    // Creates the directory if needed and writes the file atomically. Returns false and fills
    // `problem` when it cannot.
    bool Save(const std::vector<uint8_t>& payload, std::string& problem) const;

private:
    std::string path_;
};
