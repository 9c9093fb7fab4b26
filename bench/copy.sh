#!/usr/bin/env bash
# Copying 10,000 files of 4 KiB and 100 of 1 MiB: dirmatch sync against
# cp -a followed by sync (the same promise: on disk when it ends) and bare
# cp -a, onto tmpfs, ext4, btrfs (where dirmatch shares blocks) and a FAT
# image through fusefat (a tenth of the tree: fusefat takes minutes for the
# whole). Runs interleaved, median of RUNS (3).
# As root (tmpfs and loop devices are mounted). Prints a Markdown section.
#   [KINDS="tmpfs ext4"] bash bench/copy.sh [DIRMATCH]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dm=${1:-}
if [ -z "$dm" ]; then
  cmake -S "$here" -B "$here/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$here/build-rel" --target dirmatch >/dev/null
  dm="$here/build-rel/cli/dirmatch"
fi
runs=${RUNS:-3}
work=$(mktemp -d /var/tmp/dirmatch-copy.XXXXXX)
trap 'for m in "$work"/mnt-*; do umount "$m" 2>/dev/null || fusermount -u "$m" 2>/dev/null || true; done; rm -rf "$work"' EXIT

# The tree, made once; each file system gets its own copy as A.
python3 - "$work/tree" <<'PY'
import os, random, sys
r = random.Random(53)
for i in range(10000):
    os.makedirs(f"{sys.argv[1]}/d{i // 100:03}", exist_ok=True)
    with open(f"{sys.argv[1]}/d{i // 100:03}/s{i:05}", "wb") as f:
        f.write(r.randbytes(4096))
os.makedirs(f"{sys.argv[1]}/large", exist_ok=True)
for i in range(100):
    with open(f"{sys.argv[1]}/large/l{i:03}", "wb") as f:
        f.write(r.randbytes(1 << 20))
PY
# A tenth of it, for FAT.
mkdir -p "$work/tenth/large"
cp -r --preserve=timestamps "$work"/tree/d00? "$work/tenth/"
cp --preserve=timestamps "$work"/tree/large/l00? "$work/tenth/large/"

mount_fs() {  # kind folder: mounts a fresh file system of that kind; false where it cannot
  local kind=$1 folder=$2 img="$work/$1.img"
  mkdir -p "$folder"
  case $kind in
    tmpfs) mount -t tmpfs -o size=1G tmpfs "$folder" ;;
    ext4) truncate -s 1G "$img" && mkfs.ext4 -q -F "$img" && mount -o loop "$img" "$folder" ;;
    btrfs) truncate -s 1G "$img" && mkfs.btrfs -q "$img" && mount -o loop "$img" "$folder" ;;
    fat) truncate -s 1G "$img" && mkfs.fat -F 32 "$img" >/dev/null && TZ=UTC fusefat -o rw+ "$img" "$folder" ;;
  esac >/dev/null 2>&1
}

ms() {  # command...: milliseconds, B emptied and caches written out before
  rm -rf "$B"; mkdir -p "$B"; sync
  local start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  echo $(( ($(date +%s%N) - start) / 1000000 ))
}
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

echo
echo "## Copies in batches ($(date -u +%F); 10,000 files of 4 KiB and 100 of 1 MiB; load before $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "| onto | dirmatch sync | cp -a && sync | cp -a | dirmatch / (cp -a && sync) | dirmatch / cp -a |"
echo "|---|---|---|---|---|---|"
for kind in ${KINDS:-tmpfs ext4 btrfs fat}; do
  mnt="$work/mnt-$kind"
  if ! mount_fs "$kind" "$mnt"; then
    echo "| $kind | (could not be mounted here) | | | | |"
    continue
  fi
  if [ "$kind" = fat ]; then tree="$work/tenth"; else tree="$work/tree"; fi
  cp -r --preserve=timestamps "$tree" "$mnt/A"
  B="$mnt/B"
  ours=() synced=() bare=()
  for _ in $(seq "$runs"); do
    ours+=("$(ms "$dm" sync "$mnt/A" "$B" --yes --no-cache --max-entries 1000000)")
    synced+=("$(ms sh -c "cp -a '$mnt/A/.' '$B' && sync")")
    bare+=("$(ms cp -a "$mnt/A/." "$B")")
  done
  o=$(median "${ours[@]}") s=$(median "${synced[@]}") c=$(median "${bare[@]}")
  [ "$kind" = fat ] && kind="fat (1,000 + 10 files)"
  python3 -c "print(f'| $kind | $o ms | $s ms | $c ms | {$o/$s:.2f}x | {$o/$c:.2f}x |')"
  rm -rf "$mnt/A" "$B"
  umount "$mnt" 2>/dev/null || fusermount -u "$mnt"
done
