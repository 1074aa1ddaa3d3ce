#!/usr/bin/env python3
"""Measurements for bench/servers_bench.sh: a timed recording of a sink's monitor, and what it
and /proc tell.

record RAW INDEX       copies raw s16le 48 kHz stereo from standard input (parec) into RAW and,
                       for every piece as it arrives, appends "MONOTONIC REALTIME BYTES" to
                       INDEX: the clocks when it arrived and the bytes written so far.
onsets RAW INDEX EVENTS  for each event ("LABEL CLOCK SECONDS", CLOCK mono or real), how long
                       until the next sound starts in the recording; per label: median, spread.
seams RAW INDEX FROM TO CLIP  the starts of a looping CLIP (a WAV file that starts loud) between
                       two realtime moments: the frames from each start to the next over 20
                       seams (evenness), and over all of them the gaps (dropouts).
first-sound RAW INDEX AFTER  seconds from a realtime moment to the first sound recorded.
wakeups SECONDS NAME=PID...  wake-ups per second (context switches) of each thread of each
                       process over SECONDS, and the share of a core each used.

Parec hands its data over in pieces, late by varying amounts. A frame's time is therefore taken
from the piece that arrived least late: each piece that holds it or came soon after says the
frame was recorded no later than that piece's arrival minus the frames after it; the earliest of
these is the bound used. Every time includes the recorder's least delivery delay, so compare
figures with each other (the board with the reference player), not with zero.
"""

import array
import os
import statistics
import sys
import time
import wave

RATE = 48000
FRAME_BYTES = 4
LOUD = 1000
# Pieces that arrived within this many seconds of a frame bound its time.
NEARBY = 0.5


def record(raw_path, index_path):
    with open(raw_path, "wb") as raw, open(index_path, "w") as index:
        written = 0
        while True:
            piece = os.read(0, 1 << 16)
            if not piece:
                return 0
            monotonic, realtime = time.clock_gettime(time.CLOCK_MONOTONIC), time.time()
            raw.write(piece)
            raw.flush()
            written += len(piece)
            index.write(f"{monotonic:.6f} {realtime:.6f} {written}\n")
            index.flush()


class Recording:
    def __init__(self, raw_path, index_path):
        with open(raw_path, "rb") as raw:
            data = raw.read()
        samples = array.array("h")
        samples.frombytes(data[: len(data) - len(data) % FRAME_BYTES])
        if sys.byteorder != "little":
            samples.byteswap()
        self.left = samples[0::2]
        self.pieces = []  # (monotonic, frames written by then)
        offsets = []
        with open(index_path) as index:
            for line in index:
                monotonic, realtime, written = line.split()
                self.pieces.append((float(monotonic), int(written) // FRAME_BYTES))
                offsets.append(float(realtime) - float(monotonic))
        if not self.pieces:
            raise SystemExit(f"{index_path}: nothing was recorded")
        self.realtime_offset = statistics.median(offsets)

    def monotonic(self, clock, seconds):
        return seconds - self.realtime_offset if clock == "real" else seconds

    def time_of(self, frame):
        """The latest monotonic time at which the frame can have been recorded."""
        bound = None
        for arrived, end in self.pieces:
            if end < frame:
                continue
            if bound is not None and arrived > bound + NEARBY:
                break
            candidate = arrived - (end - frame) / RATE
            bound = candidate if bound is None else min(bound, candidate)
        return bound

    def frame_at(self, monotonic):
        """About the frame recorded at a monotonic time (for the bounds of a stretch)."""
        for arrived, end in self.pieces:
            if arrived >= monotonic:
                return max(0, end - int((arrived - monotonic) * RATE))
        return self.pieces[-1][1]

    def starts(self, quiet_frames, first=0, last=None):
        """Frames where the level rises above LOUD after at least quiet_frames below it."""
        last = len(self.left) if last is None else min(last, len(self.left))
        found, quiet = [], quiet_frames
        for frame in range(first, last):
            if abs(self.left[frame]) > LOUD:
                if quiet >= quiet_frames:
                    found.append(frame)
                quiet = 0
            else:
                quiet += 1
        return found

    def clip_starts(self, opening, first, last):
        """Frames where the clip whose first samples are `opening` starts: near where the level
        rises above LOUD after a short quiet, the frame from which the samples are most like the
        clip's. A repeat may start in the quiet tail of the play before it, which then adds a
        little to it (hence the loose match); sound resumed after a dropout, in the middle of the
        clip, is nothing like its opening."""
        found = []
        for rise in self.starts(32, first, last):
            likeness = []
            for frame in range(rise - 16, rise + 17):
                heard = self.left[frame : frame + len(opening)]
                if len(heard) == len(opening):
                    difference = sum(abs(a - b) for a, b in zip(heard, opening)) / len(opening)
                    likeness.append((difference, frame))
            if likeness and min(likeness)[0] < 500:
                found.append(min(likeness)[1])
        return found

    def gaps(self, first, last, starts, shortest=48):
        """Runs of at least `shortest` frames of near digital silence, other than the quiet
        before a start: what a server plays when a stream's data came too late."""
        before_start = set(starts)
        runs, length = 0, 0
        for frame in range(first, last):
            if abs(self.left[frame]) <= 2:
                length += 1
            else:
                runs += length >= shortest and frame not in before_start
                length = 0
        return runs


def spread_line(values, unit="ms", scale=1000):
    ordered = sorted(value * scale for value in values)
    decile = max(len(ordered) // 10, 0)
    return (
        f"n {len(ordered)} median {statistics.median(ordered):.1f} {unit} p10 "
        f"{ordered[decile]:.1f} p90 {ordered[-1 - decile]:.1f} min {ordered[0]:.1f} max "
        f"{ordered[-1]:.1f}"
    )


def onsets(raw_path, index_path, events_path):
    recording = Recording(raw_path, index_path)
    times = [recording.time_of(frame) for frame in recording.starts(int(0.1 * RATE))]
    latencies = {}
    with open(events_path) as events:
        for line in events:
            label, clock, seconds = line.split()
            at = recording.monotonic(clock, float(seconds))
            after = [when - at for when in times if -0.002 <= when - at < 0.5]
            latencies.setdefault(label, []).append(after[0] if after else None)
    for label, values in latencies.items():
        heard = [value for value in values if value is not None]
        missed = len(values) - len(heard)
        print(f"{label}: {spread_line(heard) if heard else 'nothing heard'}; not heard {missed}")


def clip_opening(path, frames=480):
    with wave.open(path) as clip:
        samples = array.array("h")
        samples.frombytes(clip.readframes(frames))
        if sys.byteorder != "little":
            samples.byteswap()
        return samples[0 :: clip.getnchannels()]


def seams(raw_path, index_path, first_real, last_real, clip_path, count=20):
    recording = Recording(raw_path, index_path)
    first = recording.frame_at(recording.monotonic("real", float(first_real)))
    last = recording.frame_at(recording.monotonic("real", float(last_real)))
    starts = recording.clip_starts(clip_opening(clip_path), first, last)
    periods = [later - earlier for earlier, later in zip(starts, starts[1:])]
    if len(periods) < 2:
        print(f"seams: {len(starts)} starts found, too few")
        return
    measured = periods[:count]
    middle = statistics.median(measured)
    spread = max(measured) - min(measured)
    uneven = sum(abs(period - middle) > 12 for period in periods)
    gaps = recording.gaps(starts[0], starts[-1], starts)
    print(
        f"seams: {len(measured)} periods, median {middle:.0f} frames, spread {spread} frames "
        f"({spread / RATE * 1000:.2f} ms); over {(last - first) / RATE:.0f} s {len(periods)} "
        f"periods, {uneven} off the median by more than 12 frames, {gaps} silent gaps of 1 ms "
        "or more"
    )


def first_sound(raw_path, index_path, after_real):
    recording = Recording(raw_path, index_path)
    after = recording.monotonic("real", float(after_real))
    loud = next((frame for frame, level in enumerate(recording.left) if abs(level) > LOUD), None)
    if loud is None:
        print("first sound: nothing heard")
    else:
        print(f"first sound: {recording.time_of(loud) - after:.3f} s after the server's return")


def task_counts(pid):
    counts = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/comm") as comm:
                name = comm.read().strip()
            with open(f"/proc/{pid}/task/{task}/status") as status:
                # voluntary_ctxt_switches and nonvoluntary_ctxt_switches
                switches = sum(int(line.split()[1]) for line in status if "ctxt_switches" in line)
            with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
                on_cpu = int(schedstat.read().split()[0])
        except OSError:
            continue
        counts[task] = (name, switches, on_cpu)
    return counts


def wakeups(seconds, named_pids):
    before = {name_pid: task_counts(name_pid.split("=")[1]) for name_pid in named_pids}
    time.sleep(float(seconds))
    for name_pid in named_pids:
        name, pid = name_pid.split("=")
        after = task_counts(pid)
        total = 0
        for task, (comm, switches, on_cpu) in sorted(after.items()):
            earlier = before[name_pid].get(task, (comm, 0, 0))
            rate = (switches - earlier[1]) / float(seconds)
            share = (on_cpu - earlier[2]) / 1e9 / float(seconds) * 100
            total += rate
            if rate > 0:
                print(f"{name} thread {comm}: {rate:.1f} wake-ups/s, {share:.3f} % of a core")
        print(f"{name}: {len(after)} threads, {total:.1f} wake-ups/s in all")


def main():
    command, arguments = sys.argv[1], sys.argv[2:]
    if command == "record":
        return record(*arguments)
    if command == "onsets":
        return onsets(*arguments)
    if command == "seams":
        return seams(*arguments)
    if command == "first-sound":
        return first_sound(*arguments)
    if command == "wakeups":
        return wakeups(arguments[0], arguments[1:])
    raise SystemExit(f"unknown command {command}; see {sys.argv[0]}'s first lines")


if __name__ == "__main__":
    sys.exit(main())
