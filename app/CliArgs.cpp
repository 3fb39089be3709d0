#include "app/CliArgs.h"

#include "app/AppError.h"

#include <charconv>

bool ParsedArgs::Has(const std::string& name) const {
    for (const ParsedOption& o : options)
        if (o.name == name) return true;
    return false;
}

std::optional<std::string> ParsedArgs::Value(const std::string& name) const {
    for (const ParsedOption& o : options)
        if (o.name == name) return o.value;
    return std::nullopt;
}

static const OptionSpec* FindSpec(std::span<const OptionSpec> specs, const std::string& name) {
    for (const OptionSpec& s : specs)
        if (name == s.name) return &s;
    return nullptr;
}

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionSpec> specs) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && arg != "-")
                throw UsageError("unknown option '" + arg + "'");
            parsed.positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionSpec* spec = FindSpec(specs, name);
        if (!spec) throw UsageError("unknown option '--" + name + "'");
        if (!spec->repeatable && parsed.Has(name))
            throw UsageError("option '--" + name + "' given more than once");
        ParsedOption option{name, {}};
        if (spec->takesValue) {
            if (inlineValue) {
                option.value = *inlineValue;
            } else {
                if (i + 1 >= args.size()) throw UsageError("option '--" + name + "' needs a value");
                option.value = args[++i];
            }
        } else if (inlineValue) {
            throw UsageError("option '--" + name + "' takes no value");
        }
        parsed.options.push_back(std::move(option));
    }
    return parsed;
}

void RequirePositional(const ParsedArgs& parsed, size_t count, const char* usage) {
    if (parsed.positional.size() != count)
        throw UsageError(std::string("usage: ") + usage);
}

long long ParseBoundedInteger(const std::string& text, long long minValue, long long maxValue,
                              const char* what) {
    long long value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || end != last || value < minValue || value > maxValue)
        throw UsageError(std::string(what) + " must be a whole number from " +
                         std::to_string(minValue) + " to " + std::to_string(maxValue) +
                         ", not '" + text + "'");
    return value;
}
