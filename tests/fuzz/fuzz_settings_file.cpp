// Arbitrary bytes as the settings file: parsed directly and read from a file,
// compared with an independent reading of the documented format, and written
// back to check that what was read survives a save and a reload.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "fuzz/fuzz_check.h"
#include "link/settings_file.h"

namespace {

constexpr std::size_t kReadLimit = 4096; // what ReadCommSettings looks at

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipBlanks(std::string_view& t) {
    while (!t.empty() && IsBlank(t.front())) {
        t.remove_prefix(1);
    }
}

// [+-]digits that fits 16 bits, blanks around it skipped.
std::optional<std::int16_t> Integer(std::string_view& t) {
    SkipBlanks(t);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || !IsDigit(t.front())) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    while (!t.empty() && IsDigit(t.front())) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (t.front() - '0'), 1'000'000);
        t.remove_prefix(1);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT16_MIN || value > INT16_MAX) {
        return std::nullopt;
    }
    SkipBlanks(t);
    return static_cast<std::int16_t>(value);
}

// "<port> <separator> <baud>", the separator a comma or a line end (CR LF, CR
// or LF), the baud followed by nothing, a comma or a line end.
std::optional<CommSettings> Reference(std::string_view t) {
    const auto port = Integer(t);
    if (!port) {
        return std::nullopt;
    }
    if (t.starts_with("\r\n")) {
        t.remove_prefix(2);
    } else if (t.starts_with(',') || t.starts_with('\r') || t.starts_with('\n')) {
        t.remove_prefix(1);
    } else {
        return std::nullopt;
    }
    const auto baud = Integer(t);
    if (!baud || !(t.empty() || t.front() == ',' || t.front() == '\r' || t.front() == '\n')) {
        return std::nullopt;
    }
    return CommSettings{*port, *baud};
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

void Write(const QString& path, std::string_view content) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write %s",
               qPrintable(path));
    file.write(content.data(), static_cast<qint64>(content.size()));
}

// Saving syncs the file to disk: keep it in memory when the system allows.
std::unique_ptr<QTemporaryDir> ScratchFolder() {
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        return std::make_unique<QTemporaryDir>(
            QStringLiteral("/dev/shm/fuzz_settings_file-XXXXXX"));
    }
    return std::make_unique<QTemporaryDir>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto folder = ScratchFolder();
    static const QString path = folder->filePath(kSettingsFileName);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto parsed = ParseCommSettings(text);
    const auto expected = Reference(text);
    FUZZ_CHECK(parsed == expected,
               "ParseCommSettings(\"%.*s\") gives %s (%d,%d), expected %s (%d,%d)",
               static_cast<int>(size), text.data(), parsed ? "settings" : "nothing",
               parsed ? parsed->CommNum : 0, parsed ? parsed->CommRate : 0,
               expected ? "settings" : "nothing", expected ? expected->CommNum : 0,
               expected ? expected->CommRate : 0);

    // The file: only its first part counts, anything unreadable gives the defaults.
    Write(path, text);
    const CommSettings read = ReadCommSettings(path);
    const CommSettings fromStart =
        ParseCommSettings(text.substr(0, std::min(size, kReadLimit))).value_or(CommSettings{});
    FUZZ_CHECK(read == fromStart, "ReadCommSettings (%d,%d) differs from parsing (%d,%d)",
               read.CommNum, read.CommRate, fromStart.CommNum, fromStart.CommRate);

    // What was read, saved the way the program saves it, reads back the same.
    const QByteArray saved = FormatCommSettings(read);
    FUZZ_CHECK(saved.endsWith("\r\n") && saved.count(',') == 1, "FormatCommSettings gives \"%s\"",
               saved.constData());
    FUZZ_CHECK(ParseCommSettings(View(saved)) == read, "\"%s\" does not parse back",
               saved.constData());
    if (parsed) {
        FUZZ_CHECK(ParseCommSettings(View(FormatCommSettings(*parsed))) == parsed,
                   "(%d,%d) does not parse back", parsed->CommNum, parsed->CommRate);
    }
    const auto failure = WriteCommSettings(path, read);
    FUZZ_CHECK(!failure, "WriteCommSettings failed: %s", qPrintable(failure.value_or(QString())));
    FUZZ_CHECK(ReadCommSettings(path) == read, "saved (%d,%d) does not read back", read.CommNum,
               read.CommRate);
    return 0;
}
