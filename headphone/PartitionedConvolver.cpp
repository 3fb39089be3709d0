// Non-uniformly partitioned overlap-save convolution (see PartitionedConvolver.h).
//
// Spectra are kept split (real parts, then imaginary parts, each padded to a multiple of
// four floats) so that the multiply-accumulate over the bins is a plain vector loop; kissfft
// works on interleaved bins, so each forward result is split once and each ear's sum is
// interleaved once before its inverse transform.
#include "headphone/PartitionedConvolver.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

struct KissFree {
    void operator()(kiss_fftr_state* p) const { kiss_fftr_free(p); }
};
using KissPlan = std::unique_ptr<kiss_fftr_state, KissFree>;

KissPlan MakePlan(uint32_t n, bool inverse) {
    KissPlan p(kiss_fftr_alloc(int(n), inverse ? 1 : 0, nullptr, nullptr));
    if (!p) throw std::bad_alloc();
    return p;
}

// Operations per input frame of a stage of `count` partitions of `size` frames: C forward
// and two inverse real transforms of 2P points per P frames (about 5 log2(2P) per frame
// each), and per partition one complex multiply-add (8 operations) per bin and pair.
double StageCost(uint32_t size, uint32_t count, uint32_t inputs) {
    return 5.0 * std::log2(2.0 * size) * double(inputs + 2) + 16.0 * double(inputs) * double(count);
}

// acc += x * h over `n` bins, split complex.
void MultiplyAccumulate(float* __restrict accRe, float* __restrict accIm, const float* __restrict xRe,
                        const float* __restrict xIm, const float* __restrict hRe, const float* __restrict hIm,
                        uint32_t n) {
    for (uint32_t k = 0; k < n; ++k) {
        const float xr = xRe[k], xi = xIm[k], hr = hRe[k], hi = hIm[k];
        accRe[k] += xr * hr - xi * hi;
        accIm[k] += xr * hi + xi * hr;
    }
}

}  // namespace

struct PartitionedConvolver::Stage {
    uint32_t size = 0;    // P: frames per partition; transforms of 2P points
    uint32_t count = 0;   // partitions, also the slots of the delay line
    uint64_t offset = 0;  // first response frame of the stage
    uint32_t stride = 0;  // floats per split half of one spectrum (P + 1 rounded up to 4)
    KissPlan forward, inverse;
    // Delay line of input spectra, [input][slot] halves of `stride`; slot `newest` holds the
    // block that ended last, slot newest - j (mod count) the one j blocks before.
    std::vector<float> lineRe, lineIm;
    uint32_t newest = 0;
    // Response spectra scaled by 1/(2P), [input][ear][partition] halves of `stride`.
    std::vector<float> respRe, respIm;
    // Partitions per (input, ear) that hold response frames; the others are skipped.
    std::vector<uint32_t> used;
    std::vector<float> accRe, accIm;  // one ear's sum
};

PartitionedConvolver::PartitionedConvolver() = default;
PartitionedConvolver::~PartitionedConvolver() = default;
PartitionedConvolver::PartitionedConvolver(PartitionedConvolver&&) noexcept = default;
PartitionedConvolver& PartitionedConvolver::operator=(PartitionedConvolver&&) noexcept = default;

static void CheckFirstBlock(uint32_t firstBlock) {
    if (firstBlock < PartitionedConvolver::kMinFirstBlock ||
        firstBlock > PartitionedConvolver::kMaxFirstBlock || !std::has_single_bit(firstBlock))
        throw std::invalid_argument("partition size " + std::to_string(firstBlock) +
                                    " is not a power of two from 64 to 8192");
}

std::vector<ConvolverPartition> PartitionedConvolver::choosePartitions(uint32_t firstBlock, uint32_t inputs,
                                                                       size_t length) {
    CheckFirstBlock(firstBlock);
    const uint64_t total = std::max<size_t>(length, 1);
    std::vector<uint32_t> sizes;
    for (uint32_t p = firstBlock; p <= kMaxPartition; p *= 2) sizes.push_back(p);
    const uint32_t last = uint32_t(sizes.size() - 1);

    // best(off, s): cheapest cover of the response from frame off on whose next stage has
    // size sizes[s] (allowed because off >= sizes[s] - firstBlock). Offsets are multiples of
    // firstBlock. A stage smaller than the largest takes at most kMaxCount partitions unless
    // it finishes the response; the largest one always finishes it.
    constexpr uint32_t kMaxCount = 16;
    struct Choice {
        double cost = -1.0;
        uint32_t count = 0;
        uint32_t next = 0;  // index of the following stage's size; sizes.size() when done
    };
    const uint64_t units = (total + firstBlock - 1) / firstBlock;
    std::vector<Choice> memo(units * sizes.size());
    std::function<double(uint64_t, uint32_t)> best = [&](uint64_t off, uint32_t s) -> double {
        Choice& c = memo[(off / firstBlock) * sizes.size() + s];
        if (c.cost >= 0.0) return c.cost;
        const uint64_t size = sizes[s];
        const uint32_t finish = uint32_t((total - off + size - 1) / size);
        for (uint32_t n = s == last ? finish : 1; n <= finish; ++n) {
            if (n > kMaxCount && n != finish) n = finish;
            const double own = StageCost(uint32_t(size), n, inputs);
            const uint64_t end = off + n * size;
            if (end >= total) {
                if (c.cost < 0.0 || own < c.cost) c = {own, n, uint32_t(sizes.size())};
                continue;
            }
            for (uint32_t t = s + 1; t <= last && end + firstBlock >= sizes[t]; ++t) {
                const double cost = own + best(end, t);
                if (c.cost < 0.0 || cost < c.cost) c = {cost, n, t};
            }
        }
        return c.cost;
    };
    best(0, 0);

    std::vector<ConvolverPartition> out;
    uint64_t off = 0;
    for (uint32_t s = 0; s < sizes.size();) {
        const Choice& c = memo[(off / firstBlock) * sizes.size() + s];
        out.push_back({sizes[s], c.count, off});
        off += uint64_t(c.count) * sizes[s];
        s = c.next;
    }
    return out;
}

void PartitionedConvolver::prepare(uint32_t firstBlock, uint32_t inputs,
                                   std::span<const std::span<const float>> responses) {
    CheckFirstBlock(firstBlock);
    if (inputs == 0) throw std::invalid_argument("a convolver needs at least one input");
    if (responses.size() != size_t(inputs) * 2)
        throw std::invalid_argument(std::to_string(responses.size()) + " responses for " +
                                    std::to_string(inputs) + " inputs (two ears each)");

    firstBlock_ = firstBlock;
    inputs_ = inputs;
    length_ = 0;
    for (const auto& r : responses) length_ = std::max(length_, r.size());
    partitions_ = choosePartitions(firstBlock, inputs, length_);

    uint32_t largest = 0;
    uint64_t furthest = 0;
    for (const auto& p : partitions_) {
        largest = std::max(largest, p.size);
        furthest = std::max(furthest, p.offset);
    }
    timeScratch_.assign(size_t(largest) * 2, 0.0f);
    specScratch_.assign((size_t(largest) + 1) * 2, 0.0f);

    stages_.clear();
    stages_.resize(partitions_.size());
    for (size_t i = 0; i < partitions_.size(); ++i) {
        Stage& st = stages_[i];
        const ConvolverPartition& p = partitions_[i];
        st.size = p.size;
        st.count = p.count;
        st.offset = p.offset;
        st.stride = (p.size + 1 + 3) & ~3u;
        st.forward = MakePlan(2 * p.size, false);
        st.inverse = MakePlan(2 * p.size, true);
        const size_t spec = st.stride;
        st.lineRe.assign(size_t(inputs) * p.count * spec, 0.0f);
        st.lineIm.assign(st.lineRe.size(), 0.0f);
        st.respRe.assign(size_t(inputs) * 2 * p.count * spec, 0.0f);
        st.respIm.assign(st.respRe.size(), 0.0f);
        st.used.assign(size_t(inputs) * 2, 0);
        st.accRe.assign(spec, 0.0f);
        st.accIm.assign(spec, 0.0f);

        const float scale = 1.0f / float(2 * p.size);
        const kiss_fft_cpx* bins = reinterpret_cast<const kiss_fft_cpx*>(specScratch_.data());
        for (size_t pair = 0; pair < responses.size(); ++pair) {
            const std::span<const float> h = responses[pair];
            for (uint32_t j = 0; j < p.count; ++j) {
                const uint64_t from = p.offset + uint64_t(j) * p.size;
                if (from >= h.size()) break;
                const size_t n = std::min<uint64_t>(p.size, h.size() - from);
                std::fill(timeScratch_.begin(), timeScratch_.begin() + 2 * p.size, 0.0f);
                std::copy_n(h.data() + from, n, timeScratch_.begin());
                kiss_fftr(st.forward.get(), timeScratch_.data(),
                          reinterpret_cast<kiss_fft_cpx*>(specScratch_.data()));
                float* re = st.respRe.data() + (pair * p.count + j) * spec;
                float* im = st.respIm.data() + (pair * p.count + j) * spec;
                for (uint32_t k = 0; k <= p.size; ++k) {
                    re[k] = bins[k].r * scale;
                    im[k] = bins[k].i * scale;
                }
                st.used[pair] = j + 1;
            }
        }
    }

    history_.assign(inputs, std::vector<float>(size_t(largest) * 2, 0.0f));
    historyMask_ = uint64_t(largest) * 2 - 1;
    // Live output spans from the oldest unread frame (firstBlock - 1 + stretch behind the
    // input) to furthest + 1 frames ahead of it: see process() and runStage().
    const uint64_t ring = std::bit_ceil(furthest + 2 * uint64_t(firstBlock));
    for (auto& o : output_) o.assign(ring, 0.0f);
    outputMask_ = ring - 1;
    frame_ = 0;
}

void PartitionedConvolver::reset() {
    for (auto& h : history_) std::fill(h.begin(), h.end(), 0.0f);
    for (auto& o : output_) std::fill(o.begin(), o.end(), 0.0f);
    for (auto& st : stages_) {
        std::fill(st.lineRe.begin(), st.lineRe.end(), 0.0f);
        std::fill(st.lineIm.begin(), st.lineIm.end(), 0.0f);
        st.newest = 0;
    }
    frame_ = 0;
}

// The stage's block of P input frames ends at `lastFrame`. Overlap-save: the transform input
// is the last 2P frames, of whose circular convolution with a partition (P taps, zero
// padded) the second half is the linear one for the block's P frames. Partition j meets
// the block j blocks back, so the sum is the stage's part of y for the frames
// [lastFrame + 1 - P, lastFrame + 1) shifted by the stage's response offset.
void PartitionedConvolver::runStage(Stage& st, uint64_t lastFrame) {
    const uint32_t P = st.size;
    const size_t spec = st.stride;
    const uint32_t bins = P + 1;
    float* time = timeScratch_.data();
    kiss_fft_cpx* cpx = reinterpret_cast<kiss_fft_cpx*>(specScratch_.data());

    st.newest = st.newest + 1 == st.count ? 0 : st.newest + 1;
    const uint64_t start = lastFrame + 1 - 2 * uint64_t(P);
    for (uint32_t c = 0; c < inputs_; ++c) {
        const float* h = history_[c].data();
        for (uint32_t i = 0; i < 2 * P; ++i) time[i] = h[(start + i) & historyMask_];
        kiss_fftr(st.forward.get(), time, cpx);
        float* re = st.lineRe.data() + (size_t(c) * st.count + st.newest) * spec;
        float* im = st.lineIm.data() + (size_t(c) * st.count + st.newest) * spec;
        for (uint32_t k = 0; k < bins; ++k) {
            re[k] = cpx[k].r;
            im[k] = cpx[k].i;
        }
    }

    const uint64_t first = lastFrame + 1 - P + st.offset;  // output time of the stage's first frame
    for (int ear = 0; ear < 2; ++ear) {
        float* accRe = st.accRe.data();
        float* accIm = st.accIm.data();
        std::fill_n(accRe, bins, 0.0f);
        std::fill_n(accIm, bins, 0.0f);
        bool any = false;
        for (uint32_t c = 0; c < inputs_; ++c) {
            const size_t pair = size_t(c) * 2 + ear;
            for (uint32_t j = 0; j < st.used[pair]; ++j) {
                const uint32_t slot = st.newest >= j ? st.newest - j : st.newest + st.count - j;
                const size_t x = (size_t(c) * st.count + slot) * spec;
                const size_t h = (pair * st.count + j) * spec;
                MultiplyAccumulate(accRe, accIm, st.lineRe.data() + x, st.lineIm.data() + x,
                                   st.respRe.data() + h, st.respIm.data() + h, bins);
                any = true;
            }
        }
        if (!any) continue;
        for (uint32_t k = 0; k < bins; ++k) cpx[k] = {accRe[k], accIm[k]};
        kiss_fftri(st.inverse.get(), cpx, time);
        float* out = output_[ear].data();
        for (uint32_t i = 0; i < P; ++i) out[(first + i) & outputMask_] += time[P + i];
    }
}

void PartitionedConvolver::process(const float* const* in, size_t inStride, float* outLeft, float* outRight,
                                   size_t outStride, uint32_t frames) {
    const uint32_t block = firstBlock_;
    const uint64_t delay = firstBlock_ - 1;
    float* left = output_[0].data();
    float* right = output_[1].data();
    uint32_t done = 0;
    while (done < frames) {
        // A stretch ends at the next first-block boundary: every stage block ends on one.
        const uint32_t fill = uint32_t(frame_ & (block - 1));
        const uint32_t n = std::min(frames - done, block - fill);
        for (uint32_t c = 0; c < inputs_; ++c) {
            const float* src = in[c] + size_t(done) * inStride;
            float* h = history_[c].data();
            for (uint32_t i = 0; i < n; ++i) h[(frame_ + i) & historyMask_] = src[size_t(i) * inStride];
        }
        const uint64_t first = frame_;
        frame_ += n;
        if ((frame_ & (block - 1)) == 0)
            for (Stage& st : stages_)
                if ((frame_ & (st.size - 1)) == 0) runStage(st, frame_ - 1);
        float* l = outLeft + size_t(done) * outStride;
        float* r = outRight + size_t(done) * outStride;
        for (uint32_t i = 0; i < n; ++i) {
            const uint64_t k = (first + i - delay) & outputMask_;
            l[size_t(i) * outStride] = left[k];
            r[size_t(i) * outStride] = right[k];
            left[k] = right[k] = 0.0f;
        }
        done += n;
    }
}
