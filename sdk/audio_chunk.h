// audio_chunk: one block of interleaved 32-bit float audio as the host hands it to a DSP.
//
// Samples are interleaved frames of get_channels() floats, nominal full scale +-1.0.
// The channel mask uses the speaker bits below (front left 1, front right 2, centre 4, LFE 8,
// back left 16, back right 32). A chunk is owned by the host's chunk list and used by one
// thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

using audio_sample = float;

class audio_chunk {
public:
    enum : unsigned {
        channel_front_left = 1u << 0,
        channel_front_right = 1u << 1,
        channel_front_center = 1u << 2,
        channel_lfe = 1u << 3,
        channel_back_left = 1u << 4,
        channel_back_right = 1u << 5,

        channel_config_mono = channel_front_center,
        channel_config_stereo = channel_front_left | channel_front_right,
        channel_config_5 = channel_front_left | channel_front_right | channel_front_center |
                           channel_back_left | channel_back_right,
        channel_config_5point1 = channel_config_5 | channel_lfe,
    };

    virtual audio_sample* get_data() = 0;
    virtual const audio_sample* get_data() const = 0;
    virtual size_t get_data_size() const = 0;          // storage, in samples
    virtual void set_data_size(size_t p_samples) = 0;  // may throw std::bad_alloc
    virtual unsigned get_srate() const = 0;
    virtual void set_srate(unsigned p_srate) = 0;
    virtual unsigned get_channels() const = 0;
    virtual unsigned get_channel_config() const = 0;
    virtual void set_channels(unsigned p_count, unsigned p_config) = 0;
    virtual size_t get_sample_count() const = 0;  // frames
    virtual void set_sample_count(size_t p_count) = 0;

    // Composite replace: storage for samples*channels floats, filled from p_source (or zeroed
    // when p_source is null), then frame count, channels with mask, and rate. If the storage
    // cannot be had (std::bad_alloc) nothing has changed.
    void set_data(const audio_sample* p_source, size_t p_sample_count, unsigned p_channels,
                  unsigned p_srate, unsigned p_channel_config);

    // True when the chunk carries no audio: no channels, no rate or no frames.
    bool is_empty() const { return get_channels() == 0 || get_srate() == 0 || get_sample_count() == 0; }

    // The default mask for a channel count (1 to 6 channels; 0 otherwise).
    static unsigned g_guess_channel_config(unsigned p_channels);

protected:
    audio_chunk() = default;
    ~audio_chunk() = default;
};

// Concrete chunk with its own storage.
class audio_chunk_impl final : public audio_chunk {
public:
    audio_chunk_impl() = default;
    ~audio_chunk_impl();
    audio_chunk_impl(const audio_chunk_impl&) = delete;
    audio_chunk_impl& operator=(const audio_chunk_impl&) = delete;

    audio_sample* get_data() override { return m_data; }
    const audio_sample* get_data() const override { return m_data; }
    size_t get_data_size() const override { return m_size; }
    void set_data_size(size_t p_samples) override;
    unsigned get_srate() const override { return m_srate; }
    void set_srate(unsigned p_srate) override { m_srate = p_srate; }
    unsigned get_channels() const override { return m_channels; }
    unsigned get_channel_config() const override { return m_config; }
    void set_channels(unsigned p_count, unsigned p_config) override {
        m_channels = p_count;
        m_config = p_config;
    }
    size_t get_sample_count() const override { return m_samples; }
    void set_sample_count(size_t p_count) override { m_samples = p_count; }

private:
    audio_sample* m_data = nullptr;
    size_t m_size = 0;
    unsigned m_srate = 0;
    unsigned m_channels = 0;
    unsigned m_config = 0;
    size_t m_samples = 0;
};
