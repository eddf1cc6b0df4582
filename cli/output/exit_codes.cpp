#include "cli/output/exit_codes.h"

namespace cli {

namespace {

constexpr std::size_t kWidth = 77;
constexpr std::string_view kIndent = "     ";

// "  N  " and the meaning, broken between words before kWidth columns, the
// lines after the first indented under its first word.
std::string Entry(const ExitStatus& status) {
    std::string text = "  " + std::to_string(status.code) + "  ";
    std::size_t lineStart = 0;
    std::string_view rest = status.meaning;
    bool first = true;
    while (!rest.empty()) {
        const std::size_t end = rest.find(' ');
        const std::string_view word = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (!first && text.size() - lineStart + 1 + word.size() > kWidth) {
            text += "\n";
            lineStart = text.size();
            text += kIndent;
        } else if (!first) {
            text += " ";
        }
        text += word;
        first = false;
    }
    return text + "\n";
}

} // namespace

std::string ExitCodesHelp() {
    std::string text = "Exit status:\n";
    for (const ExitStatus& status : kExitStatuses) {
        text += Entry(status);
    }
    return text;
}

int ExitCodeOf(master::Outcome outcome) {
    switch (outcome) {
    case master::Outcome::Ok:
        return kSuccess;
    case master::Outcome::Timeout:
        return kNoAnswer;
    case master::Outcome::Exception:
        return kException;
    case master::Outcome::Lost:
        return kPortError;
    case master::Outcome::Crc:
    case master::Outcome::Short:
    case master::Outcome::WrongAddress:
    case master::Outcome::WrongFunction:
        break;
    }
    return kCorrupt;
}

} // namespace cli
