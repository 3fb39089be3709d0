// What loading the module costs: processing audio never maps the dialog, Qt or cuFFT; the dialog
// library is loaded beside the module only when a popup opens, gives Qt a private runtime
// folder when the environment has none (so Qt prints no warning about it), and takes the
// folder away again when the module unloads.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/dsp_halvane_params.h"
#include "sdk/foobar2000.h"

namespace {

// Whether a loaded object's path contains `part`.
bool Mapped(const char* part) {
    struct Probe {
        const char* part;
        bool found;
    } probe{part, false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* p = static_cast<Probe*>(data);
            if (info->dlpi_name && std::string(info->dlpi_name).find(p->part) != std::string::npos) p->found = true;
            return 0;
        },
        &probe);
    return probe.found;
}

struct Module {
    void* handle = dlopen(HALVANE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    service_ptr_t<dsp_entry_v2> entry;

    Module() {
        if (!handle) return;
        auto get = reinterpret_cast<foobar2000_get_interface_t>(dlsym(handle, kFoobar2000EntryPointName));
        if (foobar2000_client* client = get ? get(nullptr, handle) : nullptr)
            find_dsp_entry(client->get_service_list(), HALVANE_GUID, entry);
    }
    void Unload() {
        entry.release();
        if (handle) dlclose(handle);
        handle = nullptr;
    }
    ~Module() { Unload(); }
};

struct Discard final : dsp_preset_edit_callback {
    void on_preset_changed(const dsp_preset&) override {}
};

TEST(ModuleStartup, ProcessingNeverLoadsQtOpeningThePopupLoadsTheDialogBesideTheModule) {
    Module module;
    ASSERT_NE(module.handle, nullptr) << dlerror();
    ASSERT_TRUE(module.entry.is_valid());
    dsp_preset_impl preset;
    ASSERT_TRUE(module.entry->get_default_preset(preset));
    service_ptr_t<dsp> instance;
    ASSERT_TRUE(module.entry->instantiate(instance, preset));
    dsp_chunk_list_impl list;
    std::vector<float> samples(2 * 4096, 0.25f);
    list.add_item()->set_data(samples.data(), 4096, 2, 48000, 3);
    abort_callback_dummy noabort;
    service_ptr_t<dsp_v2> v2;
    ASSERT_TRUE(instance->service_query_t(v2));
    v2->run_v2(&list, 0, noabort);
    v2.release();
    ASSERT_EQ(list.get_item(0)->get_channels(), 5u);
    instance.release();
    EXPECT_FALSE(Mapped("libQt6"));
    EXPECT_FALSE(Mapped("halvane_dialog"));
    // Nor cuFFT (some 280 MB), which only the headphone stage's GPU path needs.
    EXPECT_FALSE(Mapped("libcufft"));

    // The popup, in a child process so that this one stays free of Qt. With no runtime
    // folder in the environment the dialog makes a private one; a preset of another DSP
    // shows no window, but the toolkit is up by then.
    char errPath[] = "/tmp/halvane-startup-err-XXXXXX";
    const int errFd = mkstemp(errPath);
    ASSERT_GE(errFd, 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(errFd, 2);
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        dsp_preset_impl foreign;
        foreign.set_owner(GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
        Discard callback;
        module.entry->show_config_popup_v2(foreign, nullptr, callback);
        if (!Mapped("halvane_dialog.so") || !Mapped("libQt6Widgets")) _exit(10);
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || std::string(runtime).find("/halvane-runtime-") == std::string::npos) _exit(11);
        const std::string dir = runtime;
        struct stat st {};
        if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & 0777) != 0700 ||
            st.st_uid != getuid())
            _exit(12);
        module.Unload();  // the dialog library goes with the module, and its folder with it
        if (stat(dir.c_str(), &st) == 0) _exit(13);
        if (Mapped("halvane_dialog.so")) _exit(14);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    std::ifstream errFile(errPath);
    const std::string err((std::istreambuf_iterator<char>(errFile)), {});
    close(errFd);
    std::remove(errPath);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 not loaded, 11 no private runtime folder, 12 wrong folder, "
                                         "13 folder left behind, 14 library left mapped\n"
                                      << err;
    EXPECT_EQ(err.find("XDG_RUNTIME_DIR"), std::string::npos) << err;
}

}  // namespace
