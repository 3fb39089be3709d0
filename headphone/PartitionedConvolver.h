// Non-uniformly partitioned FFT convolution: N input channels, two ears, one response of any
// length per (input, ear) pair.
//
// Partitioning. The response is cut into consecutive partitions. The first ones are
// `firstBlock` (B) frames long; later ones are B * 2^k frames long, at most kMaxPartition
// (8192), so a long response costs close to what one 8192-frame block convolution costs
// while the delay stays that of the first partition. Each partition size is a uniformly
// partitioned overlap-save stage (transform length 2P, a frequency-domain delay line of the
// input spectra); the products of all inputs and all partitions of a stage are summed per
// ear in the frequency domain, so a stage runs one forward transform per input and one
// inverse transform per ear each time P new frames are in. A stage of size P may start at
// response offset `o` only when o >= P - B: its output for the block that ends at frame t is
// needed from frame t + 1 - B + o on. The sizes and counts are chosen at prepare() by a small
// search over an operation-count model (see partitions()).
//
// Latency. process() returns as many frames as it is given; output frame t is
//     y[t] = sum over inputs c of (x_c * h_{c,ear})[t - (B - 1)],
// i.e. exactly latencyFrames() = B - 1 frames of delay, for every chunking. This is the
// worst case of the 8192-frame block engine (HVHeadphone.h), which hands back each block of
// 8192 frames only once its last input frame is in: the frame that starts a block waits 8191
// frames there, the one that ends it none. At B = 8192 the output here is the block
// engine's output stream shifted to a constant 8191 frames. Frames before the first input
// come out as silence.
//
// Scaling. None: an impulse of 1.0 on input c gives h_{c,ear} itself (float rounding). The
// transforms are kissfft's single precision; the inverse's factor 1/(2P) is folded into the
// stored response spectra.
//
// Cost. All the work of a stage happens in the call that completes its block, so a call that
// completes an 8192-frame stage block does that stage's transforms at once (no background
// thread); averaged over time the cost is that of the model above.
//
// Allocation. prepare() allocates everything; reset() and process() never allocate.
// Threads: one object per stream; prepare/reset/process from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// One stage of the partitioning: `count` partitions of `size` frames covering the response
// frames [offset, offset + size * count).
struct ConvolverPartition {
    uint32_t size;
    uint32_t count;
    uint64_t offset;
};

class PartitionedConvolver {
  public:
    static constexpr uint32_t kMinFirstBlock = 64;
    static constexpr uint32_t kMaxFirstBlock = 8192;
    static constexpr uint32_t kMaxPartition = 8192;

    PartitionedConvolver();
    ~PartitionedConvolver();
    PartitionedConvolver(PartitionedConvolver&&) noexcept;
    PartitionedConvolver& operator=(PartitionedConvolver&&) noexcept;
    PartitionedConvolver(const PartitionedConvolver&) = delete;
    PartitionedConvolver& operator=(const PartitionedConvolver&) = delete;

    // Chooses the partitioning, transforms the responses and allocates all state; the state
    // starts silent. `responses` holds 2 * inputs spans, input-major: responses[c * 2 + ear]
    // (ear 0 left, 1 right); spans may differ in length and be empty (that pair is silent).
    // Throws std::invalid_argument when firstBlock is not a power of two in
    // [kMinFirstBlock, kMaxFirstBlock], inputs is 0 or the span count is not 2 * inputs.
    void prepare(uint32_t firstBlock, uint32_t inputs, std::span<const std::span<const float>> responses);

    // Clears the input history and the pending output (silence, as after prepare()).
    void reset();

    // Convolves `frames` frames. Input channel c, frame i is in[c][i * inStride]; the ears
    // go to outLeft[i * outStride] and outRight[i * outStride]. Any frame count, 0 included.
    // The outputs may alias the inputs frame for frame (an interleaved chunk converted in
    // place): every input frame of a stretch is read before an output frame of it is
    // written. Must not be called before prepare().
    void process(const float* const* in, size_t inStride, float* outLeft, float* outRight, size_t outStride,
                 uint32_t frames);

    uint32_t latencyFrames() const { return firstBlock_ - 1; }
    uint32_t firstBlock() const { return firstBlock_; }
    uint32_t inputs() const { return inputs_; }
    // Longest response given to prepare(), in frames.
    size_t responseLength() const { return length_; }
    // The stages in response order; their partitions cover at least responseLength() frames.
    const std::vector<ConvolverPartition>& partitions() const { return partitions_; }

    // The partitioning prepare() uses for these parameters: stages whose sizes grow by powers
    // of two from firstBlock, minimising per frame 5 log2(2P) (inputs + 2) operations for the
    // transforms of each stage plus 16 inputs per partition for the spectral products.
    static std::vector<ConvolverPartition> choosePartitions(uint32_t firstBlock, uint32_t inputs,
                                                            size_t length);

  private:
    struct Stage;

    void runStage(Stage& st, uint64_t lastFrame);

    uint32_t firstBlock_ = 0;
    uint32_t inputs_ = 0;
    size_t length_ = 0;
    std::vector<ConvolverPartition> partitions_;
    std::vector<Stage> stages_;

    // Input history per channel, a ring of historyMask_ + 1 frames (twice the largest stage).
    std::vector<std::vector<float>> history_;
    uint64_t historyMask_ = 0;
    // Pending output per ear, a ring of outputMask_ + 1 frames indexed by output time;
    // stages add into it ahead of time, process() reads and clears it.
    std::vector<float> output_[2];
    uint64_t outputMask_ = 0;
    uint64_t frame_ = 0;  // input frames taken since prepare()/reset()

    // Transform scratch: 2 * largest stage floats, largest stage + 1 complex bins.
    std::vector<float> timeScratch_;
    std::vector<float> specScratch_;  // interleaved (re, im)
};
