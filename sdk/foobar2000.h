// The whole component interface in one include.
//
// Hosting a module (what a player, or our command-line host, does):
//   void* h = dlopen(path, RTLD_NOW | RTLD_LOCAL);
//   auto entry = (foobar2000_get_interface_t)dlsym(h, kFoobar2000EntryPointName);
//   foobar2000_client* client = entry(nullptr, h);          // null: the module is unusable
//   client->set_library_path(path, name); client->services_init(true);
//   client->set_config(&saved_reader, abort);                // restore the module's settings
//   service_ptr_t<dsp_entry_v2> e; find_dsp_entry(client->get_service_list(), guid, e);
//   service_ptr_t<dsp> d; e->instantiate(d, preset); d->service_query_t(v2); v2->run_v2(...);
//   service_enum_t<play_callback_static> for playback events (only those in get_flags());
//   client->get_config(&writer, abort) at exit to save the settings.
// Release every service_ptr_t before dlclose.
#pragma once

#include "sdk/abort_callback.h"
#include "sdk/audio_chunk.h"
#include "sdk/cfg_var.h"
#include "sdk/componentversion.h"
#include "sdk/dsp.h"
#include "sdk/dsp_chunk_list.h"
#include "sdk/dsp_entry.h"
#include "sdk/dsp_preset.h"
#include "sdk/foobar2000_client.h"
#include "sdk/guid.h"
#include "sdk/pfc_string.h"
#include "sdk/play_callback.h"
#include "sdk/service.h"
#include "sdk/service_enum.h"
#include "sdk/service_factory.h"
#include "sdk/stream.h"
