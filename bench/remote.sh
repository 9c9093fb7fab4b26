#!/usr/bin/env bash
# A folder on another machine, against rsync over the same ssh (an sshd of its
# own on the loopback address): time, bytes on the wire, and when the first
# bytes of the listing leave. Prints a Markdown section.
#   bash bench/remote.sh DIRMATCH TREE...     (each TREE holds A and B)
set -euo pipefail
cd "$(dirname "$0")/.."
dm=$1; shift
runs="${RUNS:-10}"
source bench/sshd.sh "the remote benchmark"
wire() {  # bytes the loopback carries while the command runs
  local before after
  before=$(cat /sys/class/net/lo/statistics/rx_bytes)
  eval "$1" >/dev/null 2>&1 || true
  after=$(cat /sys/class/net/lo/statistics/rx_bytes)
  echo $((after - before))
}
echo
echo "## A folder on another machine (B over ssh to 127.0.0.1; load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
# The floor: ssh's own start-up, a login that runs nothing.
startup=$(mktemp)
hyperfine -N -i -w 1 -r "$runs" --output=null --export-json "$startup" "$ssh_cmd $(id -un)@127.0.0.1 true" >/dev/null
python3 -c "import json,sys; print(f'ssh start-up alone (the floor of any run over ssh): {json.load(open(sys.argv[1]))[\"results\"][0][\"median\"]*1000:.0f} ms.')" "$startup"
rm -f "$startup"
# With ssh's compression, both of them: what a slow link would choose.
compressed=()
for tree in "$@"; do
  remote="$(id -un)@127.0.0.1:$tree/B"
  out=$(mktemp)
  hyperfine -N -i -w 1 -r "$runs" --output=null --export-json "$out" \
    "$dm compare $tree/A $remote --rsh '$ssh_cmd -o Compression=yes' --remote-dirmatch $dm --max-entries 10000000 --lang en" \
    "rsync -rn --delete -i -e '$ssh_cmd -o Compression=yes' $tree/A/ $remote/" >/dev/null
  compressed+=("$(python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results']; print(f'{sys.argv[2]}: {r[0][\"median\"]*1000:.0f} ms against {r[1][\"median\"]*1000:.0f} ms ({r[0][\"median\"]/r[1][\"median\"]:.2f}x)')" "$out" "$(basename "$tree")")")
  rm -f "$out"
done
echo "With Compression=yes for both: $(IFS=';'; echo "${compressed[*]}" | sed 's/;/; /g')."
echo
echo "| tree | entries | dirmatch compare A HOST:B | rsync -rn --delete -i -e ssh | time ratio | dirmatch bytes | rsync bytes | bytes ratio | first bytes of the listing after | whole listing |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for tree in "$@"; do
  remote="$(id -un)@127.0.0.1:$tree/B"
  ours="$dm compare $tree/A $remote --rsh '$ssh_cmd' --remote-dirmatch $dm --max-entries 10000000 --lang en"
  theirs="rsync -rn --delete -i -e '$ssh_cmd' $tree/A/ $remote/"
  out=$(mktemp)
  hyperfine -N -i -w 1 -r "$runs" --output=null --export-json "$out" "$ours" "$theirs" >/dev/null
  bytes_ours=$(wire "$ours")
  bytes_theirs=$(wire "$theirs")
  # When the other side's first piece of the listing is written, and its last.
  timing=$(python3 - "$dm" "$tree/B" <<'PY'
import subprocess, sys, time
start = time.monotonic()
p = subprocess.Popen([sys.argv[1], "stream", sys.argv[2], "--protocol", "2", "--max-entries", "10000000"],
                     stdout=subprocess.PIPE, bufsize=0)
first = None
while chunk := p.stdout.read(65536):
    first = first or time.monotonic()
p.wait()
print(f"{(first - start) * 1000:.0f} ms {(time.monotonic() - start) * 1000:.0f} ms")
PY
)
  python3 - "$out" "$(basename "$tree")" "$(find "$tree/B" | wc -l)" "$bytes_ours" "$bytes_theirs" "$timing" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
d, s = r[0]["median"], r[1]["median"]
ours, theirs = int(sys.argv[4]), int(sys.argv[5])
first, _, whole, _ = sys.argv[6].split()
print(f"| {sys.argv[2]} | {sys.argv[3]} | {d*1000:.0f} ms | {s*1000:.0f} ms | {d/s:.2f}x | {ours} | {theirs} | "
      f"{ours/theirs:.2f}x | {first} ms | {whole} ms |")
PY
  rm -f "$out"
done
