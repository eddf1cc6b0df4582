"""ht5530k-cli poll beside mbpoll: CPU per poll, responses lost, response time.

    cli_vs_mbpoll.py BUILD_DIR [--seconds S]

Both masters poll at 50 ms for S seconds (default 60), at the same time, each
against its own ht5530k-sim paced at 19200 baud, so that both see the same
load on the machine. CPU is each process's own user and system time as
wait4() reports it at its end. Polls and answers come from each master's
output and from each simulator's log; the CLI's response time is its own
response_ms, mbpoll's the mean of its poll cycle less the 50 ms it waits
(mbpoll prints no times). A third process runs beside them over the same
seconds: bench_core_timer, a bare Qt program waking every 50 ms, the floor of
the CLI's event loop. Prints one line per figure, with the goals: the CLI's
CPU per poll at most mbpoll's, and no response lost.
"""
import csv
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from bench_args import option, read_args

INTERVAL_MS = 50


def start_sim(build, log):
    sim = subprocess.Popen([os.path.join(build, "ht5530k-sim"), "--baud", "19200", "--no-drift",
                            "--log", log], stdout=subprocess.PIPE, text=True)
    device = sim.stdout.readline().strip()
    if not device.startswith("/dev/"):
        sys.exit("cli_vs_mbpoll: the simulator printed no device")
    return sim, device


def cpu_of(process, stop_signal=None):
    """Waits for the process (after sending stop_signal, if any); its CPU seconds."""
    if stop_signal is not None:
        process.send_signal(stop_signal)
    _, _, usage = os.wait4(process.pid, 0)
    process.returncode = 0  # reaped here; keeps Popen from waiting again
    return usage.ru_utime + usage.ru_stime


def sim_counts(log):
    """Requests the module took, and answers it sent."""
    taken = sent = 0
    with open(log) as lines:
        for line in lines:
            fields = line.split(" ", 2)
            if len(fields) < 2:
                continue
            if fields[1] == "rx" and "discarded" not in line:
                taken += 1
            elif fields[1] == "tx":
                sent += 1
    return taken, sent


def main():
    args = read_args(__doc__)
    build = args[0]
    seconds = option(args, "--seconds", 60.0)
    if shutil.which("mbpoll") is None:
        sys.exit("cli_vs_mbpoll: mbpoll is not installed (scripts/install-deps installs it)")

    work = tempfile.mkdtemp(prefix="cli-vs-mbpoll-")
    cli_log, mbpoll_log = os.path.join(work, "cli-sim.log"), os.path.join(work, "mbpoll-sim.log")
    rows = os.path.join(work, "rows.csv")
    cli_sim, cli_device = start_sim(build, cli_log)
    mbpoll_sim, mbpoll_device = start_sim(build, mbpoll_log)
    try:
        with open(os.path.join(work, "cli.err"), "w") as cli_err, \
                open(os.path.join(work, "mbpoll.out"), "w") as mbpoll_out:
            started = time.monotonic()
            cli = subprocess.Popen(
                [os.path.join(build, "ht5530k-cli"), "poll", "-p", cli_device, "-b", "19200",
                 "--interval", str(INTERVAL_MS), "--duration", str(seconds), "--output", rows],
                stderr=cli_err)
            floor = subprocess.Popen([os.path.join(build, "bench", "bench_core_timer"),
                                      "--seconds", str(seconds)], stdout=subprocess.PIPE,
                                     text=True)
            mbpoll = subprocess.Popen(
                ["mbpoll", "-m", "rtu", "-b", "19200", "-P", "none", "-a", "1", "-0", "-r", "0",
                 "-c", "1", "-l", str(INTERVAL_MS), "-o", "0.5", mbpoll_device],
                stdout=mbpoll_out, stderr=subprocess.STDOUT)
            time.sleep(seconds)
            mbpoll_cpu = cpu_of(mbpoll, signal.SIGINT)
            mbpoll_ran = time.monotonic() - started
            cli_cpu = cpu_of(cli)
            floor_ticks = int(floor.stdout.read().split()[1])
            floor_cpu = cpu_of(floor)
    finally:
        for sim in (cli_sim, mbpoll_sim):
            sim.terminate()
            sim.wait()

    with open(rows, newline="") as f:
        cli_rows = list(csv.DictReader(f))
    cli_polls = len(cli_rows)
    cli_ok = [row for row in cli_rows if row["outcome"] == "ok"]
    cli_median = statistics.median(float(row["response_ms"]) for row in cli_ok) if cli_ok else 0
    with open(os.path.join(work, "mbpoll.out")) as f:
        mbpoll_ok = sum(1 for line in f if line.startswith("[0]:"))
    cli_taken, cli_answers = sim_counts(cli_log)
    mbpoll_polls, mbpoll_answers = sim_counts(mbpoll_log)
    shutil.rmtree(work)

    cli_per_poll = cli_cpu / cli_polls * 1e6 if cli_polls else float("inf")
    mbpoll_per_poll = mbpoll_cpu / mbpoll_polls * 1e6 if mbpoll_polls else float("inf")
    ratio = cli_per_poll / mbpoll_per_poll
    floor_per_tick = floor_cpu / floor_ticks * 1e6 if floor_ticks else float("inf")
    mbpoll_cycle_ms = mbpoll_ran / mbpoll_polls * 1000 if mbpoll_polls else 0
    cli_lost = cli_polls - len(cli_ok)
    mbpoll_lost = mbpoll_polls - mbpoll_ok
    met = lambda ok: "met" if ok else "NOT met"
    print(f"poll CPU (50 ms for {seconds:g} s at the same time, each against its own sim at "
          f"19200 baud): ht5530k-cli {cli_per_poll:.1f} us per poll ({cli_polls} polls, "
          f"{cli_cpu * 1000:.0f} ms CPU), mbpoll -l 50 {mbpoll_per_poll:.1f} us per poll "
          f"({mbpoll_polls} polls, {mbpoll_cpu * 1000:.0f} ms CPU), ratio {ratio:.2f}x "
          f"[goal <= 1.0x: {met(ratio <= 1.0)}]; floor: a bare Qt 50 ms timer "
          f"{floor_per_tick:.1f} us per tick ({floor_ticks} ticks)")
    print(f"poll responses lost: ht5530k-cli {cli_lost} ({cli_polls} polls, {cli_taken} taken "
          f"and {cli_answers} answered by the sim, {len(cli_ok)} ok), mbpoll {mbpoll_lost} "
          f"({mbpoll_polls} taken and {mbpoll_answers} answered by the sim, {mbpoll_ok} read) "
          f"[goal 0: {met(cli_lost == 0)}]")
    print(f"poll response time: ht5530k-cli median {cli_median:.2f} ms (its response_ms); "
          f"mbpoll cycle {mbpoll_cycle_ms:.2f} ms, {mbpoll_cycle_ms - INTERVAL_MS:.2f} ms above "
          f"its 50 ms wait (mean, from its poll count)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
