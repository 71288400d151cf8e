#!/usr/bin/env python3
"""Runs a Wine test against the meter simulator, held until the test is ready for it.

    held_meter.py --simulator SIM --prefix PREFIX --port com9 --baud 1200 --frames 40
                  [--delivery bytes] -- COMMAND...

The simulator's pseudo-terminal is linked as the prefix's COM port; it sends nothing until the
command prints "@release", then N frames back to back, delivered as --delivery says (one byte at
a time by default). Its closing line ("sent N frames, M well-formed") goes into a file the
command finds through VEMTORA_METER_REPORT (a Windows path), beside VEMTORA_METER_PORT,
VEMTORA_METER_BAUD and VEMTORA_METER_FRAMES. Afterwards the line's speed must be the one asked
for: the program set it through the serial driver.
Exits with the command's code; 77 (skipped) without a simulator.
"""
import argparse
import os
import pathlib
import select
import signal
import subprocess
import sys
import tempfile
import termios
import threading


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--simulator", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--port", required=True)
    parser.add_argument("--baud", type=int, required=True)
    parser.add_argument("--frames", type=int, required=True)
    parser.add_argument("--delivery", default="bytes")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not os.access(args.simulator, os.X_OK):
        print(f"SKIPPED: no meter simulator at {args.simulator} (build the linux preset)")
        return 77

    link = pathlib.Path(args.prefix) / "dosdevices" / args.port.lower()
    meter = subprocess.Popen(
        [args.simulator, "--hold", "--link", str(link), "--baud", str(args.baud), "--delivery", args.delivery,
         "--frames", str(args.frames), "--frames-per-second", "0"],
        stdout=subprocess.PIPE, text=True)
    work = tempfile.TemporaryDirectory()
    report = pathlib.Path(work.name) / "meter-report"
    try:
        if not select.select([meter.stdout], [], [], 10)[0]:
            print("the meter simulator did not start", file=sys.stderr)
            return 1
        device = meter.stdout.readline().strip()

        def keep_report():
            for line in meter.stdout:
                print(f"meter: {line.strip()}", flush=True)
                if line.startswith("sent "):
                    partial = report.with_suffix(".part")
                    partial.write_text(line)
                    partial.replace(report)  # whole or not at all, as the test reads it

        threading.Thread(target=keep_report, daemon=True).start()
        environment = dict(os.environ, VEMTORA_METER_PORT=args.port.upper(), VEMTORA_METER_BAUD=str(args.baud),
                           VEMTORA_METER_FRAMES=str(args.frames), VEMTORA_METER_REPORT=windows_path(report))
        child = subprocess.Popen(command, stdout=subprocess.PIPE, env=environment)
        for raw in child.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            if line == "@release":
                meter.send_signal(signal.SIGUSR1)
                continue
            print(line, flush=True)
        code = child.wait()

        line_end = os.open(device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            speed = termios.tcgetattr(line_end)[5]
        finally:
            os.close(line_end)
        wanted = getattr(termios, f"B{args.baud}")
        if speed != wanted:
            print(f"the program left the line at speed code {speed}, not {args.baud} bit/s", file=sys.stderr)
            code = code or 1
        return code
    finally:
        meter.terminate()
        meter.wait()
        work.cleanup()


if __name__ == "__main__":
    sys.exit(main())
