#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli {

// The file a poll writes its rows to (--output FILE).
//
// Replaced when opened, or with --append added to: a file with rows in it
// must then hold rows of the same format, so that a restarted run does not
// mix two kinds of rows in one log. Its first line must be the CSV header
// (csv), a JSON object with the keys of the rows (jsonl), or a line of the
// measurement ht5530k (influx); text is for people and is not checked. A last row cut short (a
// crash, the power going mid-row) is cut off, so that the next row starts on a line of its own.
//
// reopen() opens the path again, for logrotate's convention: the old file
// renamed, then SIGHUP. Every row written before the call is in the old
// file, every row after it in the new one.
class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens `path` for rows in `format` (csv, jsonl, text or influx); the error text
    // when it cannot be opened or, appending, holds other rows.
    std::optional<std::string> open(const std::string& path, const std::string& format,
                                    bool append);
    // Opens the path again, adding to what is there (checked as above). The
    // descriptor keeps its number: writers holding it go on into the new
    // file. On failure the rows go on into the file open until now.
    std::optional<std::string> reopen();

    int fd() const { return m_fd; }
    // Holds nothing yet: the CSV header goes first.
    bool empty() const;
    // A note for the user on what open() or reopen() changed ("cut off a last
    // row ..."), empty when nothing.
    const std::string& note() const { return m_note; }

private:
    std::optional<std::string> openAt(int flags, int& fd);

    std::string m_path;
    std::string m_format;
    std::string m_note;
    int m_fd = -1;
};

// Whether `firstLine` (without its line end) begins a log of `format`:
// nothing when it does, else what is wrong.
std::optional<std::string> FirstLineMismatch(std::string_view format, std::string_view firstLine);

} // namespace cli
