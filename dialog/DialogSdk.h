// The pieces of the host's component interfaces that the dialog uses: the preset object,
// the preset-edit callback, the preset reader/writer, the persisted tab variable and the
// product texts. (Stand-in until the SDK headers land.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/HVConfig.h"

struct GUID {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline constexpr GUID HALVANE_GUID = {0xB51FBAD2, 0x8BA9, 0x4427, {0xBB, 0xD6, 0x5B, 0x03, 0xA3, 0xF5, 0xC3, 0xC0}};
inline constexpr const char* HALVANE_DESC = "Corvell Halvane for foobar2000 v1.02";
inline constexpr const char* HALVANE_WEBSITE = "https://halvane.example.org";
inline constexpr const char* HALVANE_COPYRIGHT = "(c) 2010 Corvell Audio";

class dsp_preset {
public:
    virtual ~dsp_preset() = default;
    virtual GUID get_owner() const = 0;
    virtual void set_owner(const GUID& owner) = 0;
    virtual const void* get_data() const = 0;
    virtual size_t get_data_size() const = 0;
    virtual void set_data(const void* p, size_t n) = 0;
};

class dsp_preset_impl : public dsp_preset {
public:
    GUID get_owner() const override { return m_owner; }
    void set_owner(const GUID& o) override { m_owner = o; }
    const void* get_data() const override { return m_data.data(); }
    size_t get_data_size() const override { return m_data.size(); }
    void set_data(const void* p, size_t n) override {
        m_data.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    }

private:
    GUID m_owner{};
    std::vector<uint8_t> m_data;
};

class dsp_preset_edit_callback {
public:
    virtual void on_preset_changed(const dsp_preset& p) = 0;

protected:
    ~dsp_preset_edit_callback() = default;
};

class t_dsp_halvane_params {
public:
    bool set_data(const dsp_preset& p) {
        if (!(p.get_owner() == HALVANE_GUID) || p.get_data_size() != sizeof(HVLIB_CONFIG)) return false;
        const uint32_t keep = m_config.uOperations;
        std::memcpy(&m_config, p.get_data(), sizeof m_config);
        m_config.uOperations = keep;
        return true;
    }
    void get_data(dsp_preset& p) const {
        p.set_owner(HALVANE_GUID);
        p.set_data(&m_config, sizeof m_config);
    }
    HVLIB_CONFIG m_config;
};

template <typename T>
class cfg_int_t {
public:
    explicit cfg_int_t(T v) : m_value(v) {}
    operator T() const { return m_value; }
    cfg_int_t& operator=(T v) { m_value = v; return *this; }

private:
    T m_value;
};

extern cfg_int_t<int> cfg_halvane_tab;
using fb2k_hwnd = void*;
