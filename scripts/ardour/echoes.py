#!/usr/bin/env python3
"""Helpers for the Ardour check: write a click into a session's files, measure
echo spacing in an export, compare two renders, look up a port by symbol.

Plain Python (no numpy): the files are a few seconds long.
"""

import argparse
import re
import struct
import sys
from array import array

FLOAT = 3
EXTENSIBLE = 0xFFFE


def chunks(data):
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise SystemExit("not a RIFF/WAVE file")
    pos = 12
    while pos + 8 <= len(data):
        cid = data[pos:pos + 4]
        size = struct.unpack_from("<I", data, pos + 4)[0]
        yield cid, pos + 8, size
        pos += 8 + size + (size & 1)


def float_layout(data, path):
    """(channels, rate, data offset, frames) of a 32-bit float WAV."""
    fmt = body = None
    for cid, off, size in chunks(data):
        if cid == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", data, off)
            if fmt[0] == EXTENSIBLE and size >= 40:
                fmt = (struct.unpack_from("<H", data, off + 24)[0],) + fmt[1:]
        elif cid == b"data":
            body = (off, size)
    if fmt is None or body is None:
        raise SystemExit(f"{path}: no fmt or data chunk")
    tag, channels, rate, _, _, bits = fmt
    if tag != FLOAT or bits != 32:
        raise SystemExit(f"{path}: not 32-bit float (format {tag}, {bits} bits)")
    return channels, rate, body[0], body[1] // (4 * channels)


def read(path):
    data = open(path, "rb").read()
    channels, rate, off, frames = float_layout(data, path)
    samples = array("f")
    samples.frombytes(data[off:off + frames * channels * 4])
    if sys.byteorder != "little":
        samples.byteswap()
    return rate, [samples[c::channels] for c in range(channels)]


def cmd_click(args):
    for path in args.files:
        data = bytearray(open(path, "rb").read())
        channels, _, off, frames = float_layout(data, path)
        if args.at >= frames:
            raise SystemExit(f"{path}: {frames} frames, no room for a click at {args.at}")
        for c in range(channels):
            struct.pack_into("<f", data, off + (args.at * channels + c) * 4, args.amp)
        open(path, "wb").write(data)


def impulses(channel, floor):
    """Frames above floor × the largest sample: with no filter, chorus or
    modulation every echo of a one-sample click is one sample."""
    top = max(abs(v) for v in channel)
    if top == 0:
        return []
    return [i for i, v in enumerate(channel) if abs(v) > floor * top]


def cmd_spacing(args):
    _, chans = read(args.file)
    peaks = impulses(chans[args.channel], args.floor)
    # The click, the first echo after the offset line, then one echo per pass
    # of the loop: the gaps after the first echo are the loop's length.
    gaps = [b - a for a, b in zip(peaks[1:], peaks[2:])]
    if len(gaps) < args.min_echoes - 1:
        raise SystemExit(f"{args.file} ch{args.channel}: too few echoes at {peaks}")
    if max(gaps) - min(gaps) > 1:
        raise SystemExit(f"{args.file} ch{args.channel}: uneven echo gaps {gaps} (peaks {peaks})")
    ch = chans[args.channel]
    ratios = sorted(ch[b] / ch[a] for a, b in zip(peaks[1:], peaks[2:]))
    print(f"{sorted(gaps)[len(gaps) // 2]} {len(peaks)} {peaks[0]} {peaks[1] - peaks[0]} "
          f"{ratios[len(ratios) // 2]:.4f}")


def cmd_compare(args):
    _, a = read(args.a)
    _, b = read(args.b)
    if len(a) != len(b):
        raise SystemExit(f"{len(a)} channels against {len(b)}")
    n = min(len(a[0]), len(b[0]))
    worst = max(max(abs(x - y) for x, y in zip(ca[:n], cb[:n])) for ca, cb in zip(a, b))
    print(f"{worst:.3g} {n}")


def cmd_port(args):
    text = open(args.ttl, encoding="utf-8").read()
    m = re.search(r'lv2:index\s+(\d+)\s*;\s*lv2:symbol\s+"' + re.escape(args.symbol) + '"', text)
    if not m:
        raise SystemExit(f"{args.ttl}: no port {args.symbol}")
    print(m.group(1))


def main():
    p = argparse.ArgumentParser(description=__doc__)
    sub = p.add_subparsers(dest="cmd", required=True)
    c = sub.add_parser("click", help="write one sample of AMP at frame AT into float WAV files")
    c.add_argument("files", nargs="+")
    c.add_argument("--at", type=int, required=True)
    c.add_argument("--amp", type=float, default=0.5)
    c.set_defaults(run=cmd_click)
    s = sub.add_parser("spacing", help="print the loop's echo spacing in frames, the peaks found, the click's frame, "
                       "the first echo's distance from it, the level of each echo against the one before")
    s.add_argument("file")
    s.add_argument("--channel", type=int, default=0)
    s.add_argument("--floor", type=float, default=1e-3)
    s.add_argument("--min-echoes", type=int, default=4)
    s.set_defaults(run=cmd_spacing)
    m = sub.add_parser("compare", help="print the largest sample difference and the frames compared")
    m.add_argument("a")
    m.add_argument("b")
    m.set_defaults(run=cmd_compare)
    t = sub.add_parser("port", help="print the LV2 port index of SYMBOL")
    t.add_argument("ttl")
    t.add_argument("symbol")
    t.set_defaults(run=cmd_port)
    args = p.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
