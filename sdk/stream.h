// Byte streams used for the module's configuration: the host hands a reader to set_config
// and a writer to get_config. Reads report how much arrived instead of throwing, so a
// truncated stream is an ordinary condition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sdk/abort_callback.h"

class stream_reader {
public:
    // Reads up to p_bytes; returns the number read (fewer only at the end of the stream).
    virtual size_t read(void* p_buffer, size_t p_bytes, abort_callback& p_abort) = 0;

    // True when exactly p_bytes were read.
    bool read_object(void* p_buffer, size_t p_bytes, abort_callback& p_abort) {
        return read(p_buffer, p_bytes, p_abort) == p_bytes;
    }
    // Little-endian u32.
    bool read_lendian_u32(uint32_t& p_out, abort_callback& p_abort);
    // Skips up to p_bytes; returns the number skipped.
    size_t skip(size_t p_bytes, abort_callback& p_abort);

protected:
    stream_reader() = default;
    ~stream_reader() = default;
};

class stream_writer {
public:
    virtual void write(const void* p_buffer, size_t p_bytes, abort_callback& p_abort) = 0;

    void write_object(const void* p_buffer, size_t p_bytes, abort_callback& p_abort) {
        write(p_buffer, p_bytes, p_abort);
    }
    void write_lendian_u32(uint32_t p_value, abort_callback& p_abort);

protected:
    stream_writer() = default;
    ~stream_writer() = default;
};

// Reads from a caller-owned block of memory.
class stream_reader_memblock_ref final : public stream_reader {
public:
    stream_reader_memblock_ref(const void* p_data, size_t p_size)
        : m_data(static_cast<const uint8_t*>(p_data)), m_size(p_size) {}
    size_t read(void* p_buffer, size_t p_bytes, abort_callback& p_abort) override;
    size_t get_remaining() const { return m_size - m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Appends everything written to a growing byte vector.
class stream_writer_buffer final : public stream_writer {
public:
    void write(const void* p_buffer, size_t p_bytes, abort_callback& p_abort) override;
    const std::vector<uint8_t>& get_buffer() const { return m_buffer; }
    std::vector<uint8_t> m_buffer;
};
