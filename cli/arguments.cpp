#include "cli/arguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace cli {

namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> specs, std::string_view name) {
    const auto found = std::ranges::find(specs, name, &OptionSpec::name);
    return found == specs.end() ? nullptr : &*found;
}

const OptionSpec* FindShort(std::span<const OptionSpec> specs, char letter) {
    const auto found = std::ranges::find(specs, letter, &OptionSpec::letter);
    return found == specs.end() ? nullptr : &*found;
}

std::string Shown(const OptionSpec& spec) {
    return "--" + std::string(spec.name);
}

} // namespace

std::optional<std::string> Arguments::value(std::string_view name) const {
    const auto found = options.find(name);
    if (found == options.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool LooksLikeOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && std::isdigit(static_cast<unsigned char>(arg[1])) == 0;
}

ParsedArguments ParseArguments(std::span<const OptionSpec> specs,
                               std::span<const std::string_view> args) {
    ParsedArguments parsed;
    const auto fail = [&parsed](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !LooksLikeOption(arg)) {
            parsed.arguments.positionals.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::optional<std::string_view> attached;
        if (arg.starts_with("--")) {
            const std::string_view body = arg.substr(2);
            const std::size_t equals = body.find('=');
            spec = FindLong(specs, body.substr(0, equals));
            if (equals != std::string_view::npos) {
                attached = body.substr(equals + 1);
            }
        } else {
            spec = FindShort(specs, arg[1]);
            if (arg.size() > 2) {
                attached = arg.substr(2);
            }
        }
        if (spec == nullptr) {
            return fail("unknown option " + std::string(arg));
        }
        if (spec->value.empty()) {
            if (attached) {
                return fail(Shown(*spec) + " takes no value");
            }
            parsed.arguments.options[std::string(spec->name)] = "";
            continue;
        }
        if (!attached) {
            if (i + 1 >= args.size()) {
                return fail(Shown(*spec) + " needs a value (" + std::string(spec->value) + ")");
            }
            attached = args[++i];
        }
        parsed.arguments.options[std::string(spec->name)] = std::string(*attached);
    }
    return parsed;
}

std::string OptionsHelp(std::span<const OptionSpec> specs) {
    constexpr std::size_t kHelpColumn = 26;
    std::string text;
    for (const OptionSpec& spec : specs) {
        std::string left = spec.letter != 0 ? std::string("  -") + spec.letter + ", " : "      ";
        left += "--" + std::string(spec.name);
        if (!spec.value.empty()) {
            left += " " + std::string(spec.value);
        }
        left += left.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - left.size(), ' ')
                                               : "\n" + std::string(kHelpColumn, ' ');
        // Continuation lines of a help text keep to the column.
        std::string help;
        for (const char c : spec.help) {
            help += c;
            if (c == '\n') {
                help += std::string(kHelpColumn, ' ');
            }
        }
        text += left + help + "\n";
    }
    return text;
}

std::optional<long long> ParseInteger(std::string_view text, long long low, long long high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace cli
