// The client object: what a module hands to its host from the exported entry point
//   extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);
// The host calls it once after loading the module, then set_library_path, services_init,
// set_config (restoring what it saved), and get_service_list to find the services.
#pragma once

#include <cstdint>

#include "sdk/abort_callback.h"
#include "sdk/service_factory.h"
#include "sdk/stream.h"

// The host's own interface object, opaque to modules (may be null for simple hosts).
class foobar2000_api;
using fb2k_module_handle = void*;

class foobar2000_client {
public:
    enum { FOOBAR2000_CLIENT_VERSION = 76 };

    virtual uint32_t get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    virtual void get_config(stream_writer* p_stream, abort_callback& p_abort) = 0;
    virtual void set_config(stream_reader* p_stream, abort_callback& p_abort) = 0;
    virtual void set_library_path(const char* p_path, const char* p_name) = 0;
    virtual void services_init(bool p_val) = 0;
    virtual bool is_debug() = 0;

protected:
    foobar2000_client() = default;
    ~foobar2000_client() = default;
};

// Signature and symbol name of the exported entry point.
using foobar2000_get_interface_t = foobar2000_client* (*)(foobar2000_api* p_api, fb2k_module_handle hIns);
inline constexpr const char* kFoobar2000EntryPointName = "foobar2000_get_interface";
