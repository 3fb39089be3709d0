#include "host/halvane_headphone_options.h"

#include <exception>
#include <mutex>
#include <string>

#include "host/halvane_engine.h"
#include "responses/HrirFile.h"
#include "responses/HrirLevel.h"

bool halvane_headphone_options_impl::SetResponseFile(const char* path, bool matchLevel,
                                                     pfc::string_base& error, pfc::string_base& note) {
    error.reset();
    note.reset();
    const std::string file = path ? path : "";
    if (file.empty()) {
        std::lock_guard<std::mutex> lock(HVEngineMutex());
        g_hvlib.UseBuiltinHeadphoneResponses();
        return true;
    }
    try {
        HrirSet set = LoadHrirFile(file);
        if (set.silent()) throw HrirFileError(file, "empty responses (every tap is zero)");
        // A source on the left must reach the left ear first: a file with its ears the wrong
        // way round is turned back.
        if (!set.interauralSignOk()) {
            set.swapEars();
            if (set.interauralSignOk()) {
                note.set_string((file + ": left and right ears were the wrong way round; exchanged").c_str());
            } else {
                set.swapEars();
                note.set_string(
                    (file + ": interaural timing of the speakers disagrees; used as stored").c_str());
            }
        }
        if (matchLevel) MatchLevel(set, halvane::BuiltinHeadphoneResponses(0));
        std::lock_guard<std::mutex> lock(HVEngineMutex());
        if (!g_hvlib.SetHeadphoneResponses(set)) throw HrirFileError(file, "unusable responses");
        return true;
    } catch (const HrirFileError& e) {
        error.set_string(e.what());
    } catch (const std::exception& e) {
        error.set_string((file + ": " + e.what()).c_str());
    }
    return false;
}

bool halvane_headphone_options_impl::SetBlock(uint32_t frames) {
    std::lock_guard<std::mutex> lock(HVEngineMutex());
    return g_hvlib.SetHeadphoneBlock(frames);
}

uint32_t halvane_headphone_options_impl::GetBlock() {
    std::lock_guard<std::mutex> lock(HVEngineMutex());
    return g_hvlib.HeadphoneBlock();
}

bool halvane_headphone_options_impl::UsesBuiltinResponses() {
    std::lock_guard<std::mutex> lock(HVEngineMutex());
    return g_hvlib.UsesBuiltinHeadphoneResponses();
}
