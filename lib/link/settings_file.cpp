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
    if (text.starts_with("\r\n")) {
        text.remove_prefix(2);
    } else if (text.front() == ',' || text.front() == '\n' || text.front() == '\r') {
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

QString CommSetReading::problemText() const {
    switch (problem) {
    case Problem::None:
        break;
    case Problem::Missing:
        return QStringLiteral("does not exist");
    case Problem::NotAFile:
        return QStringLiteral("is %1, not a file").arg(detail);
    case Problem::Unreadable:
        return QStringLiteral("cannot be read (%1)").arg(detail);
    case Problem::Malformed:
        return detail.isEmpty()
                   ? QStringLiteral("is empty: it holds no port and rate")
                   : QStringLiteral("holds no port and rate: it starts \"%1\"").arg(detail);
    }
    return {};
}

namespace {

// The start of a malformed file, short, with what cannot be printed escaped.
QString StartOf(const QByteArray& content) {
    constexpr qsizetype kShown = 24;
    QString start;
    for (const char c : content.left(kShown)) {
        if (c == '\r') {
            start += QStringLiteral("\\r");
        } else if (c == '\n') {
            start += QStringLiteral("\\n");
        } else if (c >= ' ' && c <= '~') {
            start += QLatin1Char(c);
        } else {
            start +=
                QStringLiteral("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
        }
    }
    return start;
}

CommSetReading Failed(CommSetReading::Problem problem, const QString& detail = {}) {
    return {problem, {}, detail};
}

} // namespace

CommSetReading LoadCommSettings(const QString& path) {
    using Problem = CommSetReading::Problem;
    const QFileInfo info(path);
    if (!info.exists()) {
        return Failed(Problem::Missing);
    }
    if (info.isDir()) {
        return Failed(Problem::NotAFile, QStringLiteral("a folder"));
    }
    if (!info.isFile()) {
        return Failed(Problem::NotAFile, QStringLiteral("a device, pipe or socket"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Failed(Problem::Unreadable, file.errorString());
    }
    const QByteArray content = file.read(kMaxRead);
    const std::optional<CommSettings> settings = ParseCommSettings(
        std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
    if (!settings) {
        return Failed(Problem::Malformed, StartOf(content));
    }
    return {Problem::None, *settings, {}};
}

CommSettings ReadCommSettings(const QString& path) {
    const CommSetReading reading = LoadCommSettings(path);
    return reading.problem == CommSetReading::Problem::None ? reading.settings : CommSettings{};
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
