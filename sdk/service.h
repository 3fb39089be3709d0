// Services: reference-counted objects that a module hands to its host through virtual
// interfaces only.
//
// Every interface derives (single inheritance) from service_base and declares
//   t_interface             - itself,
//   t_interface_parent      - the interface it extends,
//   t_interface_entrypoint  - the interface its factories are registered under,
//   class_guid              - its identity.
// A host holds services through service_ptr_t<T>; service_query converts a service to
// another interface it implements, by GUID, without RTTI (so it works across modules).
// Reference counts are atomic: add_ref/release may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "sdk/guid.h"

template <class T>
class service_ptr_t;

class service_base {
public:
    using t_interface = service_base;
    using t_interface_parent = void;
    static constexpr GUID class_guid = {0x93b815b2, 0x3e8f, 0x412e, {0x97, 0x66, 0x73, 0x33, 0xea, 0x95, 0x0b, 0xfb}};

    // Both return the new count.
    virtual int service_add_ref() noexcept = 0;
    virtual int service_release() noexcept = 0;
    // On success stores this object, viewed as the interface `guid`, into `out` (with a
    // reference) and returns true.
    virtual bool service_query(service_ptr_t<service_base>& out, const GUID& guid) = 0;

    template <class T>
    bool service_query_t(service_ptr_t<T>& out);

protected:
    service_base() = default;
    virtual ~service_base() = default;
    service_base(const service_base&) = delete;
    service_base& operator=(const service_base&) = delete;
};

// Declares the identity members of an interface. Use inside the class body.
#define HV_SERVICE_INTERFACE(iface, parent, entrypoint, guid_init)      \
public:                                                                \
    using t_interface = iface;                                         \
    using t_interface_parent = parent;                                 \
    using t_interface_entrypoint = entrypoint;                         \
    static constexpr GUID class_guid = guid_init;                      \
                                                                       \
protected:                                                             \
    iface() = default;                                                 \
    ~iface() override = default;                                       \
                                                                       \
public:

// Owning smart pointer: one reference while it holds an object.
template <class T>
class service_ptr_t {
public:
    service_ptr_t() = default;
    service_ptr_t(T* p) : m_ptr(p) {
        if (m_ptr) m_ptr->service_add_ref();
    }
    service_ptr_t(const service_ptr_t& o) : service_ptr_t(o.m_ptr) {}
    service_ptr_t(service_ptr_t&& o) noexcept : m_ptr(o.m_ptr) { o.m_ptr = nullptr; }
    ~service_ptr_t() { release(); }

    service_ptr_t& operator=(const service_ptr_t& o) { return *this = o.m_ptr; }
    service_ptr_t& operator=(service_ptr_t&& o) noexcept {
        if (this != &o) {
            release();
            m_ptr = o.m_ptr;
            o.m_ptr = nullptr;
        }
        return *this;
    }
    service_ptr_t& operator=(T* p) {
        if (p) p->service_add_ref();  // first, in case p is the object we hold
        release();
        m_ptr = p;
        return *this;
    }

    void release() {
        T* p = m_ptr;
        m_ptr = nullptr;
        if (p) p->service_release();
    }
    // Takes over a reference that the caller already owns.
    void attach(T* p) {
        release();
        m_ptr = p;
    }

    T* get_ptr() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    bool is_valid() const { return m_ptr != nullptr; }
    bool is_empty() const { return m_ptr == nullptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    template <class U>
    bool operator==(const service_ptr_t<U>& o) const { return static_cast<const void*>(m_ptr) == static_cast<const void*>(o.get_ptr()); }

private:
    T* m_ptr = nullptr;
};

template <class T>
bool service_base::service_query_t(service_ptr_t<T>& out) {
    service_ptr_t<service_base> tmp;
    if (!service_query(tmp, T::class_guid)) return false;
    // service_query returned this object viewed as T (single inheritance, same layout on
    // both sides of the module boundary).
    out = static_cast<T*>(tmp.get_ptr());
    return true;
}

namespace hv_sdk_detail {
// Walks the interface chain of I, from I up to service_base, looking for `guid`.
template <class I>
bool query_chain(I* self, service_ptr_t<service_base>& out, const GUID& guid) {
    if (guid == I::class_guid) {
        out = static_cast<service_base*>(self);
        return true;
    }
    if constexpr (!std::is_same_v<typename I::t_interface_parent, void>) {
        return query_chain<typename I::t_interface_parent>(self, out, guid);
    } else {
        return false;
    }
}
}  // namespace hv_sdk_detail

// A service created per request; destroyed when its count returns to 0.
template <class T>
class service_impl_t final : public T {
public:
    template <class... Args>
    explicit service_impl_t(Args&&... args) : T(std::forward<Args>(args)...) {}

    int service_add_ref() noexcept override { return ++m_counter; }
    int service_release() noexcept override {
        int n = --m_counter;
        if (n == 0) delete this;
        return n;
    }
    bool service_query(service_ptr_t<service_base>& out, const GUID& guid) override {
        return hv_sdk_detail::query_chain<typename T::t_interface>(this, out, guid);
    }

private:
    std::atomic<int32_t> m_counter{0};
};

// A service that lives as long as the module (one static object): counting never deletes it.
template <class T>
class service_impl_single_t final : public T {
public:
    template <class... Args>
    explicit service_impl_single_t(Args&&... args) : T(std::forward<Args>(args)...) {}

    int service_add_ref() noexcept override { return ++m_counter; }
    int service_release() noexcept override { return --m_counter; }
    bool service_query(service_ptr_t<service_base>& out, const GUID& guid) override {
        return hv_sdk_detail::query_chain<typename T::t_interface>(this, out, guid);
    }

private:
    std::atomic<int32_t> m_counter{0};
};

using service_ptr = service_ptr_t<service_base>;
