#!/usr/bin/env bash
# Makes the board's sound clips (.wav, 16-bit PCM, 44.1 kHz, mono) in Resources/ with sox and
# espeak-ng, from nothing but synthesis: no recordings, no network. Every sox call runs in
# repeatable mode (-R), so noise and dither are seeded the same way and a rerun gives the same
# files.
#
# Usage: tools/make_clips.sh [output folder]   (default: Resources/ of this repository)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/../Resources}
rate=48000  # the sound device's own rate: a clip needs no resampling when it is first played

for tool in sox espeak-ng; do
    command -v "$tool" >/dev/null || { echo "make_clips: $tool is not installed" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Intermediate parts are 32-bit float, so that mixing and filtering never clip before the one
# normalisation at the end.
part() { # part FILE EFFECTS... : synthesise one part into the work folder
    local file=$1
    shift
    sox -R -n -r "$rate" -c 1 -e floating-point -b 32 "$work/$file.wav" "$@"
}

# A decaying partial. sox's logarithmic fade falls by a fixed number of decibels per second
# (about 100 dB over its length), as struck metal dies away; a partial may outlast the clip,
# which then cuts it off with a fade.
partial() { # partial FILE FREQUENCY SECONDS GAIN_DB
    part "$1" synth "$3" sine "$2" fade l 0.002 "$3" "$3" gain "$4"
}

# Mixes parts (each "FILE" or "FILE:DELAY_SECONDS") into one clip and normalises it to -3 dBFS.
clip() { # clip NAME SECONDS "PART[:DELAY]..." [EFFECTS...]
    local name=$1 seconds=$2 entry inputs=()
    local -a parts
    read -r -a parts <<<"$3"
    shift 3
    for entry in "${parts[@]}"; do
        local file=${entry%%:*} delay=0
        [[ $entry == *:* ]] && delay=${entry#*:}
        if [[ $delay != 0 ]]; then
            sox -R "$work/$file.wav" "$work/delayed-$file.wav" pad "$delay"
            file=delayed-$file
        fi
        inputs+=("$work/$file.wav")
    done
    local mix=("${inputs[@]}")
    if ((${#inputs[@]} > 1)); then
        mix=(-m "${inputs[@]}")
    fi
    # Headroom first, so that filters never clip; then pad for the reverb tail, cut to length
    # with a short fade against a click, and normalise. Verbosity is lowered so that the pad
    # cut short by the trim is not reported.
    sox -V"${SOX_VERBOSITY:-1}" -R "${mix[@]}" -r "$rate" -c 1 -e signed-integer -b 16 \
        "$out/$name.wav" gain -6 "$@" pad 0 2 trim 0 "$seconds" fade t 0 "$seconds" 0.02 norm -3
    echo "made $name.wav"
}

# A spoken word, trimmed of the silence espeak-ng leaves around it.
spoken() { # spoken NAME "TEXT" ESPEAK_OPTIONS...
    local name=$1 text=$2
    shift 2
    espeak-ng "$@" -w "$work/voice.wav" "$text"
    sox -R "$work/voice.wav" -r "$rate" -c 1 -e signed-integer -b 16 "$out/$name.wav" \
        silence 1 0.01 0.3% reverse silence 1 0.01 0.3% fade q 0.03 reverse fade q 0.005 \
        pad 0.02 0.1 reverb 15 50 40 norm -3
    echo "made $name.wav"
}

make_bell() {
    # A hand bell on C5: hum, prime, minor-third tierce, quint and nominal, the upper partials
    # dying faster, with a short noise tick for the strike.
    partial b1 261.6 5.0 -6
    partial b2 523.3 4.0 0
    partial b3 627.9 3.0 -4
    partial b4 784.9 2.0 -9
    partial b5 1046.5 2.5 -5
    partial b6 1308.1 1.4 -11
    partial b7 1569.8 1.0 -13
    partial b8 2161.0 0.6 -15
    part b9 synth 0.012 whitenoise gain -6 highpass 3000 fade t 0 0.012 0.012 gain -12
    clip "Bell" 2.0 "b1 b2 b3 b4 b5 b6 b7 b8 b9" reverb 20 50 60 fade t 0 2.0 0.5
}

make_door_bell() {
    # Ding-dong on two chime bars, E5 then C5; a free bar's overtones sit at 2.76 and 5.40 times
    # its fundamental.
    partial d1 659.3 2.5 0
    partial d2 1819.5 0.8 -10
    partial d3 3560.0 0.3 -18
    partial d4 523.3 3.0 0
    partial d5 1444.2 0.8 -10
    partial d6 2825.6 0.3 -18
    clip "Door Bell" 1.8 "d1 d2 d3 d4:0.55 d5:0.55 d6:0.55" reverb 35 50 70 fade t 0 1.8 0.4
}

make_horn() {
    # A car horn: two buzzing tones a major third apart, slightly overdriven.
    part h1 synth 0.7 sawtooth 415 fade q 0.015 0.7 0.06
    part h2 synth 0.7 sawtooth 523 fade q 0.015 0.7 0.06
    clip "Horn" 0.7 "h1 h2" overdrive 8 gain -6 lowpass 2600 highpass 200
}

make_air_horn() {
    # A three-tone air horn with a rising attack, as a stadium horn blasts.
    part a1 synth 1.0 square 233.1-311.1 fade q 0.04 1.0 0.15
    part a2 synth 1.0 sawtooth 293.7-392.0 fade q 0.04 1.0 0.15
    part a3 synth 1.0 sawtooth 349.2-466.2 fade q 0.04 1.0 0.15
    clip "Air Horn" 1.0 "a1 a2 a3" lowpass 3200 overdrive 6 gain -6 reverb 25 50 60
}

make_kick() {
    # A bass drum: a sine falling fast from 160 to 45 Hz, with a click for the beater.
    part k1 synth 0.4 sine 160/45 fade l 0.001 0.4 0.38
    part k2 synth 0.006 whitenoise lowpass 4000 fade t 0 0.006 0.006 gain -8
    clip "Kick Drum" 0.4 "k1 k2" overdrive 4 gain -6 lowpass 5000
}

make_snare() {
    # A snare drum: a short tonal body under a band of rattling noise from the wires.
    part s1 synth 0.12 sine 200/160 fade l 0.001 0.12 0.11
    part s2 synth 0.35 whitenoise gain -6 highpass 1500 lowpass 9000 \
        fade l 0.001 0.35 0.34 gain -2
    clip "Snare Drum" 0.4 "s1 s2" reverb 15 50 30
}

make_gong() {
    # A gong: inharmonic low partials that bloom and die slowly, with a shimmer of beating.
    partial g1 98.0 8.0 0
    partial g2 164.0 7.0 -3
    partial g3 231.5 6.0 -5
    partial g4 297.8 5.0 -6
    partial g5 346.2 4.5 -8
    partial g6 412.3 4.0 -9
    partial g7 517.7 3.0 -11
    partial g8 689.4 2.0 -13
    part g9 synth 2.9 sine 99.3 fade h 0.4 2.9 2.5 gain -4
    part g10 synth 0.05 brownnoise lowpass 600 fade t 0 0.05 0.05 gain -6
    clip "Gong" 2.9 "g1 g2 g3 g4 g5 g6 g7 g8 g9 g10" tremolo 4 20 reverb 50 50 90 \
        fade t 0 2.9 0.8
}

make_whistle() {
    # A referee's pea whistle: two close high tones beat against each other and a fast tremolo
    # adds the rattle of the pea, over a little breath.
    part w1 synth 0.9 sine 2650 synth 0.9 sine mix 2700 fade q 0.03 0.9 0.1
    part w2 synth 0.9 whitenoise bandpass 2650 800 fade q 0.03 0.9 0.1 gain -20
    clip "Whistle" 0.9 "w1 w2" tremolo 38 40
}

make_slide_whistle() {
    # A slide whistle: a breathy tone bent up an octave and back down past where it began.
    part sw1 synth 1.2 sine 700 fade q 0.04 1.2 0.12
    part sw2 synth 1.2 pinknoise bandpass 1400 1500 fade q 0.04 1.2 0.12 gain -28
    clip "Slide Whistle" 1.2 "sw1 sw2" bend 0.05,1200,0.45 0,-1500,0.55 tremolo 6 15
}

make_laser() {
    # A toy ray gun: a square wave diving from high to low, wobbled and echoed.
    part l1 synth 0.32 square 2400-180 synth 0.32 sine amod 70 fade l 0.002 0.32 0.2
    clip "Laser.v2" 0.5 "l1" lowpass 6000 echo 0.8 0.7 60 0.35 phaser 0.8 0.7 3 0.4 0.5 -t
}

make_cymbal() {
    # A crash cymbal: six detuned square waves for the metallic ring, under bright noise.
    part c1 synth 3.5 square 205.3 synth 3.5 square mix 304.4 synth 3.5 square mix 369.6 \
        synth 3.5 square mix 522.7 synth 3.5 square mix 540.0 synth 3.5 square mix 800.0 \
        gain -12 highpass 6000 fade l 0.001 3.5 3.49
    part c2 synth 3.5 whitenoise gain -6 highpass 4500 fade l 0.001 3.5 3.49
    clip "Cymbal Crash" 2.0 "c1 c2" reverb 40 50 80 fade t 0 2.0 0.5
}

make_buzzer() {
    # A quiz-show buzzer: two low square waves a little out of tune, harsh and flat.
    part z1 synth 0.8 square 110 fade t 0.005 0.8 0.03
    part z2 synth 0.8 sawtooth 116.5 fade t 0.005 0.8 0.03
    clip "Buzzer" 0.8 "z1 z2" overdrive 12 gain -6 lowpass 3000 highpass 80
}

make_applause() {
    # Applause: many short claps scattered in time. Each of six clap colours is copied onto 20
    # channels, each delayed by a pseudo-random offset (a fixed Park-Miller sequence, so every
    # run gives the same crowd), and mixed down; a faint bed of noise fills the gaps.
    local centres=(900 1200 1500 1800 2200 2700) colour ones offsets
    ones=$(printf '1 %.0s' $(seq 1 20))
    for colour in 0 1 2 3 4 5; do
        part "clap$colour" synth 0.05 whitenoise \
            gain -12 bandpass "${centres[$colour]}" 1200 fade l 0.001 0.05 0.045
        offsets=$(awk -v seed=$((7919 * (colour + 1))) 'BEGIN {
            for (i = 0; i < 20; i++) {
                seed = (seed * 16807) % 2147483647
                printf "%.3f ", seed / 2147483647 * 2.2
            }
        }')
        # shellcheck disable=SC2086 # the lists are meant to split into arguments
        sox -R "$work/clap$colour.wav" "$work/claps$colour.wav" \
            remix $ones delay $offsets remix -m 1-20
    done
    part crowd synth 2.5 pinknoise bandpass 1800 2500 gain -36
    clip "Applause" 2.5 "claps0 claps1 claps2 claps3 claps4 claps5 crowd" \
        lowpass 8000 fade q 0.25 2.5 0.9 reverb 40 50 80
}

make_ta_da() {
    # A two-chord brass "ta-da": a short pickup on G major, then a held C major.
    part t1 synth 0.16 sawtooth 392.0 synth 0.16 sawtooth mix 493.9 \
        synth 0.16 sawtooth mix 587.3 fade q 0.01 0.16 0.04
    part t2 synth 0.84 sawtooth 523.3 synth 0.84 sawtooth mix 659.3 \
        synth 0.84 sawtooth mix 784.0 synth 0.84 sawtooth mix 261.6 fade q 0.02 0.84 0.35
    clip "Ta-da" 1.0 "t1 t2:0.16" lowpass 2400 reverb 30 50 70
}

make_boing() {
    # A spring's "boing": a plucked low note whose pitch swoops up and wobbles.
    part bo1 synth 0.8 pluck 110 fade l 0.002 0.8 0.5
    clip "Boing" 0.8 "bo1" bend 0,1200,0.15 0,-400,0.1 0,300,0.1 0,-200,0.1 0,100,0.1 \
        tremolo 9 30
}

make_bell
make_door_bell
make_horn
make_air_horn
make_kick
make_snare
make_gong
make_whistle
make_slide_whistle
make_laser
make_cymbal
make_buzzer
make_applause
make_ta_da
make_boing
spoken "Hello" "Hello!" -v en-us -s 150 -p 55
spoken "Oops" "Oops!" -v en-us -s 140 -p 70

# The board expects short clips: check every clip in the folder.
for wav in "$out"/*.wav; do
    seconds=$(soxi -D "$wav")
    if ! awk -v s="$seconds" 'BEGIN { exit !(s >= 0.3 && s <= 3.0) }'; then
        echo "make_clips: $(basename "$wav") lasts $seconds s, outside 0.3 to 3 s" >&2
        exit 1
    fi
done
