// Host-side helpers: enumerate the services of a module from the head of its factory list
// (foobar2000_client::get_service_list). Instances are created through the factories and
// converted with service_query, so only virtual calls cross the module boundary.
#pragma once

#include "sdk/dsp_entry.h"
#include "sdk/service_factory.h"

// Yields every service registered under T's entry-point interface that implements T.
template <class T>
class service_enum_t {
public:
    explicit service_enum_t(service_factory_base* p_head) : m_next(p_head) {}

    bool next(service_ptr_t<T>& p_out) {
        while (m_next) {
            service_factory_base* f = m_next;
            m_next = f->get_next();
            if (f->get_class_guid() != T::t_interface_entrypoint::class_guid) continue;
            service_ptr_t<service_base> instance;
            f->instance_create(instance);
            if (instance.is_valid() && instance->service_query_t(p_out)) return true;
        }
        return false;
    }

private:
    service_factory_base* m_next;
};

// Number of factories in a list.
inline size_t service_factory_count(service_factory_base* p_head) {
    size_t n = 0;
    for (; p_head; p_head = p_head->get_next()) ++n;
    return n;
}

// The DSP entry whose get_guid() is p_dsp_guid; false when the list has none.
inline bool find_dsp_entry(service_factory_base* p_head, const GUID& p_dsp_guid, service_ptr_t<dsp_entry_v2>& p_out) {
    service_enum_t<dsp_entry_v2> e(p_head);
    service_ptr_t<dsp_entry_v2> entry;
    while (e.next(entry)) {
        if (entry->get_guid() == p_dsp_guid) {
            p_out = entry;
            return true;
        }
    }
    return false;
}

// The first service of interface T in the list.
template <class T>
bool find_service(service_factory_base* p_head, service_ptr_t<T>& p_out) {
    service_enum_t<T> e(p_head);
    return e.next(p_out);
}
