// Module side of the client object: foobar2000_client_impl answers the host from the
// module's factory list and configuration variables. A module defines one static
// foobar2000_client_impl and returns it from its exported foobar2000_get_interface.
#pragma once

#include "sdk/foobar2000_client.h"
#include "sdk/pfc_string.h"

// Module globals set by the host (main thread, before any service is used).
extern foobar2000_api* g_foobar2000_api;
extern fb2k_module_handle g_hIns;
extern pfc::string8 g_name;       // module file name, from set_library_path
extern pfc::string8 g_full_path;  // module full path, from set_library_path

// True once the host has reported its services available (services_init(true)).
bool core_api_are_services_available();
// True once services have been available at least once.
bool core_api_is_initialized();

class foobar2000_client_impl : public foobar2000_client {
public:
    uint32_t get_version() override { return FOOBAR2000_CLIENT_VERSION; }
    service_factory_base* get_service_list() override;
    void get_config(stream_writer* p_stream, abort_callback& p_abort) override;
    void set_config(stream_reader* p_stream, abort_callback& p_abort) override;
    void set_library_path(const char* p_path, const char* p_name) override;
    void services_init(bool p_val) override;
    bool is_debug() override { return false; }
};
