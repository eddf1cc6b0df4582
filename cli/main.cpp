#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include <QCoreApplication>

#include "cli/commands/command.h"
#include "cli/options/arguments.h"
#include "cli/options/help_text.h"
#include "cli/options/line_options.h"
#include "cli/options/options_file.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/output/standard_streams.h"
#include "cli/session.h"
#include "options/arguments.h"
#include "version/ht5530k_version.h"

namespace {

using namespace cli;

// The arguments, after the options of --config FILE when it is given: the
// file's go first, so that the command line's win. `error` says what is
// wrong with the file.
ParsedArguments ParseWithOptionsFile(std::span<const OptionSpec> specs,
                                     std::span<const std::string_view> args, std::string& error) {
    ParsedArguments parsed = ParseArguments(specs, args);
    const auto path = parsed.arguments.value("config");
    if (!path || !parsed.error.empty() || parsed.arguments.has("help")) {
        return parsed;
    }
    auto read = ReadOptionsFile(*path, specs);
    if (std::string* reason = std::get_if<std::string>(&read)) {
        error = std::move(*reason);
        return parsed;
    }
    const auto& fromFile = std::get<std::vector<std::string>>(read);
    std::vector<std::string_view> combined(fromFile.begin(), fromFile.end());
    combined.insert(combined.end(), args.begin(), args.end());
    return ParseArguments(specs, combined);
}

int Main(const std::vector<std::string_view>& all) {
    // The command name: the first argument after the common options before it.
    const std::optional<std::size_t> at = options::FirstPositional(CommonOptions(), all);
    const Command* command = at ? FindCommand(all[*at]) : nullptr;
    std::vector<std::string_view> args = all;
    if (command != nullptr) {
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(*at));
    }
    std::vector<OptionSpec> specs(CommonOptions().begin(), CommonOptions().end());
    if (command != nullptr) {
        specs.insert(specs.end(), command->options.begin(), command->options.end());
    } else {
        specs.push_back({"version", 0, "", ""});
    }
    const std::string_view name = command != nullptr ? command->name : std::string_view();
    std::string fileError;
    const ParsedArguments parsed = ParseWithOptionsFile(specs, args, fileError);
    if (!fileError.empty()) {
        PrintUsageError(name, fileError);
        return kUsage;
    }
    if (parsed.arguments.has("help")) {
        const std::string help = command != nullptr
                                     ? CommandHelp(*command)
                                     : ProgramHelp(ProgramSettings().fileToRead().toStdString());
        std::fputs(help.c_str(), stdout);
        return kSuccess;
    }
    if (parsed.arguments.has("version")) {
        std::printf("ht5530k-cli %s\n", ht5530k::kVersion);
        return kSuccess;
    }
    if (!parsed.error.empty()) {
        PrintUsageError(name, parsed.error);
        return kUsage;
    }
    if (command == nullptr) {
        PrintUsageError("", at ? "unknown command '" + std::string(all[*at]) + "'"
                               : std::string("no command given"));
        return kUsage;
    }
    const auto line = ReadLineOptions(parsed.arguments);
    if (const std::string* error = std::get_if<std::string>(&line)) {
        PrintUsageError(name, *error);
        return kUsage;
    }
    const LineOptions& options = std::get<LineOptions>(line);
    if (options.addresses.size() > 1 && name != "read" && name != "poll") {
        PrintUsageError(name,
                        std::string(name) + " takes one address (-a N); read and poll take a list");
        return kUsage;
    }
    return command->run(Invocation{options, parsed.arguments});
}

} // namespace

int main(int argc, char** argv) {
    HoldStandardStreams();
    // Qt's own event dispatcher rather than GLib's: nothing here needs GLib,
    // and each wake-up of a poll costs less without it.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
    QCoreApplication application(argc, argv);
    // The window's name: the same settings folder in ~/.config.
    QCoreApplication::setApplicationName(QStringLiteral("ht5530k"));
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    return CheckStandardOutput(Main(args));
}
