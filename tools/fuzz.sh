#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build/fuzz, then runs each target for the given number of seconds (default 60) on its seed
# corpus in fuzz/corpus/<target>. Fails when a target finds a crash, a leak, a time-out or a
# broken invariant; the input that did it is kept in build/fuzz/findings/<target>/, and
# `build/fuzz/fuzz/<target> <file>` runs it again. New inputs that the runs find are kept in
# build/fuzz/corpus/<target>; the committed seeds are never written.
#
# The libraries the board builds on come from tools/setup.sh; this script adds clang and
# libFuzzer's runtime when they are missing.
#
# Usage: tools/fuzz.sh [seconds]
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/fuzz

packages=(clang-14 libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query --show --showformat='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done
if ((${#missing[@]} > 0)); then
    as_root=()
    if ((EUID != 0)); then
        if ! command -v sudo >/dev/null; then
            echo "fuzz: run as root or install sudo; missing packages: ${missing[*]}" >&2
            exit 1
        fi
        as_root=(sudo)
    fi
    echo "fuzz: installing ${missing[*]}"
    "${as_root[@]}" apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install --yes --no-install-recommends "${missing[@]}"
fi

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOUNDBOARD_FUZZ=ON \
    -DSOUNDBOARD_TESTS=OFF -DSOUNDBOARD_BENCH=OFF >/dev/null
targets=(fuzz_preferences fuzz_clip fuzz_interface)
cmake --build "$build" --target "${targets[@]}"

# Per target: the longest input worth trying, and a dictionary of tokens if it has one.
declare -A max_len=([fuzz_preferences]=8192 [fuzz_clip]=65536 [fuzz_interface]=1024)

export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy
# Every input writes and syncs files (preferences, clips): in memory that is ten times faster.
if [[ -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
failed=()
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    options=(-max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20
             -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/")
    dictionary=$root/fuzz/$target.dict
    [[ -f $dictionary ]] && options+=(-dict="$dictionary")
    echo "fuzz: $target for ${seconds}s"
    if ! "$build/fuzz/$target" "${options[@]}" "$corpus" "$root/fuzz/corpus/$target" \
        2>"$build/$target.log"; then
        failed+=("$target")
        tail -n 40 "$build/$target.log" >&2
    fi
    grep -E '^(stat::|#[0-9]+[[:space:]]+DONE)' "$build/$target.log" || true
done

if ((${#failed[@]} > 0)); then
    echo "fuzz: findings in ${failed[*]} (inputs in $build/findings)" >&2
    exit 1
fi
echo "fuzz: no findings"
