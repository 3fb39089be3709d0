// The component's name, version and about text as the host shows them.
#pragma once

#include "sdk/componentversion.h"

class componentversion_myimpl : public componentversion {
public:
    // The file name the host passed to set_library_path; empty before that.
    void get_file_name(pfc::string_base& out) override;
    void get_component_name(pfc::string_base& out) override;     // "Corvell Halvane"
    void get_component_version(pfc::string_base& out) override;  // "1.02"
    void get_about_message(pfc::string_base& out) override;      // web address, LF, year and maker
};
