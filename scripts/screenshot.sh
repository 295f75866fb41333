#!/usr/bin/env bash
# Saves a picture of the window (off screen) as docs/window.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build -DBUILD_TESTING=OFF -DCOINLOFT_BENCH=OFF
home=$(mktemp -d)
export QV_CARD_HOME=$home/readers COINLOFT_DBX_DIR=$home XDG_RUNTIME_DIR=$(mktemp -d)
cp build/dbxdrivers.ini "$home/"
build/coinloft-ledger create "$home/POSDATA.FDB"
build/qvcard add-reader "Virtual Reader 1"
build/qvcard issue "Virtual Reader 1" A123 1200 1000 300 100
mkdir -p docs
build/coinloft-screenshot docs/window.png A123
rm -rf "$home"
echo "saved docs/window.png"
