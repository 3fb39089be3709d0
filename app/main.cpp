// halvane: a command-line host for the surround DSP component.
#include "app/AppError.h"
#include "app/Commands.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::fprintf(stderr, "halvane: no command given\n%s", UsageText().c_str());
        return kExitUsage;
    }
    if (words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    for (size_t i = 0; i < kCommandCount; ++i) {
        if (words[0] != kCommands[i].name) continue;
        try {
            return kCommands[i].run(CommandArgs(words).subspan(1));
        } catch (const AppError& e) {
            std::fprintf(stderr, "halvane: %s\n", e.what());
            if (e.ExitCode() == kExitUsage) std::fputs(UsageText().c_str(), stderr);
            return e.ExitCode();
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "halvane: out of memory\n");
            return kExitFailure;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "halvane: %s\n", e.what());
            return kExitFailure;
        }
    }
    std::fprintf(stderr, "halvane: unknown command '%s'\n%s", words[0].c_str(), UsageText().c_str());
    return kExitUsage;
}
