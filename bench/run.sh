#!/usr/bin/env bash
# Generates the benchmark trees (fixed seed) and times dirmatch side by side
# with rsync -n and find on the same trees, warm and cold, plus growth up to a
# million entries. Writes bench/RESULTS.md and bench/growth.png.
#   bash bench/run.sh [work-folder]        (as root: the cold runs mount an ext4 image)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
work="${1:-/tmp/dirmatch-bench}"
runs="${RUNS:-20}"

need=()
for p in hyperfine rsync gnuplot-nox e2fsprogs time diffutils openssh-server openssh-client strace; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi
bash scripts/setup.sh >/dev/null
cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DDM_BUILD_TESTS=OFF >/dev/null
cmake --build build-rel >/dev/null
dm="$here/build-rel/cli/dirmatch"
gen="$here/build-rel/bench/bench_gen"

mkdir -p "$work"
walk="$here/build-rel/bench/bench_walk"
# The version cache of these runs, apart from the user's own: one for each
# tree, as for a user who keeps one tree in line (the trees together exceed
# what the cache keeps).
rm -rf "$work/cache"
cache_for() { export XDG_CACHE_HOME="$work/cache/$1"; }
declare -A entries
make_tree() {  # name files folders depth pe versioned [empty]
  local name=$1; shift
  [ -d "$work/$name/A" ] || "$gen" "$work/$name" "$@" >/dev/null
  # counted entries: every entry below A, plus the two dot entries of each folder
  entries[$name]=$(( $(find "$work/$name/A" -mindepth 1 | wc -l) + 2 * $(find "$work/$name/A" -type d | wc -l) ))
}
make_tree a 9900 1 1 0 0 101
make_tree b 8450 450 6 0 0 102
make_tree c 9900 1 1 1000 100 103
# Growth trees with contents (64 bytes to 1 KiB a file, one in ten with a PE header).
make_tree r100k 92000 4500 6 9200 920 104
make_tree r1m 920000 45000 6 92000 9200 105

# The machine's speed drifts over seconds, so the warm commands take turns:
# several short hyperfine rounds, their times pooled per command.
interleaved() {  # out.json command...
  local out=$1; shift
  local rounds=5 parts=()
  for r in $(seq $rounds); do
    hyperfine -N -i -w 2 -r $(( (runs + rounds - 1) / rounds )) --output=null --export-json "$out.$r" "$@" >/dev/null
    parts+=("$out.$r")
  done
  python3 - "$out" "${parts[@]}" <<'PY'
import json, statistics, sys
out, parts = sys.argv[1], [json.load(open(p))["results"] for p in sys.argv[2:]]
pooled = []
for i, r in enumerate(zip(*parts)):
    times = [t for p in parts for t in p[i]["times"]]
    # hyperfine gives a mean CPU time per round: the median of the rounds'.
    cpu = [p[i]["user"] + p[i]["system"] for p in parts]
    pooled.append({"command": r[0]["command"], "times": times, "median": statistics.median(times),
                   "cpu": statistics.median(cpu)})
json.dump({"results": pooled}, open(out, "w"))
PY
}

median() {  # hyperfine JSON -> median seconds of command $2
  python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]['median'])" "$1" "$2"
}
cpu() {  # pooled JSON -> median CPU seconds (user + system) of command $2
  python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]['cpu'])" "$1" "$2"
}
load() { cut -d' ' -f1-3 /proc/loadavg; }

results="$here/bench/RESULTS.md"
{
  echo "# dirmatch benchmarks"
  echo
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"
  echo "$(free -g | awk '/Mem:/{print $2}') GiB, Linux $(uname -r). $(date -u +%Y-%m-%d). Medians of $runs runs (hyperfine; warm commands take turns in 5 rounds)."
  echo "Trees: (a) 9900 files in one folder; (b) ~9800 entries in 450 folders, depth 6; (c) like (a), 1000 files"
  echo "starting with a PE header, 100 with a version resource; (r100k) ~100k entries in 4500 folders, one file in ten"
  echo "with a PE header. Files hold 64 bytes to 1 KiB. B differs from A: 5 % size or time, 2 % missing, 2 % extra."
  echo "First run: \`--no-cache\` (every version read). Repeat run: the version cache filled by the run before."
  echo "Floor: \`bench_walk\`, one open, getdents and close per folder and one statx per entry (\"+ read\": and 4 KiB of each file)."
  echo
  echo "## Warm cache"
  echo
  echo "| tree | first run | repeat run | no version rule | --json | rsync -rn -i | find | floor | floor + read | rsync -rn --delete -i | load before |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|"
} > "$results"
ratios=""
for t in a b c r100k; do
  A="$work/$t/A"; B="$work/$t/B"
  l=$(load)
  cache_for "$t"
  d="$dm compare $A $B --max-entries 3000000"
  interleaved "$work/$t.json" \
    "$d --no-cache" "$d" "$d --rules size,time,subdirs" "$d --json" \
    "rsync -rn --itemize-changes $A/ $B/" "find $A $B -printf '%s %T@\n'" \
    "$walk $A $B" "$walk --read $A $B" "rsync -rn --delete --itemize-changes $A/ $B/" >/dev/null
  m=(); c=()
  for i in 0 1 2 3 4 5 6 7 8; do m+=("$(median "$work/$t.json" $i)"); c+=("$(cpu "$work/$t.json" $i)"); done
  python3 - "$t" "$l" "${m[@]}" >> "$results" <<'PY'
import sys
t, l, *m = sys.argv[1:]; m = [float(x) for x in m]
ms = lambda s: f"{s*1000:.1f} ms"
print(f"| ({t}) | " + " | ".join(ms(x) for x in m) + f" | {l} |")
PY
  ratios+=$(python3 - "$t" "${m[@]}" "${c[@]}" <<'PY'
import sys
t, *v = sys.argv[1:]; v = [float(x) for x in v]; m, c = v[:9], v[9:]
# rsync without --delete never looks at B's own items; with it, it does what a comparison does.
print(f"| ({t}) | {c[0]/c[8]:.2f}x | {m[0]/m[8]:.2f}x | {c[0]/c[7]:.2f}x | {c[1]/c[8]:.2f}x | {m[1]/m[8]:.2f}x | {c[1]/c[6]:.2f}x "
      f"| {c[3]/c[1]:.2f}x | {c[0]/c[4]:.2f}x | {c[1]/c[4]:.2f}x | {c[6]/c[8]:.2f}x | {c[7]/c[8]:.2f}x |")
PY
)$'\n'
done
{
  echo
  echo "Ratios against \`rsync -rn --delete -i\` (CPU, and wall where named), against the floor, and against \`rsync -rn -i\`:"
  echo
  echo "| tree | first CPU | first wall | first CPU / floor + read | repeat CPU | repeat wall | repeat CPU / floor | --json / text CPU | first CPU / rsync -i | repeat CPU / rsync -i | floor / rsync | floor + read / rsync |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
  printf '%s' "$ratios"
} >> "$results"

# --json: bytes of memory per entry beyond the text output's.
{
  echo
  echo "| tree | peak memory, text | peak memory, --json | extra per entry |"
  echo "|---|---|---|---|"
} >> "$results"
for t in b r100k; do
  A="$work/$t/A"; B="$work/$t/B"
  cache_for "$t"
  kt=$( { /usr/bin/time -f %M "$dm" compare "$A" "$B" --max-entries 3000000 >/dev/null || true; } 2>&1 | tail -1)
  kj=$( { /usr/bin/time -f %M "$dm" compare "$A" "$B" --max-entries 3000000 --json >/dev/null || true; } 2>&1 | tail -1)
  echo "| ($t) | $((kt / 1024)) MiB | $((kj / 1024)) MiB | $(( (kj - kt) * 1024 / (2 * ${entries[$t]}) )) bytes |" >> "$results"
done

# System calls of one run on r100k, all threads: the walk's own, and what the
# heap costs (an allocator that grows a page at a time shows as mprotect).
{
  echo
  echo "| r100k, system calls | statx | openat | getdents64 | io_uring_enter | mprotect | all |"
  echo "|---|---|---|---|---|---|---|"
} >> "$results"
cache_for r100k
for run in first repeat; do
  flag=(); [ "$run" = first ] && flag=(--no-cache)
  strace -f -c -o "$work/strace.txt" "$dm" compare "$work/r100k/A" "$work/r100k/B" --max-entries 3000000 "${flag[@]}" \
    >/dev/null || true
  # calls are the fourth column whether or not the errors column is filled
  awk -v run="$run" '$NF ~ /^(statx|openat|getdents64|io_uring_enter|mprotect|total)$/ { n[$NF] = $4 }
    END { printf "| %s run | %d | %d | %d | %d | %d | %d |\n", run, n["statx"], n["openat"], n["getdents64"],
          n["io_uring_enter"], n["mprotect"], n["total"] }' "$work/strace.txt" >> "$results"
done

# The same, with a program keeping the other core busy.
hog() { sh -c 'while :; do :; done' >/dev/null 2>&1 & echo $!; }
{
  echo
  echo "## Warm cache, the other core kept busy (one endless shell loop)"
  echo
  echo "| tree | first run | repeat run | rsync -rn | first / rsync | repeat / rsync |"
  echo "|---|---|---|---|---|---|"
} >> "$results"
for t in a b c; do
  A="$work/$t/A"; B="$work/$t/B"
  cache_for "$t"
  h=$(hog)
  interleaved "$work/hog-$t.json" "$dm compare $A $B --no-cache" "$dm compare $A $B" "rsync -rn --itemize-changes $A/ $B/" >/dev/null
  kill "$h"
  python3 - "$t" "$(median "$work/hog-$t.json" 0)" "$(median "$work/hog-$t.json" 1)" "$(median "$work/hog-$t.json" 2)" >> "$results" <<'PY'
import sys
t, *m = sys.argv[1:]; m = [float(x) for x in m]
print(f"| ({t}) | {m[0]*1000:.1f} ms | {m[1]*1000:.1f} ms | {m[2]*1000:.1f} ms | {m[0]/m[2]:.2f}x | {m[1]/m[2]:.2f}x |")
PY
done

# Cold cache: the trees on an ext4 image behind a direct-I/O loop device (so
# that the image file's own cache does not count), remounted with the caches
# dropped before every run (the version cache file's pages go with them).
img="$work/cold.img"; mnt="$work/cold"
mkdir -p "$mnt"
if [ ! -f "$img" ]; then
  truncate -s 1G "$img" && mkfs.ext4 -q -F "$img"
  mount -o loop "$img" "$mnt" && cp -a "$work/a" "$work/b" "$work/c" "$mnt/" && umount "$mnt"
fi
loop=$(losetup -f --show --direct-io=on "$img")
{
  echo
  echo "## Cold cache (ext4 image remounted, caches dropped, before each run)"
  echo
  echo "| tree | first run | repeat run | rsync -rn | find | first / rsync | repeat / rsync |"
  echo "|---|---|---|---|---|---|---|"
} >> "$results"
remount="umount $mnt 2>/dev/null; sync; echo 3 > /proc/sys/vm/drop_caches; mount $loop $mnt"
for t in a b c; do
  A="$mnt/$t/A"; B="$mnt/$t/B"
  cache_for "cold-$t"
  sh -c "$remount"
  "$dm" compare "$A" "$B" >/dev/null || true  # the version cache knows this tree's files
  hyperfine -N -i -r "$runs" --output=null --prepare "sh -c '$remount'" --export-json "$work/cold-$t.json" \
    "$dm compare $A $B --no-cache" "$dm compare $A $B" "rsync -rn --itemize-changes $A/ $B/" "find $A $B -printf '%s %T@\n'" >/dev/null
  python3 - "$t" "$(median "$work/cold-$t.json" 0)" "$(median "$work/cold-$t.json" 1)" "$(median "$work/cold-$t.json" 2)" "$(median "$work/cold-$t.json" 3)" >> "$results" <<'PY'
import sys
t, *m = sys.argv[1:]; m = [float(x) for x in m]
print(f"| ({t}) | {m[0]*1000:.1f} ms | {m[1]*1000:.1f} ms | {m[2]*1000:.1f} ms | {m[3]*1000:.1f} ms | {m[0]/m[2]:.2f}x | {m[1]/m[2]:.2f}x |")
PY
done
umount "$mnt" 2>/dev/null || true
losetup -d "$loop"

# The content rule: (e) 2000 files of 1 KiB to 8 MiB (about 1 GiB a side), B a
# copy with every time changed and 5 % of the files changed in their last byte;
# (f) the same A, every file of B changed in its first byte.
content_trees() {
  python3 - "$work" <<'PY'
import os, random, sys
work = sys.argv[1]
if os.path.isdir(f"{work}/f/B"):
    sys.exit()
r = random.Random(106)
for t in ("e/A", "e/B", "f/B"):
    os.makedirs(f"{work}/{t}", exist_ok=True)
for i in range(2000):
    size = int(1024 * 8192 ** (r.random() ** 1.7))
    data = bytearray(r.randbytes(size))
    name = f"file{i:04}.bin"
    for t, change in (("e/A", None), ("e/B", -1 if i % 20 == 0 else None), ("f/B", 0)):
        out = bytearray(data)
        if change is not None:
            out[change] ^= 0xFF
        path = f"{work}/{t}/{name}"
        with open(path, "wb") as f:
            f.write(out)
        stamp = 1700000000 + (3600 if t != "e/A" else 0)
        os.utime(path, (stamp, stamp))
PY
  [ -e "$work/f/A" ] || ln -s "$work/e/A" "$work/f/A"
}
content_trees
{
  echo
  echo "## Content rule (\`--rules size,content\`)"
  echo
  echo "(e) 2000 files of 1 KiB to 8 MiB, $(du -sh "$work/e/A" | cut -f1) a side, every time changed, 5 % changed in their last byte;"
  echo "(f) the same where every file differs in its first byte. \`diff -rq\` stops at the first difference too; \`rsync -rnc\` reads everything."
  echo
  echo "| run | dirmatch content | diff -rq | rsync -rnc | dirmatch / diff |"
  echo "|---|---|---|---|---|"
} >> "$results"
A="$work/e/A"; B="$work/e/B"
interleaved "$work/content-e.json" "$dm compare $A $B --rules size,content" "diff -rq $A $B" "rsync -rnc --itemize-changes $A/ $B/" >/dev/null
python3 - "(e) warm" "$(median "$work/content-e.json" 0)" "$(median "$work/content-e.json" 1)" "$(median "$work/content-e.json" 2)" >> "$results" <<'PY'
import sys
t, *m = sys.argv[1:]; m = [float(x) for x in m]
print(f"| {t} | {m[0]*1000:.0f} ms | {m[1]*1000:.0f} ms | {m[2]*1000:.0f} ms | {m[0]/m[1]:.2f}x |")
PY
cimg="$work/content.img"; cmnt="$work/content"
mkdir -p "$cmnt"
if [ ! -f "$cimg" ]; then
  truncate -s 3G "$cimg" && mkfs.ext4 -q -F "$cimg"
  mount -o loop "$cimg" "$cmnt" && cp -a "$work/e" "$cmnt/" && umount "$cmnt"
fi
cloop=$(losetup -f --show --direct-io=on "$cimg")
cremount="umount $cmnt 2>/dev/null; sync; echo 3 > /proc/sys/vm/drop_caches; mount $cloop $cmnt"
sh -c "$cremount"
hyperfine -N -i -r 5 --output=null --prepare "sh -c '$cremount'" --export-json "$work/content-cold.json" \
  "$dm compare $cmnt/e/A $cmnt/e/B --rules size,content" "diff -rq $cmnt/e/A $cmnt/e/B" "rsync -rnc --itemize-changes $cmnt/e/A/ $cmnt/e/B/" >/dev/null
python3 - "(e) cold" "$(median "$work/content-cold.json" 0)" "$(median "$work/content-cold.json" 1)" "$(median "$work/content-cold.json" 2)" >> "$results" <<'PY'
import sys
t, *m = sys.argv[1:]; m = [float(x) for x in m]
print(f"| {t} | {m[0]*1000:.0f} ms | {m[1]*1000:.0f} ms | {m[2]*1000:.0f} ms | {m[0]/m[1]:.2f}x |")
PY
umount "$cmnt" 2>/dev/null || true
losetup -d "$cloop"
A="$work/f/A/"; B="$work/f/B"
interleaved "$work/content-f.json" "$dm compare $A $B --rules size,content" "$dm compare $A $B --rules size" "diff -rq $A $B" >/dev/null
python3 - "$(median "$work/content-f.json" 0)" "$(median "$work/content-f.json" 1)" "$(median "$work/content-f.json" 2)" >> "$results" <<'PY'
import sys
m = [float(x) for x in sys.argv[1:]]
print(f"| (f) warm | {m[0]*1000:.0f} ms | {m[2]*1000:.0f} ms | | {m[0]/m[2]:.2f}x |")
print()
print(f"(f): with the content rule {m[0]*1000:.1f} ms, without it {m[1]*1000:.1f} ms: {m[0]/m[1]:.2f}x.")
PY

# (g) 10,000 small equal files (64 bytes to 4 KiB) in 20 folders, B an exact copy:
# every pair is read whole. Against the run without the rule, diff -rq, and the
# floor of reading them (bench_walk reading 4 KiB of every file).
if [ ! -d "$work/g/B" ]; then
  python3 - "$work/g" <<'PY'
import os, random, sys
r = random.Random(107)
for i in range(10000):
    data = r.randbytes(r.randint(64, 4096))
    for t in ("A", "B"):
        os.makedirs(f"{sys.argv[1]}/{t}/d{i // 500:02}", exist_ok=True)
        path = f"{sys.argv[1]}/{t}/d{i // 500:02}/f{i:05}.dat"
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (1700000000, 1700000000))
PY
fi
A="$work/g/A"; B="$work/g/B"
interleaved "$work/content-g.json" "$dm compare $A $B --rules size,subdirs,content --max-entries 100000" \
  "$dm compare $A $B --rules size,subdirs --max-entries 100000" "diff -rq $A $B" "$walk --read $A $B" >/dev/null
python3 - $(for i in 0 1 2 3; do echo "$(median "$work/content-g.json" $i) $(cpu "$work/content-g.json" $i)"; done) "$(load)" >> "$results" <<'PY'
import sys
v = [float(x) for x in sys.argv[1:-1]]
wall, cpu = v[0::2], v[1::2]
print()
print(f"(g) 10,000 small equal files: with the content rule {wall[0]*1000:.1f} ms (CPU {cpu[0]*1000:.1f} ms), "
      f"without it {wall[1]*1000:.1f} ms (CPU {cpu[1]*1000:.1f} ms): {wall[0]/wall[1]:.2f}x wall, {cpu[0]/cpu[1]:.2f}x CPU; "
      f"diff -rq {wall[2]*1000:.1f} ms ({wall[0]/wall[2]:.2f}x); floor + read {wall[3]*1000:.1f} ms (CPU {cpu[3]*1000:.1f} ms); "
      f"load {sys.argv[-1]}.")
PY

# A folder on another machine: trees (b) and r100k, B through an sshd of its
# own on the loopback address, side by side with rsync over the same ssh.
cache_for b
bash bench/remote.sh "$dm" "$work/b" "$work/r100k" >> "$results"

# Copies of many small files and some large ones onto tmpfs, ext4, btrfs and FAT, beside cp -a.
bash bench/copy.sh "$dm" >> "$results"

# One A to 1, 8 and 32 folders B over the same ssh: one run against the syncs one after another.
bash bench/targets.sh "$dm" "$gen" "$work/targets" >> "$results"

# Growth: time and memory per entry from 10^4 to 10^6 entries per tree.
{
  echo
  echo "## Growth (warm, all rules, --max-entries raised)"
  echo
  echo "| entries per tree | first run | per entry | repeat run | per entry | peak memory | memory per entry |"
  echo "|---|---|---|---|---|---|---|"
} >> "$results"
: > "$work/growth.dat"
base=$(/usr/bin/time -f %M "$dm" --help 2>&1 >/dev/null | tail -1)
for t in b r100k r1m; do
  A="$work/$t/A"; B="$work/$t/B"
  cache_for "$t"
  hyperfine -N -i -w 1 -r 3 --output=null --export-json "$work/g-$t.json" \
    "$dm compare $A $B --max-entries 3000000 --no-cache" "$dm compare $A $B --max-entries 3000000" >/dev/null
  first=$(median "$work/g-$t.json" 0); repeat=$(median "$work/g-$t.json" 1)
  kib=$( { /usr/bin/time -f %M "$dm" compare "$A" "$B" --max-entries 3000000 >/dev/null || true; } 2>&1 | tail -1)
  n=${entries[$t]}
  python3 - "$n" "$first" "$repeat" "$kib" "$base" >> "$results" <<'PY'
import sys
n, f, r, k, b = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
print(f"| {n} | {f:.2f} s | {f/n*1e6:.2f} us | {r:.2f} s | {r/n*1e6:.2f} us | {k/1024:.0f} MiB | {(k-b)*1024/(2*n):.0f} bytes |")
PY
  echo "$n $(python3 -c "print($first/$n*1e6, $repeat/$n*1e6)")" >> "$work/growth.dat"
done
gnuplot <<GP
set terminal pngcairo size 720,420
set output "$here/bench/growth.png"
set logscale x
set xlabel "entries per tree"
set ylabel "time per entry (us)"
set yrange [0:*]
set grid
plot "$work/growth.dat" using 1:2 with linespoints title "first run (A and B)", \
     "$work/growth.dat" using 1:3 with linespoints title "repeat run"
GP

{
  echo
  echo "## Desktop program: end of comparison to the full tree"
  echo
  "$here/build-rel/bench/bench_tree" 2>/dev/null
  echo
  echo "## 100 comparisons in a row (refresh and synchronization between)"
  echo
  "$here/build-rel/bench/bench_load" 100
  echo
  echo "## Saving settings and filter files with many entries (linear growth)"
  echo
  "$here/build-rel/bench/bench_settings" 100000
} >> "$results"
echo "Wrote $results and bench/growth.png"
