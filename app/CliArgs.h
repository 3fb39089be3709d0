// Command-line parsing shared by every command: positional words and "--name [value]" options.
//
// Options keep their command-line order (the settings options are applied in order, the last
// word wins). "--name=value" and "--name value" are both accepted; "--" ends the options.
// Every parse error throws UsageError (exit status 2).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

struct OptionSpec {
    const char* name;  // without the leading "--"
    bool takesValue;
    bool repeatable;
};

struct ParsedOption {
    std::string name;
    std::string value;  // empty for flags
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<ParsedOption> options;  // command-line order

    bool Has(const std::string& name) const;
    // The value of a non-repeatable option, if given.
    std::optional<std::string> Value(const std::string& name) const;
};

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionSpec> specs);

// Requires exactly `count` positional words; `usage` is quoted in the error.
void RequirePositional(const ParsedArgs& parsed, size_t count, const char* usage);

// A whole decimal number in [minValue, maxValue]; `what` names the option in the error.
long long ParseBoundedInteger(const std::string& text, long long minValue, long long maxValue,
                              const char* what);
