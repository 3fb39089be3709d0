// Service factories: every factory object links itself, when it is constructed, at the head
// of its module's list service_factory_base::__internal__list. A host walks the list it gets
// from the module's client object (get_service_list), picks factories by the GUID of the
// interface they register (get_class_guid) and asks them for instances.
//
// Factories are static objects of the module; the list is built during static construction
// and never changes afterwards, so walking it needs no lock.
#pragma once

#include "sdk/service.h"

class service_factory_base {
public:
    // GUID of the entry-point interface this factory registers.
    const GUID& get_class_guid() const { return m_guid; }
    service_factory_base* get_next() const { return m_next; }

    // Stores a new (or the single) instance into `out`, with a reference.
    virtual void instance_create(service_ptr_t<service_base>& out) = 0;

    static service_factory_base* __internal__list;

protected:
    explicit service_factory_base(const GUID& guid) : m_guid(guid), m_next(__internal__list) {
        __internal__list = this;
    }
    ~service_factory_base() = default;

private:
    GUID m_guid;
    service_factory_base* m_next;
};

// A new reference-counted T for every request.
template <class T>
class service_factory_t : public service_factory_base {
public:
    service_factory_t() : service_factory_base(T::t_interface_entrypoint::class_guid) {}
    void instance_create(service_ptr_t<service_base>& out) override {
        out = static_cast<service_base*>(new service_impl_t<T>());
    }
};

// One T for the life of the module; every request returns it.
template <class T>
class service_factory_single_t : public service_factory_base {
public:
    template <class... Args>
    explicit service_factory_single_t(Args&&... args)
        : service_factory_base(T::t_interface_entrypoint::class_guid), m_instance(std::forward<Args>(args)...) {}
    void instance_create(service_ptr_t<service_base>& out) override {
        out = static_cast<service_base*>(&m_instance);
    }
    T& get_static_instance() { return m_instance; }

private:
    service_impl_single_t<T> m_instance;
};
