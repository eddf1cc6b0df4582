#include "options/arguments.h"

#include <algorithm>
#include <cctype>

#include <QCommandLineParser>

namespace options {

namespace {

// The parser works on QStrings. Each argument reaches it as Latin-1, one
// character per byte, so that a path or value that is not UTF-8 comes back
// byte for byte.
QString Wide(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The parser takes "-80" for the options -8 and -0. A negative number reaches
// it with its minus replaced by a character no argument holds (each is
// Latin-1 there), and gets its minus back after.
constexpr QChar kHiddenMinus(0x2212);

bool IsNegativeNumber(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && std::isdigit(static_cast<unsigned char>(arg[1])) != 0;
}

std::string Narrow(QString text) {
    if (text.startsWith(kHiddenMinus)) {
        text[0] = QLatin1Char('-');
    }
    return text.toLatin1().toStdString();
}

QStringList ParserInput(std::span<const std::string_view> args) {
    QStringList input{QString()}; // the program's name, which the parser skips
    for (const std::string_view arg : args) {
        QString text = Wide(arg);
        if (IsNegativeNumber(arg)) {
            text[0] = kHiddenMinus;
        }
        input.append(text);
    }
    return input;
}

void AddOptions(QCommandLineParser& parser, std::span<const OptionSpec> specs) {
    for (const OptionSpec& spec : specs) {
        QStringList names{Wide(spec.name)};
        if (spec.letter != 0) {
            names.prepend(QString(QLatin1Char(spec.letter)));
        }
        QCommandLineOption option(names);
        option.setValueName(Wide(spec.value));
        parser.addOption(option);
    }
}

const OptionSpec* Find(std::span<const OptionSpec> specs, std::string_view name) {
    const auto found = std::ranges::find_if(specs, [name](const OptionSpec& spec) {
        return spec.name == name || (name.size() == 1 && spec.letter == name[0]);
    });
    return found == specs.end() ? nullptr : &*found;
}

std::string Shown(const OptionSpec& spec) {
    return "--" + std::string(spec.name);
}

// The flag given a value ("--verbose=1", "-v=1"), read as the parser reads:
// an option's value is skipped, whatever it looks like.
const OptionSpec* FlagWithValue(std::span<const OptionSpec> specs,
                                std::span<const std::string_view> args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--") {
            return nullptr;
        }
        if (arg.size() < 2 || arg[0] != '-' || IsNegativeNumber(arg)) {
            continue;
        }
        const std::size_t equals = arg.find('=');
        if (arg.starts_with("--")) {
            const OptionSpec* spec = Find(specs, arg.substr(2, equals - 2));
            if (spec != nullptr && spec->value.empty() && equals != std::string_view::npos) {
                return spec;
            }
            i += spec != nullptr && !spec->value.empty() && equals == std::string_view::npos;
            continue;
        }
        // Grouped letters: a letter that takes a value takes the rest, or the
        // next argument when it is the last.
        for (std::size_t at = 1; at < arg.size(); ++at) {
            const OptionSpec* spec = Find(specs, arg.substr(at, 1));
            if (spec != nullptr && !spec->value.empty()) {
                i += at + 1 == arg.size();
                break;
            }
            if (spec != nullptr && at + 1 == equals) {
                return spec;
            }
        }
    }
    return nullptr;
}

std::size_t TimesGiven(const QCommandLineParser& parser, const OptionSpec& spec) {
    const QStringList given = parser.optionNames();
    return static_cast<std::size_t>(std::ranges::count_if(given, [&spec](const QString& name) {
        return Find(std::span(&spec, 1), Narrow(name)) != nullptr;
    }));
}

// The project's message for what the parser refused, from what it recorded.
std::string ErrorText(const QCommandLineParser& parser, std::span<const OptionSpec> specs,
                      std::span<const std::string_view> args) {
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        const QString& name = unknown.constFirst();
        return "unknown option " + std::string(name.size() == 1 ? "-" : "--") + Narrow(name);
    }
    // Only the last argument can lack its value, so at most one option does.
    for (const OptionSpec& spec : specs) {
        if (!spec.value.empty() &&
            TimesGiven(parser, spec) >
                static_cast<std::size_t>(parser.values(Wide(spec.name)).size())) {
            return Shown(spec) + " needs a value (" + std::string(spec.value) + ")";
        }
    }
    if (parser.errorText().isEmpty()) {
        return {};
    }
    if (const OptionSpec* flag = FlagWithValue(specs, args)) {
        return Shown(*flag) + " takes no value";
    }
    // A refusal of a kind this reader does not know: never taken for success.
    return parser.errorText().toStdString();
}

} // namespace

std::optional<std::string> Arguments::value(std::string_view name) const {
    const auto found = options.find(name);
    if (found == options.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second.back();
}

std::vector<std::string> Arguments::values(std::string_view name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::vector<std::string>() : found->second;
}

ParsedArguments ParseArguments(std::span<const OptionSpec> specs,
                               std::span<const std::string_view> args) {
    QCommandLineParser parser;
    AddOptions(parser, specs);
    ParsedArguments parsed;
    if (!parser.parse(ParserInput(args))) {
        parsed.error = ErrorText(parser, specs, args);
    }
    const OptionSpec* refused = parser.errorText().isEmpty() ? nullptr : FlagWithValue(specs, args);
    for (const OptionSpec& spec : specs) {
        const QString name = Wide(spec.name);
        if (!parser.isSet(name) || &spec == refused) {
            continue;
        }
        std::vector<std::string>& values = parsed.arguments.options[std::string(spec.name)];
        if (spec.value.empty()) {
            values.emplace_back();
        }
        for (const QString& value : parser.values(name)) {
            values.push_back(Narrow(value));
        }
    }
    for (const QString& positional : parser.positionalArguments()) {
        parsed.arguments.positionals.push_back(Narrow(positional));
    }
    return parsed;
}

std::optional<std::size_t> FirstPositional(std::span<const OptionSpec> specs,
                                           std::span<const std::string_view> args) {
    QCommandLineParser parser;
    AddOptions(parser, specs);
    // Everything from the first positional on is positional: what is left over
    // counts the arguments from there. What is wrong before it is for the
    // whole parse to report.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.parse(ParserInput(args));
    const auto rest = static_cast<std::size_t>(parser.positionalArguments().size());
    if (rest == 0) {
        return std::nullopt;
    }
    return args.size() - rest;
}

} // namespace options
