// dsp_chunk_list: the ordered chunks that one DSP call works on. The host fills it, every DSP
// of the chain processes it in place (it may remove or replace chunks), the host drains it.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "sdk/audio_chunk.h"

class dsp_chunk_list {
public:
    virtual size_t get_count() const = 0;
    virtual audio_chunk* get_item(size_t p_index) const = 0;  // null when out of range
    virtual void remove_by_idx(size_t p_index) = 0;
    // Inserts an empty chunk at p_index (clamped to the count) and returns it.
    virtual audio_chunk* insert_item(size_t p_index, size_t p_hint_size = 0) = 0;
    virtual void remove_all() = 0;

    audio_chunk* add_item(size_t p_hint_size = 0) { return insert_item(get_count(), p_hint_size); }

protected:
    dsp_chunk_list() = default;
    ~dsp_chunk_list() = default;
};

// Concrete list. Removed chunks are kept for reuse, so a steady stream allocates nothing.
class dsp_chunk_list_impl final : public dsp_chunk_list {
public:
    size_t get_count() const override { return m_data.size(); }
    audio_chunk* get_item(size_t p_index) const override {
        return p_index < m_data.size() ? m_data[p_index].get() : nullptr;
    }
    void remove_by_idx(size_t p_index) override;
    audio_chunk* insert_item(size_t p_index, size_t p_hint_size = 0) override;
    void remove_all() override;

private:
    std::vector<std::unique_ptr<audio_chunk_impl>> m_data;
    std::vector<std::unique_ptr<audio_chunk_impl>> m_recycled;
};
