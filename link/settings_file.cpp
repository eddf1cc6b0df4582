#include "link/settings_file.h"

#include <charconv>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// A valid file is one short line; reading more would only let a huge file slow start-up.
constexpr qint64 kMaxRead = 4096;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
}

std::optional<std::int16_t> ReadInteger(std::string_view& text) {
    SkipBlanks(text);
    const char* first = text.data();
    // from_chars takes no '+'; skip it only before a digit, so "+-4" stays malformed.
    if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9') {
        ++first;
    }
    std::int16_t value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error != std::errc() || end == first) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    SkipBlanks(text);
    return value;
}

} // namespace

std::optional<CommSettings> ParseCommSettings(std::string_view text) {
    const auto port = ReadInteger(text);
    if (!port || text.empty()) {
        return std::nullopt;
    }
    if (text.front() == ',') {
        text.remove_prefix(1);
    } else if (text.starts_with("\r\n")) {
        text.remove_prefix(2);
    } else if (text.front() == '\n' || text.front() == '\r') {
        text.remove_prefix(1);
    } else {
        return std::nullopt;
    }
    const auto baud = ReadInteger(text);
    if (!baud) {
        return std::nullopt;
    }
    // The second number ends at a separator or the end of the text.
    if (!text.empty() && text.front() != ',' && text.front() != '\r' && text.front() != '\n') {
        return std::nullopt;
    }
    return CommSettings{*port, *baud};
}

CommSettings ReadCommSettings(const QString& path) {
    // Only a regular file: opening a named pipe or a device would block
    // start-up until something writes to it.
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray content = file.read(kMaxRead);
    return ParseCommSettings(
               std::string_view(content.constData(), static_cast<std::size_t>(content.size())))
        .value_or(CommSettings{});
}

QByteArray FormatCommSettings(const CommSettings& settings) {
    return QByteArray::number(settings.CommNum) + ',' + QByteArray::number(settings.CommRate) +
           "\r\n";
}

std::optional<QString> WriteCommSettings(const QString& path, const CommSettings& settings) {
    // The user's configuration folder is made on the first save, not at every start.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    const QByteArray content = FormatCommSettings(settings);
    if (file.write(content) != content.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}
