#include "sdk/audio_chunk.h"

#include <cstdint>
#include <cstring>
#include <new>

void audio_chunk::set_data(const audio_sample* p_source, size_t p_sample_count, unsigned p_channels,
                           unsigned p_srate, unsigned p_channel_config) {
    if (p_channels != 0 && p_sample_count > SIZE_MAX / sizeof(audio_sample) / p_channels) throw std::bad_alloc();
    const size_t total = p_sample_count * p_channels;
    set_data_size(total);  // the only step that can fail; nothing has changed before it
    audio_sample* dst = get_data();
    if (total) {
        // The source may be this chunk's own storage.
        if (p_source)
            std::memmove(dst, p_source, total * sizeof(audio_sample));
        else
            std::memset(dst, 0, total * sizeof(audio_sample));
    }
    set_sample_count(p_sample_count);
    set_channels(p_channels, p_channel_config);
    set_srate(p_srate);
}

unsigned audio_chunk::g_guess_channel_config(unsigned p_channels) {
    switch (p_channels) {
        case 1: return channel_config_mono;
        case 2: return channel_config_stereo;
        case 3: return channel_config_stereo | channel_front_center;
        case 4: return channel_config_stereo | channel_back_left | channel_back_right;
        case 5: return channel_config_5;
        case 6: return channel_config_5point1;
        default: return 0;
    }
}

audio_chunk_impl::~audio_chunk_impl() { delete[] m_data; }

void audio_chunk_impl::set_data_size(size_t p_samples) {
    if (p_samples <= m_size) return;  // storage only grows; the old content is kept
    audio_sample* p = new audio_sample[p_samples];
    if (m_size) std::memcpy(p, m_data, m_size * sizeof(audio_sample));
    std::memset(p + m_size, 0, (p_samples - m_size) * sizeof(audio_sample));
    delete[] m_data;
    m_data = p;
    m_size = p_samples;
}
