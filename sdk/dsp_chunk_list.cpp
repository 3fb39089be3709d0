#include "sdk/dsp_chunk_list.h"

void dsp_chunk_list_impl::remove_by_idx(size_t p_index) {
    if (p_index >= m_data.size()) return;
    m_recycled.push_back(std::move(m_data[p_index]));
    m_data.erase(m_data.begin() + std::ptrdiff_t(p_index));
}

audio_chunk* dsp_chunk_list_impl::insert_item(size_t p_index, size_t p_hint_size) {
    if (p_index > m_data.size()) p_index = m_data.size();
    std::unique_ptr<audio_chunk_impl> c;
    if (!m_recycled.empty()) {
        c = std::move(m_recycled.back());
        m_recycled.pop_back();
    } else {
        c = std::make_unique<audio_chunk_impl>();
    }
    // A fresh item carries no audio: no frames, no channels, no rate.
    c->set_sample_count(0);
    c->set_channels(0, 0);
    c->set_srate(0);
    if (p_hint_size) c->set_data_size(p_hint_size);
    audio_chunk* result = c.get();
    m_data.insert(m_data.begin() + std::ptrdiff_t(p_index), std::move(c));
    return result;
}

void dsp_chunk_list_impl::remove_all() {
    for (auto& c : m_data) m_recycled.push_back(std::move(c));
    m_data.clear();
}
