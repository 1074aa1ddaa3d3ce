#!/usr/bin/env python3
"""Writes the committed seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Seeds are small: valid inputs, one of each kind of known-bad input, and a few recorded
interaction sequences. Run it again after changing a seed here; the fuzzers never write into
these folders.
"""
import json
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"

# The clips of the fuzz targets' resource folder (FuzzEnvironment.cpp).
CLIPS = ["Air Horn", "air horn", "Bell", "Boing", "Buzzer", "Clap", "Door.Bell", "Gong",
         "Hello", "Laser.v2", "Oops", "Zip"]


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    (folder / name).write_bytes(data)


def preferences():
    def config(names, hidden=None, paths=None, shake=0, extra=None):
        hidden = [0] * len(names) if hidden is None else hidden
        paths = ["/old/" + n + ".wav" for n in names] if paths is None else paths
        document = {"rootObject": {"name": names, "hidden": hidden, "path": paths},
                    "shakeType": shake}
        document.update(extra or {})
        return json.dumps(document, indent=1)

    write("fuzz_preferences", "valid.json",
          config(CLIPS[::-1], hidden=[i % 3 == 0 for i in range(12)], shake=2))
    write("fuzz_preferences", "valid-numbers-as-flags.json",
          config(CLIPS, hidden=[1, 0, 2, 0.5, "YES", "no"] + [0] * 6, shake=3))
    write("fuzz_preferences", "empty.json", "")
    write("fuzz_preferences", "empty-object.json", "{}")
    write("fuzz_preferences", "not-json.json", "rootObject = names;\n")
    write("fuzz_preferences", "truncated.json", config(CLIPS)[:97])
    write("fuzz_preferences", "top-level-array.json", "[1, 2, 3]")
    write("fuzz_preferences", "root-not-dictionary.json",
          json.dumps({"rootObject": ["Bell"], "shakeType": 1}))
    write("fuzz_preferences", "no-shake-type.json",
          json.dumps({"rootObject": {"name": CLIPS, "hidden": [0] * 12, "path": CLIPS}}))
    write("fuzz_preferences", "unequal-arrays.json",
          config(CLIPS, hidden=[1, 1], paths=["x"] * 20, shake=1))
    write("fuzz_preferences", "wrong-types.json",
          config([7, None, {"a": 1}, ["Bell"], True, "Gong"], hidden="all", paths=4, shake="2"))
    write("fuzz_preferences", "traversal-names.json",
          config(["../Bell", "Bell/..", "/etc/passwd", "", ".", "..", "Gong\u0000x", "a/b",
                  "Bell.wav", "bell", "Missing"], shake=-1))
    write("fuzz_preferences", "duplicates.json", config(["Bell"] * 30 + ["Gong"] * 3))
    write("fuzz_preferences", "huge-shake-type.json", config(CLIPS, shake=1e300))
    write("fuzz_preferences", "huge-integer.json",
          config(CLIPS).replace('"shakeType": 0', '"shakeType": 99999999999999999999999'))
    write("fuzz_preferences", "deep-nesting.json", "[" * 300 + "]" * 300)
    write("fuzz_preferences", "invalid-utf8.json",
          b'{"rootObject": {"name": ["Bell\xff\xfe", "\xc3"], "hidden": [0, 0], '
          b'"path": ["", ""]}, "shakeType": 1}')
    write("fuzz_preferences", "byte-order-mark.json", "\ufeff" + config(CLIPS))
    write("fuzz_preferences", "null-values.json", '{"rootObject": null, "shakeType": null}')
    write("fuzz_preferences", "escapes.json",
          '{"rootObject": {"name": ["\\u0042ell", "\\ud800", "G\\u006fng"], "hidden": [0,0,0],'
          ' "path": ["a","b","c"]}, "shakeType": 2}')


def wav(frames=800, rate=8000, channels=1, bits=16, fmt_tag=1, data=None):
    block = channels * bits // 8
    samples = data if data is not None else bytes((i * 7) % 256 for i in range(frames * block))
    fmt = struct.pack("<HHIIHH", fmt_tag, channels, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(samples)) + samples
    return b"RIFF" + struct.pack("<I", len(body)) + body


def clips():
    good = wav()
    write("fuzz_clip", "valid-16bit-mono.wav", good)
    write("fuzz_clip", "valid-8bit-stereo.wav", wav(frames=400, channels=2, bits=8))
    write("fuzz_clip", "valid-48k.wav", wav(frames=480, rate=48000))
    write("fuzz_clip", "valid-float.wav", wav(frames=200, bits=32, fmt_tag=3))
    write("fuzz_clip", "zero-frames.wav", wav(frames=0))
    write("fuzz_clip", "empty.wav", b"")
    write("fuzz_clip", "header-only.wav", good[:44])
    write("fuzz_clip", "truncated-data.wav", good[:300])
    write("fuzz_clip", "data-size-huge.wav", good[:40] + struct.pack("<I", 0xFFFFFFF0) + good[44:])
    write("fuzz_clip", "riff-size-huge.wav", good[:4] + struct.pack("<I", 0xFFFFFFFF) + good[8:])
    write("fuzz_clip", "fmt-size-huge.wav", good[:16] + struct.pack("<I", 0x7FFFFFFF) + good[20:])
    write("fuzz_clip", "rate-zero.wav", wav(rate=0))
    write("fuzz_clip", "channels-zero.wav", wav(channels=0))
    write("fuzz_clip", "bits-odd.wav", wav(bits=12))
    write("fuzz_clip", "unknown-format.wav", wav(fmt_tag=0x55))
    write("fuzz_clip", "not-riff.wav", b"OggS" + good[4:])
    write("fuzz_clip", "text.wav", b"this is not a sound\n")


# Interface steps (InterfaceMonkey.h): a kind byte, then its arguments.
TAP, TAP_CONTROL, DRAG, DOWN, MOVE, UP, CANCEL, KEY, SAMPLE, RESIZE, TIME, QUIT = range(12)
BATCHED = 0x80


def point(x, y):
    return [round((x + 32) / 384 * 255), round((y + 32) / 544 * 255)]


def tap(x, y, hold=0.1):
    return [TAP] + point(x, y) + [round(hold / 0.6 * 255)]


def wait(seconds):
    if seconds <= 0.254:
        return [TIME, round(seconds / 0.002)]
    return [TIME, 128 + min(127, round(seconds / 0.08))]


def drag(x0, y0, x1, y1, moves=10, apart=0.03):
    return [DRAG] + point(x0, y0) + point(x1, y1) + [moves - 1, round(apart / 0.05 * 255)]


ROW = lambda n: (160, 76 + 44 * n)
EDIT, ABOUT, BACK = (32, 42), (287, 42), (32, 42)
LOOP_SWITCH, LOOP_LABEL = (103, 458), (27, 458)
DELAY_LABEL, DELAY_SLIDER = (177, 458), (258, 458)
CHECK = lambda n: (21, 76 + 44 * n)
SHOW_ALL, HIDE_ALL = (124, 458), (260, 458)
SEGMENT = lambda n: (10 + 37 + 75 * n, 64 + 230)


def interface():
    write("fuzz_interface", "tap-rows.bin",
          bytes(tap(*ROW(0)) + wait(1.5) + tap(*ROW(3)) + wait(0.2) + tap(*ROW(5)) + wait(3)))
    write("fuzz_interface", "loop-with-delay.bin",
          bytes(tap(*LOOP_SWITCH) + tap(*DELAY_SLIDER) + tap(*ROW(2)) + wait(8)
                + tap(*DELAY_LABEL) + tap(*ROW(1)) + wait(4) + tap(*LOOP_LABEL) + wait(2)))
    write("fuzz_interface", "edit-hide-reorder.bin",
          bytes(tap(*EDIT) + wait(0.5) + tap(*CHECK(1)) + tap(*CHECK(4)) + tap(*ROW(2))
                + drag(300, 86, 300, 262, moves=8) + tap(*HIDE_ALL) + tap(*SHOW_ALL)
                + tap(*CHECK(0)) + tap(*EDIT) + wait(0.5) + tap(*ROW(0)) + wait(2)))
    write("fuzz_interface", "loop-then-hide.bin",
          bytes(tap(*LOOP_SWITCH) + tap(*ROW(0)) + wait(0.3) + tap(*EDIT) + wait(0.5)
                + tap(*CHECK(0)) + tap(*EDIT) + wait(5) + tap(*LOOP_LABEL)))
    write("fuzz_interface", "about-and-shake.bin",
          bytes(tap(*ABOUT) + wait(0.6) + tap(*SEGMENT(2)) + tap(*SEGMENT(3)) + tap(*BACK)
                + wait(0.6) + [KEY, 0] + wait(1.5) + [KEY, 0] + wait(0.5) + [KEY, 0] + wait(2)))
    write("fuzz_interface", "back-then-about.bin",
          bytes(tap(*ABOUT) + wait(0.6) + tap(*BACK, hold=0.02) + tap(*ABOUT, hold=0.02)
                + wait(1) + tap(*BACK) + wait(1)))
    write("fuzz_interface", "drag-during-loop.bin",
          bytes(tap(*LOOP_SWITCH) + tap(*DELAY_SLIDER) + tap(*ROW(2)) + wait(1)
                + drag(160, 300, 160, 120, moves=16, apart=0.05) + [DOWN] + point(160, 200)
                + wait(3) + [UP] + point(160, 200) + wait(6)))
    write("fuzz_interface", "quit-with-loop-and-drag.bin",
          bytes(tap(*LOOP_SWITCH) + tap(*ROW(1)) + wait(0.5) + [DOWN] + point(160, 300)
                + [MOVE] + point(160, 250) + [KEY, 1]))
    write("fuzz_interface", "broken-samples.bin",
          bytes([SAMPLE, 11, 11, 11, SAMPLE, 8, 9, 10, SAMPLE, 0, 0, 0, SAMPLE, 3, 4, 0]
                + tap(*ROW(0)) + [SAMPLE, 7, 7, 1] + wait(2)))
    write("fuzz_interface", "resize-and-tap.bin",
          bytes([RESIZE, 80, 120] + tap(*ROW(1)) + [RESIZE, 0, 0] + tap(*EDIT)
                + [RESIZE, 255, 10] + [RESIZE, 40, 60] + wait(1)))
    write("fuzz_interface", "batched-taps.bin",
          bytes([TAP_CONTROL | BATCHED, 3, 10, TAP_CONTROL | BATCHED, 5, 10, TAP_CONTROL, 1, 10]
                + wait(2) + [CANCEL]))


if __name__ == "__main__":
    preferences()
    clips()
    interface()
