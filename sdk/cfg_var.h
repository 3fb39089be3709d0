// Configuration variables: module-wide settings that the host persists for the module.
//
// Every cfg_var links itself, with a copy of its GUID, at the head of two module-wide lists
// during static construction: one walked when the configuration is written, one when it is
// read. The module's whole configuration is a stream of records, one per variable:
//   16-byte GUID (GuidToBytes form), u32 little-endian byte count, that many data bytes.
// Reading stops cleanly at the first record that is cut short (inside the GUID, the count or
// the data): variables already read keep their new values, the rest keep theirs.
// Values are read and written on the host's main thread.
#pragma once

#include <cstdint>
#include <type_traits>

#include "sdk/guid.h"
#include "sdk/stream.h"

class cfg_var {
public:
    const GUID& get_guid() const { return m_guid; }

    // Writes the value's data bytes (no record header).
    virtual void get_data_raw(stream_writer* p_stream, abort_callback& p_abort) = 0;
    // Reads the value from the data bytes of its record (p_sizehint bytes). A read that comes
    // up short leaves the value unchanged.
    virtual void set_data_raw(stream_reader* p_stream, size_t p_sizehint, abort_callback& p_abort) = 0;

    // Every variable of the module, as records.
    static void config_write_file(stream_writer* p_stream, abort_callback& p_abort);
    // Reads records until the stream ends (or is cut short); unknown GUIDs are skipped.
    static void config_read_file(stream_reader* p_stream, abort_callback& p_abort);

    static cfg_var* g_list_reader;  // heads of the two module-wide lists
    static cfg_var* g_list_writer;

protected:
    explicit cfg_var(const GUID& p_guid);
    ~cfg_var() = default;
    cfg_var(const cfg_var&) = delete;
    cfg_var& operator=(const cfg_var&) = delete;

private:
    const GUID m_guid;
    cfg_var* m_next_reader;
    cfg_var* m_next_writer;
};

// An integer variable, stored as sizeof(T) little-endian bytes.
template <class T>
class cfg_int_t final : public cfg_var {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 8);

public:
    cfg_int_t(const GUID& p_guid, T p_default) : cfg_var(p_guid), m_val(p_default) {}

    T get_value() const { return m_val; }
    operator T() const { return m_val; }
    cfg_int_t& operator=(T p_val) {
        m_val = p_val;
        return *this;
    }

    void get_data_raw(stream_writer* p_stream, abort_callback& p_abort) override {
        uint8_t b[sizeof(T)];
        auto u = static_cast<std::make_unsigned_t<T>>(m_val);
        for (size_t i = 0; i < sizeof(T); ++i) b[i] = uint8_t(u >> (8 * i));
        p_stream->write_object(b, sizeof(T), p_abort);
    }
    void set_data_raw(stream_reader* p_stream, size_t, abort_callback& p_abort) override {
        uint8_t b[sizeof(T)];
        if (!p_stream->read_object(b, sizeof(T), p_abort)) return;  // keep the old value
        std::make_unsigned_t<T> u = 0;
        for (size_t i = 0; i < sizeof(T); ++i) u |= std::make_unsigned_t<T>(b[i]) << (8 * i);
        m_val = static_cast<T>(u);
    }

private:
    T m_val;
};

using cfg_int = cfg_int_t<int32_t>;
