#!/usr/bin/env bash
# Copying into a disk image: dorvane-cli put of one 500 MB file into an empty
# FAT16 volume of about 2 GB (32 KB clusters, the largest FAT16 allows),
# against mcopy of the same file into the same image. Each run starts from
# a fresh copy of the empty image; the page cache is warm for both. Prints
# wall times (best of RUNS) and checks both images with fsck.fat -n.
#   usage: bench/put-bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
BUILD=${1:-build}
WORK=${2:-$(mktemp -d /tmp/dorvane-putbench.XXXXXX)}
RUNS=${RUNS:-3}
SIZE_MB=${SIZE_MB:-500}
CLI=$(cd "$BUILD/bin" && pwd)/dorvane-cli
PATH=$PATH:/sbin:/usr/sbin
for tool in mkfs.fat fsck.fat mcopy; do
  command -v "$tool" >/dev/null || { echo "bench needs $tool (apt-get install dosfstools mtools)"; exit 1; }
done
export MTOOLS_SKIP_CHECK=1
mkdir -p "$WORK" && cd "$WORK"

[ -f empty.img ] || mkfs.fat -F 16 -s 64 -C empty.img 2096000 >/dev/null
[ -f big.krz ] || head -c $((SIZE_MB * 1024 * 1024)) /dev/urandom > big.krz

# best wall time of RUNS runs of "$@" on a fresh disk.img, in seconds
best() {
  local b=""
  for _ in $(seq "$RUNS"); do
    cp --sparse=always empty.img disk.img
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  echo "$b"
}

T_PUT=$(best "$CLI" put disk.img big.krz)
fsck.fat -n disk.img >/dev/null && echo "dorvane-cli image passes fsck.fat -n"
mcopy -n -i disk.img ::BIG.KRZ back.krz && cmp back.krz big.krz && echo "file reads back identical"
rm -f back.krz
T_MCOPY=$(best mcopy -i disk.img big.krz ::BIG.KRZ)
fsck.fat -n disk.img >/dev/null && echo "mcopy image passes fsck.fat -n"

printf "put of %d MB into a %s FAT16 image (best of %d):\n" "$SIZE_MB" \
  "$(du -h --apparent-size empty.img | cut -f1)" "$RUNS"
printf "  dorvane-cli put  %6.2f s  (%.0f MB/s)\n" "$T_PUT" "$(echo "$SIZE_MB / $T_PUT" | bc -l)"
printf "  mcopy            %6.2f s  (%.0f MB/s)\n" "$T_MCOPY" "$(echo "$SIZE_MB / $T_MCOPY" | bc -l)"
