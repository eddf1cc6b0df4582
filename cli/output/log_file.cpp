#include "cli/output/log_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QJsonDocument>
#include <QJsonObject>

#include "cli/output/row_format.h"

namespace cli {

namespace {

// Enough for the first line of any log of these rows.
constexpr std::size_t kFirstLineBytes = 4096;
// Where the last line end of a log must lie: rows are far shorter.
constexpr std::size_t kLastRowBytes = 65536;

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

QStringList JsonKeys(std::string_view line) {
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
    return document.isObject() ? document.object().keys() : QStringList();
}

std::string Shown(std::string_view line) {
    constexpr std::size_t kShown = 80;
    return '"' + std::string(line.substr(0, kShown)) + (line.size() > kShown ? "...\"" : "\"");
}

} // namespace

std::optional<std::string> FirstLineMismatch(std::string_view format, std::string_view firstLine) {
    if (format == "csv") {
        std::string header = CsvHeader();
        header.pop_back(); // its line end
        if (firstLine == header) {
            return std::nullopt;
        }
        return "its first line is " + Shown(firstLine) + ", not the CSV header " + header;
    }
    if (format == "jsonl") {
        const QStringList keys = JsonKeys(JsonRow(Row{}));
        if (JsonKeys(firstLine) == keys) {
            return std::nullopt;
        }
        return "its first line is " + Shown(firstLine) + ", not a JSON row with the keys " +
               keys.join(", ").toStdString();
    }
    if (format == "influx") {
        constexpr std::string_view kStart = "ht5530k,";
        if (firstLine.substr(0, kStart.size()) == kStart) {
            return std::nullopt;
        }
        return "its first line is " + Shown(firstLine) +
               ", not an InfluxDB line of the measurement ht5530k";
    }
    return std::nullopt; // text: for people, not checked
}

LogFile::~LogFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::optional<std::string> LogFile::open(const std::string& path, const std::string& format,
                                         bool append) {
    m_path = path;
    m_format = format;
    const int flags = append ? O_RDWR | O_CREAT | O_APPEND : O_WRONLY | O_CREAT | O_TRUNC;
    return openAt(flags, m_fd);
}

std::optional<std::string> LogFile::reopen() {
    int fd = -1;
    if (auto error = openAt(O_RDWR | O_CREAT | O_APPEND, fd)) {
        return error;
    }
    // The old file is closed only now, and the number is kept for the writers.
    const int kept = ::dup2(fd, m_fd);
    ::close(fd);
    if (kept < 0) {
        return SystemError("cannot open again", m_path);
    }
    return std::nullopt;
}

bool LogFile::empty() const {
    struct stat file {};
    return ::fstat(m_fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_size == 0;
}

std::optional<std::string> LogFile::openAt(int flags, int& fd) {
    m_note.clear();
    fd = ::open(m_path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        return SystemError("cannot write", m_path);
    }
    struct stat file {};
    if ((flags & O_APPEND) == 0 || ::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) ||
        file.st_size == 0) {
        return std::nullopt;
    }
    const auto fail = [&](const std::string& error) {
        ::close(fd);
        fd = -1;
        return std::optional<std::string>(error);
    };
    const auto size = static_cast<std::size_t>(file.st_size);
    std::vector<char> head(std::min(size, kFirstLineBytes));
    if (::pread(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size())) {
        return fail(SystemError("cannot read", m_path));
    }
    const std::string_view start(head.data(), head.size());
    if (const auto mismatch = FirstLineMismatch(m_format, start.substr(0, start.find('\n')))) {
        return fail(m_path + " holds other rows than these: " + *mismatch);
    }
    const std::size_t tailSize = std::min(size, kLastRowBytes);
    std::vector<char> tail(tailSize);
    const auto tailStart = static_cast<off_t>(size - tailSize);
    if (::pread(fd, tail.data(), tailSize, tailStart) != static_cast<ssize_t>(tailSize)) {
        return fail(SystemError("cannot read", m_path));
    }
    if (tail.back() == '\n') {
        return std::nullopt;
    }
    const auto lineEnd = std::find(tail.rbegin(), tail.rend(), '\n');
    if (lineEnd == tail.rend()) {
        return fail(m_path + " does not end with a whole row");
    }
    const auto cut = static_cast<std::size_t>(lineEnd - tail.rbegin());
    if (::ftruncate(fd, static_cast<off_t>(size - cut)) != 0) {
        return fail(SystemError("cannot cut off the unfinished last row of", m_path));
    }
    m_note = m_path + " ended in the middle of a row: its last " + std::to_string(cut) +
             " bytes were cut off";
    return std::nullopt;
}

} // namespace cli
