#include "cli/options/options_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace cli {

namespace {

constexpr std::string_view kSpaces = " \t\r";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

} // namespace

std::variant<std::vector<std::string>, std::string>
ReadOptionsFile(const std::string& path, std::span<const OptionSpec> specs) {
    std::ifstream file(path);
    if (!file) {
        return "cannot read " + path + ": " + std::strerror(errno);
    }
    std::vector<std::string> arguments;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        const std::string where = path + ":" + std::to_string(number) + ": ";
        const std::size_t space = text.find_first_of(kSpaces);
        std::string_view name = text.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view() : Trimmed(text.substr(space));
        if (name.starts_with("--")) {
            name.remove_prefix(2);
        }
        const auto spec = std::ranges::find(specs, name, &OptionSpec::name);
        if (spec == specs.end() || name == "help" || name == "config") {
            return where + "unknown option '" + std::string(name) + "'";
        }
        if (spec->value.empty() && !value.empty()) {
            return where + std::string(name) + " takes no value";
        }
        if (!spec->value.empty() && value.empty()) {
            return where + std::string(name) + " needs a value (" + std::string(spec->value) + ")";
        }
        arguments.push_back("--" + std::string(name));
        if (!value.empty()) {
            arguments.emplace_back(value);
        }
    }
    if (file.bad()) {
        return "cannot read " + path + ": " + std::strerror(errno);
    }
    return arguments;
}

} // namespace cli
