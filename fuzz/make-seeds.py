#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/ that are made rather than copied: raw sequence-data
records, editor-state texts, interpolate inputs and curve-set edge cases. The projects come from
kvhost (see the end). Run from the repository root:  python3 fuzz/make-seeds.py [KVHOST]"""
import os
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
STATE_SIZE = 3064
SET_SIZE = 55256
NAMES = {
    "absolute": ["brightness", "saturation", "hue", "rgb", "red", "green", "blue", "alpha"],
    "relative": ["brightness", "saturation", "hue", "red", "green", "blue", "alpha", "postblur"],
}


def write(target, name, data):
    if isinstance(data, str):
        data = data.encode("ascii")
    with open(os.path.join(CORPUS, target, name), "wb") as f:
        f.write(data)


def state_bytes(active=-1, view=(0.0, 1.0, 0.0, 1.0), tool=0, histogram=0, gesture=False, selected=()):
    b = bytearray(STATE_SIZE)
    struct.pack_into("<i", b, 0, active)
    struct.pack_into("<4d", b, 8, *view)
    struct.pack_into("<i", b, 40, tool)
    struct.pack_into("<i", b, 48, histogram)
    struct.pack_into("<i", b, 136, -1)
    if gesture:
        b[52] = 1  # moved
        struct.pack_into("<4i", b, 56, 30, 40, 120, 90)  # zoom start, drag
        b[72] = 1  # rubber band
        struct.pack_into("<4i", b, 76, 10, 10, 200, 150)
        struct.pack_into("<4d", b, 96, *view)
        struct.pack_into("<2i", b, 128, 60, 70)
        for slot in range(6):  # node snapshot of a drag: x, y, four handle components, flags
            struct.pack_into("<6d", b, 144 + slot * 72, slot / 5, slot / 5, 0.05, -0.02, 0.05, 0.02)
    for slot in selected:
        b[3024 + slot] = 1
    return bytes(b)


def raw_set(current, states, pad=(0, 0, 0), scale=1.0, bins=None, pixels=0, mode=0):
    b = bytearray(SET_SIZE)
    b[1:4] = bytes(pad)
    struct.pack_into("<i", b, 4, current)
    struct.pack_into("<d", b, 8, scale)
    for i, s in enumerate(states):
        b[16 + i * STATE_SIZE:16 + (i + 1) * STATE_SIZE] = s
    if bins:
        for array, values in enumerate(bins):
            struct.pack_into("<2560i", b, 24528 + array * 10240, *values)
    struct.pack_into("<2i", b, 55248, pixels, mode)
    return bytes(b)


def state_text(active=-1, view=(0, 1, 0, 1), tool=0, fixed=0, histogram=0):
    return ("version 0\nactive %d\nview_x_start %g\nview_x_end %g\nview_y_start %g\nview_y_end %g\n"
            "tool_state %d\nfixed_aspect %d\nhistogram %d\n" % ((active,) + tuple(view) + (tool, fixed, histogram)))


def set_text(effect, current, scale, states):
    text = "version 0\ncurrent %d\nscale %g\n" % (current, scale)
    for name, s in zip(NAMES[effect], states):
        text += "curve_sq_%s %d\n%s" % (name, len(s), s)
    return text


def curve_text(points, loop=0):
    text = "version 0\nloop %d\n" % loop
    for x, y in points:
        text += "point %g %g 0.1 0 0.1 0 1 1 1\n" % (x, y)
    return text


def curve_set(effect, curves, values=None):
    text = "version 0\n"
    if values:
        for name, v in zip(NAMES[effect], values):
            text += "curve_values_%s %d %d %g\n" % ((name,) + v)
    for name in NAMES[effect]:
        if name in curves:
            c = curves[name]
            text += "curve_%s %d\n%s" % (name, len(c), c)
    return text


def main():
    ramp = [list(range(2560)), [(i * 7) % 300 for i in range(2560)], [2560 - i for i in range(2560)]]
    absolute_states = [state_bytes() for _ in range(8)]
    relative_states = [state_bytes(view=(0.0, 1.0, -1.0, 1.0)) for _ in range(8)]
    write("sequence_data", "raw-absolute-new", raw_set(3, absolute_states))
    write("sequence_data", "raw-relative-new", raw_set(0, relative_states, pad=(40, 200, 5)))
    shown = [state_bytes(active=2, histogram=1 + i % 2, selected=(1, 2)) for i in range(8)]
    write("sequence_data", "raw-histograms", raw_set(3, shown, pad=(128, 90, 9), bins=ramp, pixels=128, mode=1))
    moving = [state_bytes(active=1, tool=i % 3, gesture=True, selected=(0, 1, 5)) for i in range(8)]
    write("sequence_data", "raw-mid-gesture", raw_set(4, moving, pad=(90, 60, 2), scale=255.0))
    zoomed = [state_bytes(view=(0.25, 0.5, 0.4, 0.45), histogram=2) for _ in range(8)]
    write("sequence_data", "raw-zoomed-histogram", raw_set(0, zoomed, pad=(250, 10, 7), bins=ramp, pixels=5000, mode=2))
    write("sequence_data", "raw-short", bytes(1000))
    texts = [state_text(active=i % 3 - 1, tool=i % 3, histogram=i % 3) for i in range(8)]
    write("sequence_data", "text-absolute", set_text("absolute", 3, 255, texts) + "\0")
    write("sequence_data", "text-relative", set_text("relative", 7, 1023, texts) + "\0")

    write("editor_state_text", "absolute-new", set_text("absolute", 3, 1, [state_text()] * 8))
    write("editor_state_text", "relative-new", set_text("relative", 0, 1, [state_text(view=(0, 1, -1, 1))] * 8))
    write("editor_state_text", "varied", set_text("absolute", 5, 32768, texts))
    write("editor_state_text", "zoomed", set_text("relative", 2, 255,
                                                 [state_text(2, (0.1, 0.3, -0.25, 0.75), 2, 1, 1)] * 8))
    write("editor_state_text", "overrunning-length", "version 0\ncurrent 1\ncurve_sq_hue 4000\n" + state_text(4))

    s_curve = curve_text([(0, 0), (0.25, 0.15), (0.75, 0.85), (1, 1)])
    hue = curve_text([(0.05, 0.1), (0.95, 0.9)], loop=1)
    many = curve_text([(i / 44, (i % 5) / 4) for i in range(45)])
    write("curve_set_text", "only-version", "version 0\n")
    write("curve_set_text", "forty-five-points", curve_set("absolute", {"rgb": many}))
    write("curve_set_text", "overrunning-length", "version 0\ncurve_rgb 9999\n" + s_curve)
    write("curve_set_text", "relative-values", curve_set("relative", {"hue": hue, "postblur": s_curve},
                                                           [(2, 1, 0.5), (9, 0, 2), (15, 1, -3), (7, 0, 1),
                                                            (0, 1, 1), (1, 0, 1), (3, 1, 1), (4, 0, 25)]))

    absolute = curve_set("absolute", {"rgb": s_curve, "hue": hue})
    relative = curve_set("relative", {"saturation": hue, "red": s_curve}, [(2, 1, 0.5)] * 8)
    wrap_a = curve_set("absolute", {"hue": curve_text([(0.95, 0.9)], loop=1)})
    wrap_b = curve_set("absolute", {"hue": curve_text([(0.05, 0.1)], loop=1)})

    def interp(mode, t, a, b):
        header = bytes([mode]) + (struct.pack("<d", t) if mode & 2 else bytes([int(t * 255)]) + bytes(7))
        return header + a.encode() + b"\0" + b.encode()

    write("interpolate", "absolute-half", interp(0, 0.5, absolute, curve_set("absolute", {"rgb": many})))
    write("interpolate", "absolute-wrap", interp(0, 0.5, wrap_a, wrap_b))
    write("interpolate", "relative-quarter", interp(1, 0.25, relative, curve_set("relative", {"red": hue})))
    write("interpolate", "relative-raw-weight", interp(3, 0.75, relative, relative))
    write("interpolate", "absolute-outside", interp(4, 1.0, absolute, wrap_b))

    kvhost = sys.argv[1] if len(sys.argv) > 1 else None
    if kvhost:
        build = os.path.dirname(os.path.dirname(os.path.dirname(kvhost)))
        image = os.path.join(ROOT, "examples", "colour-chart-8bit.png")
        for effect, plugin, example in (("absolute", "absolute/morrowby.so", "absolute-s-curve.txt"),
                                        ("relative", "relative/tarnwick.so", "relative-saturation-by-hue.txt")):
            out = "/tmp/kv-seed-%s.png" % effect
            project = os.path.join(CORPUS, "project", effect + ".json")
            subprocess.run([kvhost, "render", os.path.join(build, plugin), image, out, "--curves",
                            os.path.join(ROOT, "examples", example), "--save-project", project], check=True)
            os.remove(out)


if __name__ == "__main__":
    main()
