// componentversion: the name, version and about text a module shows in its host.
#pragma once

#include "sdk/pfc_string.h"
#include "sdk/service.h"

class componentversion : public service_base {
    HV_SERVICE_INTERFACE(componentversion, service_base, componentversion,
                         (GUID{0xc6dcc9c3, 0x5c7c, 0x4e76, {0x80, 0x47, 0x7c, 0x07, 0xc5, 0x91, 0x38, 0x86}}))

    virtual void get_file_name(pfc::string_base& out) = 0;
    virtual void get_component_name(pfc::string_base& out) = 0;
    virtual void get_component_version(pfc::string_base& out) = 0;
    virtual void get_about_message(pfc::string_base& out) = 0;
};
