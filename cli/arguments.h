#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// One option a command takes.
struct OptionSpec {
    std::string_view name;  // the long form without dashes: "port" for --port
    char letter = 0;        // the short form (-p), 0 for none
    std::string_view value; // what the value is called in the help ("PORT"); empty for a flag
    std::string_view help;
};

// The options given, by long name (flags with an empty value), and the
// arguments that are not options, in order.
struct Arguments {
    std::map<std::string, std::string, std::less<>> options;
    std::vector<std::string> positionals;

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    std::optional<std::string> value(std::string_view name) const;
};

struct ParsedArguments {
    Arguments arguments;
    std::string error; // empty when the arguments are well formed
};

// Reads "--name value", "--name=value", "-x value" and "-xvalue"; a later
// option overrides an earlier one. "--" ends the options, and an argument that
// starts with a minus and a digit ("-80") is a value, not an option.
ParsedArguments ParseArguments(std::span<const OptionSpec> specs,
                               std::span<const std::string_view> args);

// Whether `arg` is written as an option (as opposed to a value).
bool LooksLikeOption(std::string_view arg);

// The options' help, one aligned entry each.
std::string OptionsHelp(std::span<const OptionSpec> specs);

// A decimal integer from `low` to `high`, nothing else around it.
std::optional<long long> ParseInteger(std::string_view text, long long low, long long high);

} // namespace cli
