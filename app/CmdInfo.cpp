// halvane info: what the loaded component says about itself.
#include "app/AppError.h"
#include "app/Commands.h"
#include "app/GuidText.h"
#include "app/HostOptions.h"
#include "host/halvane_headphone_options.h"
#include "host/halvane_status.h"
#include "sdk/componentversion.h"
#include "sdk/play_callback.h"
#include "sdk/service_enum.h"

#include <cstdio>
#include <string>

namespace {

const char* InterfaceName(const GUID& g) {
    if (g == dsp_entry::class_guid) return "dsp_entry";
    if (g == componentversion::class_guid) return "componentversion";
    if (g == play_callback_static::class_guid) return "play_callback_static";
    if (g == halvane_status::class_guid) return "halvane_status";
    if (g == halvane_headphone_options::class_guid) return "halvane_headphone_options";
    return nullptr;
}

void PrintIndented(const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::printf("  %s\n", text.substr(start, end - start).c_str());
        start = end + 1;
    }
}

// What each service adds to its line in the list.
std::string ServiceDetail(const GUID& iface, service_ptr_t<service_base>& instance) {
    if (iface == dsp_entry::class_guid) {
        service_ptr_t<dsp_entry> entry;
        if (!instance->service_query_t(entry)) return {};
        pfc::string8 name;
        entry->get_name(name);
        return std::string(" \"") + name.get_ptr() + "\" " + FormatGuid(entry->get_guid()) +
               (entry->have_config_popup() ? ", configuration popup" : "");
    }
    if (iface == play_callback_static::class_guid) {
        service_ptr_t<play_callback_static> cb;
        if (!instance->service_query_t(cb)) return {};
        char flags[32];
        std::snprintf(flags, sizeof(flags), " (flags 0x%X)", cb->get_flags());
        return flags;
    }
    return {};
}

}  // namespace

int RunInfo(CommandArgs args) {
    const OptionSpec specs[] = {kComponentOption};
    ParsedArgs parsed = ParseArgs(args, specs);
    RequirePositional(parsed, 0, "halvane info [--component PATH]");
    ModuleHost module(ModulePathOption(parsed));

    std::printf("component: %s\n", module.Path().c_str());
    std::printf("client interface version: %u\n", unsigned(module.Client().get_version()));
    service_ptr_t<componentversion> version;
    if (find_service(module.Services(), version)) {
        pfc::string8 name, ver, file, about;
        version->get_component_name(name);
        version->get_component_version(ver);
        version->get_file_name(file);
        version->get_about_message(about);
        std::printf("name: %s\nversion: %s\nfile name: %s\nabout:\n", name.get_ptr(), ver.get_ptr(),
                    file.get_ptr());
        PrintIndented(about.get_ptr());
        version.release();
    } else {
        std::printf("name: (the component registers no version information)\n");
    }

    std::printf("services:\n");
    for (service_factory_base* f = module.Services(); f; f = f->get_next()) {
        const GUID iface = f->get_class_guid();
        const char* known = InterfaceName(iface);
        service_ptr_t<service_base> instance;
        f->instance_create(instance);
        std::string detail = instance.is_valid() ? ServiceDetail(iface, instance) : std::string();
        std::printf("  %s%s\n", known ? known : FormatGuid(iface).c_str(), detail.c_str());
    }

    service_ptr_t<halvane_status> status;
    if (find_service(module.Services(), status)) {
        std::printf("SSE2 support: %s\n", status->IsSSE2Supported() ? "yes" : "no");
        std::printf("GPU support: %s\n", status->IsCUDASupported() ? "yes" : "no");
        status.release();
    } else {
        std::printf("capabilities: unknown (the component registers no status service)\n");
    }
    return kExitOk;
}
