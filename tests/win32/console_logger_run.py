#!/usr/bin/env python3
"""vemtora-logger.exe under Wine against a pseudo-terminal linked as COM12, fed frames at the
line's pace: dated lines with the zone's summer-time offset on standard output and in the log,
the log read by a Windows reader while it grows, an adapter unplugged and plugged in again, and
Ctrl+C (Wine turns SIGINT into CTRL_C_EVENT for the console handler) ending with a whole line.

    console_logger_run.py PREFIX SHARED_READER LOGGER EMULATOR...
"""
import datetime
import json
import os
import pathlib
import queue
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
import tty
import zoneinfo

# Summer time in December: the offset must come from the zone's rules for the day, not its bias.
ZONE = "America/Santiago"
FRAMES = {b"a1000\t200\t10z": "64.6\t1.94\t125.3", b"a2000\t200\t10z": "129.2\t1.94\t250.6"}
DATED = re.compile(r"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d)([+-]\d\d:\d\d)\t(.*)")


class Meter:
    """A pseudo-terminal as the prefix's COM12, sending one frame every 20 ms (13 bytes take
    13.5 ms at 9600 bit/s) until unplugged."""

    def __init__(self, prefix, frame):
        self.link = pathlib.Path(prefix) / "dosdevices" / "com12"
        self.master, slave = os.openpty()
        tty.setraw(slave)
        self.link.unlink(missing_ok=True)
        self.link.symlink_to(os.ttyname(slave))
        os.close(slave)
        self.plugged = True
        threading.Thread(target=self.send, args=(frame,), daemon=True).start()

    def send(self, frame):
        while self.plugged:
            try:
                os.write(self.master, frame)
            except OSError:
                pass  # no reader yet: a real meter's bytes would be lost too
            time.sleep(0.02)

    def unplug(self):
        if self.plugged:
            self.plugged = False
            self.link.unlink(missing_ok=True)
            os.close(self.master)


def lines_of(stream, into):
    for raw in stream:
        into.put(raw.decode("utf-8", "replace"))
    into.put(None)


def wait_for(lines, pattern, seen, deadline):
    while True:
        line = lines.get(timeout=max(deadline - time.monotonic(), 0.1))
        if line is None:
            raise AssertionError(f"ended before {pattern!r}; so far {seen}")
        seen.append(line)
        if pattern in line:
            return line


def check_dated(line, started, ended):
    match = DATED.fullmatch(line.rstrip("\n"))
    assert match and line.endswith("\n") and match[3] in FRAMES.values(), f"not a whole dated line: {line!r}"
    stamp = datetime.datetime.fromisoformat(match[1] + match[2])
    assert started - datetime.timedelta(seconds=0.1) <= stamp <= ended, f"{line!r} outside the run"
    zone = zoneinfo.ZoneInfo(ZONE)
    assert stamp.utcoffset() == stamp.astimezone(zone).utcoffset(), f"{line!r}: not the zone's offset"


def windows(path):
    return "Z:" + str(path).replace("/", "\\")


def poll_metrics(path, running, reads):
    """Reads the metrics file as a textfile collector would, as often as it can."""
    while running.is_set():
        try:
            reads.append(path.read_text())
        except FileNotFoundError:
            pass


def timed_run(prefix, logger, emulator, environment, folder):
    """--duration ends the run by itself as a stop would: status 0, whole lines. Standard output
    carries a JSON object for each line of the log, with its time and digits; the metrics file
    passes promtool, counts the same, and is never seen half written."""
    log, metrics = folder / "timed.log", folder / "meter.prom"
    meter = Meter(prefix, b"a1000\t200\t10z")
    started = datetime.datetime.now(datetime.timezone.utc)
    running, reads = threading.Event(), []
    running.set()
    poller = threading.Thread(target=poll_metrics, args=(metrics, running, reads))
    poller.start()
    try:
        run = subprocess.run(emulator + [logger, "11", "--iso-time", "--interval", "0.2", "--duration", "2s",
                                         "--format", "json", "--log", windows(log), "--metrics-file", windows(metrics)],
                             capture_output=True, env=environment, timeout=60)
    finally:
        meter.unplug()
        running.clear()
        poller.join()
    ended = datetime.datetime.now(datetime.timezone.utc)
    assert run.returncode == 0 and run.stderr == b"", run
    lines = log.read_text().splitlines(keepends=True)
    objects = [json.loads(line) for line in run.stdout.decode().splitlines()]
    # Ten report ticks fit in the two seconds; the end may come just before the tenth.
    assert len(lines) in (9, 10) and len(objects) == len(lines), (lines, objects)
    for line, read in zip(lines, objects):
        check_dated(line, started, ended)
        assert line.startswith(read["time"] + "\t"), (line, read)
        assert (read["volts"], read["amperes"], read["watts"], read["interval"]) == (64.6, 1.94, 125.3, 0.2), read
        assert read["frames"] > 0, read
    check = subprocess.run(["promtool", "check", "metrics"], input=metrics.read_bytes(), capture_output=True)
    assert check.returncode == 0, check
    text = metrics.read_text()
    assert f'vemtora_intervals_total{{device="COM12"}} {len(objects)}\n' in text, text
    assert f'vemtora_frames_total{{device="COM12"}} {sum(o["frames"] for o in objects)}\n' in text, text
    # Every read is a whole file: one before the first reading, or one with all eight metrics.
    assert len(reads) > 10, len(reads)
    for read in reads:
        assert read.endswith("\n") and read.count("# TYPE") in (4, 8), read


def exit_statuses(logger, emulator, environment):
    """A port that is not there ends the start with 1, a bad command line with 2, each said once."""
    for arguments, status, said in ((["--device", "COM99"], 1, "vemtora-logger: cannot open COM99: "),
                                    (["16"], 2, "for COM17 and up, use --device COMn")):
        run = subprocess.run(emulator + [logger] + arguments, capture_output=True, env=environment, timeout=60)
        told = run.stderr.decode()
        assert run.returncode == status and said in told and run.stdout == b"", (arguments, run)


def main():
    prefix, reader, logger, emulator = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    work = tempfile.TemporaryDirectory()
    log = pathlib.Path(work.name) / "meter.log"
    windows_log = "Z:" + str(log).replace("/", "\\")
    environment = dict(os.environ, TZ=ZONE)
    # Every wait below is for an event; this only bounds a run that hangs (Wine starts in ~2 s).
    deadline = time.monotonic() + 90
    meter = Meter(prefix, b"a1000\t200\t10z")
    started = datetime.datetime.now(datetime.timezone.utc)
    child = subprocess.Popen(emulator + [logger, "11", "--iso-time", "--interval", "0.2", "--log", windows_log],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment)
    out, err = queue.Queue(), queue.Queue()
    threading.Thread(target=lines_of, args=(child.stdout, out), daemon=True).start()
    threading.Thread(target=lines_of, args=(child.stderr, err), daemon=True).start()
    seen, told = [], []
    try:
        for _ in range(5):
            wait_for(out, FRAMES[b"a1000\t200\t10z"], seen, deadline)
        shared = subprocess.run(emulator + [reader, windows_log], capture_output=True, env=environment)
        assert shared.returncode == 0, f"a reader could not open the growing log: {shared}"
        assert shared.stdout.decode().startswith(seen[0]), shared.stdout
        assert shared.stdout.decode().endswith("writers refused\n"), "a second writer was let in"

        meter.unplug()
        wait_for(err, "COM12 went away", told, deadline)
        meter = Meter(prefix, b"a2000\t200\t10z")
        wait_for(err, "COM12 is back; reading again", told, deadline)
        wait_for(out, FRAMES[b"a2000\t200\t10z"], seen, deadline)

        child.send_signal(signal.SIGINT)
        assert child.wait(timeout=max(deadline - time.monotonic(), 1)) == 0, f"exit status {child.returncode}"
        ended = datetime.datetime.now(datetime.timezone.utc)
        while (line := out.get(timeout=10)) is not None:
            seen.append(line)
        while (line := err.get(timeout=10)) is not None:
            told.append(line)
    finally:
        meter.unplug()
        if child.poll() is None:
            child.kill()

    assert sum("went away" in line for line in told) == 1, f"the loss said other than once: {told}"
    assert log.read_text() == "".join(seen), "the log and standard output differ"
    for line in seen:
        check_dated(line, started, ended)
    timed_run(prefix, logger, emulator, environment, pathlib.Path(work.name))
    exit_statuses(logger, emulator, environment)
    print(f"{len(seen)} dated lines, the unplugged adapter survived, Ctrl+C and --duration ended it whole")
    return 0


if __name__ == "__main__":
    sys.exit(main())
