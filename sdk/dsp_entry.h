// dsp_entry / dsp_entry_v2: the service through which a host lists a DSP, creates its
// instances from presets and opens its configuration popup. dsp_factory_t<T> registers the
// entry for a DSP class T, which provides these statics:
//   g_get_name(pfc::string_base&), g_get_guid(), g_get_default_preset(dsp_preset&) -> bool,
//   g_have_config_popup() -> bool,
//   g_show_config_popup(const dsp_preset&, fb2k_hwnd, dsp_preset_edit_callback&),
// and a constructor from const dsp_preset&.
#pragma once

#include "sdk/dsp.h"
#include "sdk/dsp_preset.h"
#include "sdk/pfc_string.h"
#include "sdk/service_factory.h"

// The parent window handle handed to configuration popups (a toolkit window pointer or
// null; only the popup interprets it).
using fb2k_hwnd = void*;

class dsp_entry : public service_base {
    HV_SERVICE_INTERFACE(dsp_entry, service_base, dsp_entry,
                         (GUID{0x7f87b3c6, 0xed0b, 0x41ae, {0xb8, 0x16, 0xde, 0x81, 0x99, 0x8e, 0xaa, 0x31}}))

    virtual void get_name(pfc::string_base& p_out) = 0;
    virtual bool get_default_preset(dsp_preset& p_out) = 0;
    // Creates an instance from a preset owned by this DSP; false (p_out untouched) otherwise.
    virtual bool instantiate(service_ptr_t<dsp>& p_out, const dsp_preset& p_preset) = 0;
    virtual GUID get_guid() = 0;
    virtual bool have_config_popup() = 0;
    // Edits p_data in place; true when it was changed. Modal, user-interface thread.
    virtual bool show_config_popup(dsp_preset& p_data, fb2k_hwnd p_parent) = 0;
};

class dsp_entry_v2 : public dsp_entry {
    HV_SERVICE_INTERFACE(dsp_entry_v2, dsp_entry, dsp_entry,
                         (GUID{0x290c9156, 0x0508, 0x4e0b, {0x87, 0x9d, 0xb4, 0x60, 0xa5, 0xdc, 0xd3, 0x2d}}))

    // Modal popup that publishes every edit through p_callback as a complete preset.
    virtual void show_config_popup_v2(const dsp_preset& p_data, fb2k_hwnd p_parent,
                                      dsp_preset_edit_callback& p_callback) = 0;

    // Bridge for hosts that use the older form: runs show_config_popup_v2 on a copy of
    // p_data, keeping the last published preset; when it differs from p_data (owner, size or
    // bytes) it is copied back and the result is true.
    bool show_config_popup(dsp_preset& p_data, fb2k_hwnd p_parent) override;
};

template <class T, class t_entry = dsp_entry_v2>
class dsp_entry_v2_impl_t : public t_entry {
public:
    void get_name(pfc::string_base& p_out) override { T::g_get_name(p_out); }
    bool get_default_preset(dsp_preset& p_out) override { return T::g_get_default_preset(p_out); }
    bool instantiate(service_ptr_t<dsp>& p_out, const dsp_preset& p_preset) override {
        if (p_preset.get_owner() != T::g_get_guid()) return false;
        p_out = static_cast<dsp*>(new service_impl_t<T>(p_preset));
        return true;
    }
    GUID get_guid() override { return T::g_get_guid(); }
    bool have_config_popup() override { return T::g_have_config_popup(); }
    void show_config_popup_v2(const dsp_preset& p_data, fb2k_hwnd p_parent,
                              dsp_preset_edit_callback& p_callback) override {
        T::g_show_config_popup(p_data, p_parent, p_callback);
    }
};

// Registers the entry service of DSP class T.
template <class T>
class dsp_factory_t : public service_factory_single_t<dsp_entry_v2_impl_t<T, dsp_entry_v2>> {};
