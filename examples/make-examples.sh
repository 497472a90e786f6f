#!/bin/sh
# Makes the example pool: four short WAV files made with sox and the pool
# file example.dvn (version 203) that names them by paths relative to this
# folder, so that the program is started here: `dorvane example.dvn`.
# The outputs are committed; nothing in the build runs this script.
# Needs sox and python3. -R and -D (fixed seed, no dither) make every run
# give the same bytes.
set -eu
cd "$(dirname "$0")"

# A plucked string at C4 (261.6 Hz), 16-bit mono. The pluck generator works
# at 44.1 kHz only; the result is resampled to 22.05 kHz.
sox -R -D -r 44100 -n -b 16 -c 1 pluck.wav \
    synth 1.0 pluck C4 fade 0 1.0 0.3 rate 22050 norm -1

# A C major chord (C3, E3, G3) spread over two channels, with a slow
# tremolo of exactly four cycles, so that the whole sample loops: 16-bit stereo.
sox -R -D -r 22050 -c 3 -n -b 16 -c 2 pad.wav \
    synth 1.0 triangle C3 triangle E3 triangle G3 \
    remix 1v0.4,2v0.25 2v0.25,3v0.4 tremolo 4 20 norm -3

# A short burst of filtered noise, like a snare drum: 8-bit mono.
sox -R -D -r 11025 -n -e unsigned-integer -b 8 -c 1 snare.wav \
    synth 0.3 noise gain -6 lowpass 5000 fade q 0.002 0.3 0.28 norm -1

# A low sawtooth at A1 (55 Hz) through a low-pass filter: 16-bit mono.
sox -R -D -r 22050 -n -b 16 -c 1 bass.wav \
    synth 0.8 sawtooth A1 gain -6 lowpass 800 fade 0.005 0.8 0.2 norm -2

python3 - <<'PY'
import struct

# (WAV file, sample name, keymap name, program name, loop, root key)
# Root key = note index (C=0 .. B=11) + 12 * octave; C4 is 48.
ENTRIES = [
    ("pluck.wav", "Pluck C4", "", "", 0, 48),
    ("pad.wav", "Pad Chord", "Pad Map", "Warm Pad", 1, 36),
    ("snare.wav", "Noise Snare", "", "", 0, 38),
    ("bass.wav", "Saw Bass", "", "", 0, 21),
]
MAX_POOL = 100


def string(text):
    data = text.encode("ascii")
    assert len(data) < 255
    return bytes([len(data)]) + data


out = bytearray(b"DVN\xaa")  # magic word of version 203
out += struct.pack("<i", len(ENTRIES))
for slot in range(MAX_POOL):
    if slot < len(ENTRIES):
        wav, sample, keymap, program, loop, root = ENTRIES[slot]
        enable = 1
    else:
        wav = sample = keymap = program = ""
        loop = root = enable = 0
    for text in (wav, sample, keymap, program):
        out += string(text)
    # loop switch, root key, keymap enable, program enable
    out += struct.pack("<4i", loop, root, enable, enable)

with open("example.dvn", "wb") as f:
    f.write(out)
PY
