#!/usr/bin/env bash
# Installs what is missing, builds Tonquelle into build/ and launches it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh tools/debian-packages-run.txt
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target tonquelle
exec build/app/tonquelle "$@"
