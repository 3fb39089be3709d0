// The whole component interface in one include.
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
