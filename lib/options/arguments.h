#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace options {

// One option a program takes.
struct OptionSpec {
    std::string_view name;  // the long form without dashes: "port" for --port
    char letter = 0;        // the short form (-p), 0 for none
    std::string_view value; // what the value is called in the help ("PORT"); empty for a flag
    std::string_view help;
};

// The options given, by long name, and the arguments that are not options,
// in order.
struct Arguments {
    // Every value given to an option, in order; a flag holds one empty value.
    std::map<std::string, std::vector<std::string>, std::less<>> options;
    std::vector<std::string> positionals;

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    // The last value given: a later option overrides an earlier one.
    std::optional<std::string> value(std::string_view name) const;
    // Every value given, for an option that may be given several times.
    std::vector<std::string> values(std::string_view name) const;
};

struct ParsedArguments {
    Arguments arguments; // what was read, also when there is an error
    std::string error;   // empty when the arguments are well formed
};

// Reads "--name value", "--name=value", "-x value", "-xvalue" and "-vx"
// (flags grouped). A value is the next argument whatever it looks like, so
// "--temperature -12.5" and "--log --x" work. "--" ends the options, and an
// argument that starts with a minus and a digit ("-80") is not an option.
// The error names the first unknown option, else an option lacking its value,
// else a flag given a value; a flag given a value does not count as given.
ParsedArguments ParseArguments(std::span<const OptionSpec> specs,
                               std::span<const std::string_view> args);

// Where the first argument that is neither an option nor an option's value
// is, for a program whose options come before a command name; none when
// there is no such argument.
std::optional<std::size_t> FirstPositional(std::span<const OptionSpec> specs,
                                           std::span<const std::string_view> args);

} // namespace options
