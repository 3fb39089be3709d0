// dsp / dsp_v2: one DSP instance in a host's chain, and dsp_impl_base_t, the usual base of
// an implementation, which turns the host's run/run_v2 calls into per-chunk on_chunk calls.
//
// Threads: every operation of an instance runs on the host's audio thread.
#pragma once

#include "sdk/abort_callback.h"
#include "sdk/audio_chunk.h"
#include "sdk/dsp_chunk_list.h"
#include "sdk/service.h"

class dsp : public service_base {
    HV_SERVICE_INTERFACE(dsp, service_base, dsp,
                         (GUID{0xfc810a55, 0x772d, 0x4a22, {0xa1, 0x4f, 0x10, 0x7b, 0x8e, 0xf5, 0xf7, 0xf4}}))

    // run flags
    enum {
        END_OF_TRACK = 1,  // the last chunk of a track is in this list
        FLUSH = 2,         // end of playback: give out everything held
    };

    // Processes the chunks of the list in place.
    virtual void run(dsp_chunk_list* p_chunk_list, int p_flags) = 0;
    // Drops everything held (seek, stream interruption).
    virtual void flush() = 0;
    // Seconds of audio held back.
    virtual double get_latency() = 0;
    // Whether end-of-track processing is wanted.
    virtual bool need_track_change_mark() = 0;
};

class dsp_v2 : public dsp {
    HV_SERVICE_INTERFACE(dsp_v2, dsp, dsp,
                         (GUID{0xf1f8bf59, 0xedf7, 0x4458, {0xa4, 0x85, 0xa7, 0x3b, 0x45, 0x78, 0x7b, 0xb8}}))

    virtual void run_v2(dsp_chunk_list* p_chunk_list, int p_flags, abort_callback& p_abort) = 0;

    // The older form: run_v2 with a callback that never aborts.
    void run(dsp_chunk_list* p_chunk_list, int p_flags) override {
        abort_callback_dummy noabort;
        run_v2(p_chunk_list, p_flags, noabort);
    }
};

template <class t_baseclass>
class dsp_impl_base_t : public t_baseclass {
public:
    // Processes one chunk in place; false drops the chunk from the list.
    virtual bool on_chunk(audio_chunk* p_chunk, abort_callback& p_abort) = 0;
    virtual void on_endoftrack(abort_callback& p_abort) = 0;
    virtual void on_endofplayback(abort_callback& p_abort) = 0;

    // Chunks without channels, rate or frames, and chunks that on_chunk refuses, leave the
    // list. Then FLUSH runs on_endofplayback; otherwise END_OF_TRACK runs on_endoftrack when
    // the instance asked for track change marks.
    void run_v2(dsp_chunk_list* p_list, int p_flags, abort_callback& p_abort) override {
        for (size_t n = 0; n < p_list->get_count();) {
            audio_chunk* c = p_list->get_item(n);
            if (c->is_empty() || !on_chunk(c, p_abort))
                p_list->remove_by_idx(n);
            else
                ++n;
        }
        if (p_flags & dsp::FLUSH) {
            on_endofplayback(p_abort);
        } else if (p_flags & dsp::END_OF_TRACK) {
            if (this->need_track_change_mark()) on_endoftrack(p_abort);
        }
    }

protected:
    dsp_impl_base_t() = default;
    ~dsp_impl_base_t() override = default;
};

using dsp_impl_base = dsp_impl_base_t<dsp_v2>;
