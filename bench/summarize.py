#!/usr/bin/env python3
"""Prints the blur benchmark's ratios from its JSON output: radius 50 against radius 2, ours against OpenCV."""
import json
import re
import sys


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    times = {}
    pattern = re.compile(r"(\w+)<(\w+)>/radius:(\d+)/threads:(\d+)")
    for run in runs:
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        match = pattern.match(run["name"])
        if match:
            name, pixel, radius, threads = match.groups()
            times[(name, pixel, int(radius), int(threads))] = run["real_time"]
    print(f"{'pixel':<11}{'threads':>8}{'tent r50/r2':>13}{'tent/box r2':>13}{'tent/box r10':>14}"
          f"{'tent/box r50':>14}{'tent/gauss r10':>16}")
    for pixel in ("Pixel8", "PixelFloat"):
        for threads in (1, 0):
            def t(name, radius):
                return times.get((name, pixel, radius, threads), float("nan"))
            label = "1" if threads == 1 else "all"
            print(f"{pixel:<11}{label:>8}{t('tentBlur', 50) / t('tentBlur', 2):>13.2f}"
                  f"{t('tentBlur', 2) / t('openCvBoxBlur', 2):>13.2f}"
                  f"{t('tentBlur', 10) / t('openCvBoxBlur', 10):>14.2f}"
                  f"{t('tentBlur', 50) / t('openCvBoxBlur', 50):>14.2f}"
                  f"{t('tentBlur', 10) / t('openCvGaussianBlur', 10):>16.2f}")


if __name__ == "__main__":
    main(sys.argv[1])
