#!/usr/bin/env python3
"""Compares Gravon's F0 track with Praat's To Pitch on recordings without a ground truth and
prints one Markdown row per recording: the frames both call voiced, how many of them lie an
octave (or more) apart, and the share of Praat's voiced frames that Gravon accepts. Standard
library only.

Usage: octave_agreement.py NAME GRAVON_TRACKS_CSV PRAAT_DIR [NAME CSV DIR ...]
PRAAT_DIR is what compare_tools.praat writes (praat_f0.txt, praat_times.txt).
"""

import math
import sys

sys.path.insert(0, __file__.rsplit("/", 1)[0])
from compare_tools import gravon_frames  # noqa: E402


def praat_track(dirname):
    with open(f"{dirname}/praat_times.txt", encoding="ascii") as f:
        t1, dt, _, _ = (float(v) for v in f.read().split())
    with open(f"{dirname}/praat_f0.txt", encoding="ascii") as f:
        f0s = [float(v) for v in f.read().split()]
    return t1, dt, f0s


def row(name, csv, praat_dir):
    t1, dt, pf0 = praat_track(praat_dir)
    both = below = above = other = pvoiced = taken = accepted = 0
    cents = []
    for t, f0, _ in gravon_frames(csv):
        accepted += f0 > 0
        i = round((t - t1) / dt)
        if i < 0 or i >= len(pf0) or abs(t1 + i * dt - t) > dt / 2 + 1e-9:
            continue
        p = pf0[i]
        if p <= 0:
            continue
        pvoiced += 1
        if f0 <= 0:
            continue
        taken += 1
        both += 1
        d = 12 * math.log2(f0 / p)
        if d <= -9:
            below += 1
        elif d >= 9:
            above += 1
        elif abs(d) > 3:
            other += 1
        else:
            cents.append(abs(100 * d))
    cents.sort()
    med = cents[len(cents) // 2] if cents else float("nan")
    pct = lambda a, b: f"{100.0 * a / b:.1f} %" if b else "-"
    return (f"| {name} | {pvoiced} | {accepted} | {pct(taken, pvoiced)} | {both} | "
            f"{pct(below, both)} | {pct(above, both)} | {pct(other, both)} | {med:.0f} |")


def main():
    args = sys.argv[1:]
    if not args or len(args) % 3:
        sys.exit(__doc__)
    print("| Recording | Praat voiced | Gravon accepted | Praat voiced accepted | Both voiced "
          "| Octave below | Octave above | Other > 3 ST | Median cents (rest) |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for k in range(0, len(args), 3):
        print(row(*args[k:k + 3]))


if __name__ == "__main__":
    main()
