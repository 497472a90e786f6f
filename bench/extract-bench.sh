#!/usr/bin/env bash
# Extract of a 200 MB KRZ file (100 stereo 16-bit samples of 2 MB, made by
# dorvane-cli from generated WAV files) into WAV and SFZ files, against
# reading the same file as cat does and writing its bytes to a file in the
# same folder (tee FILE.krz < KRZ > /dev/null). The goal is extract within
# 1.5 times the reference. Prints the best wall time of RUNS runs and the
# CPU time (user + system) of the last run of each: on a busy machine the
# wall time of a longer task grows with the others' load, the CPU time
# does not. The page cache is warm for both.
#   usage: bench/extract-bench.sh [BUILD_DIR] [WORK_DIR]
#   (bench/run.sh passes its own work folder, whose wav/ files are reused)
set -euo pipefail
BUILD=${1:-build}
WORK=${2:-$(mktemp -d /tmp/dorvane-extractbench.XXXXXX)}
RUNS=${RUNS:-3}
FILES=${FILES:-100}
CLI=$(cd "$BUILD/bin" && pwd)/dorvane-cli
for tool in sox /usr/bin/time tee bc; do
  command -v "$tool" >/dev/null || { echo "bench needs $tool (apt-get install sox time bc)"; exit 1; }
done
mkdir -p "$WORK/wav" && cd "$WORK"

# The same files as bench/run.sh makes: 16-bit stereo, 44100 Hz, 2 MB each.
if [ "$(ls wav | wc -l)" -lt "$FILES" ]; then
  echo "Generating $FILES WAV files in $WORK/wav ..."
  for i in $(seq -w 1 "$FILES"); do
    sox -n -r 44100 -b 16 -c 2 "wav/s$i.wav" synth 11.9 sine $((200 + 10#$i * 7)) sine $((300 + 10#$i * 5)) vol 0.5
  done
fi
mapfile -t WAVS < <(ls wav/*.wav | head -n "$FILES")
"$CLI" make -o extract.krz "${WAVS[@]}" >/dev/null 2>&1
KRZ_MB=$(du -m extract.krz | cut -f1)

# best wall time of RUNS runs of "$@" into a fresh out/, in seconds
best() {
  local b="" s e t
  for _ in $(seq "$RUNS"); do
    rm -rf out && mkdir out
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%.3f' "$b"
}
# user + system seconds of one run of "$@" into a fresh out/
cpu() {
  rm -rf out && mkdir out
  /usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.3f", $1 + $2}'
}

extract_dv() { "$CLI" extract extract.krz -o out/x; }
read_write() { tee out/copy.krz < extract.krz > /dev/null; }
T_EXTRACT=$(best extract_dv)
T_REF=$(best read_write)
C_EXTRACT=$(cpu "$CLI" extract extract.krz -o out/x)
WAVS_OUT=$(ls out/x/extract/*.wav | wc -l)
C_REF=$(cpu sh -c 'tee out/copy.krz < extract.krz > /dev/null')
rm -rf out

ratio() { echo "scale=2; $1 / $2" | bc -l; }
cat <<TXT
| extract of a $KRZ_MB MB KRZ file ($WAVS_OUT WAV files) | dorvane-cli | read + write (tee) | ratio |
|---|---|---|---|
| wall, best of $RUNS | ${T_EXTRACT} s | ${T_REF} s | $(ratio "$T_EXTRACT" "$T_REF") x |
| CPU (user + system) | ${C_EXTRACT} s | ${C_REF} s | $(ratio "$C_EXTRACT" "$C_REF") x |
TXT
echo "(work folder: $WORK; remove it when done)"
