#include "sdk/cfg_var.h"

#include <algorithm>
#include <vector>

cfg_var* cfg_var::g_list_reader = nullptr;
cfg_var* cfg_var::g_list_writer = nullptr;

cfg_var::cfg_var(const GUID& p_guid) : m_guid(p_guid), m_next_reader(g_list_reader), m_next_writer(g_list_writer) {
    g_list_reader = this;
    g_list_writer = this;
}

void cfg_var::config_write_file(stream_writer* p_stream, abort_callback& p_abort) {
    for (cfg_var* v = g_list_writer; v; v = v->m_next_writer) {
        stream_writer_buffer data;
        v->get_data_raw(&data, p_abort);
        uint8_t guid[16];
        GuidToBytes(v->m_guid, guid);
        p_stream->write_object(guid, 16, p_abort);
        p_stream->write_lendian_u32(uint32_t(data.m_buffer.size()), p_abort);
        if (!data.m_buffer.empty()) p_stream->write_object(data.m_buffer.data(), data.m_buffer.size(), p_abort);
    }
}

void cfg_var::config_read_file(stream_reader* p_stream, abort_callback& p_abort) {
    std::vector<uint8_t> data;
    for (;;) {
        if (p_abort.is_aborting()) return;
        uint8_t guid[16];
        if (!p_stream->read_object(guid, 16, p_abort)) return;  // end, or cut inside a GUID
        uint32_t size = 0;
        if (!p_stream->read_lendian_u32(size, p_abort)) return;  // cut inside the count

        // Collect the record's data first. The buffer grows only as bytes actually arrive,
        // so a garbage count cannot make us allocate more than the stream holds; a record
        // that claims more than remains ends the reading without touching any variable.
        data.clear();
        while (data.size() < size) {
            const size_t have = data.size();
            const size_t want = std::min<size_t>(size - have, 64 * 1024);
            data.resize(have + want);
            const size_t got = p_stream->read(data.data() + have, want, p_abort);
            data.resize(have + got);
            if (got < want) return;
        }

        const GUID id = GuidFromBytes(guid);
        for (cfg_var* v = g_list_reader; v; v = v->m_next_reader) {
            if (v->m_guid == id) {
                stream_reader_memblock_ref record(data.data(), data.size());
                v->set_data_raw(&record, data.size(), p_abort);
                break;
            }
        }
    }
}
