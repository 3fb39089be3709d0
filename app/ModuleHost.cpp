#include "app/ModuleHost.h"

#include "app/AppError.h"
#include "sdk/service_enum.h"

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "foo_dsp_halvane.so" -> "foo_dsp_halvane": the name of the module's configuration file.
std::string Stem(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string AbsolutePath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
    return path;
}

}  // namespace

std::string DefaultModulePath() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0) return "foo_dsp_halvane.so";
    std::string dir(exe, size_t(n));
    dir.resize(dir.rfind('/'));
    return dir + "/../host/foo_dsp_halvane.so";
}

ModuleHost::ModuleHost(const std::string& path)
    : path_(AbsolutePath(path)), file_name_(BaseName(path_)), config_(Stem(file_name_)) {
    if (access(path_.c_str(), F_OK) != 0)
        throw Failure("cannot load component '" + path + "': no such file");
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        throw Failure("cannot load component '" + path + "': " + (why ? why : "unknown error"));
    }
    auto entry = reinterpret_cast<foobar2000_get_interface_t>(dlsym(handle_, kFoobar2000EntryPointName));
    if (!entry) {
        dlclose(handle_);
        throw Failure("component '" + path + "' has no entry point " + kFoobar2000EntryPointName);
    }
    client_ = entry(nullptr, handle_);
    if (!client_) {
        dlclose(handle_);
        throw Failure("component '" + path + "': " + kFoobar2000EntryPointName + " returned null");
    }
    if (uint32_t v = client_->get_version(); v != foobar2000_client::FOOBAR2000_CLIENT_VERSION) {
        dlclose(handle_);
        throw Failure("component '" + path + "' speaks client interface version " +
                      std::to_string(v) + ", this host speaks " +
                      std::to_string(int(foobar2000_client::FOOBAR2000_CLIENT_VERSION)));
    }
    client_->set_library_path(path_.c_str(), file_name_.c_str());
    client_->services_init(true);
    RestoreConfig();
    playback_ = std::make_unique<PlaybackEvents>(Services());
}

ModuleHost::~ModuleHost() { Close(); }

std::vector<uint8_t> ModuleHost::CurrentConfig() {
    stream_writer_buffer out;
    abort_callback_dummy noAbort;
    client_->get_config(&out, noAbort);
    return out.m_buffer;
}

void ModuleHost::RestoreConfig() {
    LoadedConfig loaded = config_.Load();
    config_state_ = loaded.state;
    if (loaded.state == ConfigLoad::Corrupt) {
        std::fprintf(stderr,
                     "halvane: warning: configuration file '%s' is corrupt (%s); using defaults, "
                     "the file is kept until a changed configuration is saved\n",
                     config_.Path().c_str(), loaded.problem.c_str());
    } else if (loaded.state == ConfigLoad::Loaded) {
        stream_reader_memblock_ref in(loaded.payload.data(), loaded.payload.size());
        abort_callback_dummy noAbort;
        client_->set_config(&in, noAbort);
    }
    config_at_start_ = CurrentConfig();
    if (loaded.state == ConfigLoad::Loaded) config_at_start_ = loaded.payload;
}

void ModuleHost::SaveConfig() {
    std::vector<uint8_t> now = CurrentConfig();
    // Nothing new to keep: the file already holds it (or, when it is corrupt, it is left for
    // the user rather than replaced by defaults).
    if (config_state_ != ConfigLoad::Absent && now == config_at_start_) return;
    std::string problem;
    if (!config_.Save(now, problem))
        std::fprintf(stderr, "halvane: warning: cannot save configuration to '%s': %s\n",
                     config_.Path().c_str(), problem.c_str());
    else
        config_state_ = ConfigLoad::Loaded, config_at_start_ = std::move(now);
}

service_ptr_t<dsp_entry_v2> ModuleHost::FindDspEntry(const GUID& dspGuid) {
    service_ptr_t<dsp_entry_v2> entry;
    if (!find_dsp_entry(Services(), dspGuid, entry))
        throw Failure("component '" + path_ + "' registers no DSP with the expected GUID");
    return entry;
}

void ModuleHost::Close() {
    if (!handle_) return;
    try {
        SaveConfig();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "halvane: warning: cannot save configuration: %s\n", e.what());
    }
    playback_.reset();
    client_ = nullptr;
    dlclose(handle_);
    handle_ = nullptr;
}
