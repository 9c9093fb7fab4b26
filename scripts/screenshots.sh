#!/usr/bin/env bash
# Renders every window of the desktop program offscreen, after a small sample
# comparison, into docs/screenshots/ (Chinese) and docs/screenshots/en/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
QT_QPA_PLATFORM=offscreen build/ui/dirmatch-screenshots docs/screenshots
QT_QPA_PLATFORM=offscreen build/ui/dirmatch-screenshots docs/screenshots/en --lang en
echo "Screenshots in docs/screenshots/"
