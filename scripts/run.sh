#!/usr/bin/env bash
# Installs what is missing, builds dirmatch and starts the desktop program.
# Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -x build/ui/dirmatch-gui ]; then
  exec build/ui/dirmatch-gui "$@"
fi
exec build/cli/dirmatch "${@:---help}"
