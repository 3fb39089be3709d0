// halvane: a command-line host for the surround DSP component.
#include "app/AppError.h"
#include "app/Commands.h"
#include "app/HelpText.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <vector>

namespace {

// "--help" or "-h" among a command's words (before a "--" that ends the options).
bool AsksForHelp(const std::vector<std::string>& words) {
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--") return false;
        if (words[i] == "--help" || words[i] == "-h") return true;
    }
    return false;
}

int RunCommand(const CommandInfo& command, const std::vector<std::string>& words) {
    try {
        return command.run(CommandArgs(words).subspan(1));
    } catch (const AppError& e) {
        if (e.ExitCode() == kExitUsage)
            std::fprintf(stderr, "halvane: %s (see 'halvane %s --help')\n", e.what(), command.name);
        else if (*e.what())
            std::fprintf(stderr, "halvane: %s\n", e.what());
        return e.ExitCode();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "halvane: out of memory\n");
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "halvane: %s\n", e.code().message().c_str());
    } catch (const std::exception&) {
        // A library's own wording (container or string internals) means nothing to a user.
        std::fprintf(stderr, "halvane: internal error in '%s'\n", command.name);
    }
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::fprintf(stderr, "halvane: no command given (see 'halvane --help')\n");
        return kExitUsage;
    }
    if (words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
        const std::string text = words.size() > 1 ? CommandHelp(words[1]) : GeneralHelp();
        if (text.empty()) {
            std::fprintf(stderr, "halvane: unknown command '%s' (see 'halvane --help')\n", words[1].c_str());
            return kExitUsage;
        }
        std::fputs(text.c_str(), stdout);
        return kExitOk;
    }
    if (words[0] == "--version" || words[0] == "version") {
        std::fputs(VersionText().c_str(), stdout);
        return kExitOk;
    }
    for (size_t i = 0; i < kCommandCount; ++i) {
        if (words[0] != kCommands[i].name) continue;
        if (AsksForHelp(words)) {
            std::fputs(CommandHelp(words[0]).c_str(), stdout);
            return kExitOk;
        }
        return RunCommand(kCommands[i], words);
    }
    std::fprintf(stderr, "halvane: unknown command '%s' (see 'halvane --help')\n", words[0].c_str());
    return kExitUsage;
}
