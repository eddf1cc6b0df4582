#include "cli/options/module_names.h"

#include <algorithm>

#include "options/number_reading.h"

namespace cli {

namespace {
constexpr std::size_t kLongestName = 64;
} // namespace

std::variant<std::map<int, std::string>, std::string>
ReadModuleNames(const std::vector<std::string>& given, const std::vector<int>& polled) {
    std::map<int, std::string> names;
    for (const std::string& text : given) {
        const auto bad = [&text](std::string_view why) {
            return options::BadValue("name", text, why);
        };
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos) {
            return bad("ADDRESS=NAME, as 3=Boiler room");
        }
        const std::string_view addressText = std::string_view(text).substr(0, equals);
        const std::string name = text.substr(equals + 1);
        const auto address = options::ReadInteger(addressText, 1, 255);
        if (!address) {
            return bad("ADDRESS=NAME, the address 1 to 255");
        }
        if (std::find(polled.begin(), polled.end(), *address) == polled.end()) {
            return bad(std::string(addressText) + " is not polled (-a)");
        }
        if (name.empty() || name.size() > kLongestName) {
            return bad("a name of 1 to 64 characters");
        }
        if (std::any_of(name.begin(), name.end(),
                        [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
            return bad("no control characters in a name");
        }
        // InfluxDB reads a backslash before the separator after a tag as an
        // escape, and has no way to end a tag with one.
        if (name.back() == '\\') {
            return bad("a name that does not end with a backslash");
        }
        if (!names.emplace(static_cast<int>(*address), name).second) {
            return bad("address " + std::string(addressText) + " is named twice");
        }
    }
    return names;
}

} // namespace cli
