#include "app/HeadphoneOptions.h"

#include <cstdio>

#include "app/AppError.h"
#include "host/halvane_headphone_options.h"
#include "sdk/service_enum.h"

HeadphoneRequest ParseHeadphoneOptions(const ParsedArgs& parsed) {
    HeadphoneRequest r;
    if (auto path = parsed.Value("hrir")) {
        if (path->empty()) throw UsageError("--hrir needs a file name");
        r.hrir = *path;
    }
    if (auto level = parsed.Value("hrir-level")) {
        if (*level == "match")
            r.matchLevel = true;
        else if (*level != "stored")
            throw UsageError("--hrir-level must be 'match' or 'stored', not '" + *level + "'");
        if (r.hrir.empty()) throw UsageError("--hrir-level needs --hrir FILE");
    }
    if (auto text = parsed.Value("hp-block")) {
        const long long n = ParseBoundedInteger(*text, 64, 8192, "--hp-block");
        if ((n & (n - 1)) != 0)
            throw UsageError("--hp-block must be a power of two from 64 to 8192, not " + *text);
        r.block = uint32_t(n);
    }
    return r;
}

void ApplyHeadphoneOptions(ModuleHost& module, const HeadphoneRequest& request) {
    if (!request.Any()) return;
    service_ptr_t<halvane_headphone_options> options;
    if (!find_service(module.Services(), options))
        throw Failure(module.FileName() + " offers no headphone options (--hrir, --hp-block)");
    if (request.block && !options->SetBlock(*request.block))
        throw Failure(module.FileName() + " refused --hp-block " + std::to_string(*request.block));
    if (!request.hrir.empty()) {
        pfc::string8 error, note;
        if (!options->SetResponseFile(request.hrir.c_str(), request.matchLevel, error, note))
            throw Failure(error.get_ptr());
        if (!note.is_empty()) std::fprintf(stderr, "halvane: warning: %s\n", note.get_ptr());
    }
}
