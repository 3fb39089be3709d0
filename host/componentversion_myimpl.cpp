#include "host/componentversion_myimpl.h"

#include "host/halvane_version.h"
#include "sdk/component_client.h"

void componentversion_myimpl::get_file_name(pfc::string_base& out) { out.set_string(g_name.get_ptr()); }
void componentversion_myimpl::get_component_name(pfc::string_base& out) { out.set_string(HALVANE_TITLE_A); }
void componentversion_myimpl::get_component_version(pfc::string_base& out) { out.set_string(HALVANE_VERSION_A); }
void componentversion_myimpl::get_about_message(pfc::string_base& out) { out.set_string(HALVANE_ABOUT_A); }
