#!/usr/bin/env python3
"""Watches a folder with Linux's inotify and prints, for each file that is
created and then closed after writing, one line "<name> <ms>": the time from
its creation to that close, which for a file written in one go is the time
spent writing it. Runs until it is ended (SIGTERM).

A line ends with "same-wakeup" when both events came in one read: the file
was written faster than this watcher woke up, and <ms> is 0.

Usage: watch_writes.py FOLDER
"""
import ctypes
import os
import signal
import struct
import sys
import time

IN_CLOSE_WRITE = 0x008
IN_CREATE = 0x100
EVENT_HEADER = struct.Struct("iIII")


def main():
    folder = sys.argv[1]
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    descriptor = libc.inotify_init()
    if descriptor < 0 or libc.inotify_add_watch(descriptor, folder.encode(), IN_CREATE | IN_CLOSE_WRITE) < 0:
        sys.exit(f"cannot watch {folder}: errno {ctypes.get_errno()}")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("ready", flush=True)
    created = {}
    while True:
        data = os.read(descriptor, 65536)
        now = time.monotonic()
        offset = 0
        batch = set()
        while offset < len(data):
            _, mask, _, length = EVENT_HEADER.unpack_from(data, offset)
            name = data[offset + EVENT_HEADER.size: offset + EVENT_HEADER.size + length].rstrip(b"\0").decode()
            offset += EVENT_HEADER.size + length
            if mask & IN_CREATE:
                created[name] = now
                batch.add(name)
            elif mask & IN_CLOSE_WRITE and name in created:
                note = " same-wakeup" if name in batch else ""
                print(f"{name} {(now - created.pop(name)) * 1000:.2f}{note}", flush=True)


if __name__ == "__main__":
    main()
