#!/usr/bin/env python3
"""Checks for the end-to-end run: screenshots and the audio recorded from the sound server.

Each command prints what it found and exits 0 when the check holds, 1 with a message when it
does not, and 2 when its input cannot be read.

Screenshots are read through ImageMagick's `convert` (as PPM). A region is one argument
"X Y WIDTH HEIGHT" in points of the 320 x 480 screen, which --scale (pixels per point, before
the command) turns into pixels of the window.

The audio capture is raw 16-bit little-endian stereo at 48 kHz. Positions in it are tied to
wall-clock time by a marks file that the driving script writes: one line per moment,
"LABEL WALL_SECONDS CAPTURE_BYTES". The recorder writes at the server's 48 kHz, but in pieces
and a busy machine can hold it back for a while, so frame distances are turned into seconds
with the rate it actually wrote between two marks: those around the checked stretch when it is
long enough, else the first and the last.
"""

import argparse
import array
import json
import os
import subprocess
import sys
import wave

DEVICE_RATE = 48000
CHANNELS = 2
FRAME_BYTES = 2 * CHANNELS
# A clip starts where the level rises above LOUD after at least QUIET_GAP seconds below it.
LOUD = 1000
QUIET_GAP = 0.2


class CheckFailed(Exception):
    pass


class BadInput(Exception):
    pass


# ---- Images ----


class Box:
    """A region given in points, with its pixels at the run's scale."""

    scale = 1

    def __init__(self, text):
        try:
            self.points = [int(value) for value in text.split()]
        except ValueError:
            self.points = []
        if len(self.points) != 4:
            raise argparse.ArgumentTypeError(f"'{text}' is not 'X Y WIDTH HEIGHT'")

    @property
    def pixels(self):
        return [value * Box.scale for value in self.points]

    def __str__(self):
        return "({} points)".format(", ".join(str(value) for value in self.points))


def read_image(path):
    """(width, height, bytes of RGB triples) of an image file."""
    try:
        data = subprocess.run(
            ["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True
        ).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        raise BadInput(f"cannot read the image {path}: {error}")
    # A binary PPM: "P6", width, height, maximum value, each followed by white space.
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position : position + 1].isspace():
            position += 1
        end = position
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise BadInput(f"{path} did not convert to an 8-bit PPM image")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[position + 1 : position + 1 + width * height * 3]


def region_pixels(image, box):
    width, height, rgb = image
    x, y, w, h = box.pixels
    if x < 0 or y < 0 or w <= 0 or h <= 0 or x + w > width or y + h > height:
        raise BadInput(f"region {box} lies outside the {width} x {height} image")
    pixels = []
    for row in range(y, y + h):
        start = (row * width + x) * 3
        line = rgb[start : start + w * 3]
        pixels.extend(zip(line[0::3], line[1::3], line[2::3]))
    return pixels


def near(a, b, tolerance):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def check_uniform(args):
    """Nearly every pixel of the region has one colour, optionally a dark one."""
    pixels = region_pixels(read_image(args.image), args.box)
    counts = {}
    for pixel in pixels:
        counts[pixel] = counts.get(pixel, 0) + 1
    main = max(counts, key=counts.get)
    share = sum(1 for p in pixels if near(p, main, 16)) / len(pixels)
    print(f"{args.image}: {share * 100:.2f} % of the region is colour {main}")
    if share < args.share:
        raise CheckFailed(
            f"the region {args.box} is not one colour: only {share * 100:.2f} % is near {main}"
        )
    if args.dark and max(main) > 64:
        raise CheckFailed(f"the region {args.box} is {main}, not a dark background")


def check_brightness(args):
    """The region's mean level lies in [minimum, maximum]."""
    pixels = region_pixels(read_image(args.image), args.box)
    mean = sum(sum(p) for p in pixels) / (3 * len(pixels))
    print(f"{args.image}: mean level {mean:.1f} in {args.box}")
    if not args.minimum <= mean <= args.maximum:
        raise CheckFailed(
            f"the region {args.box} has a mean level of {mean:.1f}, "
            f"expected {args.minimum} to {args.maximum}"
        )


def check_colour(args):
    """Most of the region is the given colour."""
    pixels = region_pixels(read_image(args.image), args.box)
    colour = tuple(args.rgb)
    share = sum(1 for p in pixels if near(p, colour, args.tolerance)) / len(pixels)
    print(f"{args.image}: {share * 100:.2f} % of {args.box} is near {colour}")
    if share < args.share:
        raise CheckFailed(
            f"only {share * 100:.2f} % of the region {args.box} is near the colour {colour}"
        )


def differing_share(first, second, box, tolerance=48):
    a = region_pixels(first, box)
    b = region_pixels(second, box)
    return sum(1 for p, q in zip(a, b) if not near(p, q, tolerance)) / len(a)


def check_matches(args):
    """The region looks like the same region of a reference picture: few pixels differ much."""
    share = differing_share(read_image(args.image), read_image(args.reference), args.box)
    print(f"{args.image}: {share * 100:.2f} % of {args.box} differs from {args.reference}")
    if share > args.share:
        raise CheckFailed(
            f"{share * 100:.2f} % of the region {args.box} differs from {args.reference}"
        )


def check_changed(args):
    """The region looks different in the second picture: a view appeared, moved or changed."""
    share = differing_share(read_image(args.before), read_image(args.after), args.box)
    print(f"{args.after}: {share * 100:.2f} % of {args.box} changed since {args.before}")
    if share < args.share:
        raise CheckFailed(
            f"the region {args.box} did not change: {share * 100:.2f} % of it differs"
        )


# ---- Audio ----


class Capture:
    """The captured audio, with the marks that tie its frames to wall-clock time."""

    def __init__(self, path, marks_path, around=None):
        self.path = path
        self.marks = {}
        first = last = None
        try:
            with open(marks_path) as marks:
                for line in marks:
                    label, seconds, size = line.split()
                    mark = (float(seconds), int(size) // FRAME_BYTES)
                    self.marks[label] = mark
                    first = first or mark
                    last = mark
        except (OSError, ValueError) as error:
            raise BadInput(f"cannot read the marks {marks_path}: {error}")
        if around and all(label in self.marks for label in around):
            nearby = [self.marks[label] for label in around]
            if nearby[1][0] - nearby[0][0] >= 1.0:
                first, last = nearby
        if not first or last[0] - first[0] < 1.0:
            raise BadInput("the marks span less than a second: no rate can be measured")
        self.rate = (last[1] - first[1]) / (last[0] - first[0])
        # The pace tells little about the device's rate (the host clock sets it);
        # check_span() checks that. This only catches a stalled or runaway driver, which
        # would make every time below meaningless.
        if not 0.9 * DEVICE_RATE < self.rate < 1.15 * DEVICE_RATE:
            raise CheckFailed(
                f"the recorder wrote {self.rate:.0f} frames per second; a 48 kHz sink "
                "writes about 48000"
            )

    def frame(self, label):
        if label not in self.marks:
            raise BadInput(f"no mark {label}")
        return self.marks[label][1]

    def levels(self, start, end):
        """The left channel's samples from frame `start` (inclusive) to `end` (exclusive)."""
        start = max(start, 0)
        with open(self.path, "rb") as capture:
            capture.seek(start * FRAME_BYTES)
            data = capture.read(max(end - start, 0) * FRAME_BYTES)
        samples = array.array("h")
        samples.frombytes(data[: len(data) - len(data) % FRAME_BYTES])
        if sys.byteorder != "little":
            samples.byteswap()
        return samples[0::CHANNELS]

    def sounds(self, start, end):
        """(first loud frame, last loud frame) of each clip that starts in [start, end); a
        clip's end is searched up to 4 s past `end`."""
        gap = int(QUIET_GAP * DEVICE_RATE)
        lead = start - gap
        left = self.levels(lead, end + 4 * DEVICE_RATE)
        found = []
        quiet = gap if lead < 0 else 0
        for index, level in enumerate(left):
            frame = max(lead, 0) + index
            if abs(level) > LOUD:
                if quiet >= gap:
                    if frame >= end:
                        break
                    if frame >= start:
                        found.append([frame, frame])
                elif found and found[-1][1] >= frame - gap:
                    found[-1][1] = frame
                quiet = 0
            else:
                quiet += 1
        return found


def clip_span(path):
    """(length in seconds, seconds from the first to the last loud sample) of a WAV file."""
    try:
        with wave.open(path) as clip:
            rate, channels, width = clip.getframerate(), clip.getnchannels(), clip.getsampwidth()
            data = clip.readframes(clip.getnframes())
            length = clip.getnframes() / rate
    except (OSError, wave.Error) as error:
        raise BadInput(f"cannot read the clip {path}: {error}")
    if width != 2:
        raise BadInput(f"{path} is not 16-bit PCM")
    samples = array.array("h")
    samples.frombytes(data)
    if sys.byteorder != "little":
        samples.byteswap()
    loud = [i for i, level in enumerate(samples[0::channels]) if abs(level) > LOUD]
    if not loud:
        raise BadInput(f"{path} is silent")
    return length, (loud[-1] - loud[0]) / rate


def check_span(sound, clip, name):
    """The sound's loud span, counted at 48 kHz, matches the clip's own: the device really runs
    at 48 kHz (at 44.1 kHz the span would come out 8 % short) and this is that clip."""
    _, expected = clip_span(clip)
    measured = (sound[1] - sound[0]) / DEVICE_RATE
    print(f"{name}: loud for {measured:.4f} s at 48 kHz; the clip is loud for {expected:.4f} s")
    if abs(measured - expected) > 0.02 * expected + 0.005:
        raise CheckFailed(
            f"{name}: the captured sound is loud for {measured:.4f} s at 48 kHz, the clip "
            f"{os.path.basename(clip)} for {expected:.4f} s: another clip, or the device does "
            "not run at 48 kHz"
        )


def check_start(args):
    """One clip starts within `within` seconds after a mark, and it is the given clip."""
    capture = Capture(args.capture, args.marks)
    start = capture.frame(args.after)
    end = start + int((args.within + 0.001) * capture.rate)
    sounds = capture.sounds(start, end)
    if not sounds:
        raise CheckFailed(f"no clip started within {args.within} s after '{args.after}'")
    latency = (sounds[0][0] - start) / capture.rate
    print(f"a clip started {latency * 1000:.0f} ms after '{args.after}'")
    if len(sounds) > 1:
        raise CheckFailed(f"{len(sounds)} clips started after '{args.after}', expected one")
    check_span(sounds[0], args.clip, os.path.basename(args.clip))


def check_loop(args):
    """A looping clip: its first start comes `delay` after a mark, and each repeat the clip's
    length plus the delay after the one before, until the second mark."""
    capture = Capture(args.capture, args.marks, around=(args.after, args.before))
    start = capture.frame(args.after)
    end = capture.frame(args.before)
    length, _ = clip_span(args.clip)
    period = length + args.delay
    sounds = capture.sounds(start, end)
    print(
        f"written at {capture.rate:.1f} frames per wall second; {len(sounds)} starts, "
        f"expected {args.count}, {period:.4f} s apart"
    )
    starts = [(sound[0] - start) / capture.rate for sound in sounds]
    for index, when in enumerate(starts):
        print(f"start {index}: {when:8.4f} s after '{args.after}'")
    if len(sounds) != args.count:
        raise CheckFailed(f"{len(sounds)} clip starts between the marks, expected {args.count}")
    if abs(starts[0] - args.delay) > args.first_tolerance:
        raise CheckFailed(
            f"the first play came {starts[0]:.3f} s after the tap, expected the delay "
            f"{args.delay:.3f} s"
        )
    for index in range(1, len(starts)):
        gap = starts[index] - starts[index - 1]
        if abs(gap - period) > args.tolerance:
            raise CheckFailed(
                f"repeat {index} came {gap:.4f} s after the play before it, expected "
                f"{period:.4f} s (clip {length:.4f} s + delay {args.delay:.4f} s)"
            )
        # Small lateness must not add up from one repeat to the next.
        drift = starts[index] - (starts[0] + index * period)
        if abs(drift) > args.tolerance:
            raise CheckFailed(
                f"repeat {index} came {drift * 1000:+.0f} ms off its time counted from the "
                "first play: the repeats drift"
            )
    for sound in sounds:
        check_span(sound, args.clip, os.path.basename(args.clip))


def check_no_start(args):
    """No clip starts between two marks."""
    capture = Capture(args.capture, args.marks)
    sounds = capture.sounds(capture.frame(args.after), capture.frame(args.before))
    if sounds:
        raise CheckFailed(
            f"{len(sounds)} clips started between '{args.after}' and '{args.before}', "
            "expected none"
        )
    print(f"no clip started between '{args.after}' and '{args.before}'")


def check_heard(args):
    """Sound is heard between two marks; prints how long after the first it began."""
    capture = Capture(args.capture, args.marks)
    start, end = capture.frame(args.after), capture.frame(args.before)
    levels = capture.levels(start, end)
    loud = next((index for index, level in enumerate(levels) if abs(level) > LOUD), None)
    if loud is None:
        raise CheckFailed(f"nothing was heard between '{args.after}' and '{args.before}'")
    print(f"heard {loud / capture.rate:.3f} s after '{args.after}'")


def print_length(args):
    """Prints the delay plus `periods` times (the clip's length + the delay), in seconds: how
    long a loop of the clip takes to play that many times."""
    length, _ = clip_span(args.clip)
    print(f"{args.plus + args.periods * (length + args.plus):.3f}")


# ---- Preferences ----


def check_preferences(args):
    """The stored list holds every clip, in file-name order, all with the given hidden flag;
    and the shake mode, when asked for."""
    try:
        with open(args.file) as file:
            stored = json.load(file)
    except (OSError, ValueError) as error:
        raise CheckFailed(f"cannot read the preferences {args.file}: {error}")
    names = sorted(
        (name[: -len(".wav")] for name in os.listdir(args.resources) if name.endswith(".wav")),
        key=lambda name: name.encode(),
    )
    root = stored.get("rootObject", {})
    if root.get("name") != names:
        raise CheckFailed(f"the stored names are {root.get('name')}, expected {names}")
    flags = root.get("hidden")
    if flags != [args.hidden] * len(names):
        raise CheckFailed(f"the stored hidden flags are {flags}, expected all {args.hidden}")
    if args.shake_type is not None and stored.get("shakeType") != args.shake_type:
        raise CheckFailed(
            f"the stored shake mode is {stored.get('shakeType')}, expected {args.shake_type}"
        )
    print(f"{args.file}: {len(names)} clips, all hidden flags {args.hidden}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scale", type=int, default=1, help="pixels per point")
    commands = parser.add_subparsers(dest="command", required=True)

    def image_command(name, function, *arguments):
        command = commands.add_parser(name, help=function.__doc__)
        for argument in arguments:
            command.add_argument(argument)
        command.add_argument("box", type=Box, metavar="'X Y W H'")
        command.set_defaults(function=function)
        return command

    uniform = image_command("uniform", check_uniform, "image")
    uniform.add_argument("--share", type=float, default=0.995)
    uniform.add_argument("--dark", action="store_true")
    brightness = image_command("brightness", check_brightness, "image")
    brightness.add_argument("--minimum", type=float, default=0)
    brightness.add_argument("--maximum", type=float, default=255)
    colour = image_command("colour", check_colour, "image")
    colour.add_argument("--rgb", type=int, nargs=3, required=True)
    colour.add_argument("--tolerance", type=int, default=12)
    colour.add_argument("--share", type=float, default=0.9)
    matches = image_command("matches", check_matches, "image", "reference")
    matches.add_argument("--share", type=float, default=0.005)
    changed = image_command("changed", check_changed, "before", "after")
    changed.add_argument("--share", type=float, default=0.02)

    start = commands.add_parser("start", help=check_start.__doc__)
    start.add_argument("capture")
    start.add_argument("marks")
    start.add_argument("--after", required=True)
    start.add_argument("--within", type=float, required=True)
    start.add_argument("--clip", required=True)
    start.set_defaults(function=check_start)

    loop = commands.add_parser("loop", help=check_loop.__doc__)
    loop.add_argument("capture")
    loop.add_argument("marks")
    loop.add_argument("--after", required=True)
    loop.add_argument("--before", required=True)
    loop.add_argument("--clip", required=True)
    loop.add_argument("--delay", type=float, required=True)
    loop.add_argument("--count", type=int, required=True)
    loop.add_argument("--tolerance", type=float, default=0.06)
    loop.add_argument("--first-tolerance", type=float, default=0.1)
    loop.set_defaults(function=check_loop)

    quiet = commands.add_parser("no-start", help=check_no_start.__doc__)
    quiet.add_argument("capture")
    quiet.add_argument("marks")
    quiet.add_argument("--after", required=True)
    quiet.add_argument("--before", required=True)
    quiet.set_defaults(function=check_no_start)

    heard = commands.add_parser("heard", help=check_heard.__doc__)
    heard.add_argument("capture")
    heard.add_argument("marks")
    heard.add_argument("--after", required=True)
    heard.add_argument("--before", required=True)
    heard.set_defaults(function=check_heard)

    length = commands.add_parser("length", help=print_length.__doc__)
    length.add_argument("clip")
    length.add_argument("--plus", type=float, default=0)
    length.add_argument("--periods", type=float, default=1)
    length.set_defaults(function=print_length)

    preferences = commands.add_parser("preferences", help=check_preferences.__doc__)
    preferences.add_argument("file")
    preferences.add_argument("resources")
    preferences.add_argument("--hidden", type=int, required=True)
    preferences.add_argument("--shake-type", type=int)
    preferences.set_defaults(function=check_preferences)

    args = parser.parse_args()
    Box.scale = args.scale
    try:
        args.function(args)
    except CheckFailed as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    except BadInput as problem:
        print(f"CANNOT CHECK: {problem}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
