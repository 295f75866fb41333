#!/usr/bin/env bash
# Sets everything up and runs coinloft on its defaults: a virtual reader
# "Virtual Reader 1" holding the demo card A123 (laid there when the reader
# holds no card), in $QV_CARD_HOME or the per-user default folder, and the
# demo ledger on the embedded engine (created once, with lines of 300 and 200
# waiting for A123), defined as "Tarnix" in build/dbxconnections.ini.
# Arguments are passed to coinloft (default: the demo card's number).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build -DBUILD_TESTING=OFF -DCOINLOFT_BENCH=OFF
reader="Virtual Reader 1"
build/qvcard add-reader "$reader"
if ! build/qvcard show "$reader" >/dev/null 2>&1; then
  build/qvcard issue "$reader" A123 1200 1000 300 100
fi
build/coinloft-ledger demo
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
if [ $# -eq 0 ]; then set -- A123; fi
exec build/coinloft "$@"
