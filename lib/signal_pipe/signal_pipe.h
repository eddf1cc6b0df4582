#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace signal_pipe {

// Signals as bytes on a pipe that an event loop watches. The handler only
// writes the signal's number to the pipe and keeps errno as it found it, so
// the loop wakes at once and the program stops (and cleans up) outside the
// handler. One SignalPipe is installed at a time.
class SignalPipe {
public:
    SignalPipe() = default;
    // Gives the signals back their default actions and closes the pipe.
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // Catches `stopSignals`. Gives the error text, empty on success; after an
    // error the signals not yet caught act as usual.
    std::string Install(std::initializer_list<int> stopSignals);
    // The pipe's read end, to watch for input; -1 before Install.
    int Fd() const { return m_read; }
    // The signals caught since the last call, in order; empties the pipe.
    std::vector<int> Take();

private:
    int m_read = -1;
    std::vector<int> m_installed;
};

} // namespace signal_pipe
