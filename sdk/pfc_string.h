// String receivers: the module writes names and texts into a string object that the caller
// owns, through a virtual interface, so no allocation crosses the module boundary.
// Text is UTF-8, always NUL-terminated.
#pragma once

#include <cstddef>
#include <string>

namespace pfc {

class string_base {
public:
    virtual const char* get_ptr() const = 0;
    virtual size_t get_length() const = 0;
    // Replace the content by the first `len` bytes of `p` (up to the NUL when len is ~0).
    virtual void set_string(const char* p, size_t len = ~size_t(0)) = 0;
    virtual void add_string(const char* p, size_t len = ~size_t(0)) = 0;

    void reset() { set_string("", 0); }
    bool is_empty() const { return get_length() == 0; }
    operator const char*() const { return get_ptr(); }

protected:
    string_base() = default;
    ~string_base() = default;
};

// The concrete string: owns its text.
class string8 final : public string_base {
public:
    string8() = default;
    string8(const char* p) { set_string(p); }

    const char* get_ptr() const override { return m_text.c_str(); }
    size_t get_length() const override { return m_text.size(); }
    void set_string(const char* p, size_t len = ~size_t(0)) override {
        std::string t = clip(p, len);
        m_text.swap(t);
    }
    void add_string(const char* p, size_t len = ~size_t(0)) override { m_text += clip(p, len); }

private:
    static std::string clip(const char* p, size_t len) {
        if (!p) return {};
        size_t n = 0;
        while (n < len && p[n]) ++n;
        return std::string(p, n);
    }
    std::string m_text;
};

}  // namespace pfc
