"""ht5530k-cli polling a bus of virtual modules: throughput, CPU, growth.

    bus_bench.py BUILD_DIR [--seconds S] [--sim PATH]

Every figure runs against ht5530k-sim --address LIST --baud 19200 (PATH, by
default BUILD_DIR/ht5530k-sim): modules answering at the line's pace.

1. bus exchanges: ht5530k-cli poll -a 1-8 --interval 10 for S seconds, as
   fast as the master allows (every round late), against the line's limit:
   a request of 8 bytes and an answer of 7 at 10 bits a byte, the 3.5
   characters of silence (11 bits each) after each, and the virtual module's
   turnaround (none). On a pseudo-terminal the request takes no line time,
   so the figure can exceed 100%.
2. bus CPU per exchange: ht5530k-cli -a 1-8 and mbpoll -a 1:8, a round every
   100 ms, at the same time, each against its own bus of eight (mbpoll asks one
   slave per -l period, so it gets -l 12); then the same for a single module at
   50 ms. Both write their readings to a file. CPU is each process's user
   and system time (wait4); exchanges are the requests its bus took (the
   simulator's log).
   Beside them, bench_exchange_floor makes the CLI's system calls for each
   exchange and nothing else, on Qt's event loop and in a bare poll() loop:
   the floor under the CLI's figure with and without Qt.
3. growth: ht5530k-cli alone against buses of 1, 8 and 35 modules, a round
   every 100 ms: CPU per exchange and peak memory (maxrss).
4. outputs: two polls of eight modules, a round every 100 ms, at the same
   time, each against its own bus: one writing CSV rows only, the other
   writing InfluxDB lines, serving --metrics, scraped every second, and
   publishing to a mosquitto broker on loopback (--mqtt). CPU per exchange
   of each, and what the outputs add.
"""
import csv
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

from bench_args import option, read_args

BAUD = 19200
REQUEST_BYTES, ANSWER_BYTES = 8, 7


def silence_ms(baud):
    """3.5 characters of 11 bits, at least 1.75 ms."""
    return max(1.75, 3.5 * 11 * 1000.0 / baud)


def line_limit_per_s(baud, turnaround_ms=0.0):
    frames_ms = (REQUEST_BYTES + ANSWER_BYTES) * 10 * 1000.0 / baud
    return 1000.0 / (frames_ms + 2 * silence_ms(baud) + turnaround_ms)


def start_sim(sim_path, addresses, log):
    sim = subprocess.Popen([sim_path, "--address", addresses, "--baud", str(BAUD), "--no-drift",
                            "--log", log], stdout=subprocess.PIPE, text=True)
    device = sim.stdout.readline().strip()
    if not device.startswith("/dev/"):
        sys.exit("bus_bench: the simulator printed no device")
    return sim, device


def stop(process):
    process.terminate()
    process.wait()


def usage_of(process, stop_signal=None):
    """Waits for the process (after sending stop_signal); its rusage."""
    if stop_signal is not None:
        process.send_signal(stop_signal)
    _, _, usage = os.wait4(process.pid, 0)
    process.returncode = 0  # reaped here; keeps Popen from waiting again
    return usage


def cpu(usage):
    return usage.ru_utime + usage.ru_stime


def requests_taken(log):
    with open(log) as lines:
        return sum(1 for line in lines
                   if line.split(" ", 2)[1:2] == ["rx"] and "discarded" not in line)


def cli_poll(build, device, addresses, interval, seconds, rows, outputs=()):
    return subprocess.Popen(
        [os.path.join(build, "ht5530k-cli"), "poll", "-p", device, "-b", str(BAUD), "-a",
         addresses, "--interval", str(interval), "--duration", str(seconds), "--output", rows,
         *outputs], stderr=subprocess.DEVNULL)


def ok_rows(rows):
    with open(rows, newline="") as f:
        return sum(1 for row in csv.DictReader(f) if row["outcome"] == "ok")


def met(ok):
    return "met" if ok else "NOT met"


def throughput(build, sim_path, work, seconds):
    log, rows = os.path.join(work, "t.log"), os.path.join(work, "t.csv")
    sim, device = start_sim(sim_path, "1-8", log)
    try:
        started = time.monotonic()
        usage_of(cli_poll(build, device, "1-8", 10, seconds, rows))
        ran = time.monotonic() - started
    finally:
        stop(sim)
    ok = ok_rows(rows)
    rate = ok / seconds
    limit = line_limit_per_s(BAUD)
    share = 100.0 * rate / limit
    print(f"bus exchanges: {rate:.0f} per s, {share:.0f}% of the line's limit "
          f"[goal >= 90%: {met(share >= 90)}] (8 modules at {BAUD} baud, {ok} sound answers "
          f"in {seconds:g} s, process {ran:.1f} s; limit {limit:.1f} per s: "
          f"{REQUEST_BYTES}+{ANSWER_BYTES} bytes at 10 bits, 2 x {silence_ms(BAUD):.2f} ms "
          f"silence, no turnaround; the pseudo-terminal does not pace the request)")


def cpu_beside_mbpoll(build, sim_path, work, seconds, addresses, mbpoll_addresses, modules,
                      interval, label):
    cli_log, mbpoll_log = os.path.join(work, "c.log"), os.path.join(work, "m.log")
    rows = os.path.join(work, "c.csv")
    cli_sim, cli_device = start_sim(sim_path, addresses, cli_log)
    mbpoll_sim, mbpoll_device = start_sim(sim_path, addresses, mbpoll_log)
    try:
        # Both write what they read to a file, as a logging run does.
        with open(os.path.join(work, "m.out"), "w") as mbpoll_out:
            cli = cli_poll(build, cli_device, addresses, interval, seconds, rows)
            mbpoll = subprocess.Popen(
                ["mbpoll", "-m", "rtu", "-b", str(BAUD), "-P", "none", "-a", mbpoll_addresses,
                 "-0", "-r", "0", "-c", "1", "-l", str(max(11, interval // modules)), "-o", "0.5",
                 mbpoll_device],
                stdout=mbpoll_out, stderr=subprocess.STDOUT)
            time.sleep(seconds)
            mbpoll_cpu = cpu(usage_of(mbpoll, signal.SIGINT))
            cli_cpu = cpu(usage_of(cli))
    finally:
        stop(cli_sim)
        stop(mbpoll_sim)
    cli_exchanges, mbpoll_exchanges = requests_taken(cli_log), requests_taken(mbpoll_log)
    cli_us = cli_cpu / cli_exchanges * 1e6 if cli_exchanges else float("inf")
    mbpoll_us = mbpoll_cpu / mbpoll_exchanges * 1e6 if mbpoll_exchanges else float("inf")
    ratio = cli_us / mbpoll_us
    print(f"bus CPU per exchange{label}: ht5530k-cli {cli_us:.0f} us, mbpoll {mbpoll_us:.0f} us, "
          f"ratio {ratio:.2f} [goal <= 1.0: {met(ratio <= 1.0)}] ({cli_exchanges} and "
          f"{mbpoll_exchanges} exchanges, {modules} module{'s' if modules > 1 else ''}, a round "
          f"every {interval} ms for {seconds:g} s, "
          f"at the same time)")


def cpu_floor(build, sim_path, work, seconds):
    """The CLI's system calls for each exchange alone, on Qt's event loop and in
    a bare poll() loop, beside the CLI and mbpoll: one module at 50 ms."""
    floor = os.path.join(build, "bench", "bench_exchange_floor")
    names = ("poll", "qt", "cli", "mbpoll")
    sims = {}
    try:
        for name in names:
            sims[name] = start_sim(sim_path, "1", os.path.join(work, f"f-{name}.log"))
        with open(os.path.join(work, "f-mbpoll.out"), "w") as mbpoll_out:
            running = {
                "poll": subprocess.Popen([floor, sims["poll"][1], "--interval", "50", "--seconds",
                                          str(seconds), "--rows", os.path.join(work, "f-poll.csv"),
                                          "--plain"], stdout=subprocess.DEVNULL),
                "qt": subprocess.Popen([floor, sims["qt"][1], "--interval", "50", "--seconds",
                                        str(seconds), "--rows", os.path.join(work, "f-qt.csv")],
                                       stdout=subprocess.DEVNULL),
                "cli": cli_poll(build, sims["cli"][1], "1", 50, seconds,
                                os.path.join(work, "f-cli.csv")),
                "mbpoll": subprocess.Popen(
                    ["mbpoll", "-m", "rtu", "-b", str(BAUD), "-P", "none", "-a", "1", "-0", "-r",
                     "0", "-c", "1", "-l", "50", "-o", "0.5", sims["mbpoll"][1]],
                    stdout=mbpoll_out, stderr=subprocess.STDOUT),
            }
            time.sleep(seconds)
            used = {"mbpoll": cpu(usage_of(running["mbpoll"], signal.SIGINT))}
            for name in ("poll", "qt", "cli"):
                used[name] = cpu(usage_of(running[name]))
    finally:
        for sim, _ in sims.values():
            stop(sim)
    per = {}
    for name in names:
        exchanges = requests_taken(os.path.join(work, f"f-{name}.log"))
        per[name] = used[name] / exchanges * 1e6 if exchanges else float("inf")
    print(f"bus CPU floor per exchange (one module at 50 ms for {seconds:g} s, at the same time; "
          f"the CLI's system calls alone): bare poll() loop {per['poll']:.0f} us, Qt event loop "
          f"{per['qt']:.0f} us; ht5530k-cli {per['cli']:.0f} us, mbpoll {per['mbpoll']:.0f} us")


def growth(build, sim_path, work, seconds):
    parts = []
    for addresses, count in (("1", 1), ("1-8", 8), ("1-35", 35)):
        log, rows = os.path.join(work, "g.log"), os.path.join(work, "g.csv")
        sim, device = start_sim(sim_path, addresses, log)
        try:
            usage = usage_of(cli_poll(build, device, addresses, 100, seconds, rows))
        finally:
            stop(sim)
        exchanges = requests_taken(log)
        per = cpu(usage) / exchanges * 1e6 if exchanges else float("inf")
        parts.append(f"{count}: {per:.0f} us, {usage.ru_maxrss / 1024:.1f} MiB")
    print(f"bus growth (CPU per exchange, peak memory; 1, 8, 35 modules, a round every 100 ms "
          f"for {seconds:g} s each) [goal: flat]: " + "; ".join(parts))


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def start_broker(work):
    """mosquitto on a loopback port, and the poll's --mqtt for it; none when
    it is not installed."""
    broker_path = shutil.which("mosquitto") or shutil.which("mosquitto", path="/usr/sbin")
    if broker_path is None:
        return None, ()
    port = free_port()
    config = os.path.join(work, "mosquitto.conf")
    with open(config, "w") as f:
        f.write(f"listener {port} 127.0.0.1\nallow_anonymous true\npersistence false\n"
                + ("user root\n" if os.getuid() == 0 else ""))
    broker = subprocess.Popen([broker_path, "-c", config], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
    while " running" not in broker.stderr.readline():
        pass
    return broker, ("--mqtt", f"mqtt://127.0.0.1:{port}")


def outputs_cost(build, sim_path, work, seconds):
    plain_log, full_log = os.path.join(work, "p.log"), os.path.join(work, "f.log")
    plain_sim, plain_device = start_sim(sim_path, "1-8", plain_log)
    full_sim, full_device = start_sim(sim_path, "1-8", full_log)
    port = free_port()
    broker, mqtt = start_broker(work)
    try:
        plain = cli_poll(build, plain_device, "1-8", 100, seconds, os.path.join(work, "p.csv"))
        full = subprocess.Popen(
            [os.path.join(build, "ht5530k-cli"), "poll", "-p", full_device, "-b", str(BAUD),
             "-a", "1-8", "--interval", "100", "--duration", str(seconds),
             "--format", "influx", "--output", os.path.join(work, "f.lp"),
             "--metrics", f"127.0.0.1:{port}", *mqtt], stderr=subprocess.DEVNULL)
        scrapes = 0
        end = time.monotonic() + seconds
        while time.monotonic() < end - 1:
            time.sleep(1)
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{port}/metrics", timeout=5) as r:
                    scrapes += len(r.read()) > 0
            except OSError:
                pass
        plain_cpu, full_cpu = cpu(usage_of(plain)), cpu(usage_of(full))
    finally:
        stop(plain_sim)
        stop(full_sim)
        if broker is not None:
            stop(broker)
    plain_exchanges, full_exchanges = requests_taken(plain_log), requests_taken(full_log)
    plain_us = plain_cpu / plain_exchanges * 1e6 if plain_exchanges else float("inf")
    full_us = full_cpu / full_exchanges * 1e6 if full_exchanges else float("inf")
    added = 100.0 * (full_us / plain_us - 1)
    outputs = "InfluxDB lines, --metrics and --mqtt" if mqtt else "InfluxDB lines and --metrics"
    print(f"bus outputs CPU per exchange: CSV rows only {plain_us:.0f} us, {outputs} "
          f"{full_us:.0f} us, {added:+.0f}% [goal <= +25%: {met(added <= 25)}] "
          f"({plain_exchanges} and {full_exchanges} exchanges, 8 modules, a round every 100 ms "
          f"for {seconds:g} s, at the same time; {scrapes} scrapes)")


def main():
    args = read_args(__doc__)
    build = args[0]
    seconds = option(args, "--seconds", 30.0)
    sim_path = option(args, "--sim", os.path.join(build, "ht5530k-sim"), str)
    if shutil.which("mbpoll") is None:
        sys.exit("bus_bench: mbpoll is not installed (scripts/install-deps installs it)")
    work = tempfile.mkdtemp(prefix="bus-bench-")
    try:
        throughput(build, sim_path, work, seconds)
        cpu_beside_mbpoll(build, sim_path, work, seconds, "1-8", "1:8", 8, 100, "")
        cpu_beside_mbpoll(build, sim_path, work, seconds, "1", "1", 1, 50, " (one module)")
        cpu_floor(build, sim_path, work, seconds)
        growth(build, sim_path, work, seconds)
        outputs_cost(build, sim_path, work, seconds)
    finally:
        shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
