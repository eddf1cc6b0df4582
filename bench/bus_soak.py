"""A long poll of a bus with a dead module and the port pulled: rows and memory.

    bus_soak.py BUILD_DIR [--minutes M] [--pulls N] [--outage S]

ht5530k-cli poll -a 1-8 --interval 1000 --reconnect --format jsonl runs for M
minutes (default 30) against ht5530k-sim --address 1-8 --baud 19200 with the
module at address 5 silent, reached through a link as a /dev/serial/by-id name
would be. N times (default 2), evenly spread, the simulator is stopped (the
port is pulled) and started again on the same link S seconds later (default
15).

Checked at the end:
- no row lost: the rows run round after round, addresses 1 to 8 in order with
  none missing or doubled, times rising; for each address the rows of each
  outcome agree with the summary (answered, skipped, lost turns);
- every pull was one outage, and polling went on after it;
- memory: the poll's resident size one minute in and at the end; the growth
  must stay under 1 MiB.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

from bench_args import option, read_args

BAUD = 19200
ADDRESSES = list(range(1, 9))
DEAD = 5


def start_sim(build, link, log):
    sim = subprocess.Popen([os.path.join(build, "ht5530k-sim"), "--address", "1-8", "--baud",
                            str(BAUD), "--fault", f"silent@{DEAD}", "--link", link],
                           stdout=subprocess.PIPE, stderr=log, text=True)
    if not sim.stdout.readline().startswith("/dev/"):
        sys.exit("bus_soak: the simulator printed no device")
    return sim


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def check_rows(path):
    rows, summaries = [], {}
    with open(path) as lines:
        for line in lines:
            record = json.loads(line)
            if "summary" in record:
                summaries[record.get("address", "total")] = record
            else:
                rows.append(record)
    problems = []
    for index, row in enumerate(rows):
        expected = ADDRESSES[index % len(ADDRESSES)]
        if row["address"] != expected:
            problems.append(f"row {index + 1}: address {row['address']}, expected {expected}")
            break
        if index > 0 and row["time"] < rows[index - 1]["time"]:
            problems.append(f"row {index + 1}: time {row['time']} goes back")
            break
    if len(rows) % len(ADDRESSES) != 0:
        problems.append(f"{len(rows)} rows: the last round is not whole")
    for address in ADDRESSES:
        mine = [row["outcome"] for row in rows if row["address"] == address]
        summary = summaries.get(address)
        if summary is None:
            problems.append(f"no summary for address {address}")
            continue
        counts = {outcome: mine.count(outcome) for outcome in ("ok", "skipped", "lost")}
        if counts["ok"] != summary["answered"]:
            problems.append(f"address {address}: {counts['ok']} ok rows, "
                            f"{summary['answered']} answered")
        if counts["skipped"] != summary["skipped_turns"]:
            problems.append(f"address {address}: {counts['skipped']} skipped rows, "
                            f"{summary['skipped_turns']} skipped turns")
        if counts["lost"] != summary["lost_turns"]:
            problems.append(f"address {address}: {counts['lost']} lost rows, "
                            f"{summary['lost_turns']} lost turns")
        exchanged = len(mine) - counts["skipped"] - counts["lost"]
        if not exchanged <= summary["sent"] <= exchanged + counts["lost"]:
            problems.append(f"address {address}: {exchanged} exchange rows, {summary['sent']} sent")
    return rows, summaries, problems


def main():
    args = read_args(__doc__)
    build = args[0]
    minutes = option(args, "--minutes", 30.0)
    pulls = option(args, "--pulls", 2, int)
    outage = option(args, "--outage", 15.0)
    seconds = minutes * 60
    with tempfile.TemporaryDirectory() as folder:
        link = os.path.join(folder, "usb-bus")
        rows_path = os.path.join(folder, "bus.jsonl")
        sim_log = open(os.path.join(folder, "sim.log"), "w")
        errors_path = os.path.join(folder, "poll.err")
        sim = start_sim(build, link, sim_log)
        with open(errors_path, "w") as errors:
            poll = subprocess.Popen(
                [os.path.join(build, "ht5530k-cli"), "poll", "-p", link, "-b", str(BAUD), "-a",
                 "1-8", "--interval", "1000", "--duration", str(seconds), "--reconnect",
                 "--format", "jsonl", "--output", rows_path], stderr=errors)
        started = time.monotonic()
        pull_times = [seconds * (i + 1) / (pulls + 1) for i in range(pulls)]
        first_kib = None
        last_kib = 0
        while poll.poll() is None:
            elapsed = time.monotonic() - started
            if first_kib is None and elapsed >= 60:
                first_kib = resident_kib(poll.pid)
            if pull_times and elapsed >= pull_times[0]:
                pull_times.pop(0)
                sim.terminate()
                sim.wait()
                time.sleep(outage)
                sim = start_sim(build, link, sim_log)
            if elapsed < seconds - 5:
                last_kib = resident_kib(poll.pid) or last_kib
            time.sleep(1)
        sim.terminate()
        sim.wait()
        with open(errors_path) as errors:
            messages = errors.read()
        rows, summaries, problems = check_rows(rows_path)
        if poll.returncode not in (0, 1):
            problems.append(f"the poll ended with status {poll.returncode}")
        outages = messages.count("each turn is a row with the outcome lost")
        if outages != pulls:
            problems.append(f"{outages} outages reported for {pulls} pulls")
        growth = last_kib - (first_kib or last_kib)
        total = summaries.get("total", {})
        print(f"bus soak: {minutes:g} min, {len(rows)} rows in {len(rows) // len(ADDRESSES)} "
              f"rounds, {total.get('answered', 0)} answered, "
              f"{sum(s.get('lost_turns', 0) for a, s in summaries.items() if a != 'total')} lost "
              f"in {outages} outages, address {DEAD} dead "
              f"({summaries.get(DEAD, {}).get('skipped_turns', 0)} turns skipped)")
        print(f"bus soak memory: {first_kib} KiB after 1 min, {last_kib} KiB at the end, "
              f"growth {growth} KiB (goal: under 1024)")
        for problem in problems:
            print(f"bus soak: {problem}")
        print(f"bus soak rows lost: {'0' if not problems else 'SOME'} (goal: 0)")
        return 0 if not problems and growth < 1024 else 1


if __name__ == "__main__":
    sys.exit(main())
