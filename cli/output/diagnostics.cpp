#include "cli/output/diagnostics.h"

#include <cstdio>
#include <string>

namespace cli {

void PrintError(std::string_view text) {
    std::fprintf(stderr, "ht5530k-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

void PrintError(const QString& text) {
    PrintError(std::string_view(text.toStdString()));
}

void PrintUsageError(std::string_view command, std::string_view text) {
    PrintError(text);
    const std::string help = command.empty() ? std::string("ht5530k-cli --help")
                                             : "ht5530k-cli " + std::string(command) + " --help";
    std::fprintf(stderr, "Try '%s'.\n", help.c_str());
}

} // namespace cli
