#include "sdk/component_client.h"

#include <atomic>
#include <new>

#include "sdk/cfg_var.h"

foobar2000_api* g_foobar2000_api = nullptr;
fb2k_module_handle g_hIns = nullptr;
pfc::string8 g_name;
pfc::string8 g_full_path;

namespace {
std::atomic<bool> g_services_available{false};
std::atomic<bool> g_initialized{false};
}  // namespace

bool core_api_are_services_available() { return g_services_available.load(); }

service_factory_base* foobar2000_client_impl::get_service_list() { return service_factory_base::__internal__list; }

void foobar2000_client_impl::get_config(stream_writer* p_stream, abort_callback& p_abort) {
    cfg_var::config_write_file(p_stream, p_abort);
}

void foobar2000_client_impl::set_config(stream_reader* p_stream, abort_callback& p_abort) {
    try {
        cfg_var::config_read_file(p_stream, p_abort);
    } catch (const std::bad_alloc&) {
        // A record too large to hold: stop reading; what was read so far stays.
    }
}

void foobar2000_client_impl::set_library_path(const char* p_path, const char* p_name) {
    g_full_path.set_string(p_path);
    g_name.set_string(p_name);
}

void foobar2000_client_impl::services_init(bool p_val) {
    g_services_available.store(p_val);
    if (p_val) g_initialized.store(true);
}

bool core_api_is_initialized() { return g_initialized.load(); }
