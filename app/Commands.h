// The commands of the `halvane` program. Each command lives in its own Cmd*.cpp and is listed
// once in kCommands (Commands.cpp); adding a command is one declaration here and one line there.
//
// A command gets the words after its name, returns the exit status, and reports failures by
// throwing AppError (main prints "halvane: <message>" and exits with its status).
#pragma once

#include <span>
#include <string>

using CommandArgs = std::span<const std::string>;
using CommandFn = int (*)(CommandArgs args);

struct CommandInfo {
    const char* name;
    const char* synopsis;  // shown by `halvane help`
    CommandFn run;
};

int RunRender(CommandArgs args);
int RunPreset(CommandArgs args);
int RunInfo(CommandArgs args);
int RunDemo(CommandArgs args);
int RunPlay(CommandArgs args);
int RunConfigure(CommandArgs args);

extern const CommandInfo kCommands[];
extern const size_t kCommandCount;

// The usage text: one line per command.
std::string UsageText();
