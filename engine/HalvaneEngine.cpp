// halvane::Engine: the streaming and chunk interfaces over one CHVLib.
#include "engine/HalvaneEngine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/HVLib.h"
#include "headphone/HVHeadphone.h"
#include "headphone/HVHeadphonePartitioned.h"
#include "headphone/HrirSet.h"

namespace halvane {

uint32_t ChannelMaskOf(uint32_t channels) {
    switch (channels) {
        case 1:
            return 4;
        case 2:
            return 3;
        case 5:
            return 55;
        case 6:
            return 63;
        default:
            return 0;
    }
}

bool IsSSE2Supported() {
    return CHVLib::IsSSE2Supported() != 0;
}
bool IsCUDASupported() {
    return CHVLib::IsCUDASupported() != 0;
}

HrirSet BuiltinHeadphoneResponses(uint32_t flavour) {
    return BuiltinHeadphoneSet(flavour != 0 ? 1 : 0);
}

bool IsValidHeadphoneBlock(uint32_t frames) {
    return frames >= kMinHeadphoneBlock && frames <= kMaxHeadphoneBlock && std::has_single_bit(frames);
}

namespace {
bool Supported(uint32_t channels) {
    return ChannelMaskOf(channels) != 0;
}

// Frame slots (L R C LFE SL SR) of the speakers of a 1, 2, 5 or 6-channel layout.
const int kSlots1[] = {HV_C};
const int kSlots2[] = {HV_L, HV_R};
const int kSlots5[] = {HV_L, HV_R, HV_C, HV_SL, HV_SR};
const int kSlots6[] = {HV_L, HV_R, HV_C, HV_LFE, HV_SL, HV_SR};
const int* SlotsOf(uint32_t channels) {
    switch (channels) {
        case 1:
            return kSlots1;
        case 2:
            return kSlots2;
        case 5:
            return kSlots5;
        default:
            return kSlots6;
    }
}

// Latency FIFO of six-speaker frames (L R C LFE SL SR), a ring of fixed capacity.
constexpr uint32_t kFifoFrames = (HP_BLOCK - 1) + Engine::kMaxPiece + HP_BLOCK;
// Room delays the streaming calls are prepared for without allocating.
constexpr uint32_t kPreparedDelayMs = 200;
}  // namespace

struct Engine::Stream {
    HVLIB_CONFIG settings;     // the streaming settings in force (the core points at it)
    HVLIB_CONFIG chunkConfig;  // the settings of the RunChunk call in progress
    uint32_t rate = 0;
    bool recalc = true;    // constants to recompute before the next piece
    bool clear = false;    // history to clear before the next piece
    uint32_t latency = 0;  // the delay the FIFO was primed with
    uint32_t latencyChannels = 0;

    HVFrames frames;          // the piece in the engine's frame format
    HVBuffer<float> scratch;  // one interleaved input piece
    HVBuffer<float> fifo;     // kFifoFrames x 6 floats
    uint32_t fifoRead = 0, fifoCount = 0;

    HVBuffer<float> outMono;  // RunChunk results
    HVBuffer<HVCHUNK_02> outStereo;
    HVBuffer<HVCHUNK_05> outFive;
    HVBuffer<HVCHUNK_06> outSix;

    void Prime(uint32_t frames6) {
        // The streaming buffers are made on first use: an engine driven chunk by chunk
        // (the component's) never carries them.
        if (!fifo.m_pData) {
            scratch.Resize(Engine::kMaxPiece * 6);
            fifo.Resize(kFifoFrames * 6);
        }
        std::memset(fifo.m_pData, 0, size_t(frames6) * 6 * sizeof(float));  // the delay's silence
        fifoRead = 0;
        fifoCount = frames6;
    }
    // Appends the result of one piece (layout `code`) to the FIFO; absent speakers silent.
    void Push(const HVFrames& result, uint32_t code) {
        const int* slots = SlotsOf(code);
        uint32_t w = (fifoRead + fifoCount) % kFifoFrames;
        for (uint32_t i = 0; i < result.m_dwCount; ++i) {
            float* dst = fifo.m_pData + size_t(w) * 6;
            const float* src = result.m_pData[i].f;
            std::memset(dst, 0, 6 * sizeof(float));
            for (uint32_t k = 0; k < code; ++k) dst[slots[k]] = src[slots[k]];
            if (++w == kFifoFrames) w = 0;
        }
        fifoCount += result.m_dwCount;
    }
    // Takes n frames out of the FIFO into `channels` interleaved outputs.
    void PopInterleaved(float* out, uint32_t channels, uint32_t n) {
        const int* slots = SlotsOf(channels);
        for (uint32_t i = 0; i < n; ++i) {
            const float* src = fifo.m_pData + size_t(fifoRead) * 6;
            for (uint32_t k = 0; k < channels; ++k) out[size_t(i) * channels + k] = src[slots[k]];
            if (++fifoRead == kFifoFrames) fifoRead = 0;
        }
        fifoCount -= n;
    }
    // The same into planar outputs, starting at frame `offset` of each.
    void PopPlanar(float* const* out, uint32_t offset, uint32_t channels, uint32_t n) {
        const int* slots = SlotsOf(channels);
        for (uint32_t i = 0; i < n; ++i) {
            const float* src = fifo.m_pData + size_t(fifoRead) * 6;
            for (uint32_t k = 0; k < channels; ++k) out[k][offset + i] = src[slots[k]];
            if (++fifoRead == kFifoFrames) fifoRead = 0;
        }
        fifoCount -= n;
    }
    // Brings the stream up to date with the settings and the channel count of this call.
    void Update(CHVLib& core, uint32_t latencyNow, uint32_t inChannels) {
        core.SetConfig(&settings);
        if (recalc) {
            core.CalcStaticConstants(rate);
            recalc = false;
        }
        if (clear || latencyNow != latency || inChannels != latencyChannels) {
            core.ClearHistory();
            Prime(latencyNow);
            latency = latencyNow;
            latencyChannels = inChannels;
            clear = false;
        }
    }
};

Engine::Engine(uint32_t sampleRate, const HVLIB_CONFIG& settings)
    : core_(std::make_unique<CHVLib>()), stream_(std::make_unique<Stream>()) {
    Stream& s = *stream_;
    s.settings = settings;
    s.rate = sampleRate;
    core_->SetConfig(&s.settings);
    core_->CalcStaticConstants(sampleRate);
    s.recalc = false;
}

Engine::~Engine() = default;

void Engine::SetSettings(const HVLIB_CONFIG& settings) {
    Stream& s = *stream_;
    if (settings.dwMode != s.settings.dwMode) s.clear = true;
    s.settings = settings;
    s.recalc = true;
}

const HVLIB_CONFIG& Engine::Settings() const {
    return stream_->settings;
}
uint32_t Engine::SampleRate() const {
    return stream_->rate;
}

uint32_t Engine::Latency(uint32_t inChannels) const {
    const Stream& s = *stream_;
    if (s.settings.dwMode == 3 && Supported(inChannels)) return core_->HeadphoneBlock() - 1;
    return 0;
}

bool Engine::SetHeadphoneResponses(const HrirSet& set) {
    if (!(set.rate > 0.0) || !std::isfinite(set.rate) || set.silent()) return false;
    core_->SetHeadphoneResponses(std::make_shared<const HrirSet>(set));
    stream_->clear = true;
    return true;
}

void Engine::UseBuiltinHeadphoneResponses() {
    core_->SetHeadphoneResponses(nullptr);
    stream_->clear = true;
}

bool Engine::UsesBuiltinHeadphoneResponses() const {
    return core_->Partitioned().Responses() == nullptr;
}

bool Engine::SetHeadphoneBlock(uint32_t frames) {
    if (!IsValidHeadphoneBlock(frames)) return false;
    if (frames != core_->HeadphoneBlock()) {
        core_->SetHeadphoneBlock(frames);
        stream_->clear = true;
    }
    return true;
}

uint32_t Engine::HeadphoneBlock() const {
    return core_->HeadphoneBlock();
}

void Engine::Prepare(uint32_t maxFrames, uint32_t inChannels) {
    (void)maxFrames;  // pieces never exceed kMaxPiece frames
    if (!Supported(inChannels)) return;
    Stream& s = *stream_;
    s.Prime(0);  // the streaming buffers
    // Room delay lines long enough for the prepared delays, kept empty.
    const uint32_t longest = uint32_t(uint64_t(s.rate) * kPreparedDelayMs / 1000) + 1;
    for (auto& line : core_->State().m_delay)
        if (line.m_dwCapacity < longest) {
            line.Resize(longest, true);
            line.m_dwCount = 0;
        }
    // Every mode once with silence, so each stage has made its buffers, plans and tables.
    const HVLIB_CONFIG keep = s.settings;
    std::memset(s.scratch.m_pData, 0, size_t(kMaxPiece) * inChannels * sizeof(float));
    for (uint32_t mode = 1; mode <= 4; ++mode) {
        s.settings = keep;
        s.settings.dwMode = mode;
        s.settings.bLFERedir = 1;
        core_->CalcStaticConstants(s.rate);
        for (uint32_t done = 0; done < HP_BLOCK + kMaxPiece; done += kMaxPiece) {
            core_->ConvertFloatToInternal(inChannels, s.scratch.m_pData, kMaxPiece, s.frames);
            core_->ProcessChunk(inChannels, s.frames);
        }
    }
    s.settings = keep;
    s.recalc = true;
    Flush();
}

void Engine::Flush() {
    Stream& s = *stream_;
    s.clear = true;
    s.latencyChannels = 0;  // re-primed by the next call
}

void Engine::Process(const float* const* in, uint32_t inChannels, float* const* out, uint32_t outChannels,
                     uint32_t frames) {
    Stream& s = *stream_;
    if (!Supported(inChannels)) {
        // A layout the engine cannot process passes through channel by channel.
        for (uint32_t k = 0; k < outChannels; ++k) {
            if (k < inChannels) {
                if (out[k] != in[k]) std::memmove(out[k], in[k], size_t(frames) * sizeof(float));
            } else {
                std::memset(out[k], 0, size_t(frames) * sizeof(float));
            }
        }
        return;
    }
    s.Update(*core_, Latency(inChannels), inChannels);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kMaxPiece, frames - done);
        float* x = s.scratch.m_pData;
        for (uint32_t i = 0; i < n; ++i)
            for (uint32_t k = 0; k < inChannels; ++k) x[i * inChannels + k] = in[k][done + i];
        core_->ConvertFloatToInternal(inChannels, x, n, s.frames);
        s.Push(s.frames, core_->ProcessChunk(inChannels, s.frames));
        s.PopPlanar(out, done, outChannels, n);
        done += n;
    }
}

void Engine::ProcessInterleaved(const float* in, uint32_t inChannels, float* out, uint32_t outChannels,
                                uint32_t frames) {
    Stream& s = *stream_;
    if (!Supported(inChannels)) {
        for (uint32_t i = 0; i < frames; ++i)
            for (uint32_t k = 0; k < outChannels; ++k)
                out[size_t(i) * outChannels + k] = k < inChannels ? in[size_t(i) * inChannels + k] : 0.0f;
        return;
    }
    s.Update(*core_, Latency(inChannels), inChannels);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kMaxPiece, frames - done);
        core_->ConvertFloatToInternal(inChannels, in + size_t(done) * inChannels, n, s.frames);
        s.Push(s.frames, core_->ProcessChunk(inChannels, s.frames));
        s.PopInterleaved(out + size_t(done) * outChannels, outChannels, n);
        done += n;
    }
}

ChunkOutput Engine::RunChunk(const HVLIB_CONFIG& settings, uint32_t sampleRate, const float* interleaved,
                             uint32_t channels, uint32_t frames, ChunkRequests requests) {
    Stream& s = *stream_;
    CHVLib& core = *core_;
    s.chunkConfig = settings;
    core.SetConfig(&s.chunkConfig);
    if (requests.reset) core.Reset();
    if (requests.recalc || sampleRate != core.State().m_dwSRate) core.CalcStaticConstants(sampleRate);
    core.ConvertFloatToInternal(channels, interleaved, frames, s.frames);
    const uint32_t code = core.ProcessChunk(channels, s.frames);

    ChunkOutput r;
    r.processed = true;
    CHVFn& k = core.Kernels();
    switch (code) {
        case 1:
            k.OutputFloatMono(s.frames, s.outMono);
            r.data = s.outMono.m_pData;
            r.frames = s.outMono.m_dwCount;
            break;
        case 2:
            k.OutputFloatStereo(s.frames, s.outStereo);
            r.data = reinterpret_cast<const float*>(s.outStereo.m_pData);
            r.frames = s.outStereo.m_dwCount;
            break;
        case 5:
            k.OutputFloatFive(s.frames, s.outFive);
            r.data = reinterpret_cast<const float*>(s.outFive.m_pData);
            r.frames = s.outFive.m_dwCount;
            break;
        case 6:
            k.OutputFloatSix(s.frames, s.outSix);
            r.data = reinterpret_cast<const float*>(s.outSix.m_pData);
            r.frames = s.outSix.m_dwCount;
            break;
        default:  // unsupported layout: the input is to be passed on as it came
            r.processed = false;
            r.data = interleaved;
            r.frames = frames;
            break;
    }
    r.channels = code;
    r.mask = ChannelMaskOf(code);
    // The stream settings stay published for the streaming calls.
    core.SetConfig(&s.settings);
    return r;
}

uint32_t Engine::LastSampleRate() const {
    return core_->GetSRate();
}

CHVLib& Engine::Core() {
    return *core_;
}

}  // namespace halvane
