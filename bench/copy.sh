#!/usr/bin/env bash
# Copying 2 GiB in 1,000 files: dirmatch sync against cp -a onto tmpfs and ext4,
# and onto btrfs, where the copy shares blocks, against a buffered copy.
# As root (tmpfs and a loop device are mounted). Appends to bench/RESULTS.md.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$here" -B "$here/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build-rel" --target dirmatch >/dev/null
dm="$here/build-rel/cli/dirmatch"
work=$(mktemp -d /var/tmp/dirmatch-copy.XXXXXX)
trap 'umount "$work/tmpfs" "$work/btrfs" 2>/dev/null || true; rm -rf "$work"' EXIT

fill() {  # folder: 1,000 files of 2 MiB
  mkdir -p "$1"
  for i in $(seq 1000); do head -c 2097152 /dev/urandom > "$1/f$i"; done
}
median_ms() {  # command...: the median of 3 runs, B emptied before each
  local times=()
  for _ in 1 2 3; do
    rm -rf "$target"; mkdir -p "$target"; sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
    local start=$(date +%s%N)
    "$@" >/dev/null
    times+=($(( ($(date +%s%N) - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}

results=()
mkdir -p "$work/tmpfs" "$work/btrfs" "$work/ext4"
mount -t tmpfs -o size=5G tmpfs "$work/tmpfs"
for fs in tmpfs ext4; do
  fill "$work/$fs/A"
  target="$work/$fs/B"
  ours=$(median_ms "$dm" sync "$work/$fs/A" "$target" --yes --no-cache)
  theirs=$(median_ms cp -a "$work/$fs/A/." "$target")
  results+=("| 2 GiB in 1,000 files onto $fs | $ours ms | cp -a $theirs ms | $(python3 -c "print(f'{$ours/$theirs:.2f}')")× |")
  rm -rf "$work/$fs/A" "$target"
done
truncate -s 6G "$work/btrfs.img"
if mkfs.btrfs -q "$work/btrfs.img" 2>/dev/null && mount -o loop "$work/btrfs.img" "$work/btrfs" 2>/dev/null; then
  fill "$work/btrfs/A"
  target="$work/btrfs/B"
  ours=$(median_ms "$dm" sync "$work/btrfs/A" "$target" --yes --no-cache)
  buffered=$(median_ms cp -a --reflink=never "$work/btrfs/A/." "$target")
  results+=("| the same onto btrfs, blocks shared | $ours ms | buffered copy $buffered ms | $(python3 -c "print(f'{$ours/$buffered:.2f}')")× |")
fi

{
  echo
  echo "## Copying onto real file systems ($(date -u +%F), load $(cut -d' ' -f1 /proc/loadavg))"
  echo
  echo "| what | dirmatch sync | peer | ratio |"
  echo "|---|---|---|---|"
  printf '%s\n' "${results[@]}"
} | tee -a "$here/bench/RESULTS.md"
