#include "cli/options/help_text.h"

#include <algorithm>
#include <span>

#include "cli/options/line_options.h"
#include "cli/output/exit_codes.h"

namespace cli {

namespace {

constexpr std::size_t kWidth = 80;
constexpr std::size_t kIndent = 6;

// The options' help, one aligned entry each.
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

} // namespace

std::string ProgramHelp(const std::string& settingsFile) {
    std::string text = R"(Usage: ht5530k-cli [options] COMMAND [command options]

The HT5530K temperature and humidity module from the command line, over
Modbus RTU on a serial line: for logging, batches of modules and end-of-line
checks. Data goes to standard output, everything else to standard error.

Commands:
)";
    std::size_t width = 0;
    for (const Command* command : Commands()) {
        width = std::max(width, command->name.size());
    }
    for (const Command* command : Commands()) {
        text += "  " + std::string(command->name) +
                std::string(width + 2 - command->name.size(), ' ') + std::string(command->summary) +
                "\n";
    }
    text += "\nOptions for every command (before or after it):\n" + OptionsHelp(CommonOptions());
    text += "      --version           show the version and exit\n";
    text += R"(
Without --port or --baud the port and rate are those the window last saved
in its comm.set, found as the window finds it; here that is
  )" + settingsFile +
            R"(
When that file is missing or gives no port and rate, the command says so and
ends with status 2; it never guesses. COMn (COM1 to COM16, any letter case)
maps to a device as in the window: a COMn link in the settings folder, else
/dev/ttyUSB<n-1>, else /dev/ttyS<n-1>.

'ht5530k-cli COMMAND --help' describes a command.

)" + ExitCodesHelp();
    return text;
}

std::string CommandHelp(const Command& command) {
    std::string text = "Usage: ht5530k-cli " + std::string(command.name);
    if (!command.synopsis.empty()) {
        text += " " + std::string(command.synopsis);
    }
    text += " [options]\n\n";
    if (text.size() > kWidth + 3) {
        // Long usage lines break before an option, indented under the name.
        std::string wrapped;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ' ' && text[i + 1] == '[' && i - lineStart > kWidth - 30) {
                wrapped += "\n" + std::string(kIndent, ' ');
                lineStart = wrapped.size();
                continue;
            }
            wrapped += text[i];
        }
        text = wrapped;
    }
    text += command.describe();
    if (!command.options.empty()) {
        text += "\nOptions:\n" + OptionsHelp(command.options);
    }
    text +=
        "\nOptions for every command:\n" + OptionsHelp(CommonOptions()) + "\n" + ExitCodesHelp();
    return text;
}

} // namespace cli
