#!/usr/bin/env python3
"""Summarises one scene of run_cost.sh: processor use from /proc figures, frame pacing and heap
counts from the host's frame log, resident memory. Prints the figures and the `target` lines.

The frame log (TIDEMARCH_FRAME_LOG) has a header line starting with '#' naming its columns and
one line per frame, times in milliseconds of the frame loop's clock, '-' where a frame was not
drawn.
"""

import argparse
import statistics

HOST_CPU_GOAL = 0.12  # share of one core
P99_SLACK_MS = 2


def read_log(path):
    frames = []
    columns = None
    with open(path) as f:
        for line in f:
            fields = line.split()
            if not fields:
                continue
            if fields[0] == "#":
                columns = fields[1:]
                continue
            frames.append({name: (None if value == "-" else int(value)) for name, value in zip(columns, fields)})
    return columns, frames


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scene", required=True)
    parser.add_argument("--ticks", type=float, required=True)
    parser.add_argument("--cpu", type=float, nargs=6, required=True)
    parser.add_argument("--wall", type=float, nargs=2, required=True)
    parser.add_argument("--rss", type=float, nargs=2, required=True)
    parser.add_argument("--warm-up", type=float, required=True)
    parser.add_argument("--seconds", type=float, required=True)
    parser.add_argument("log")
    args = parser.parse_args()
    scene = args.scene
    wall = args.wall[1] - args.wall[0]
    host, server, xserver = ((args.cpu[i + 1] - args.cpu[i]) / args.ticks / wall for i in (0, 2, 4))
    print("%s: processor use, share of one core: host %.3f, wineserver %.3f, Xvfb %.3f (over %.1f s)"
          % (scene, host, server, xserver, wall))
    growth = (args.rss[1] - args.rss[0]) / wall
    print("%s: host resident memory %d kB -> %d kB, %+.1f kB/s" % (scene, args.rss[0], args.rss[1], growth))

    try:
        columns, frames = read_log(args.log)
    except OSError:
        print("%s: no frame log" % scene)
        columns, frames = None, []
    if frames:
        # The measured stretch of the log: after the warm-up, as long as the processor figures.
        start = frames[0]["due"] + args.warm_up * 1000
        end = start + args.seconds * 1000
        measured = [f for f in frames if start <= f["due"] < end]
        presents = [f["present_end"] for f in measured if f["drawn"]]
        intervals = [b - a for a, b in zip(presents, presents[1:])]
        interval = statistics.median(f2["due"] - f1["due"] for f1, f2 in zip(measured, measured[1:]))
        span = (measured[-1]["due"] - measured[0]["due"]) / 1000 if len(measured) > 1 else 0
        if intervals and span > 0:
            p99 = percentile(intervals, 0.99)
            print("%s: %d frames, %.2f presented per second (frame interval %d ms); intervals between "
                  "presents: median %g ms, p99 %d ms, max %d ms" % (
                      scene, len(measured), len(presents) / span, interval, statistics.median(intervals), p99,
                      max(intervals)))
            for phase in ("update", "draw", "present"):
                took = [f[phase + "_end"] - f[phase + "_start"] for f in measured
                        if f.get(phase + "_start") is not None]
                if took:
                    print("%s: %s takes median %g ms, p99 %d ms, max %d ms" % (
                        scene, phase, statistics.median(took), percentile(took, 0.99), max(took)))
            late = [f["update_start"] - f["due"] for f in measured]
            print("%s: update starts after the frame is due by median %g ms, max %d ms" % (
                scene, statistics.median(late), max(late)))
            print("target %s-frame-p99 %.3f 1" % (scene, (interval + P99_SLACK_MS) / p99))
        if "live_blocks" in columns and measured and measured[0]["live_blocks"] is not None:
            first, last = measured[0], measured[-1]
            print("%s: host heap over the measured frames: live blocks %d -> %d, live bytes %d -> %d" % (
                scene, first["live_blocks"], last["live_blocks"], first["live_bytes"], last["live_bytes"]))
    print("target %s-host-cpu-headroom %.3f 1" % (scene, HOST_CPU_GOAL / max(host, 1e-6)))


if __name__ == "__main__":
    main()
