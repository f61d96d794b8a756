#!/bin/sh
# Entry point on a fresh machine: installs make when it is missing, then runs the make target given
# (`sh make.sh test`, `sh make.sh run`). The Makefile installs everything else it needs.
set -eu
cd "$(dirname "$0")"

if ! command -v make >/dev/null 2>&1; then
    sudo=""
    if [ "$(id -u)" != 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "make is missing: run this as root, or install make (apt-get install make) first." >&2
            exit 1
        fi
        sudo="sudo"
    fi
    echo "Installing: make"
    $sudo apt-get update
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends make
fi
exec make "$@"
