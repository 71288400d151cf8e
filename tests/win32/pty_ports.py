#!/usr/bin/env python3
"""Gives a Wine test serial ports: a pseudo-terminal per COM name, linked into the prefix.

    pty_ports.py --prefix PREFIX --port com3 [--port com12] -- COMMAND...

Runs COMMAND with the links in place and removes them afterwards; exits with its code.
The command's output passes through; a line "@send comN HEX" from it puts those bytes on
the line of comN, so a test decides when data arrives.
"""
import argparse
import os
import pathlib
import subprocess
import sys
import tty


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--port", action="append", default=[])
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    dosdevices = pathlib.Path(args.prefix) / "dosdevices"
    masters = {}
    links = []
    for name in args.port:
        # The slave end stays open here too, so the line keeps its data while Wine opens and closes it.
        master, slave = os.openpty()
        # A fresh pty starts cooked with XON/XOFF on; a serial port's driver reports a raw line.
        tty.setraw(slave)
        os.set_blocking(master, False)
        masters[name.lower()] = (master, slave)
        link = dosdevices / name.lower()
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(os.ttyname(slave))
        links.append(link)

    def put(master, data):
        try:
            os.write(master, data)
        except BlockingIOError:
            pass  # nobody is reading: a real meter's bytes would be lost too

    try:
        child = subprocess.Popen(command, stdout=subprocess.PIPE)
        for raw in child.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            if line.startswith("@send "):
                _, name, payload = line.split(" ", 2)
                put(masters[name.lower()][0], bytes.fromhex(payload))
                continue
            print(line, flush=True)
        return child.wait()
    finally:
        for link in links:
            link.unlink(missing_ok=True)


if __name__ == "__main__":
    sys.exit(main())
