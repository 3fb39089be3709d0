#include "app/RenderPipeline.h"

#include "app/AppError.h"
#include "app/ProgressBar.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

std::atomic<int> g_stopSignal{0};

// How much silence may be pushed after the end to get held-back frames out: ten seconds at the
// stream's rate plus two chunks. A DSP that still holds frames then is treated as having
// nothing more to give, and the output is completed with silence.
uint64_t PaddingLimit(uint32_t rate, uint64_t chunkFrames) { return uint64_t(rate) * 10 + 2 * chunkFrames; }

// Collects the DSP's results and forwards them to the sink, holding back (default mode) any
// frames beyond the number of input frames seen so far, so the output never runs ahead of the
// input and can be cut to the input's length at the end.
class ResultCollector {
public:
    ResultCollector(FrameSink& sink, bool raw, RenderResult& result)
        : sink_(sink), raw_(raw), result_(result) {}

    void Take(dsp_chunk_list& list, uint64_t inputFramesSoFar) {
        for (size_t i = 0; i < list.get_count(); ++i) {
            const audio_chunk* c = list.get_item(i);
            const unsigned channels = c->get_channels();
            if (channels == 0) continue;
            const uint64_t frames = c->get_sample_count();
            if (!result_.layoutKnown || channels != result_.channels ||
                c->get_channel_config() != result_.channelMask) {
                if (!held_.empty() && channels != result_.channels)
                    throw Failure("the DSP changed its channel count in the middle of the stream");
                sink_.SetLayout(channels, c->get_channel_config());
                result_.layoutKnown = true;
                result_.channels = channels;
                result_.channelMask = c->get_channel_config();
            }
            const float* data = c->get_data();
            if (raw_) {
                Emit(data, frames);
                continue;
            }
            // Straight from the chunk to the sink as far as the input allows; only a surplus
            // beyond the input seen so far is held.
            uint64_t direct = 0;
            if (held_.empty()) {
                direct = std::min(frames, inputFramesSoFar - std::min(inputFramesSoFar, result_.outputFrames));
                Emit(data, direct);
            }
            held_.insert(held_.end(), data + direct * channels, data + frames * channels);
        }
        list.remove_all();
        if (!raw_) Release(inputFramesSoFar);
    }

    // Default mode: hands the sink held frames until it has `limit` frames in total.
    void Release(uint64_t limit) {
        if (result_.channels == 0 || held_.empty()) return;
        const uint64_t heldFrames = held_.size() / result_.channels;
        const uint64_t n = std::min(heldFrames, limit - std::min(limit, result_.outputFrames));
        if (n == 0) return;
        Emit(held_.data(), n);
        held_.erase(held_.begin(), held_.begin() + ptrdiff_t(n * result_.channels));
    }

private:
    void Emit(const float* data, uint64_t frames) {
        sink_.Write(data, frames);
        result_.outputFrames += frames;
    }

    FrameSink& sink_;
    bool raw_;
    RenderResult& result_;
    std::vector<float> held_;  // frames beyond the input so far (rare)
};

void CheckStop() {
    if (const int sig = g_stopSignal.load()) throw Interrupted(sig);
}

}  // namespace

void RequestRenderStop(int sig) { g_stopSignal.store(sig); }
int RenderStopSignal() { return g_stopSignal.load(); }

RenderResult RenderThroughDsp(dsp_v2& dsp, PlaybackEvents& playback, FrameSource& source,
                              FrameSink& sink, const RenderOptions& options) {
    RenderResult result;
    const unsigned channels = source.Channels();
    const uint32_t rate = source.SampleRate();
    const uint32_t mask = source.ChannelMask();
    const uint64_t chunkFrames = std::max<uint64_t>(1, options.chunkFrames);
    ResultCollector collector(sink, options.raw, result);
    dsp_chunk_list_impl list;
    abort_callback_impl abort;
    std::vector<float> buffer(size_t(chunkFrames * channels));

    playback.Starting(play_control::track_command_play, false);
    playback.NewTrack(options.trackName.c_str());

    auto push = [&](uint64_t frames) {
        audio_chunk* chunk = list.add_item(size_t(frames * channels));
        chunk->set_data(buffer.data(), size_t(frames), channels, rate, mask);
        dsp.run_v2(&list, 0, abort);
    };

    uint64_t nextSecond = rate;
    for (;;) {
        CheckStop();
        // Read straight into the chunk the DSP will see (the list recycles its storage).
        audio_chunk* chunk = list.add_item(size_t(chunkFrames * channels));
        if (chunk->get_data_size() < size_t(chunkFrames * channels)) chunk->set_data_size(size_t(chunkFrames * channels));
        const uint64_t n = source.Read(chunk->get_data(), chunkFrames);
        CheckStop();  // a signal may have cut the read short
        if (n == 0) {
            list.remove_all();
            break;
        }
        chunk->set_sample_count(size_t(n));
        chunk->set_channels(channels, mask);
        chunk->set_srate(rate);
        result.inputFrames += n;
        dsp.run_v2(&list, 0, abort);
        collector.Take(list, result.inputFrames);
        while (result.inputFrames >= nextSecond) {
            playback.Time(double(nextSecond / rate));
            nextSecond += rate;
        }
        if (options.progress) options.progress->Update(result.inputFrames);
    }

    if (!options.raw) {
        // Push silence until the frames the DSP holds back have come out.
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        const uint64_t limit = PaddingLimit(rate, chunkFrames);
        while (result.outputFrames < result.inputFrames && result.paddingFrames < limit) {
            CheckStop();
            push(chunkFrames);
            result.paddingFrames += chunkFrames;
            collector.Take(list, result.inputFrames);
        }
        if (result.outputFrames < result.inputFrames && result.layoutKnown) {
            std::fprintf(stderr,
                         "halvane: warning: the DSP still held %llu frames after %llu frames of "
                         "silence; completed with silence\n",
                         (unsigned long long)(result.inputFrames - result.outputFrames),
                         (unsigned long long)result.paddingFrames);
            std::vector<float> silence(size_t(chunkFrames * result.channels), 0.0f);
            while (result.outputFrames < result.inputFrames) {
                uint64_t n = std::min(chunkFrames, result.inputFrames - result.outputFrames);
                sink.Write(silence.data(), n);
                result.outputFrames += n;
            }
        }
    }

    // End of playback: the DSP lets go of what it holds and asks for an engine reset.
    dsp.run_v2(&list, dsp::END_OF_TRACK | dsp::FLUSH, abort);
    collector.Take(list, result.inputFrames);
    playback.Stop(play_control::stop_reason_eof);
    if (options.progress) options.progress->Done();
    return result;
}
