#pragma once

#include <string_view>

#include <QString>

namespace cli {

// "ht5530k-cli: <text>" on standard error.
void PrintError(std::string_view text);
void PrintError(const QString& text);
inline void PrintError(const char* text) {
    PrintError(std::string_view(text));
}
// The same for a usage error, with where to read more.
void PrintUsageError(std::string_view command, std::string_view text);

} // namespace cli
