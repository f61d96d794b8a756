#!/bin/sh
# Entry point on a fresh machine: installs make when it is missing, then runs the make target given
# (`sh make.sh test`, `sh make.sh run`). The Makefile installs everything else it needs.
set -eu
cd "$(dirname "$0")"

if ! command -v make >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo="sudo"
    echo "Installing: make"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends make
fi
exec make "$@"
