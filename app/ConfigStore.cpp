#include "app/ConfigStore.h"

#include "app/AppError.h"
#include "app/AtomicFile.h"
#include "app/Crc32.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kMagic[8] = {'H', 'V', 'H', 'O', 'S', 'T', 'C', 'F'};
constexpr size_t kHeaderBytes = 16;

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool MakeDirectories(const std::string& dir) {
    if (dir.empty()) return false;
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/') continue;
        std::string prefix = dir.substr(0, pos);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    struct stat st{};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/halvane";
    const char* home = std::getenv("HOME");
    std::string homeDir = home && home[0] ? home : "";
    if (homeDir.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) homeDir = pw->pw_dir;
    }
    if (homeDir.empty()) return {};
    return homeDir + "/.config/halvane";
}

std::vector<uint8_t> PackConfigFile(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> file(kMagic, kMagic + sizeof(kMagic));
    Put32(file, uint32_t(payload.size()));
    Put32(file, Crc32(payload.data(), payload.size()));
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

std::optional<std::vector<uint8_t>> UnpackConfigFile(const std::vector<uint8_t>& file,
                                                     std::string& problem) {
    if (file.size() < kHeaderBytes || std::memcmp(file.data(), kMagic, sizeof(kMagic)) != 0) {
        problem = "not a halvane configuration file";
        return std::nullopt;
    }
    uint32_t size = Get32(file.data() + 8);
    uint32_t crc = Get32(file.data() + 12);
    if (file.size() - kHeaderBytes != size) {
        problem = "size does not match its header";
        return std::nullopt;
    }
    std::vector<uint8_t> payload(file.begin() + kHeaderBytes, file.end());
    if (Crc32(payload.data(), payload.size()) != crc) {
        problem = "checksum mismatch";
        return std::nullopt;
    }
    return payload;
}

ConfigStore::ConfigStore(const std::string& moduleStem) {
    std::string dir = ConfigDirectory();
    if (!dir.empty()) path_ = dir + "/" + moduleStem + ".cfg";
}

LoadedConfig ConfigStore::Load() const {
    LoadedConfig result;
    if (path_.empty()) return result;
    struct stat st{};
    if (stat(path_.c_str(), &st) != 0 && errno == ENOENT) return result;
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        result.state = ConfigLoad::Corrupt;
        result.problem = "cannot be read";
        return result;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        result.state = ConfigLoad::Corrupt;
        result.problem = "read error";
        return result;
    }
    if (auto payload = UnpackConfigFile(bytes, result.problem)) {
        result.state = ConfigLoad::Loaded;
        result.payload = std::move(*payload);
    } else {
        result.state = ConfigLoad::Corrupt;
    }
    return result;
}

bool ConfigStore::Save(const std::vector<uint8_t>& payload, std::string& problem) const {
    if (path_.empty()) {
        problem = "no configuration directory (set XDG_CONFIG_HOME or HOME)";
        return false;
    }
    std::string dir = path_.substr(0, path_.rfind('/'));
    if (!MakeDirectories(dir)) {
        problem = "cannot create '" + dir + "': " + std::strerror(errno);
        return false;
    }
    try {
        std::vector<uint8_t> file = PackConfigFile(payload);
        AtomicFile out(path_);
        out.Write(file.data(), file.size());
        out.Commit();
    } catch (const AppError& e) {
        problem = e.what();
        return false;
    }
    return true;
}
