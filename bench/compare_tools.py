#!/usr/bin/env python3
"""Scores the pitch tracks of Gravon, Praat and aubio against the synthesizer's ground truth
and prints the comparison as a Markdown table. Standard library only.

Alignment: every tool's frame is placed at the centre of its analysis window, and the truth is
interpolated there. The truth has one value per 20 ms frame, frame i covering
[i*0.02, (i+1)*0.02) s, so its values are taken at the frame centres (i+0.5)*0.02 and
interpolated linearly in between (pitch in semitones, level in power). A tool's frame counts as
truly voiced when both neighbouring truth frames are voiced and as truly unvoiced when both are
unvoiced; frames on a voicing edge count as neither. For Gravon's frame at t, which spans
[t-0.02, t+0.02), the two neighbours are exactly the truth frames it covers and the
interpolation is their mean.
"""

import argparse
import math
import statistics
import sys
import wave

TRUTH_FRAME_S = 0.02


def read_truth(path):
    voiced, semitone, power = [], [], []
    with open(path, encoding="ascii") as f:
        head = f.readline().strip().split(",")
        iv, ist, ispl = head.index("voiced"), head.index("semitone"), head.index("spl_db")
        for line in f:
            c = line.strip().split(",")
            if len(c) < len(head):
                continue
            voiced.append(c[iv] == "1")
            semitone.append(float(c[ist]))
            power.append(10.0 ** (float(c[ispl]) / 10.0))
    if not voiced:
        sys.exit(f"compare_tools.py: {path}: no truth frames")
    return voiced, semitone, power


class Truth:
    def __init__(self, path):
        self.voiced, self.semitone, self.power = read_truth(path)

    def at(self, t):
        """(state, semitone, spl_db) at time t; state is 'v', 'u' or None (edge/outside)."""
        x = t / TRUTH_FRAME_S - 0.5
        i = math.floor(x)
        n = len(self.voiced)
        if i < 0 or i + 1 >= n:
            # Before the first or after the last frame centre: the nearest frame alone.
            if -1 <= i < n:
                k = min(max(i, 0), n - 1)
                return ("v" if self.voiced[k] else "u"), self.semitone[k], \
                    10 * math.log10(self.power[k])
            return None, 0.0, 0.0
        w = x - i
        spl = 10 * math.log10((1 - w) * self.power[i] + w * self.power[i + 1])
        a, b = self.voiced[i], self.voiced[i + 1]
        if a and b:
            return "v", (1 - w) * self.semitone[i] + w * self.semitone[i + 1], spl
        if not a and not b:
            return "u", 0.0, spl
        return None, 0.0, spl


def semitone_of(hz):
    return 12.0 * math.log2(hz / 440.0) + 69.0


def percentile(sorted_values, q):
    """Linear interpolation between closest ranks (as numpy's default)."""
    if not sorted_values:
        return float("nan")
    pos = (len(sorted_values) - 1) * q
    lo = math.floor(pos)
    hi = min(lo + 1, len(sorted_values) - 1)
    return sorted_values[lo] + (pos - lo) * (sorted_values[hi] - sorted_values[lo])


def score(truth, frames, offset=0.0):
    """frames: iterable of (centre_time_s, f0_hz or 0, spl_db or None)."""
    cents, spl_err = [], []
    nv = nv_hit = nu = nu_hit = 0
    for t, f0, spl in frames:
        state, st, tspl = truth.at(t + offset)
        if spl is not None and state is not None:
            spl_err.append(abs(spl - tspl))
        if state == "v":
            nv += 1
            if f0 > 0:
                nv_hit += 1
                cents.append(abs(100.0 * (semitone_of(f0) - st)))
        elif state == "u":
            nu += 1
            if f0 > 0:
                nu_hit += 1
    cents.sort()
    spl_err.sort()
    return {
        "median": percentile(cents, 0.5),
        "p95": percentile(cents, 0.95),
        "gross": (sum(1 for c in cents if c > 50.0) / len(cents)) if cents else float("nan"),
        "voiced": nv_hit / nv if nv else float("nan"),
        "false": nu_hit / nu if nu else float("nan"),
        "spl_median": percentile(spl_err, 0.5) if spl_err else None,
        "n": len(cents),
    }


def gravon_frames(path):
    with open(path, encoding="utf-8") as f:
        # Past the lines that say where the table came from.
        head = next(line for line in f if not line.startswith("#")).strip().split(",")
        it, ia, ifo, ispl = (head.index(k) for k in
                             ("time_centre_s", "left_accepted", "left_fo", "left_SPL"))
        for line in f:
            c = line.rstrip("\n").split(",")
            if len(c) < len(head):
                continue
            # Empty cells: no F0 in a rejected frame, no level in digital silence.
            f0 = float(c[ifo]) if c[ia] == "1" and c[ifo] else 0.0
            yield float(c[it]), f0, float(c[ispl]) if c[ispl] else None


def praat_frames(dirname, fullscale_pa):
    with open(f"{dirname}/praat_times.txt", encoding="ascii") as f:
        t1, dt, it1, idt = (float(v) for v in f.read().split())
    with open(f"{dirname}/praat_f0.txt", encoding="ascii") as f:
        f0s = [float(v) for v in f.read().split()]
    with open(f"{dirname}/praat_int.txt", encoding="ascii") as f:
        ints = [float(v) for v in f.read().split()]
    # Praat takes sample values as pascals; ours are fractions of full scale.
    gain_db = 20 * math.log10(fullscale_pa)
    for k, f0 in enumerate(f0s):
        t = t1 + k * dt
        j = round((t - it1) / idt)
        spl = ints[j] + gain_db if 0 <= j < len(ints) else None
        yield t, f0, spl


def aubio_frames(path, hop, buf, rate):
    # aubiopitch stamps block n with n*hop; that block's window is the buf samples ending at
    # (n+1)*hop.
    shift = (hop - buf / 2.0) / rate
    with open(path, encoding="ascii") as f:
        for line in f:
            c = line.split()
            if len(c) >= 2:
                yield float(c[0]) + shift, float(c[1]), None


def read_times(path):
    runs = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            c = line.split()
            if len(c) == 5:
                runs.setdefault(c[0], []).append([float(v) for v in c[1:]])
    out = {}
    for tool, rs in runs.items():
        out[tool] = {
            "wall": statistics.median(r[0] for r in rs),
            "cpu": statistics.median(r[1] + r[2] for r in rs),
            "mem": statistics.median(r[3] for r in rs) / 1024.0,
            "runs": len(rs),
        }
    return out


def fmt(v, spec):
    return "-" if v is None or (isinstance(v, float) and math.isnan(v)) else format(v, spec)


def pct(v, spec):
    return "-" if v is None or math.isnan(v) else format(100 * v, spec) + " %"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--truth", required=True)
    ap.add_argument("--wav", required=True)
    ap.add_argument("--gravon", required=True)
    ap.add_argument("--praat-dir", required=True)
    ap.add_argument("--aubio", nargs=4, action="append", required=True,
                    metavar=("KEY", "FILE", "LABEL", "HOP"),
                    help="an aubiopitch output: its key in the times file, the file, its label "
                         "and the hop it ran with")
    ap.add_argument("--aubio-buf", type=int, required=True)
    ap.add_argument("--fullscale-pa", type=float, default=100.0)
    ap.add_argument("--times", required=True)
    ap.add_argument("--scan", action="store_true",
                    help="also report, per tool, the time shift in ms that would minimise "
                         "the median error (a check of the alignment)")
    a = ap.parse_args()

    with wave.open(a.wav, "rb") as w:
        rate = w.getframerate()
        duration = w.getnframes() / rate
    truth = Truth(a.truth)
    tracks = {
        "Gravon": list(gravon_frames(a.gravon)),
        "Praat": list(praat_frames(a.praat_dir, a.fullscale_pa)),
    }
    keys = {"Gravon": "gravon", "Praat": "praat"}
    for key, path, label, hop in a.aubio:
        tracks[label] = list(aubio_frames(path, int(hop), a.aubio_buf, rate))
        keys[label] = key
    times = read_times(a.times)

    print("| tool | wall s | CPU s | x real time | peak memory MB | F0 median abs cents "
          "| F0 p95 abs cents | F0 errors > 50 cents | voiced share | unvoiced reported "
          "voiced | SPL median abs dB |")
    print("| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |")
    scores = {}
    for name, frames in tracks.items():
        s = score(truth, frames)
        scores[name] = s
        tm = times.get(keys[name], {})
        wall = tm.get("wall")
        print(f"| {name} | {fmt(wall, '.2f')} | {fmt(tm.get('cpu'), '.2f')} "
              f"| {fmt(duration / wall if wall else None, '.0f')} | {fmt(tm.get('mem'), '.0f')} "
              f"| {fmt(s['median'], '.1f')} | {fmt(s['p95'], '.1f')} "
              f"| {pct(s['gross'], '.2f')} | {pct(s['voiced'], '.1f')} "
              f"| {pct(s['false'], '.1f')} | {fmt(s['spl_median'], '.2f')} |")
    print()
    g = times.get("gravon")
    if g:
        for name in list(tracks)[1:]:
            p = times.get(keys[name])
            if not p:
                continue
            wr, cr = p["wall"] / g["wall"], p["cpu"] / g["cpu"]
            word = "faster" if wr >= 1 else "slower"
            print(f"- Gravon is {fmt(wr if wr >= 1 else 1 / wr, '.1f')}x {word} than {name} "
                  f"in wall time and uses {fmt(cr if cr >= 1 else 1 / cr, '.1f')}x "
                  f"{'less' if cr >= 1 else 'more'} CPU time.")
    print(f"- Sound: {duration:.1f} s; timings are the median of "
          f"{min(t['runs'] for t in times.values()) if times else 0} runs; x real time = "
          f"sound duration / wall time.")
    print(f"- Frames scored (truly voiced and reported voiced): "
          + ", ".join(f"{n} {s['n']}" for n, s in scores.items()) + ".")
    if a.scan:
        for name, frames in tracks.items():
            best = min(range(-60, 61, 2), key=lambda ms: score(truth, frames, ms / 1000.0)
                       ["median"])
            print(f"- Alignment check: {name}'s median error is smallest when shifted by "
                  f"{best:+d} ms ({score(truth, frames, best / 1000.0)['median']:.1f} cents).")


if __name__ == "__main__":
    main()
