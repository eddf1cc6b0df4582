#pragma once

#include <string>
#include <string_view>

namespace cli {

// Where the rows of a run go: a file descriptor written row by row, straight
// to the system (nothing waits in a buffer), every write checked. A row that
// could be written only in part is cut off again, so that a file ends at its
// last whole row.
class RowOutput {
public:
    // `name` is how messages call it: the file's path, or "standard output".
    RowOutput(int fd, std::string name) : m_fd(fd), m_name(std::move(name)) {}

    // Writes `row` whole; false when it could not, with the reason in error().
    bool write(std::string_view row);

    // "cannot write day.csv: No space left on device"
    const std::string& error() const { return m_error; }

private:
    void cutOff(std::size_t written);

    int m_fd;
    std::string m_name;
    std::string m_error;
};

} // namespace cli
