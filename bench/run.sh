#!/usr/bin/env bash
# End-to-end benchmark: dorvane-cli against the public tools a user would
# otherwise reach for, on a generated pool of 100 16-bit stereo WAV files of
# about 2 MB each (and the same files as an SFZ instrument; then the
# extract of their KRZ file, bench/extract-bench.sh). Prints wall times
# (best of RUNS) and peak memory.
#   usage: bench/run.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
BUILD=${1:-build}
WORK=${2:-$(mktemp -d /tmp/dorvane-bench.XXXXXX)}
RUNS=${RUNS:-3}
FILES=${FILES:-100}
CLI=$(cd "$BUILD/bin" && pwd)/dorvane-cli
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD_DIR=$(cd "$BUILD" && pwd)
for tool in sox /usr/bin/time split cat; do
  command -v "$tool" >/dev/null || { echo "bench needs $tool (apt-get install sox time)"; exit 1; }
done
mkdir -p "$WORK/wav"
cd "$WORK"

# 2 MB each: 16-bit stereo at 44100 Hz, 11.9 s = 524,790 frames = 2,099,160 data bytes.
if [ "$(ls wav | wc -l)" -lt "$FILES" ]; then
  echo "Generating $FILES WAV files in $WORK/wav ..."
  for i in $(seq -w 1 "$FILES"); do
    sox -n -r 44100 -b 16 -c 2 "wav/s$i.wav" synth 11.9 sine $((200 + 10#$i * 7)) sine $((300 + 10#$i * 5)) vol 0.5
  done
fi
# The same sounds as 24-bit files, and 20 of them at 96 kHz (resampling).
mkdir -p wav24 wav96
if [ "$(ls wav24 | wc -l)" -lt "$FILES" ]; then
  echo "Generating 24-bit copies in $WORK/wav24 ..."
  for f in wav/*.wav; do sox "$f" -b 24 "wav24/$(basename "$f")"; done
fi
if [ "$(ls wav96 | wc -l)" -lt 20 ]; then
  echo "Generating 96 kHz copies in $WORK/wav96 ..."
  for f in $(ls wav/*.wav | head -n 20); do sox "$f" -r 96000 "wav96/$(basename "$f")" rate -v; done
fi
ls wav/*.wav | head -n "$FILES" > list.txt
mapfile -t WAVS < list.txt
INPUT_MB=$(du -cm "${WAVS[@]}" | tail -1 | cut -f1)

# best wall time of RUNS runs, in seconds; peak RSS in KB of the last run
best() {
  local best=999999 t
  for _ in $(seq "$RUNS"); do
    rm -rf out && mkdir out
    local s=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    local e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    best=$(echo "if ($t < $best) $t else $best" | bc -l)
  done
  printf '%.3f' "$best"
}
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

sox_all() { for f in "${WAVS[@]}"; do sox "$f" -t raw -e signed -b 16 -B "out/$(basename "$f").raw"; done; }
cat_all() { cat "${WAVS[@]}" > out/all.bin; }
make_krz() { "$CLI" make -o out/pool.krz "${WAVS[@]}"; }

echo "Input: ${#WAVS[@]} files, $INPUT_MB MB; best of $RUNS runs"
T_CAT=$(best cat_all)
T_MAKE=$(best make_krz)
T_SOX=$(best sox_all)
"$CLI" make -o pool.krz "${WAVS[@]}" 2>/dev/null
KRZ_MB=$(du -m pool.krz | cut -f1)
M_MAKE=$(peak "$CLI" make -o pool2.krz "${WAVS[@]}")
M_MAKE10=$(peak "$CLI" make -o pool3.krz "${WAVS[@]:0:10}")
rm -f pool2.krz pool3.krz

split_dv() { "$CLI" split pool.krz --dest out/part --size 1400; }
split_gnu() { split -b 1433600 pool.krz out/part; }
T_SPLIT=$(best split_dv)
T_GSPLIT=$(best split_gnu)
"$CLI" split pool.krz --dest parts.krz --size 1400 2>/dev/null
M_SPLIT=$(peak "$CLI" split pool.krz --dest parts2.krz --size 1400)
rm -f parts2.krz*
join_dv() { "$CLI" join parts.krz01 --dest out/joined.krz; }
join_cat() { cat parts.krz[0-9]* > out/joined.bin; }
T_JOIN=$(best join_dv)
T_CAT2=$(best join_cat)
M_JOIN=$(peak "$CLI" join parts.krz01 --dest joined2.krz)
rm -f joined2.krz

# The same WAV files as one instrument: an SFZ file of 100 regions (two
# velocity layers of 50 keys).
{
  i=0
  for f in "${WAVS[@]}"; do
    lo=$((i % 2 == 0 ? 1 : 64)); hi=$((i % 2 == 0 ? 63 : 127))
    echo "<region> sample=$f key=$((36 + i / 2)) lovel=$lo hivel=$hi"
    i=$((i + 1))
  done
} > inst.sfz
make_sfz() { "$CLI" make -o out/inst.krz inst.sfz; }
T_SFZ=$(best make_sfz)
M_SFZ=$(peak "$CLI" make -o inst2.krz inst.sfz)
rm -f inst2.krz

mapfile -t WAVS24 < <(ls wav24/*.wav | head -n "$FILES")
mapfile -t WAVS96 < <(ls wav96/*.wav)
make_conv() { "$CLI" make --convert -o out/pool24.krz "${WAVS24[@]}"; }
make_rate() { "$CLI" make --max-rate 48000 -o out/pool96.krz "${WAVS96[@]}"; }
sox_rate() { for f in "${WAVS96[@]}"; do sox "$f" -t raw -e signed -b 16 -B "out/$(basename "$f").raw" rate -v 48000; done; }
T_CONV=$(best make_conv)
M_CONV=$(peak "$CLI" make --convert -o pool24.krz "${WAVS24[@]}")
T_RATE=$(best make_rate)
T_SOXRATE=$(best sox_rate)
M_RATE=$(peak "$CLI" make --max-rate 48000 -o pool96.krz "${WAVS96[@]}")
rm -f pool24.krz pool96.krz

ratio() { echo "scale=2; $1 / $2" | bc -l; }
cat <<TXT
| operation | dorvane-cli | reference | ratio | peak memory |
|---|---|---|---|---|
| make ($INPUT_MB MB in, $KRZ_MB MB out) | ${T_MAKE} s | cat ${T_CAT} s | $(ratio "$T_MAKE" "$T_CAT") x | ${M_MAKE} KB (10 files: ${M_MAKE10} KB) |
| make of an SFZ of the same files (100 regions) | ${T_SFZ} s | make ${T_MAKE} s | $(ratio "$T_SFZ" "$T_MAKE") x | ${M_SFZ} KB |
| make vs sox to raw big-endian | ${T_MAKE} s | sox ${T_SOX} s | sox takes $(ratio "$T_SOX" "$T_MAKE") x as long | |
| split at 1400 KB | ${T_SPLIT} s | split -b ${T_GSPLIT} s | $(ratio "$T_SPLIT" "$T_GSPLIT") x | ${M_SPLIT} KB |
| join | ${T_JOIN} s | cat ${T_CAT2} s | $(ratio "$T_JOIN" "$T_CAT2") x | ${M_JOIN} KB |
| make --convert of the same sounds as 24-bit files | ${T_CONV} s | 16-bit make ${T_MAKE} s | $(ratio "$T_CONV" "$T_MAKE") x | ${M_CONV} KB |
| make --max-rate 48000 of 20 files at 96 kHz | ${T_RATE} s | sox rate -v ${T_SOXRATE} s | $(ratio "$T_RATE" "$T_SOXRATE") x | ${M_RATE} KB |
TXT
echo
"$HERE/extract-bench.sh" "$BUILD_DIR" "$WORK" | grep -v '^(work folder'
echo "(work folder: $WORK; remove it when done)"
