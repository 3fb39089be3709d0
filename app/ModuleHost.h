// Loads a component module and hosts it the way the player does.
//
// Start-up, in order: dlopen the module, look up the exported foobar2000_get_interface, call
// it, check the client's interface version, set_library_path(full path, file name),
// services_init(true), restore the module's configuration with set_config from the host's
// configuration file (ConfigStore), then collect the playback listeners from the factory
// list. Every failure up to the client object throws Failure (exit status 1) with a message
// naming the module.
//
// Shut-down (Close(), or the destructor): the configuration is saved back through get_config
// (see ConfigStore for when a corrupt file is left alone), every service reference the host
// holds is released, and the module is unloaded. Anything obtained from the module must be
// released before Close() (declare the ModuleHost first, so it is destroyed last).
//
// The host reaches the DSP only through these services: nothing here knows a component class.
#pragma once

#include "app/ConfigStore.h"
#include "app/PlaybackEvents.h"
#include "sdk/dsp_entry.h"
#include "sdk/foobar2000_client.h"

#include <memory>
#include <string>
#include <vector>

// The module built beside this executable: <exe dir>/../host/foo_dsp_halvane.so.
std::string DefaultModulePath();

class ModuleHost {
public:
    explicit ModuleHost(const std::string& path);
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& FileName() const { return file_name_; }
    foobar2000_client& Client() { return *client_; }
    service_factory_base* Services() { return client_->get_service_list(); }
    PlaybackEvents& Playback() { return *playback_; }
    const ConfigStore& Config() const { return config_; }

    // The DSP entry registered under `dspGuid`; throws Failure when the module has none.
    service_ptr_t<dsp_entry_v2> FindDspEntry(const GUID& dspGuid);

    // Saves the configuration and unloads the module; later calls do nothing.
    void Close();
    // Saves the configuration now (a process about to end without unwinding keeps it).
    void SaveConfig();

private:
    void RestoreConfig();
    std::vector<uint8_t> CurrentConfig();

    std::string path_;
    std::string file_name_;
    void* handle_ = nullptr;
    foobar2000_client* client_ = nullptr;
    std::unique_ptr<PlaybackEvents> playback_;
    ConfigStore config_;
    ConfigLoad config_state_ = ConfigLoad::Absent;
    std::vector<uint8_t> config_at_start_;  // get_config right after the restore
};
