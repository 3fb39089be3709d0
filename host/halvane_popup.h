// The configuration popup hook and what the module hands the dialog.
//
// The module itself has no user-interface toolkit. The dialog lives in its own library,
// halvane_dialog.so, built beside the module and loaded (dlopen) the first time a popup is
// asked for, so that loading the module and processing audio never load the toolkit. A
// program that links the dialog statically (the dialog tests, the rendering tool) registers
// its popup instead during static initialisation (one halvane_config_popup_registrar at
// namespace scope, in an object file that is linked in full); a registration wins over the
// library. With neither the popup does nothing.
#pragma once

#include <cstdint>

#include "sdk/dsp_entry.h"

class halvane_status;

// The module's side of the dialog, handed over at every opening: the engine signals the
// dialog raises, the persisted tab, and the status service it reads. The table is a static
// of the module and outlives the dialog library.
struct halvane_dialog_link {
    uint32_t size;                    // sizeof(halvane_dialog_link) as the module was built
    void (*signal_reset)();           // mode changed: the engine restarts from silence
    void (*signal_recalc)();          // a numeric setting changed: derived constants recomputed
    int (*tab_to_open)();             // the persisted tab, 0..5
    void (*store_tab)(int tab);       // persists the selected tab
    halvane_status* (*status)();      // the module's status service; null if it has none
};

// The module's table (host/halvane_dialog_link.cpp).
const halvane_dialog_link& halvane_module_dialog_link();

using halvane_config_popup_fn = void (*)(const halvane_dialog_link* p_link, const dsp_preset* p_data,
                                         fb2k_hwnd p_parent, dsp_preset_edit_callback* p_callback);

// The one symbol the dialog library exports, of type halvane_config_popup_fn.
inline constexpr char kHalvaneDialogEntry[] = "halvane_dialog_show";
// The dialog library's file name, looked for in the module's own directory.
inline constexpr char kHalvaneDialogLibrary[] = "halvane_dialog.so";

// Stores the popup function (null removes it). Thread-safe; normally called once at load.
void halvane_register_config_popup(halvane_config_popup_fn p_fn);
halvane_config_popup_fn halvane_get_config_popup();

// The popup to run: the registered one, else the dialog library's entry (the library is
// loaded on the first call and kept until the module unloads), else null. A library that
// exists but does not load is reported once on stderr. UI thread.
halvane_config_popup_fn halvane_find_config_popup();

struct halvane_config_popup_registrar {
    explicit halvane_config_popup_registrar(halvane_config_popup_fn p_fn) { halvane_register_config_popup(p_fn); }
};
