#include "sdk/stream.h"

#include <algorithm>
#include <cstring>

bool stream_reader::read_lendian_u32(uint32_t& p_out, abort_callback& p_abort) {
    uint8_t b[4];
    if (!read_object(b, 4, p_abort)) return false;
    p_out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

size_t stream_reader::skip(size_t p_bytes, abort_callback& p_abort) {
    uint8_t scratch[256];
    size_t done = 0;
    while (done < p_bytes) {
        size_t want = std::min(p_bytes - done, sizeof(scratch));
        size_t got = read(scratch, want, p_abort);
        done += got;
        if (got < want) break;
    }
    return done;
}

void stream_writer::write_lendian_u32(uint32_t p_value, abort_callback& p_abort) {
    uint8_t b[4] = {uint8_t(p_value), uint8_t(p_value >> 8), uint8_t(p_value >> 16), uint8_t(p_value >> 24)};
    write_object(b, 4, p_abort);
}

size_t stream_reader_memblock_ref::read(void* p_buffer, size_t p_bytes, abort_callback&) {
    size_t n = std::min(p_bytes, m_size - m_pos);
    if (n) std::memcpy(p_buffer, m_data + m_pos, n);
    m_pos += n;
    return n;
}

void stream_writer_buffer::write(const void* p_buffer, size_t p_bytes, abort_callback&) {
    const uint8_t* p = static_cast<const uint8_t*>(p_buffer);
    m_buffer.insert(m_buffer.end(), p, p + p_bytes);
}
