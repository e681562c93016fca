#!/usr/bin/env python3
"""Writes the start-up benchmark's input files.

  startup_files.py db  N FILE   job database with N categories (a tenth of
                                them nested one level below another) and no jobs
  startup_files.py ini N FILE   set.ini with N proxy entries
  startup_files.py num N FILE   set.ini with Proxynum=N and no entries
"""
import struct
import sys


def text(s):
    b = s.encode("cp1252")
    return struct.pack("<H", len(b)) + b


def database(n):
    out = bytearray()
    flat = n - n // 10
    for i in range(flat):
        out += text("Downloaded") + text("c%d" % i) + text("Category %d" % i) + text("/tmp/c%d" % i)
    for i in range(n - flat):
        out += text("c%d" % i) + text("s%d" % i) + text("Sub %d" % i) + text("")
    out += text("0") + text("0") + text("end") + text("end")
    return bytes(out)


def settings(entries, proxynum):
    lines = ["[General]", "Maxjobs=5", "Parts=5", "[Proxy]", "Proxynum=%d" % proxynum, "Default=0"]
    lines += ["%d=proxy%d.example:%d" % (i, i, 8000 + i % 1000) for i in range(1, entries + 1)]
    lines += ["[Other]", "UseMQ=1"]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def main():
    kind, n, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    data = {"db": lambda: database(n), "ini": lambda: settings(n, n),
            "num": lambda: settings(0, n)}[kind]()
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
