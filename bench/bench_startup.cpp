// Start-up to the first painted frame, and peak memory, of the tool against a
// floor window of the same size (649x435) showing the tool's texts in its
// fonts (bench_floor_window), and for reference against an empty window.
//
// Time: every run is a fresh process, timed from just before it is spawned to
// the "painted" line it writes once its first frame is painted.
// bench_window_launcher runs the tool's own start-up (app/main.cpp's steps,
// with the program folder of build/ht5530k) in-process with that marker;
// bench_floor_window --mark-paint is the baseline, bench_empty_window
// --mark-paint a reference.
// Memory: build/ht5530k itself and the two baselines each run for a second,
// are stopped with SIGTERM, and wait4() reports their peak resident set.
//
//   bench_startup [--repeats N]   runs of each program for each figure (default 20)

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench_util.h"

extern char** environ;

namespace {

using Command = std::vector<std::string>;

// Starts `command` with standard output on `out` (or /dev/null when -1) and
// standard error on /dev/null; -1 when it cannot be started.
pid_t Spawn(const Command& command, int out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0) {
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for `pid`; kills it when it has not ended within a few seconds.
void Reap(pid_t pid, rusage* usage = nullptr) {
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        if (wait4(pid, &status, WNOHANG, usage) == pid) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    int status = 0;
    wait4(pid, &status, 0, usage);
}

// Milliseconds from spawning `command` to its "painted" line; -1 on failure.
double TimeToFirstPaint(const Command& command) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return -1;
    }
    const auto start = BenchClock::now();
    const pid_t pid = Spawn(command, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    std::string seen;
    double elapsed = -1;
    pollfd watch{fds[0], POLLIN, 0};
    while (poll(&watch, 1, 10000) > 0) {
        char buffer[256];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        seen.append(buffer, static_cast<std::size_t>(n));
        if (seen.find("painted\n") != std::string::npos) {
            elapsed = Milliseconds(BenchClock::now() - start);
            break;
        }
    }
    close(fds[0]);
    Reap(pid);
    return elapsed;
}

// Peak resident set in KiB of `command` run for `runMs`, then terminated.
double PeakRssKiB(const Command& command, int runMs) {
    const pid_t pid = Spawn(command, -1);
    if (pid < 0) {
        return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(runMs));
    kill(pid, SIGTERM);
    rusage usage{};
    Reap(pid, &usage);
    return static_cast<double>(usage.ru_maxrss);
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = static_cast<int>(NumberOption(argc, argv, "--repeats", 20));
    const Command tool{HT_TOOL_PATH};
    const Command toolPainted{HT_LAUNCHER_PATH, "--folder", FolderOf(HT_TOOL_PATH)};
    const Command empty{HT_EMPTY_PATH};
    const Command emptyPainted{HT_EMPTY_PATH, "--mark-paint"};
    const Command floor{HT_FLOOR_PATH};
    const Command floorPainted{HT_FLOOR_PATH, "--mark-paint"};
    constexpr int kRunMs = 1000;

    // One unmeasured run of each, so both start with the same warm file cache.
    TimeToFirstPaint(toolPainted);
    TimeToFirstPaint(emptyPainted);
    TimeToFirstPaint(floorPainted);

    std::vector<double> toolMs, emptyMs, floorMs, toolKiB, emptyKiB, floorKiB;
    for (int i = 0; i < repeats; ++i) {
        // Rotate which goes first, so none always follows another.
        for (int k = 0; k < 3; ++k) {
            switch ((i + k) % 3) {
            case 0:
                toolMs.push_back(TimeToFirstPaint(toolPainted));
                break;
            case 1:
                emptyMs.push_back(TimeToFirstPaint(emptyPainted));
                break;
            default:
                floorMs.push_back(TimeToFirstPaint(floorPainted));
                break;
            }
        }
    }
    for (int i = 0; i < repeats; ++i) {
        toolKiB.push_back(PeakRssKiB(tool, kRunMs));
        emptyKiB.push_back(PeakRssKiB(empty, kRunMs));
        floorKiB.push_back(PeakRssKiB(floor, kRunMs));
    }
    for (const auto* samples : {&toolMs, &emptyMs, &floorMs, &toolKiB, &emptyKiB, &floorKiB}) {
        if (std::find(samples->begin(), samples->end(), -1.0) != samples->end()) {
            std::fprintf(stderr, "bench_startup: a run failed to start or to paint\n");
            return 1;
        }
    }

    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const double timeRatio = Median(toolMs) / Median(floorMs);
    std::printf("start-up to first painted frame: ht5530k %.1f ms, floor window (one label, the "
                "tool's texts and fonts) %.1f ms (medians of %d), ratio %.2fx [goal <= 1.3x: %s]; "
                "empty 649x435 window %.1f ms, ratio %.2fx (spawn to a marker after the first "
                "paint event, tool start-up run in-process; platform %s)\n",
                Median(toolMs), Median(floorMs), repeats, timeRatio, Verdict(timeRatio <= 1.3),
                Median(emptyMs), Median(toolMs) / Median(emptyMs), platform ? platform : "default");
    const double memoryRatio = Median(toolKiB) / Median(floorKiB);
    std::printf("peak memory (max RSS): build/ht5530k %.1f MiB, floor window %.1f MiB (medians of "
                "%d, %d ms runs), ratio %.2fx [goal <= 1.15x: %s]; empty 649x435 window %.1f MiB, "
                "ratio %.2fx\n",
                Median(toolKiB) / 1024, Median(floorKiB) / 1024, repeats, kRunMs, memoryRatio,
                Verdict(memoryRatio <= 1.15), Median(emptyKiB) / 1024,
                Median(toolKiB) / Median(emptyKiB));
    return 0;
}
