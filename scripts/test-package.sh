#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, desktop-file-validate,
# appstreamcli), installs it, uses the installed programs, and removes it
# again, leaving nothing behind. As root (CI).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(lintian desktop-file-utils appstream dpkg-dev help2man bash-completion)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

bash scripts/package.sh >/dev/null
deb=$(ls build/dirmatch_*.deb)
echo "package: $deb"
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'root privileges' | tee /tmp/dirmatch-lintian.txt || true
if grep -q '^E:' /tmp/dirmatch-lintian.txt; then echo "lintian found errors"; exit 1; fi
# The description reads as written: no list separator at the start of a line.
if dpkg-deb -f "$deb" Description | grep -q '^ ;'; then echo "stray ';' in the package description"; exit 1; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/dirmatch.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/"*.metainfo.xml

dpkg -r dirmatch >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive apt-get install -y "./$deb" >/dev/null
dpkg -L dirmatch > "$work/installed"
mkdir -p "$work/A" "$work/B" "$work/home"
echo "new content" > "$work/A/f"
echo old > "$work/B/f"
set +e
HOME="$work/home" /usr/bin/dirmatch compare "$work/A" "$work/B" --lang en > "$work/out"
code=$?
HOME="$work/home" /usr/bin/dirmatch compare "$work/A" "$work/missing" --lang en 2>/dev/null
missing_code=$?
set -e
[ "$code" = 1 ] || { echo "installed dirmatch compare: exit $code"; exit 1; }
grep -q '^\* f$\|^  \* f$' "$work/out" || { cat "$work/out"; echo "no difference shown"; exit 1; }
[ "$missing_code" = 2 ] || { echo "a missing folder: exit $missing_code"; exit 1; }
# An installed program keeps its log in the user's configuration folder.
[ -s "$work/home/.config/dirmatch/dirmatch.log" ] || { echo "no log in the user's configuration"; exit 1; }
[ ! -e /usr/bin/dirmatch.log ] || { echo "a log beside the installed program"; exit 1; }
/usr/bin/dirmatch-gui --version | grep -q '^dirmatch-gui [0-9]'
[ -s /usr/share/man/man1/dirmatch.1.gz ] && [ -s /usr/share/man/man1/dirmatch-gui.1.gz ]
bash -c 'source /usr/share/bash-completion/bash_completion; source /usr/share/bash-completion/completions/dirmatch;
         complete -p dirmatch' >/dev/null

dpkg -r dirmatch >/dev/null
left=0
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then echo "left behind: $path"; left=1; fi
done < "$work/installed"
[ "$left" = 0 ]
echo "package: built, checked, installed, used and removed"
