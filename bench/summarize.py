#!/usr/bin/env python3
"""Prints every speed goal's ratio from the benchmark programs' JSON output, and whether it is met.

    bench/summarize.py RESULTS_DIR

Reads the median of the repetitions where there are repetitions, the single run otherwise. Ratios are
throughputs divided (or times, where the goal is stated in times); each goal's figures come from one program,
hence from one run on one frame.
"""
import json
import os
import re
import sys

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(directory):
    """{program: {benchmark name without /iterations:N, /repeats:N, /real_time or /manual_time: time in ms}}"""
    programs = {}
    for file_name in sorted(os.listdir(directory)):
        if not file_name.endswith(".json"):
            continue
        with open(os.path.join(directory, file_name)) as f:
            runs = json.load(f)["benchmarks"]
        times = {}
        has_median = any(run.get("aggregate_name") == "median" for run in runs)
        for run in runs:
            if has_median and run.get("aggregate_name") != "median":
                continue
            if run.get("error_occurred"):
                continue
            name = run.get("run_name", run["name"])
            name = re.sub(r"/iterations:\d+|/repeats:\d+|/(real|manual)_time$", "", name)
            times[name] = run["real_time"] * UNIT_MS[run.get("time_unit", "ns")]
        programs[file_name[: -len(".json")]] = times
    return programs


class Report:
    def __init__(self, programs):
        self.programs = programs
        self.missing = False

    def time(self, program, name):
        value = self.programs.get(program, {}).get(name)
        if value is None:
            self.missing = True
            return float("nan")
        return value

    def at_least(self, label, value, goal):
        if value != value:
            verdict = "not measured"
        elif value >= goal:
            verdict = "met"
        else:
            verdict = f"short by {goal - value:.2f} ({value / goal:.0%} of the goal)"
        print(f"  {label:<58}{value:>8.2f}  >= {goal:<5} {verdict}")

    def at_most(self, label, value, goal):
        if value != value:
            verdict = "not measured"
        elif value <= goal:
            verdict = "met"
        else:
            verdict = f"short by {value - goal:.2f} ({value / goal:.2f} x the goal)"
        print(f"  {label:<58}{value:>8.2f}  <= {goal:<5} {verdict}")


def main(directory):
    r = Report(load(directory))
    lut, absolute, relative = "kv_lut_peer_bench", "kv_absolute_render_bench", "kv_relative_render_bench"
    blur, floats, editor = "kv_blur_bench", "kv_float_evaluate_bench", "kv_editor_redraw_bench"
    serve, shot = "kv_serve_bench", "kv_shot_bench"
    mpix = 3840 * 2160 / 1e6 / 1e-3  # Mpixel/s = mpix / time in ms

    lut1 = r.time(lut, "openCvLut/threads:1")
    chan8 = r.time(lut, "absoluteChannels<Pixel8>/threads:1")
    chan16 = r.time(lut, "absoluteChannels<Pixel16>/threads:1")
    eight8 = r.time(lut, "absoluteAllEight/threads:1")
    rel1 = r.time(lut, "relativeOneProperty/threads:1")
    print(f"Mpixel/s, one thread: cv::LUT {mpix / lut1:.0f}, Absolute channels 8-bit {mpix / chan8:.0f}, "
          f"16-bit {mpix / chan16:.0f}, all eight 8-bit {mpix / eight8:.1f}, Relative one property {mpix / rel1:.0f}")

    print("First round")
    print("1. Absolute 8-bit, per-channel curves, against cv::LUT (CV_8UC4), one thread")
    r.at_least("Absolute / cv::LUT", lut1 / chan8, 1.5)
    print("2. Absolute 16-bit against 8-bit, per-channel curves, one thread (second round's goal 3)")
    r.at_least("16-bit / 8-bit Mpixel/s", chan8 / chan16, 0.8)
    print("3. Float curve evaluation: vector lanes against one evaluate per component (second round's goal 6)")
    r.at_least("scalar evaluate time / evaluateMany time", r.time(floats, "scalarEvaluate") /
               r.time(floats, "evaluateMany"), 3.0)
    r.at_least("the same, channel by channel (as the render hands them over)",
               r.time(floats, "scalarEvaluateByChannel") / r.time(floats, "evaluateManyByChannel"), 3.0)
    print(f"  {'float render, rgb curve: straightforward time / render time':<58}"
          f"{r.time(floats, 'straightforwardRgbRender') / r.time(floats, 'absoluteRgbRender'):>8.2f}  (for reference)")
    print("4. Absolute 8-bit, all eight curves (no goal in the first round; second round's goal 1)")
    print(f"  {'all eight / per-channel Mpixel/s':<58}{chan8 / eight8:>8.3f}")
    print("5. Tent blur (second round's goal 5 below)")
    for pixel in ("Pixel8", "PixelFloat"):
        def tent(radius, threads=1):
            return r.time(blur, f"tentBlur<{pixel}>/radius:{radius}/threads:{threads}")
        r.at_most(f"{pixel}: time r50 / time r2, one thread", tent(50) / tent(2), 1.15)
    for pixel in ("Pixel8", "PixelFloat"):
        for radius in (2, 10, 50):
            name = f"tentBlur<{pixel}>/radius:{radius}/threads:"
            r.at_least(f"{pixel} r{radius}: two threads / one thread", r.time(blur, name + "1") /
                       r.time(blur, name + "2"), 1.8)
    print("6. Editor redraw, 800 x 340 with a histogram, median ms")
    for mode in (1, 2):
        r.at_most(f"histogram mode {mode}", r.time(editor, f"BM_RedrawShapedWithHistogram/800/{mode}"), 5.0)
    print("7. Relative 8-bit, one property, no blur, against goal 1's figure (Absolute per-channel 8-bit)")
    r.at_least("Relative / Absolute Mpixel/s", chan8 / rel1, 0.5)
    print(f"  {'Relative / cv::LUT Mpixel/s':<58}{lut1 / rel1:>8.2f}  (for reference)")
    print("8. Thread scaling, two threads against one")
    scaling = []
    for program in (lut, absolute, relative, blur):
        times = r.programs.get(program, {})
        for name, t1 in sorted(times.items()):
            if not name.endswith("/threads:1") or name.startswith("openCv"):
                continue
            t2 = times.get(name[: -1] + "2")
            if t2:
                scaling.append((name[: -len("/threads:1")], t1, t1 / t2))
    if not scaling:
        r.missing = True
    for name, _, ratio in scaling:
        r.at_least(name, ratio, 1.8)

    print("Second round")
    eight16 = r.time(lut, "absoluteAllEight16/threads:1")
    print("1. Absolute 8-bit, all eight curves, against cv::LUT (CV_8UC4), one thread")
    r.at_least("all eight / cv::LUT Mpixel/s", lut1 / eight8, 0.4)
    print("2. Absolute 16-bit against 8-bit, all eight curves, one thread")
    r.at_least("16-bit / 8-bit Mpixel/s", eight8 / eight16, 0.8)
    print("3. Absolute 16-bit against 8-bit, per-channel curves, one thread")
    r.at_least("16-bit / 8-bit Mpixel/s", chan8 / chan16, 0.8)
    print("4. Relative 8-bit, no blur, against the Absolute per-channel 8-bit render, one thread")
    r.at_least("one property / Absolute Mpixel/s", chan8 / rel1, 0.5)
    r.at_least("three properties / Absolute Mpixel/s",
               chan8 / r.time(lut, "relativeThreeProperties/threads:1"), 0.3)
    print("5. Tent blur against cv::blur (box 2r + 1), r10, one thread")
    r.at_least("Pixel8: tent / cv::blur Mpixel/s",
               r.time(blur, "openCvBoxBlur<Pixel8>/radius:10/threads:1") /
               r.time(blur, "tentBlur<Pixel8>/radius:10/threads:1"), 1.0)
    r.at_most("Pixel8: time r50 / time r2, one thread",
              r.time(blur, "tentBlur<Pixel8>/radius:50/threads:1") /
              r.time(blur, "tentBlur<Pixel8>/radius:2/threads:1"), 1.15)
    r.at_least("PixelFloat: tent / cv::blur Mpixel/s",
               r.time(blur, "openCvBoxBlur<PixelFloat>/radius:10/threads:1") /
               r.time(blur, "tentBlur<PixelFloat>/radius:10/threads:1"), 0.5)
    print("6. Float curve evaluation: one evaluate per component, memory order / evaluateMany")
    r.at_least("time / time", r.time(floats, "scalarEvaluate") / r.time(floats, "evaluateMany"), 3.0)
    print("7. Thread scaling: every render path of more than 100 ms on one thread, two threads / one")
    long_paths = sorted((ratio, name) for name, t1, ratio in scaling if t1 > 100.0)
    if long_paths:
        print(f"  {len(long_paths)} paths, {sum(ratio >= 1.8 for ratio, _ in long_paths)} at or above 1.8")
        least, least_name = long_paths[0]
        r.at_least(f"the least: {least_name}", least, 1.8)
    else:
        r.at_least("the least of the paths over 100 ms", float("nan"), 1.8)
    print("8. Absolute 8-bit, per-channel curves, against a plain copy of the frame, one thread")
    r.at_least("render / copy Mpixel/s", r.time(lut, "memoryCopy<Pixel8>") / chan8, 0.35)
    print(f"  {'16-bit render / 16-bit copy Mpixel/s':<58}"
          f"{r.time(lut, 'memoryCopy<Pixel16>') / chan16:>8.2f}  (for reference)")
    print("Later goals")
    print("9. Browser editor: one drag event through HTTP to a new 800 x 340 panel image, median ms")
    event_http = r.time(serve, "BM_PanelEventHttp/min_time:2.000")
    event_in_process = r.time(serve, "BM_PanelEventInProcess/min_time:2.000")
    r.at_most("through HTTP on 127.0.0.1", event_http, 15.0)
    print(f"  {'the same in process (the server costs the difference)':<58}{event_in_process:>8.2f}")
    print("10. Browser editor: a drag step, then the preview of 1280 x 720 8-bit, all eight curves, median ms")
    preview_http = r.time(serve, "BM_PreviewAfterDragHttp/min_time:3.000")
    preview_in_process = r.time(serve, "BM_PreviewAfterDragInProcess/min_time:3.000")
    r.at_most("through HTTP on 127.0.0.1", preview_http, 80.0)
    print(f"  {'the same in process (the server costs the difference)':<58}{preview_in_process:>8.2f}")
    print("11. kvhost render, a shot of 100 frames of 1920 x 1080 (no goal); frames alone: a kvhost run each")
    for depth in ("8-bit", "float"):
        jobs1 = r.time(shot, f"shot/{depth}/jobs:1")
        jobs2 = r.time(shot, f"shot/{depth}/jobs:2")
        alone = r.time(shot, f"singleFrames/{depth}")
        fps = [100 / (t / 1e3) for t in (jobs1, jobs2, alone)]
        print(f"  {depth + ': frames/s, --jobs 1 / --jobs 2 / frames alone':<58}"
              f"{fps[0]:>8.2f} / {fps[1]:.2f} / {fps[2]:.2f}")
        print(f"  {depth + ': --jobs 2 / --jobs 1 frames per second':<58}{jobs1 / jobs2:>8.2f}  (for reference)")
        print(f"  {depth + ': shot with --jobs 1 / frames alone':<58}{alone / jobs1:>8.2f}  (for reference)")
        print(f"  {depth + ': shot with --jobs 2 / frames alone':<58}{alone / jobs2:>8.2f}  (for reference)")
    if r.missing:
        print("Some figures were not measured: run every program (scripts/bench.sh).")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build/bench/results")
