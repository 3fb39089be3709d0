// `halvane --help`, `halvane COMMAND --help` and `halvane --version`: what every command and
// option does, the modes, the output formats and every settings field.
#pragma once

#include <string>

// The help of one command, or an empty string for an unknown name.
std::string CommandHelp(const std::string& command);
// The overview: the commands, the modes, the exit statuses and the settings fields.
std::string GeneralHelp();
std::string VersionText();
