// dsp_preset: the settings of one DSP chain entry as the host keeps them - an owner GUID
// (the DSP that understands the data) and an opaque block of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sdk/guid.h"

class dsp_preset {
public:
    virtual GUID get_owner() const = 0;
    virtual void set_owner(const GUID& p_owner) = 0;
    virtual const void* get_data() const = 0;
    virtual size_t get_data_size() const = 0;
    virtual void set_data(const void* p_data, size_t p_data_size) = 0;

    // Copies owner and data from another preset.
    dsp_preset& operator=(const dsp_preset& p_source) {
        if (this != &p_source) {
            set_owner(p_source.get_owner());
            set_data(p_source.get_data(), p_source.get_data_size());
        }
        return *this;
    }
    // Same owner, same size, same bytes.
    bool operator==(const dsp_preset& o) const;
    bool operator!=(const dsp_preset& o) const { return !(*this == o); }

protected:
    dsp_preset() = default;
    dsp_preset(const dsp_preset&) = default;
    ~dsp_preset() = default;
};

class dsp_preset_impl final : public dsp_preset {
public:
    dsp_preset_impl() = default;
    dsp_preset_impl(const dsp_preset& p_source) : dsp_preset() { copy_from(p_source); }
    dsp_preset_impl(const dsp_preset_impl& p_source) : dsp_preset() { copy_from(p_source); }
    dsp_preset_impl& operator=(const dsp_preset& p_source) {
        copy_from(p_source);
        return *this;
    }
    dsp_preset_impl& operator=(const dsp_preset_impl& p_source) {
        copy_from(p_source);
        return *this;
    }

    GUID get_owner() const override { return m_owner; }
    void set_owner(const GUID& p_owner) override { m_owner = p_owner; }
    const void* get_data() const override { return m_data.data(); }
    size_t get_data_size() const override { return m_data.size(); }
    void set_data(const void* p_data, size_t p_data_size) override;

private:
    void copy_from(const dsp_preset& p_source) {
        if (this == &p_source) return;
        set_owner(p_source.get_owner());
        set_data(p_source.get_data(), p_source.get_data_size());
    }
    GUID m_owner = pfc_guid_null;
    std::vector<uint8_t> m_data;
};

// Receives every preset that a configuration popup publishes while it is open. Called on
// the popup's (user-interface) thread.
class dsp_preset_edit_callback {
public:
    virtual void on_preset_changed(const dsp_preset& p_preset) = 0;

protected:
    dsp_preset_edit_callback() = default;
    ~dsp_preset_edit_callback() = default;
};
